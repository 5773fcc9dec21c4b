#include "prentix/toolbars/toolbarmanager.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QMainWindow>
#include <QToolBar>
#include <QWidgetAction>

#include "platform/profile.h"
#include "prentix/app/commands.h"
#include "prentix/app/menus.h"
#include "prentix/app/settings.h"
#include "prentix/frame/icons.h"
#include "prentix/lang/sprache.h"

namespace prentix {

using namespace cmd;

ToolBarManager::ToolBarManager(QMainWindow* frame, ActionFor actionFor)
    : QObject(frame), frame_(frame), actionFor_(std::move(actionFor)) {}

QToolBar* ToolBarManager::CreateDefaultBar() {
  bar_ = new QToolBar(QString::fromUtf8(GetSprachText(16046)), frame_);
  if (bar_->windowTitle().isEmpty()) bar_->setWindowTitle("Standard");
  bar_->setObjectName("Standard");  // the dock state finds the bar by it
  bar_->setAllowedAreas(Qt::AllToolBarAreas);
  bar_->setFloatable(true);
  bar_->setMovable(true);
  frame_->addToolBar(Qt::TopToolBarArea, bar_);

  zoomBox_ = new QComboBox(bar_);
  zoomBox_->setObjectName("zoombox");
  for (int d = 16; d >= 2; --d) zoomBox_->addItem(QString("1:%1").arg(d));
  for (int n = 1; n <= 16; ++n) zoomBox_->addItem(QString("%1:1").arg(n));
  zoomBox_->setCurrentIndex(15);
  auto* widgetAction = new QWidgetAction(bar_);
  widgetAction->setDefaultWidget(zoomBox_);
  zoomAction_ = widgetAction;

  std::span<const int> def = DefaultToolbar();
  buttons_.assign(def.begin(), def.end());
  RefreshIcons();
  Rebuild();
  return bar_;
}

void ToolBarManager::Rebuild() {
  if (!bar_) return;
  // clear() deletes the widget of a widget action; keep the zoom box
  for (QAction* a : bar_->actions()) bar_->removeAction(a);
  for (int id : buttons_) {
    if (id == 0) {
      bar_->addSeparator();
    } else if (id == kZoomBox) {
      bar_->addAction(zoomAction_);
    } else if (QAction* a = actionFor_(id)) {
      bar_->addAction(a);
    }
  }
  for (QAction* a : bar_->actions()) {
    if (QWidget* w = bar_->widgetForAction(a)) w->installEventFilter(this);
  }
}

void ToolBarManager::SetButtons(std::vector<int> ids) {
  buttons_ = std::move(ids);
  Rebuild();
}

bool ToolBarManager::HasButton(int id) const {
  return std::find(buttons_.begin(), buttons_.end(), id) != buttons_.end();
}

void ToolBarManager::AddButton(int id) {
  if (!IsToolbarButton(id) || HasButton(id)) return;
  buttons_.push_back(id);
  Rebuild();
}

void ToolBarManager::RemoveButton(int id) {
  auto it = std::find(buttons_.begin(), buttons_.end(), id);
  if (it == buttons_.end()) return;
  buttons_.erase(it);
  // no separators left doubled or at the ends
  SetButtons(ParseButtonList(FormatButtonList(buttons_)));
}

void ToolBarManager::ResetButtons() {
  std::span<const int> def = DefaultToolbar();
  SetButtons({def.begin(), def.end()});
}

void ToolBarManager::SetLargeButtons(bool large) {
  large_ = large;
  RefreshIcons();
}

void ToolBarManager::SetToolTips(bool on) { toolTips_ = on; }

// Tool tips switched off: the bar's buttons show none.
bool ToolBarManager::eventFilter(QObject* watched, QEvent* event) {
  return event->type() == QEvent::ToolTip && !toolTips_ ? true
                                                        : QObject::eventFilter(watched, event);
}

void ToolBarManager::RefreshIcons() {
  for (int id : ToolbarButtons()) {
    QAction* a = id == kZoomBox ? nullptr : actionFor_(id);
    if (!a) continue;
    a->setIcon(CommandIcon(id, large_));
    a->setToolTip(QString::fromStdString(PromptFor(id).tooltip));
  }
  if (bar_) bar_->setIconSize(large_ ? QSize(24, 23) : QSize(16, 15));
}

void ToolBarManager::LoadState() {
  const std::string& file = ProfileName();
  std::string buttons = platform::GetPrivateProfileString(kBarStateSection, "Buttons", "?", file);
  // an empty list is the user's; one with nothing usable in it is damage
  std::vector<int> ids = ParseButtonList(buttons);
  if (buttons.empty() || !ids.empty()) SetButtons(std::move(ids));
  SetLargeButtons(platform::GetPrivateProfileInt(kBarStateSection, "LargeButtons", 0, file) == 1);
  SetToolTips(platform::GetPrivateProfileInt(kBarStateSection, "ToolTips", 1, file) != 0);
  std::string state = platform::GetPrivateProfileString(kBarStateSection, "State", "", file);
  if (!state.empty()) {
    frame_->restoreState(QByteArray::fromBase64(QByteArray::fromStdString(state)));
  }
}

bool ToolBarManager::SaveState() const {
  std::string state = frame_->saveState().toBase64().toStdString();
  return platform::WritePrivateProfileStrings(
      {{kBarStateSection, "Buttons", FormatButtonList(buttons_)},
       {kBarStateSection, "LargeButtons", large_ ? "1" : "0"},
       {kBarStateSection, "ToolTips", toolTips_ ? "1" : "0"},
       {kBarStateSection, "State", state}},
      ProfileName());
}

}  // namespace prentix
