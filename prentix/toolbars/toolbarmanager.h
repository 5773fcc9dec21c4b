#pragma once
// The dockable, customisable tool bar of the main window: its buttons come
// from the command actions, its images in two sizes, and its layout is kept
// in prentix.ini under "Toolbar90" (the window's dock state and the
// buttons of each bar).

#include <QObject>
#include <functional>
#include <vector>

class QAction;
class QComboBox;
class QMainWindow;
class QToolBar;

namespace prentix {

inline constexpr const char kBarStateSection[] = "Toolbar90";

class ToolBarManager : public QObject {
  Q_OBJECT
 public:
  using ActionFor = std::function<QAction*(int id)>;
  ToolBarManager(QMainWindow* frame, ActionFor actionFor);

  // The "Standard" bar with the default buttons, docked at the top.
  QToolBar* CreateDefaultBar();
  QToolBar* Bar() const { return bar_; }

  std::vector<int> Buttons() const { return buttons_; }
  void SetButtons(std::vector<int> ids);
  bool HasButton(int id) const;
  void AddButton(int id);
  void RemoveButton(int id);
  void ResetButtons();

  bool LargeButtons() const { return large_; }
  void SetLargeButtons(bool large);
  bool ToolTips() const { return toolTips_; }
  void SetToolTips(bool on);

  // The zoom box on button 32951: "1:16" ... "1:1" ... "16:1", "1:1" chosen.
  QComboBox* ZoomBox() const { return zoomBox_; }

  // "Toolbar90" in prentix.ini. Loading ignores what does not parse, so a
  // damaged entry gives the default layout, never a broken window.
  void LoadState();
  bool SaveState() const;

  // Button images follow the size; the command's icon is set on its action.
  void RefreshIcons();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Rebuild();
  QMainWindow* frame_;
  ActionFor actionFor_;
  QToolBar* bar_ = nullptr;
  QComboBox* zoomBox_ = nullptr;
  QAction* zoomAction_ = nullptr;
  std::vector<int> buttons_;
  bool large_ = false;
  bool toolTips_ = true;
};

}  // namespace prentix
