#pragma once
// The main window: menus and tool bar in the user's language, the status
// bar, the tray icon's clicks, closing and minimizing the way a tray
// program does, and the frame's own commands.

#include <QMainWindow>
#include <QMessageBox>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "prentix/app/commandrouter.h"
#include "prentix/app/framerules.h"
#include "prentix/capture/screensource.h"

class QLabel;

namespace prentix {

class CPSheet;
class CPrentixDoc;
class CPrentixView;
class ToolBarManager;

class CMainFrame : public QMainWindow, public CommandTarget {
  Q_OBJECT
 public:
  CMainFrame(CommandRouter* router, CPrentixDoc* doc, std::string programPath);
  ~CMainFrame() override;

  // Menus, status bar, tool bar with its saved layout, then the hook.
  void Create();
  CPrentixView* View() const { return view_; }
  ToolBarManager* Bars() const { return bars_; }
  QAction* ActionFor(int id);

  // Enabled and checked states of every item and button, from the router.
  void UpdateCommandUi();
  // Handled from the event loop, after the command that posts it.
  // keys: the modifiers the hook saw at the key's release, when it says.
  void PostCommand(int id, CommandSource source = CommandSource::kProgram,
                   std::optional<ModifierKeys> keys = std::nullopt);
  // A command of the hook (or a one-shot command), handled now.
  void RouteFromHook(int id, std::optional<ModifierKeys> keys = std::nullopt);

  // A file handed to the program (a second start): opened and shown.
  void OpenFile(const std::string& path);

  // The tray icon's callback.
  void OnTrayMouse(TrayMouse mouse);
  // Session end: the layout is saved and the window closes without asking.
  void OnEndSession();
  bool SaveBarState();
  void UpdateTitle();
  // The print preview in the view's place, and back.
  void ShowPreview(QWidget* preview);
  void EndPreview();
  QWidget* Preview() const { return preview_; }

  bool Handles(int id) const override;
  void OnCommand(int id) override;

  // Menus, tool tips, status bar and title again, in the language now set.
  void Retranslate();

  // The question before closing; tests answer it themselves.
  std::function<QMessageBox::StandardButton(QWidget*, const QString&)> askQuestion;
  // The settings dialog run modally (the dialog's result), and a notice
  // to the user; tests drive and read them.
  std::function<int(CPSheet& sheet)> runSheet;
  std::function<void(QWidget* parent, const QString& text)> tellUser;

  // Tells the user without waiting for an answer, and logs it: a box beside
  // the window while it is shown, the tray's balloon while the program
  // lives in the tray, so that a hot key never waits on a hidden box.
  void Notify(const QString& text);
  // How Notify shows it; tests read it here.
  std::function<void(const QString& text)> notify;
  // The tray icon's balloon, set by the application while it has an icon.
  std::function<void(const QString& text)> trayMessage;

 signals:
  void Closed();           // the window closed for good: the program ends
  void SettingsChanged();  // the settings dialog closed

 protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void BuildMenus();
  void CreateStatusBar();
  void UpdatePanes();
  void UpdateRecentFiles();
  void RemoveHook();
  void Customize();
  void OnSettings();

  CommandRouter* router_;
  CPrentixDoc* doc_;
  std::string programPath_;
  CPrentixView* view_ = nullptr;
  ToolBarManager* bars_ = nullptr;
  std::map<int, QAction*> actions_;
  QLabel* positionPane_ = nullptr;
  QLabel* sizePane_ = nullptr;
  std::string helpFile_;
  bool hookInstalled_ = false;
  int hookWindow_ = 0;
  bool sessionEnding_ = false;
  bool commandUiDue_ = false;
  QWidget* preview_ = nullptr;
};

}  // namespace prentix
