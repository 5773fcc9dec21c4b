// Time from an F12 release to the capture done, in the program itself:
// saved under its automatic name, shown in the view, or (with "print" as
// the second argument, under a CUPS scheduler) printed: the job accepted
// by the scheduler. The key goes through the real hook and X server; run
// on a display with WINDIR set to a scratch directory.

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "prentix/app/commands.h"
#include "prentix/frame/mainframe.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixqtapp.h"
#include "prentix/frame/prentixview.h"

// Xlib's macros (None, Bool, Status) last: Qt's headers use those names
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

struct Result {
  double median, min, max;
};

Result Summary(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.front(), ms.back()};
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? atoi(argv[1]) : 20;
  const bool printing = argc > 2 && strcmp(argv[2], "print") == 0;
  const std::string dir = getenv("WINDIR") ? getenv("WINDIR") : "/tmp";
  QApplication qt(argc, argv);
  Display* typist = XOpenDisplay(nullptr);
  if (!typist) return 1;
  const KeyCode f12 = XKeysymToKeycode(typist, XK_F12);

  std::vector<bool> modes = {true, false};
  if (printing) modes = {false};
  for (bool save : modes) {
    platform::WritePrivateProfileStrings({{"Verwendung", "Taskbar", "no"},
                                          {"Verwendung", "NoPrinter", printing ? "" : "1"},
                                          {"Verwendung", "UseSaveAsNameFormat", save ? "1" : ""},
                                          {"Verwendung", "SaveAsNameFormat", dir + "/shot"},
                                          {"Key", "Screen", "123"}},
                                         "prentix.ini");
    prentix::CPrentixApp app;
    app.InitInstance({});
    app.Doc()->message = [](const QString&) {};  // no box to click away
    prentix::CPrentixView* view = app.MainFrame()->View();
    int handled = 0;
    app.Router().observer = [&](int id, prentix::CommandSource, prentix::RouteResult r) {
      if (id == prentix::cmd::kPrintScreen && r == prentix::RouteResult::kHandled) ++handled;
    };
    // one press untimed: the hook has its grabs and the first capture's
    // one-time costs are paid
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) qt.processEvents(QEventLoop::AllEvents, 20);
    XTestFakeKeyEvent(typist, f12, True, CurrentTime);
    XTestFakeKeyEvent(typist, f12, False, CurrentTime);
    XFlush(typist);
    settle.restart();
    while (settle.elapsed() < 5000 && handled == 0) qt.processEvents(QEventLoop::AllEvents, 5);
    if (handled == 0) {
      fprintf(stderr, "capture_latency: the screen key never arrived\n");
      return 1;
    }
    if (printing && system("while [ -n \"$(lpstat -o)\" ]; do sleep 0.05; done") != 0) return 1;
    usleep(50000);

    std::vector<double> ms;
    for (int i = 1; i <= runs; ++i) {
      char name[64];
      snprintf(name, sizeof name, "/shot%03d.pxi", i + 1);
      const std::string file = dir + name;
      const int before = handled;
      XTestFakeKeyEvent(typist, f12, True, CurrentTime);
      XTestFakeKeyEvent(typist, f12, False, CurrentTime);
      XFlush(typist);
      auto t0 = std::chrono::steady_clock::now();
      QElapsedTimer limit;
      limit.start();
      while (limit.elapsed() < 3000 &&
             (save ? !std::filesystem::exists(file) : handled == before)) {
        qt.processEvents(QEventLoop::AllEvents, 1);
      }
      // shown: the view has painted the new picture
      if (!save) view->viewport()->repaint();
      auto t1 = std::chrono::steady_clock::now();
      if (save ? !std::filesystem::exists(file) : handled == before) {
        fprintf(stderr, "capture_latency: nothing on run %d (%d captures so far)\n", i, handled);
        for (const auto& e : std::filesystem::directory_iterator(dir))
          fprintf(stderr, "  %s\n", e.path().filename().c_str());
        return 1;
      }
      ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
      usleep(50000);
      // the scheduler done with the job before the next key
      if (printing && system("while [ -n \"$(lpstat -o)\" ]; do sleep 0.05; done") != 0) return 1;
    }
    Result r = Summary(ms);
    printf("%-30s median %6.1f ms  (min %.1f, max %.1f, %d runs)\n",
           printing ? "hot key to job accepted"
           : save   ? "hot key to picture saved"
                    : "hot key to picture shown",
           r.median, r.min, r.max, runs);
    app.MainFrame()->askQuestion = [](QWidget*, const QString&) { return QMessageBox::Yes; };
    app.ExitInstance();
  }
  XCloseDisplay(typist);
  return 0;
}
