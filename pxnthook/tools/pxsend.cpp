// pxsend COMMAND...: posts commands to the window the hook sends to (the
// "hwnd" value), as the hook does; for scripts that drive Prentix, such as
// the screenshots. Exits 1 when there is no such window or no display.

#include <cstdio>
#include <cstdlib>

#include "platform/x11/x11.h"
#include "pxnthook/hookproc.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: pxsend COMMAND...\n");
    return 2;
  }
  auto window = pxnthook::ReadTargetWindow();
  auto c = platform::x11::Connection::Open();
  if (!window || !c) {
    fprintf(stderr, "pxsend: no window to send to\n");
    return 1;
  }
  auto w = static_cast<platform::x11::WindowId>(static_cast<unsigned long>(*window));
  for (int i = 1; i < argc; ++i) {
    if (!c->PostCommand(w, atoi(argv[i]))) return 1;
  }
  return c->Synced() ? 0 : 1;
}
