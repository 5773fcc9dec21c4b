// prentix: prints what is on the screen when a print key is pressed.

#include <QApplication>
#include <string>
#include <vector>

#include "prentix/frame/prentixqtapp.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  // the program lives on in the tray with its window hidden
  qt.setQuitOnLastWindowClosed(false);
  qt.setApplicationName("prentix");
  std::vector<std::string> args(argv + 1, argv + argc);  // Qt's own options removed
  prentix::CPrentixApp app;
  if (!app.InitInstance(args)) return 1;
  qt.exec();
  return app.ExitInstance();
}
