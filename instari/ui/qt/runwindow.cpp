#include "instari/ui/qt/runwindow.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "instari/ui/qt/installerwindow.h"
#include "instari/ui/qt/qtui.h"

namespace instari {

int RunInWindow(QtUi& ui, const std::function<int()>& script) {
  InstallerWindow* window = ui.Window();
  int code = 0;
  QEventLoop loop;
  std::unique_ptr<QThread> worker(QThread::create([&] { code = script(); }));
  QObject::connect(worker.get(), &QThread::finished, window, [&] {
    window->SetRunning(false);
    window->accept();
    loop.quit();
  });
  window->SetRunning(true);
  window->show();
  // the run starts once the window is on the screen
  QTimer::singleShot(0, window, [&] { worker->start(); });
  loop.exec();
  worker->wait();
  return code;
}

}  // namespace instari
