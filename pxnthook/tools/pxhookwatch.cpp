// pxhookwatch: shows a small window, installs the hook for it and prints
// every command the print keys send, until interrupted. A way to try the
// hot keys of prentix.ini without the capture program.
#include <csignal>
#include <cstdio>

#include "platform/x11/x11.h"
#include "pxnthook/pxnthook.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
const char* Meaning(int id) {
  switch (id) {
    case 32771: return "paste the clipboard picture (Print Screen)";
    case 32781: return "capture the active window";
    case 32782: return "capture the screen";
  }
  return "unknown command";
}
}  // namespace

int main() {
  auto conn = platform::x11::Connection::Open();
  if (!conn) {
    fprintf(stderr, "pxhookwatch: cannot open the X display\n");
    return 1;
  }
  auto rx = platform::x11::CommandReceiver::Create(*conn, true);
  if (!rx || InstalliereHook(static_cast<int>(rx->Window()), 1) != 1) {
    fprintf(stderr, "pxhookwatch: cannot install the keyboard hook\n");
    return 1;
  }
  signal(SIGINT, [](int) { g_stop = 1; });
  signal(SIGTERM, [](int) { g_stop = 1; });
  printf("pxhookwatch: window %lu, press the print keys (Ctrl+C ends)\n", rx->Window());
  fflush(stdout);
  while (!g_stop) {
    if (auto id = rx->Wait(200)) {
      printf("%d  %s\n", *id, Meaning(*id));
      fflush(stdout);
    }
  }
  InstalliereHook(static_cast<int>(rx->Window()), 0);
  return 0;
}
