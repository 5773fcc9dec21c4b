// pxhookwatch: shows a small window, installs the hook for it and prints
// every command the print keys send, until interrupted. A way to try the
// hot keys of prentix.ini without the capture program.
#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/x11/x11.h"
#include "pxnthook/hookproc.h"
#include "pxnthook/pxnthook.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
const char* Meaning(int id) {
  for (const auto& c : pxnthook::kHookCommands)
    if (c.id == id) return c.meaning;
  return "unknown command";
}
}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const bool help = argc == 2 && strcmp(argv[1], "--help") == 0;
    fputs(
        "Usage: pxhookwatch\n"
        "Shows a small window, installs the keyboard hook for it and prints every\n"
        "command the print keys send, until interrupted.\n"
        "  --help  show this text\n"
        "Exit status 0 when interrupted, 1 without a display or when the hook cannot\n"
        "be installed, 2 for a wrong command line.\n",
        help ? stdout : stderr);
    return help ? 0 : 2;
  }
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
