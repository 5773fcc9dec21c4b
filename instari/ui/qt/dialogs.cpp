#include "instari/ui/qt/dialogs.h"

#include <unistd.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "instari/ixstdf32/ixstdf.h"
#include "instari/ui/selection.h"
#include "instari/ui/texts.h"
#include "platform/paths.h"

namespace instari {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Label(int button, int language) { return QString::fromUtf8(ButtonLabel(button, language)); }

// A parcel with an arrow into it, in the given size.
QPixmap Parcel(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  p.setPen(QPen(QColor(90, 60, 20), 1.2));
  p.setBrush(QColor(214, 170, 100));
  p.drawRect(QRectF(5, 14, 22, 15));
  p.setBrush(QColor(190, 145, 80));
  p.drawRect(QRectF(5, 14, 22, 4));
  QPainterPath arrow;
  arrow.moveTo(16, 13);
  arrow.lineTo(9, 6);
  arrow.lineTo(13, 6);
  arrow.lineTo(13, 1);
  arrow.lineTo(19, 1);
  arrow.lineTo(19, 6);
  arrow.lineTo(23, 6);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(10, 60, 140), 1));
  p.setBrush(QColor(40, 120, 220));
  p.drawPath(arrow);
  return pm;
}

// The wizard's picture when the script names none: a blue band with the parcel.
QPixmap DefaultWizardPicture() {
  QPixmap pm(150, 300);
  QPainter p(&pm);
  QLinearGradient g(0, 0, 0, 300);
  g.setColorAt(0, QColor(0, 0, 255));
  g.setColorAt(1, QColor(0, 0, 60));
  p.fillRect(pm.rect(), g);
  p.drawPixmap(27, 180, Parcel(96));
  return pm;
}

}  // namespace

QIcon InstallerIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(Parcel(size));
  return icon;
}

void ShowAbout(QWidget* parent, int language) {
  QMessageBox box(parent);
  box.setWindowTitle(Q(InstariText(kTextAbout, language)).remove('&').remove("..."));
  box.setIconPixmap(Parcel(48));
  box.setText("<b>Instari</b>");
  box.setInformativeText(language == 7 ? "Installationen nach Skript.\nTervola Software"
                                       : "Installations by script.\nTervola Software");
  box.addButton(Label(id::kOk, language), QMessageBox::AcceptRole);
  box.exec();
}

int ShowMessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                   unsigned style, int language) {
  QMessageBox box(parent);
  box.setObjectName("messagebox");
  box.setWindowTitle(Q(caption));
  box.setText(Q(text));
  switch (style & mb::kIconMask) {
    case mb::kIconHand:
      box.setIcon(QMessageBox::Critical);
      break;
    case mb::kIconQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case mb::kIconExclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case mb::kIconAsterisk:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  const std::vector<int> ids = ButtonsOfStyle(style);
  std::vector<std::pair<QAbstractButton*, int>> buttons;
  QAbstractButton* escape = nullptr;
  for (int id : ids) {
    QPushButton* b = box.addButton(Label(id, language), QMessageBox::ActionRole);
    b->setObjectName(QString("button%1").arg(id));
    buttons.emplace_back(b, id);
    if (id == id::kCancel || ids.size() == 1) escape = b;
    if (id == DefaultButton(style)) box.setDefaultButton(b);
  }
  // without Cancel the question must be answered, as there
  box.setEscapeButton(escape);
  box.exec();
  for (auto [b, id] : buttons) {
    if (box.clickedButton() == b) return id;
  }
  return escape ? id::kCancel : DefaultButton(style);
}

InputDialog::InputDialog(const std::string& prompt, const std::string& initial, int language,
                         QWidget* parent)
    : QDialog(parent) {
  setObjectName("input");
  setWindowTitle("Instari");
  auto* text = new QLabel(Q(prompt));
  text->setObjectName("c1009");
  text->setAlignment(Qt::AlignCenter);
  text->setWordWrap(true);
  text->setTextFormat(Qt::PlainText);
  edit_ = new QLineEdit(Q(initial));
  edit_->setObjectName("c1010");
  edit_->setMaxLength(255);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(Label(id::kOk, language), QDialogButtonBox::AcceptRole);
  buttons->addButton(Label(id::kCancel, language), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(edit_);
  layout->addWidget(buttons);
  setMinimumWidth(380);
}

std::string InputDialog::Answer() const { return edit_->text().toStdString(); }

SelectionDialog::SelectionDialog(const std::string& caption, const std::string& start,
                                 const std::vector<std::string>* groups, int language,
                                 QWidget* parent)
    : QDialog(parent), groupMode_(groups != nullptr) {
  setObjectName("selection");
  setWindowTitle(Q(caption));
  edit_ = new QLineEdit(Q(start));
  edit_->setObjectName("c1015");
  list_ = new QListWidget;
  list_->setObjectName("c1002");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(edit_);
  if (groupMode_) {
    for (const std::string& g : *groups) list_->addItem(Q(g));
  } else {
    current_ = new QLabel;
    current_->setObjectName("c1014");
    drives_ = new QComboBox;
    drives_->setObjectName("c1013");
    for (const std::string& d : MappedDrives()) drives_->addItem(Q(d));
    layout->addWidget(current_);
    connect(drives_, &QComboBox::activated, this,
            [this](int i) { ChangeTo(drives_->itemText(i).toStdString()); });
  }
  layout->addWidget(list_, 1);
  if (drives_) layout->addWidget(drives_);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(Label(id::kOk, language), QDialogButtonBox::AcceptRole);
  buttons->addButton(Label(id::kCancel, language), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &SelectionDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  connect(list_, &QListWidget::itemClicked, this, &SelectionDialog::Selected);
  connect(list_, &QListWidget::itemActivated, this, &SelectionDialog::Activated);
  if (!groupMode_) {
    char cwd[4096];
    std::optional<std::string> dos = getcwd(cwd, sizeof cwd) ? DosPathOf(cwd) : std::nullopt;
    ChangeTo(dos.value_or("C:\\"));
  }
  resize(360, 380);
}

// The dialog walks on its own: the script's current directory, which its
// relative paths use, stays where it was.
void SelectionDialog::ChangeTo(const std::string& dosDirectory) {
  const std::string host = platform::HostPath(dosDirectory);
  if (host.empty() || access(host.c_str(), X_OK) != 0) return;
  directory_ = dosDirectory;
  if (drives_) drives_->setCurrentIndex(drives_->findText(Q(dosDirectory.substr(0, 3))));
  current_->setText(Q(directory_).toUpper());
  List();
}

void SelectionDialog::List() {
  list_->clear();
  for (const std::string& name : SubDirectories(directory_)) list_->addItem(Q(name));
}

void SelectionDialog::Selected(QListWidgetItem* item) {
  const std::string name = item->text().toStdString();
  if (name == "..") return;
  edit_->setText(groupMode_ ? Q(name) : Q(SelectionFor(directory_, name)));
}

void SelectionDialog::Activated(QListWidgetItem* item) {
  if (groupMode_) {
    Selected(item);
    accept();
  } else {
    ChangeTo(EnterDirectory(directory_, item->text().toStdString()));
  }
}

void SelectionDialog::accept() {
  result_ = AcceptedSelection(edit_->text().toStdString());
  if (result_) {
    QDialog::accept();
  } else {
    QDialog::reject();
  }
}

WizardSheet::WizardSheet(int language, QWidget* parent) : QDialog(parent), language_(language) {
  setObjectName("wizard");
  setWindowTitle("Instari");
  picture_ = new QLabel;
  picture_->setObjectName("c1021");
  picture_->setFixedWidth(150);
  picture_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  text_ = new QLabel;
  text_->setObjectName("c1016");
  text_->setWordWrap(true);
  text_->setTextFormat(Qt::PlainText);
  text_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  text_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  edit_ = new QLineEdit;
  edit_->setObjectName("c1018");
  edit_->setMaxLength(255);
  browse_ = new QPushButton(Q(InstariText(kTextBrowse, language)));
  browse_->setObjectName("c1019");
  connect(browse_, &QPushButton::clicked, this, &WizardSheet::Browse);
  auto* editRow = new QHBoxLayout;
  editRow->addWidget(edit_, 1);
  editRow->addWidget(browse_);
  auto* right = new QVBoxLayout;
  right->addWidget(text_, 1);
  right->addLayout(editRow);
  radioGroup_ = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    checks_[i] = new QCheckBox;
    checks_[i]->setObjectName(QString("c%1").arg(1023 + i));
    right->addWidget(checks_[i]);
  }
  for (int i = 0; i < 4; ++i) {
    radios_[i] = new QRadioButton;
    radios_[i]->setObjectName(QString("c%1").arg(1027 + i));
    radioGroup_->addButton(radios_[i], i + 1);
    right->addWidget(radios_[i]);
  }
  auto* page = new QHBoxLayout;
  page->addWidget(picture_, 0, Qt::AlignTop | Qt::AlignLeft);
  page->addLayout(right, 1);

  back_ = new QPushButton(Q(InstariText(kTextBack, language)));
  next_ = new QPushButton(Q(InstariText(kTextNext, language)));
  finish_ = new QPushButton(Q(InstariText(kTextFinish, language)));
  cancel_ = new QPushButton(Label(id::kCancel, language));
  back_->setObjectName("back");
  next_->setObjectName("next");
  finish_->setObjectName("finish");
  cancel_->setObjectName("cancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {back_, next_, finish_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addSpacing(12);
  buttons->addWidget(cancel_);
  auto press = [this](int button) {
    button_ = button;
    done(button == wizard::kCancelled ? QDialog::Rejected : QDialog::Accepted);
  };
  connect(back_, &QPushButton::clicked, this, [press] { press(wizard::kBack); });
  connect(next_, &QPushButton::clicked, this, [press] { press(wizard::kNext); });
  connect(finish_, &QPushButton::clicked, this, [press] { press(wizard::kFinish); });
  connect(cancel_, &QPushButton::clicked, this, [press] { press(wizard::kCancelled); });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(page, 1);
  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  layout->addWidget(line);
  layout->addLayout(buttons);
  resize(560, 360);
}

void WizardSheet::Load(const WizardPage& page) {
  setWindowTitle(page.title.empty() ? QString("Instari") : Q(page.title));
  QPixmap picture;
  if (!page.bitmap.empty()) picture.load(Q(platform::HostPath(page.bitmap)));
  if (picture.isNull()) picture = DefaultWizardPicture();
  picture_->setPixmap(picture.scaled(150, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  text_->setObjectName(page.input ? "c1017" : "c1016");
  text_->setText(Q(page.text));
  browseMode_ = page.browseMode;
  edit_->setVisible(page.input && page.showEdit);
  edit_->setText(Q(page.editText));
  browse_->setVisible(page.input && page.showEdit && page.browseMode != 0);
  radioGroup_->setExclusive(false);
  for (int i = 0; i < 4; ++i) {
    checks_[i]->setVisible(page.input && page.checks[i].visible);
    checks_[i]->setText(Q(page.checks[i].label));
    checks_[i]->setChecked(page.checks[i].checked);
    radios_[i]->setVisible(page.input && page.radios[i].visible);
    radios_[i]->setText(Q(page.radios[i].label));
    radios_[i]->setChecked(page.radios[i].checked);
  }
  radioGroup_->setExclusive(true);
  back_->setEnabled(page.buttons & wizard::kBack);
  next_->setEnabled(page.buttons & wizard::kNext);
  finish_->setEnabled(page.buttons & wizard::kFinish);
  // Enter presses Finish, else Next, else Back
  QPushButton* def = (page.buttons & wizard::kFinish) ? finish_
                     : (page.buttons & wizard::kNext) ? next_
                                                      : back_;
  def->setDefault(true);
  def->setFocus();
  button_ = wizard::kCancelled;
}

WizardResult WizardSheet::Run(const WizardPage& page) {
  Load(page);
  exec();
  return Collect(button_);
}

WizardResult WizardSheet::Collect(int button) const {
  WizardResult r;
  r.button = button;
  r.editText = edit_->text().toStdString();
  // the sheet is closed by now: what counts is what the page showed
  for (int i = 0; i < 4; ++i) r.checked[i] = !checks_[i]->isHidden() && checks_[i]->isChecked();
  int radio = radioGroup_->checkedId();
  r.radio = radio > 0 && !radios_[radio - 1]->isHidden() ? radio : 0;
  return r;
}

void WizardSheet::Browse() {
  std::optional<std::string> chosen;
  if (browseMode_ == 1) {
    SelectionDialog d(InstariText(kTextSelectDirectory, language_), edit_->text().toStdString(),
                      nullptr, language_, this);
    if (d.exec() == QDialog::Accepted) chosen = d.Result();
  } else {
    char* list = GetProgrammGruppen();
    std::vector<std::string> groups = list ? SplitGroupList(list) : std::vector<std::string>{};
    SelectionDialog d(InstariText(kTextSelectProgramGroup, language_), edit_->text().toStdString(),
                      &groups, language_, this);
    if (d.exec() == QDialog::Accepted) chosen = d.Result();
  }
  if (chosen) edit_->setText(Q(*chosen));
}

BackgroundWindow::BackgroundWindow(const std::string& title) : title_(Q(title)) {
  setObjectName("background");
  setWindowTitle("Instari");
  // behind the installer and its dialogs, whichever is active
  setWindowFlags(Qt::FramelessWindowHint | Qt::Window | Qt::WindowStaysOnBottomHint);
  QScreen* screen = QGuiApplication::primaryScreen();
  setGeometry(screen ? screen->geometry() : QRect(0, 0, 1024, 768));
}

void BackgroundWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width(), h = height();
  for (const BackgroundBand& b : BackgroundBands(h))
    p.fillRect(0, b.top, w, b.height, QColor(0, 0, b.blue));
  QFont font("Times New Roman");
  font.setStyleHint(QFont::Serif);
  font.setPixelSize(std::max(8, h / 19));
  font.setItalic(true);
  font.setWeight(QFont::Light);
  // the average character as wide as the screen's 34th part
  const int average = QFontMetrics(font).averageCharWidth();
  if (average > 0) font.setStretch(std::clamp(100 * (w / 34) / average, 50, 200));
  p.setFont(font);
  p.setPen(Qt::white);
  // the insets grow by what the desktop's panels take from the screen
  QScreen* screen = QGuiApplication::primaryScreen();
  QRect free = screen ? screen->availableGeometry() : rect();
  const int dy = h - free.height() + 16, dx = w - free.width() + 20;
  p.drawText(QRect(dx, dy, w - 2 * dx, h - 2 * dy), Qt::TextWordWrap | Qt::TextExpandTabs, title_);
}

}  // namespace instari
