#pragma once
// The tool bar's customising sheet: a page for the bars (shown or hidden,
// button size, tool tips) and a page of command buttons in three groups,
// each switched on or off the bar at once.

#include <QDialog>
#include <map>

class QCheckBox;
class QToolButton;

namespace prentix {

class ToolBarManager;

class CustomizeSheet : public QDialog {
  Q_OBJECT
 public:
  CustomizeSheet(ToolBarManager* manager, QWidget* parent = nullptr);

  QCheckBox* ShowBar() const { return showBar_; }
  QCheckBox* Large() const { return large_; }
  QCheckBox* ToolTips() const { return toolTips_; }
  // The command's switch on the buttons page.
  QToolButton* ButtonFor(int id) const;

 private:
  void SyncButtons();
  ToolBarManager* manager_;
  QCheckBox* showBar_ = nullptr;
  QCheckBox* large_ = nullptr;
  QCheckBox* toolTips_ = nullptr;
  std::map<int, QToolButton*> buttons_;
};

}  // namespace prentix
