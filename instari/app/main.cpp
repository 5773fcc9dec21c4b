// instari: runs an installation script.
//
//   instari                     runs instari.inf in the current directory
//   instari SCRIPT              runs SCRIPT
//   instari SCRIPT DIRECTORY    changes to DIRECTORY first, then runs SCRIPT
//   instari "/c STATEMENT"      runs one statement

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "instari/ixstdf32/ixstdf.h"
#include "instari/script/interpreter.h"
#include "instari/script/systemfacts.h"
#include "instari/ui/consoleui.h"
#include "platform/paths.h"

#ifdef INSTARI_WITH_X11
#include "platform/x11/x11.h"
#endif
#ifdef INSTARI_WITH_WINDOW
#include <QApplication>

#include "instari/ui/qt/qtui.h"
#include "instari/ui/qt/runwindow.h"
#endif

namespace {

const char kHelp[] =
    "Usage: instari [OPTION]... [SCRIPT [DIRECTORY]]\n"
    "       instari [OPTION]... \"/c STATEMENT\"\n"
    "\n"
    "Runs an installation script: reads it, checks every statement, then runs\n"
    "them one by one.\n"
    "\n"
    "  (no SCRIPT)         run instari.inf in the current directory\n"
    "  SCRIPT              run that script\n"
    "  SCRIPT DIRECTORY    make DIRECTORY the current directory, then run SCRIPT\n"
    "  \"/c STATEMENT\"      run the one statement after \"/c \"\n"
    "\n"
    "Options:\n"
    "  --help              show this text and exit\n"
    "  --console           run on the terminal even when a display is there\n"
    "  --on-error=continue with no one to answer (no terminal, or the answers on\n"
    "                      standard input used up) an error report counts as OK\n"
    "                      until one statement failed 10 times or 1000 reports\n"
    "                      were made (the default)\n"
    "  --on-error=stop     with no one to answer, the first error report ends the\n"
    "                      run\n"
    "  --apply-pending-renames\n"
    "                      carry out the file replacements an installation left\n"
    "                      for the next start, then exit (1 when one could not be\n"
    "                      done: it stays queued, the reason in instari.err)\n"
    "\n"
    "With a display that answers (DISPLAY or WAYLAND_DISPLAY) the run is shown in\n"
    "a window with its progress and a Cancel button; otherwise on the terminal, where\n"
    "questions are answered by typing, or from standard input one answer a line.\n"
    "\n"
    "Errors in the script are appended to instari.err in the Windows directory\n"
    "($WINDIR, else ~/.config/tervola) and shown with OK and Cancel; without a\n"
    "terminal and without answers OK is taken.\n"
    "\n"
    "Exit status: 0 when the script ran to its end; 1 when an error report was\n"
    "cancelled or a statement had too many parameters; 2 when the script or the\n"
    "directory could not be opened or an option is unknown; 3 when the script ran\n"
    "to its end after one or more error reports, or a run with no one to answer\n"
    "was ended by --on-error.\n";

// The host facts, with the modifier keys read from the X server when there is one.
class ProgramFacts : public instari::script::HostSystemFacts {
 public:
  instari::script::KeysHeld KeysDown() override {
    instari::script::KeysHeld keys;
#ifdef INSTARI_WITH_X11
    const char* display = getenv("DISPLAY");
    if (display && *display) {
      if (auto connection = platform::x11::Connection::Open()) {
        platform::x11::KeyState s = connection->QueryKeyState();
        keys.shift = s.shift;
        keys.alt = s.alt;
        keys.control = s.ctrl;
      }
    }
#endif
    return keys;
  }
};

#ifdef INSTARI_WITH_WINDOW
// A display named and answering: a stale DISPLAY (an ssh session without
// X forwarding) gives the console instead of a program that cannot start.
bool DisplayReachable() {
  if (platform::WaylandSocketPresent()) return true;
  const char* x = getenv("DISPLAY");
  if (!x || !*x) return false;
#ifdef INSTARI_WITH_X11
  return platform::x11::Connection::Open() != nullptr;
#else
  return true;
#endif
}
#endif

}  // namespace

int main(int argc, char** argv) {
  setlocale(LC_ALL, "");
  // past the file-size limit a write fails with EFBIG, handled like a full
  // disk, instead of the signal ending the program with nothing reported
  signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args{argv[0]};
  bool console = false;
  instari::script::OnError onError = instari::script::OnError::kContinue;
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--", 2) == 0) {
      if (strcmp(argv[i], "--help") == 0) {
        fputs(kHelp, stdout);
        return 0;
      }
      if (strcmp(argv[i], "--console") == 0) {
        console = true;
        continue;
      }
      if (strcmp(argv[i], "--on-error=stop") == 0 || strcmp(argv[i], "--on-error=continue") == 0) {
        onError = argv[i][11] == 's' ? instari::script::OnError::kStop
                                     : instari::script::OnError::kContinue;
        continue;
      }
      if (strcmp(argv[i], "--apply-pending-renames") == 0) {
        int left = ApplyPendingRenames();
        if (left)
          fprintf(stderr, "instari: %d deferred operation(s) stay queued; the last: %s\n", left,
                  GibLetztenFehlerText());
        return left ? 1 : 0;
      }
      fprintf(stderr, "instari: unknown option %s (see instari --help)\n", argv[i]);
      return 2;
    }
    args.push_back(argv[i]);
  }

  if (std::string unsafe = platform::UnsafeWindowsDirectory(); !unsafe.empty()) {
    fprintf(stderr, "instari: %s\n", unsafe.c_str());
    return 2;
  }
  ProgramFacts facts;
  auto run = [&](instari::InstallerUi& ui) {
    instari::script::Interpreter interpreter(ui, facts);
    interpreter.SetOnError(onError);
    int code = interpreter.RunScript(args);
    if (!interpreter.StopReason().empty())
      fprintf(stderr, "instari: %s\n", interpreter.StopReason().c_str());
    // automation learns that the run went on past error reports
    if (code == 0 && interpreter.ErrorReportCount() > 0) code = 3;
    return code;
  };
#ifdef INSTARI_WITH_WINDOW
  if (!console && DisplayReachable()) {
    QApplication app(argc, argv);
    instari::QtUi ui(facts.LanguageId(), facts.Numbers());
    return instari::RunInWindow(ui, [&] { return run(ui); });
  }
#endif
  instari::ConsoleUi ui;
  ui.SetLanguage(facts.LanguageId());
  ui.SetNumberLocale(facts.Numbers());
  return run(ui);
}
