#pragma once
// The application object's window side: carries out what the start-up
// decided (document, main window, tray icon, hidden start), takes the
// application's commands and ends the program in order.

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "prentix/app/commandrouter.h"
#include "prentix/app/prentixapp.h"

class QSystemTrayIcon;

namespace prentix {

class CMainFrame;
class DesktopShortcuts;
class CPrentixDoc;
class HookCommandFilter;

class CPrentixApp : public QObject, public CommandTarget {
  Q_OBJECT
 public:
  explicit CPrentixApp(StartupSources sources = {});
  ~CPrentixApp() override;

  // args: the command line without the program name. False when no main
  // window could be made. A one-shot start shows no window and no icon.
  bool InitInstance(const std::vector<std::string>& args, bool oneShot = false);
  // Tray icon removed, picture freed, log closed. The exit code.
  int ExitInstance();

  CommandRouter& Router() { return router_; }
  CMainFrame* MainFrame() const { return frame_.get(); }
  CPrentixDoc* Doc() const { return doc_.get(); }
  QSystemTrayIcon* Tray() const { return tray_; }
  const StartupPlan& Plan() const { return plan_; }

  bool Handles(int id) const override;
  void OnCommand(int id) override;

 private:
  void AddTrayIcon();
  void OfferDesktopKeys();
  void AskGnomeShortcuts(const std::string& screen, const std::string& window);
  void CheckSettingsFolder();
  void CheckHeldKeys();

  PrentixApp core_;
  StartupPlan plan_;
  CommandRouter router_;
  std::unique_ptr<CPrentixDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<HookCommandFilter> hookFilter_;
  QSystemTrayIcon* tray_ = nullptr;
  std::unique_ptr<DesktopShortcuts> shortcuts_;
};

// The program's own path, for the registry and the help file.
std::string ProgramPath();

}  // namespace prentix
