#include "prentix/toolbars/customizesheet.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "prentix/app/menus.h"
#include "prentix/frame/icons.h"
#include "prentix/lang/sprache.h"
#include "prentix/toolbars/toolbarmanager.h"

namespace prentix {

namespace {

QString Text(int key) { return QString::fromStdString(LoadSprachString(key)); }

}  // namespace

CustomizeSheet::CustomizeSheet(ToolBarManager* manager, QWidget* parent)
    : QDialog(parent), manager_(manager) {
  setObjectName("customize");
  setWindowTitle(Text(20624));
  auto* tabs = new QTabWidget(this);

  // the bars
  auto* bars = new QWidget;
  auto* barLayout = new QVBoxLayout(bars);
  showBar_ = new QCheckBox(QString::fromUtf8(GetSprachText(16046)));
  if (showBar_->text().isEmpty()) showBar_->setText("Standard");
  showBar_->setChecked(manager_->Bar() && manager_->Bar()->isVisible());
  large_ = new QCheckBox(Text(20626));
  large_->setChecked(manager_->LargeButtons());
  toolTips_ = new QCheckBox(Text(20627));
  toolTips_->setChecked(manager_->ToolTips());
  auto* reset = new QPushButton(Text(20628));
  barLayout->addWidget(showBar_);
  barLayout->addWidget(large_);
  barLayout->addWidget(toolTips_);
  barLayout->addWidget(reset, 0, Qt::AlignLeft);
  barLayout->addStretch();
  tabs->addTab(bars, Text(20625));
  connect(showBar_, &QCheckBox::toggled, this, [this](bool on) {
    if (manager_->Bar()) manager_->Bar()->setVisible(on);
  });
  connect(large_, &QCheckBox::toggled, manager_, &ToolBarManager::SetLargeButtons);
  connect(toolTips_, &QCheckBox::toggled, manager_, &ToolBarManager::SetToolTips);
  connect(reset, &QPushButton::clicked, this, [this] {
    manager_->ResetButtons();
    SyncButtons();
  });

  // the command buttons, by group; a pressed button is on the bar
  auto* commands = new QWidget;
  auto* commandLayout = new QVBoxLayout(commands);
  for (const ButtonGroup& group : ButtonGroups()) {
    auto* box = new QGroupBox(Text(group.textKey));
    auto* grid = new QGridLayout(box);
    grid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    int column = 0;
    for (int id : group.ids) {
      auto* button = new QToolButton;
      button->setCheckable(true);
      button->setAutoRaise(true);
      QIcon icon = CommandIcon(id, true);
      if (icon.isNull()) {
        button->setText("1:1 ▾");  // the zoom box
      } else {
        button->setIcon(icon);
        button->setIconSize(QSize(24, 23));
      }
      button->setToolTip(QString::fromStdString(PromptFor(id).tooltip));
      connect(button, &QToolButton::toggled, this, [this, id](bool on) {
        if (on)
          manager_->AddButton(id);
        else
          manager_->RemoveButton(id);
      });
      buttons_[id] = button;
      grid->addWidget(button, column / 8, column % 8);
      ++column;
    }
    commandLayout->addWidget(box);
  }
  commandLayout->addStretch();
  tabs->addTab(commands, Text(16047));
  SyncButtons();

  auto* close = new QDialogButtonBox;
  close->addButton(Text(16026), QDialogButtonBox::AcceptRole);
  connect(close, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(close);
}

QToolButton* CustomizeSheet::ButtonFor(int id) const {
  auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second;
}

void CustomizeSheet::SyncButtons() {
  for (auto& [id, button] : buttons_) {
    QSignalBlocker block(button);
    button->setChecked(manager_->HasButton(id));
  }
}

}  // namespace prentix
