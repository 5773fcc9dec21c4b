// pxsend COMMAND...: posts commands to the window the hook sends to (the
// "hwnd" value), as the hook does; for scripts that drive Prentix, such as
// the screenshots. Exits 1 when there is no such window or no display.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/x11/x11.h"
#include "pxnthook/hookproc.h"

namespace {

void Usage(FILE* out) {
  fputs(
      "Usage: pxsend COMMAND...\n"
      "Posts each COMMAND number to the window the print keys send to, as the\n"
      "keyboard hook does. The hook's commands:\n",
      out);
  for (const auto& c : pxnthook::kHookCommands) fprintf(out, "  %d  %s\n", c.id, c.meaning);
  fputs(
      "Other numbers go to the window's menu command of that number.\n"
      "  --help  show this text\n"
      "Exit status 0 when the commands were sent, 1 when there is no display or no\n"
      "such window, 2 for a wrong command line.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--help") == 0) {
    Usage(stdout);
    return 0;
  }
  bool numbers = argc >= 2;
  for (int i = 1; i < argc; ++i) {
    char* end = nullptr;
    const long id = strtol(argv[i], &end, 10);
    numbers = numbers && *argv[i] && !*end && id > 0 && id <= 0xFFFF;
  }
  if (!numbers) {
    Usage(stderr);
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
    if (!c->PostCommand(w, static_cast<int>(strtol(argv[i], nullptr, 10)))) return 1;
  }
  return c->Synced() ? 0 : 1;
}
