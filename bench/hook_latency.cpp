// Time from a synthetic F12 release to the command arriving at the window
// the hook library was installed for. Run with WINDIR set to a scratch
// directory and a display.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/profile.h"
#include "platform/x11/x11.h"
#include "pxnthook/pxnthook.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? atoi(argv[1]) : 20;
  platform::WritePrivateProfileString("Key", "Screen", "123", "prentix.ini");
  auto rxConn = platform::x11::Connection::Open();
  auto typist = platform::x11::Connection::Open();
  if (!rxConn || !typist) {
    fprintf(stderr, "hook_latency: no display\n");
    return 1;
  }
  auto rx = platform::x11::CommandReceiver::Create(*rxConn);
  if (!rx || InstalliereHook(static_cast<int>(rx->Window()), 1) != 1) return 1;
  Display* d = typist->display();
  const KeyCode f12 = XKeysymToKeycode(d, XK_F12);
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    XTestFakeKeyEvent(d, f12, True, CurrentTime);
    XTestFakeKeyEvent(d, f12, False, CurrentTime);
    XFlush(d);
    auto t0 = std::chrono::steady_clock::now();
    auto cmd = rx->Wait(2000);
    auto t1 = std::chrono::steady_clock::now();
    if (cmd != 32782) {
      fprintf(stderr, "hook_latency: no command on run %d\n", i);
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  InstalliereHook(static_cast<int>(rx->Window()), 0);
  std::sort(ms.begin(), ms.end());
  printf("hot key to command        median %.2f ms  (min %.2f, max %.2f, %d runs)\n",
         ms[ms.size() / 2], ms.front(), ms.back(), runs);
  return 0;
}
