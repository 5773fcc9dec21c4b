// prentix: prints what is on the screen when a print key is pressed.

#include <QApplication>
#include <QElapsedTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "prentix/app/framerules.h"
#include "prentix/frame/mainframe.h"
#include "prentix/frame/oneshot.h"
#include "prentix/frame/prentixqtapp.h"
#include "prentix/frame/prentixview.h"

namespace {

const char kUsage[] =
    "usage: prentix [FILE]\n"
    "       prentix --print-screen | --print-window | --paste-print\n"
    "FILE is a picture to show. The one-shot commands capture the screen, the\n"
    "active window or the clipboard's picture, save or print it as the settings\n"
    "say and end; a running prentix is handed the command instead.\n";

}  // namespace

int main(int argc, char** argv) {
  // past the file-size limit a write fails with EFBIG, handled like a full
  // disk, instead of the signal ending the program with nothing reported
  signal(SIGXFSZ, SIG_IGN);
  if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    fputs(kUsage, stdout);
    return 0;
  }
  if (std::string unsafe = platform::UnsafeWindowsDirectory(); !unsafe.empty()) {
    fprintf(stderr, "prentix: %s\n", unsafe.c_str());
    return 2;
  }
  const int command = argc > 1 ? prentix::OneShotCommand(argv[1]) : 0;
  if (command && argc > 2) {
    fputs(kUsage, stderr);
    return 2;
  }
  if (command && prentix::HandOverToRunningProgram(command)) return 0;

  QApplication qt(argc, argv);
  // the program lives on in the tray with its window hidden
  qt.setQuitOnLastWindowClosed(false);
  qt.setApplicationName("prentix");
  prentix::CPrentixApp app;
  if (command) {
    if (!app.InitInstance({}, true)) return 1;
    QCoreApplication::processEvents();
    app.MainFrame()->RouteFromHook(command);
    // a printer that fails the job right away is still reported
    QElapsedTimer waited;
    waited.start();
    while (app.MainFrame()->View()->WatchingJobs() && waited.elapsed() < 30000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return app.ExitInstance();
  }
  std::vector<std::string> args(argv + 1, argv + argc);  // Qt's own options removed
  if (!app.InitInstance(args)) return 1;
  qt.exec();
  return app.ExitInstance();
}
