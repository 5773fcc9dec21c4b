// The yardstick for Prentix's start: an empty Qt Widgets program whose only
// content is a tray icon.

#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::darkBlue);
  QSystemTrayIcon tray{QIcon(pixmap)};
  tray.show();
  return app.exec();
}
