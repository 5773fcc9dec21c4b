#include "prentix/settings/psheet.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "prentix/app/sheetrules.h"
#include "prentix/frame/icons.h"
#include "prentix/lang/sprache.h"
#include "prentix/settings/ppages.h"

namespace prentix {

namespace {

QString Text(int key) { return QString::fromUtf8(GetSprachText(key)); }

}  // namespace

CPropertyPage::CPropertyPage(CPSheet* sheet, int titleKey) : sheet_(sheet), titleKey_(titleKey) {
  setObjectName(QString("page%1").arg(titleKey));
}

void CPropertyPage::EnsureInitialised() {
  if (initialised_) return;
  initialised_ = true;
  SetTexts();
  // setting the controls is no change of the user's
  const QList<QWidget*> children = findChildren<QWidget*>();
  for (QWidget* w : children) w->blockSignals(true);
  OnInitDialog();
  for (QWidget* w : children) w->blockSignals(false);
}

void CPropertyPage::Register(QWidget* w, int id, int key) {
  w->setObjectName(QString("c%1").arg(id));
  if (key) texts_.emplace_back(w, key);
}

void CPropertyPage::SetTexts() {
  for (auto [w, key] : texts_) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      b->setText(Text(key));
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
      l->setText(Text(key));
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      g->setTitle(Text(key));
    }
  }
}

void CPropertyPage::SetModified(bool modified) {
  modified_ = modified;
  if (modified) sheet_->PageModified();
}

const SheetHost& CPropertyPage::Host() const { return sheet_->Host(); }

CPSheet::CPSheet(SheetHost host, QWidget* parent) : QDialog(parent), host_(std::move(host)) {
  setObjectName("settingssheet");
  setWindowIcon(ProgramIcon());
  tabs_ = new QTabWidget;
  tabs_->setUsesScrollButtons(false);  // every tab in sight, as a sheet shows them
  buttons_ = new QDialogButtonBox;
  ok_ = buttons_->addButton(QString(), QDialogButtonBox::AcceptRole);
  cancel_ = buttons_->addButton(QString(), QDialogButtonBox::RejectRole);
  apply_ = buttons_->addButton(QString(), QDialogButtonBox::ApplyRole);
  ok_->setObjectName("ok");
  cancel_->setObjectName("cancel");
  apply_->setObjectName("apply");
  ok_->setDefault(true);
  apply_->setEnabled(false);
  connect(ok_, &QPushButton::clicked, this, &CPSheet::accept);
  connect(cancel_, &QPushButton::clicked, this, &CPSheet::reject);
  connect(apply_, &QPushButton::clicked, this, &CPSheet::Apply);

  // the tab order of the pages
  for (const SheetPage& p : kSheetPages) {
    CPropertyPage* page = nullptr;
    switch (p.number) {
      case 1:
        page = new PPage1(this);
        break;
      case 2:
        page = new PPage2(this);
        break;
      case 3:
        page = new PPage3(this);
        break;
      case 4:
        page = new PPage4(this);
        break;
      case 5:
        page = new PPage5(this);
        break;
      case 6:
        page = new PPage6(this);
        break;
      case 7:
        page = new PPage7(this);
        break;
      case 8:
        page = new PPage8(this);
        break;
      default:
        page = new PPage9(this);
        break;
    }
    pages_.emplace_back(p.number, page);
    tabs_->addTab(page, QString());
  }
  pages_.front().second->EnsureInitialised();
  connect(tabs_, &QTabWidget::currentChanged, this, &CPSheet::SwitchTo);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons_);
  SetTexts();
}

CPSheet::~CPSheet() = default;

CPropertyPage* CPSheet::Page(int number) const {
  for (auto [n, page] : pages_) {
    if (n == number) return page;
  }
  return nullptr;
}

bool CPSheet::SwitchTo(int index) {
  if (index == current_) return true;
  auto* leaving = static_cast<CPropertyPage*>(tabs_->widget(current_));
  if (leaving && !leaving->OnKillActive()) {
    QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(current_);
    return false;
  }
  current_ = index;
  static_cast<CPropertyPage*>(tabs_->widget(index))->EnsureInitialised();
  return true;
}

void CPSheet::PageModified() { apply_->setEnabled(true); }

bool CPSheet::Apply() {
  auto* active = static_cast<CPropertyPage*>(tabs_->currentWidget());
  if (active && !active->OnKillActive()) return false;
  const int language = Sprache;
  for (auto [n, page] : pages_) {
    if (page->Initialised()) page->OnApply();
  }
  for (auto [n, page] : pages_) page->SetModified(false);
  apply_->setEnabled(false);
  if (Sprache != language) {
    SetTexts();
    if (host_.languageChanged) host_.languageChanged();
  }
  return true;
}

void CPSheet::accept() {
  if (Apply()) QDialog::accept();
}

void CPSheet::SetTexts() {
  setWindowTitle(Text(kSheetTitleKey));
  ok_->setText(Text(20629));
  cancel_->setText(Text(20630));
  apply_->setText(Text(20631));
  for (int i = 0; i < tabs_->count(); ++i) {
    auto* page = static_cast<CPropertyPage*>(tabs_->widget(i));
    tabs_->setTabText(i, Text(page->TitleKey()));
    if (page->Initialised()) page->SetTexts();
  }
}

}  // namespace prentix
