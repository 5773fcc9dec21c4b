// Time from a screen-key command to the picture saved under its automatic
// name, on a Wayland session: the command as the desktop's shortcut portal
// or a handed-over one-shot command delivers it, the picture from the
// desktop portal. Prints the median in milliseconds last; run inside the
// session with WINDIR set to a scratch directory.

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "prentix/app/commands.h"
#include "prentix/frame/mainframe.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixqtapp.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? atoi(argv[1]) : 20;
  const std::string dir = getenv("WINDIR") ? getenv("WINDIR") : "/tmp";
  QApplication qt(argc, argv);
  platform::WritePrivateProfileStrings({{"Verwendung", "Taskbar", "no"},
                                        {"Verwendung", "UseSaveAsNameFormat", "1"},
                                        {"Verwendung", "SaveAsNameFormat", dir + "/shot"},
                                        {"Wayland", "KeyNotice", "1"}},
                                       "prentix.ini");
  prentix::CPrentixApp app;
  app.InitInstance({});
  app.Doc()->message = [](const QString&) {};  // no box to click away
  app.MainFrame()->tellUser = [](QWidget*, const QString& text) {
    fprintf(stderr, "wayland_latency: %s\n", text.toUtf8().constData());
  };
  app.MainFrame()->hide();
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 300) qt.processEvents(QEventLoop::AllEvents, 20);

  // the first one untimed: the portal's and the codec's one-time costs
  std::vector<double> ms;
  for (int i = 0; i <= runs; ++i) {
    char name[64];
    snprintf(name, sizeof name, "/shot%03d.pxi", i + 1);
    auto t0 = std::chrono::steady_clock::now();
    app.MainFrame()->RouteFromHook(prentix::cmd::kPrintScreen);
    auto t1 = std::chrono::steady_clock::now();
    if (!std::filesystem::exists(dir + name)) {
      fprintf(stderr, "wayland_latency: nothing saved on run %d\n", i);
      return 1;
    }
    if (i > 0) ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  printf("%-34s median %6.1f ms  (min %.1f, max %.1f, %d runs)\n", "screen key to picture saved",
         ms[ms.size() / 2], ms.front(), ms.back(), runs);
  printf("%.1f\n", ms[ms.size() / 2]);
  app.ExitInstance();
  return 0;
}
