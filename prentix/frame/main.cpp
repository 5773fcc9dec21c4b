// prentix: prints what is on the screen when a print key is pressed.

#include <QApplication>
#include <QElapsedTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/x11/x11.h"
#include "prentix/app/commands.h"
#include "prentix/app/framerules.h"
#include "prentix/frame/instance.h"
#include "prentix/frame/mainframe.h"
#include "prentix/frame/oneshot.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixqtapp.h"
#include "prentix/frame/prentixview.h"

namespace {

const char kUsage[] =
    "usage: prentix [FILE]\n"
    "       prentix --print-screen | --print-window | --paste-print\n"
    "       prentix --help | --version\n"
    "FILE is a picture to show (after --, a name may start with -). The one-shot\n"
    "commands capture the screen, the active window or the clipboard's picture,\n"
    "save or print it as the settings say and end. When Prentix already runs,\n"
    "it is handed the file or command instead, and a plain start shows its window.\n";

// Something to draw on: Qt would otherwise abort with a message of its own.
bool DisplayAnswers() {
  const char* platform = getenv("QT_QPA_PLATFORM");
  if (platform && *platform && std::string(platform).rfind("xcb", 0) != 0 &&
      std::string(platform).rfind("wayland", 0) != 0)
    return true;  // offscreen, vnc, ...: Qt's to judge
  if (platform::WaylandSocketPresent()) return true;
  const char* x = getenv("DISPLAY");
  return x && *x && platform::x11::Connection::Open() != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  // past the file-size limit a write fails with EFBIG, handled like a full
  // disk, instead of the signal ending the program with nothing reported
  signal(SIGXFSZ, SIG_IGN);
  const prentix::CommandLine line =
      prentix::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (line.kind) {
    case prentix::CommandLine::kHelp:
      fputs(kUsage, stdout);
      return 0;
    case prentix::CommandLine::kVersion:
      printf("prentix %s\n", PX_VERSION);
      return 0;
    case prentix::CommandLine::kBad:
      if (!line.unknown.empty())
        fprintf(stderr, "prentix: unknown option %s\n", line.unknown.c_str());
      fputs(kUsage, stderr);
      return 2;
    default:
      break;
  }
  if (std::string unsafe = platform::UnsafeWindowsDirectory(); !unsafe.empty()) {
    fprintf(stderr, "prentix: %s\n", unsafe.c_str());
    return 2;
  }
  if (!DisplayAnswers()) {
    fputs("prentix: no desktop session: Prentix needs an X11 or Wayland display\n", stderr);
    return 1;
  }
  const int command = line.kind == prentix::CommandLine::kOneShot ? line.command : 0;

  QApplication qt(argc, argv);
  // the program lives on in the tray with its window hidden
  qt.setQuitOnLastWindowClosed(false);
  qt.setApplicationName("prentix");
  const QString request = command ? prentix::CommandRequest(command)
                          : !line.file.empty()
                              ? prentix::OpenRequest(QString::fromStdString(line.file))
                              : prentix::ShowRequest();
  if (prentix::InstanceServer::HandOver(request)) return 0;
  if (command && prentix::HandOverToRunningProgram(command)) return 0;

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
  // one per session: two started together end as one
  prentix::InstanceServer instance;
  if (!instance.Listen()) return prentix::InstanceServer::HandOver(request) ? 0 : 1;
  std::vector<std::string> args;
  if (!line.file.empty()) args.push_back(line.file);
  if (!app.InitInstance(args)) return 1;
  prentix::CMainFrame* frame = app.MainFrame();
  auto show = [frame] {
    frame->showNormal();
    frame->raise();
    frame->activateWindow();
  };
  QObject::connect(&instance, &prentix::InstanceServer::Show, frame, show);
  QObject::connect(&instance, &prentix::InstanceServer::Open, frame,
                   [frame, show](const QString& path) {
                     show();
                     frame->OpenFile(path.toStdString());
                   });
  QObject::connect(&instance, &prentix::InstanceServer::Command, frame,
                   [frame](int id) { frame->PostCommand(id, prentix::CommandSource::kHook); });
  qt.exec();
  return app.ExitInstance();
}
