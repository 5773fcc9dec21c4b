#include "prentix/settings/ppages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QVBoxLayout>

#include "platform/paths.h"
#include "prentix/app/autostart.h"
#include "prentix/app/commands.h"
#include "prentix/app/prentixapp.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/frame/opener.h"
#include "prentix/frame/prentixview.h"
#include "prentix/lang/sprache.h"

namespace prentix {

namespace {

Settings& W() { return WorkingSettings(); }

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The controls on the left two thirds; the page picture takes the rest.
void LeftOfPicture(QWidget* page, QLayout* controls) {
  auto* row = new QHBoxLayout(page);
  row->addLayout(controls, 2);
  row->addStretch(1);
}

// Radio buttons numbered 0.. in one group, laid out in the layout.
QButtonGroup* RadioGroup(QWidget* page, QLayout* layout,
                         const std::function<QRadioButton*(int)>& make, int count) {
  auto* group = new QButtonGroup(page);
  for (int i = 0; i < count; ++i) {
    QRadioButton* b = make(i);
    group->addButton(b, i);
    layout->addWidget(b);
  }
  return group;
}

void Check(QButtonGroup* group, int id) {
  if (QAbstractButton* b = group->button(id)) b->setChecked(true);
}

int Flag(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

}  // namespace

// ---- print header and 1:1

PPage1::PPage1(CPSheet* sheet) : CPropertyPage(sheet, 104) {
  auto* controls = new QVBoxLayout;
  controls->addWidget(FlagBox(1116, &Settings::eze));
  controls->addWidget(FlagBox(1129, &Settings::Page));
  controls->addWidget(FlagBox(32957, &Settings::Filename));
  controls->addWidget(FlagBox(1122, &Settings::PrintDate));
  controls->addWidget(FlagBox(1127, &Settings::Hostname));
  controls->addWidget(FlagBox(1124, &Settings::Username));
  controls->addStretch();
  LeftOfPicture(this, controls);
}

QCheckBox* PPage1::FlagBox(int id, int Settings::*field) {
  auto* box = Control<QCheckBox>(id);
  flags_.emplace_back(box, field);
  connect(box, &QCheckBox::clicked, this, [this, field](bool on) {
    W().*field = on ? 1 : 0;
    SetModified();
    update();
  });
  return box;
}

void PPage1::OnInitDialog() {
  for (auto [box, field] : flags_) box->setChecked(W().*field == 1);
}

void PPage1::OnApply() { SaveSettings(); }

void PPage1::paintEvent(QPaintEvent*) {
  PagePreview g = PagePreviewGeometry(W(), {0, 0, width(), height()});
  QPainter p(this);
  p.setPen(QPen(QColor(60, 60, 60), 1));
  // the rectangles' right and bottom edges are outside them
  auto box = [](const PreviewRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
  };
  p.setBrush(Qt::white);
  p.drawRect(box(g.paper));
  p.setPen(QPen(QColor(0, 0, 128), 2));
  for (const PreviewLine& l : g.header) p.drawLine(l.x1, l.y, l.x2, l.y);
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(g.adjusted ? palette().dark() : palette().button());
  p.drawRect(box(g.picture));
}

// ---- margins and alignment

namespace {

// One per edit, for the whole program: writing the corrected number back
// must not run the edit's handler again.
bool g_marginReentry[3];

}  // namespace

PPage2::PPage2(CPSheet* sheet) : PPage1(sheet, 105) {
  auto* controls = new QVBoxLayout;
  controls->addWidget(FlagBox(1125, &Settings::Landscape));
  controls->addWidget(FlagBox(1118, &Settings::center));
  controls->addWidget(FlagBox(1120, &Settings::centerV));
  auto* grid = new QGridLayout;
  struct Row {
    Margin margin;
    int label, down, edit, up;
  };
  const Row rows[] = {{Margin::kTop, 1137, 1135, 1134, 1136},
                      {Margin::kLeft, 1138, 1126, 1132, 1128},
                      {Margin::kRight, 1140, 1130, 1133, 1131}};
  int line = 0;
  for (const Row& r : rows) {
    auto* down = Control<QPushButton>(r.down, 0);
    auto* up = Control<QPushButton>(r.up, 0);
    down->setText("<");
    up->setText(">");
    for (QPushButton* b : {down, up}) b->setFixedWidth(28);
    auto* edit = Control<QLineEdit>(r.edit, 0);
    edit->setFixedWidth(44);
    // digits only: any other key is refused by the field itself, leaving
    // its text and selection as they were
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    edits_[static_cast<int>(r.margin)] = edit;
    grid->addWidget(Control<QLabel>(r.label), line, 0);
    grid->addWidget(down, line, 1);
    grid->addWidget(edit, line, 2);
    grid->addWidget(up, line, 3);
    ++line;
    const Margin m = r.margin;
    connect(edit, &QLineEdit::textChanged, this, [this, m] { MarginUpdate(m); });
    connect(down, &QPushButton::clicked, this, [this, m] { Step(m, -1); });
    connect(up, &QPushButton::clicked, this, [this, m] { Step(m, +1); });
  }
  grid->setColumnStretch(4, 1);
  controls->addLayout(grid);
  controls->addStretch();
  LeftOfPicture(this, controls);
}

void PPage2::OnInitDialog() {
  PPage1::OnInitDialog();
  for (Margin m : {Margin::kTop, Margin::kLeft, Margin::kRight}) {
    // shown as the edit's rule would make it
    int& value = MarginField(W(), m);
    value = MarginFromText(std::to_string(value), m);
    edits_[static_cast<int>(m)]->setText(QString::number(value));
  }
}

void PPage2::MarginUpdate(Margin m) {
  bool& reentry = g_marginReentry[static_cast<int>(m)];
  if (reentry) return;
  reentry = true;
  SetModified();
  QLineEdit* edit = edits_[static_cast<int>(m)];
  int value = MarginFromText(S(edit->text()), m);
  MarginField(W(), m) = value;
  edit->setText(QString::number(value));
  update();
  reentry = false;
}

void PPage2::Step(Margin m, int delta) {
  SetModified();
  int& value = MarginField(W(), m);
  value += delta;
  // the edit's own rule then corrects a value outside 1..30
  edits_[static_cast<int>(m)]->setText(QString::number(value));
  update();
}

// ---- monochrome

PPage3::PPage3(CPSheet* sheet) : CPropertyPage(sheet, 107) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  const char* letters[] = {"R", "G", "B", "M"};
  const int barIds[] = {1109, 1112, 1113, 1119};
  const int editIds[] = {1108, 1115, 1117, 1121};
  for (int i = 0; i < 4; ++i) {
    auto* bar = Control<QScrollBar>(barIds[i], 0);
    bar->setOrientation(Qt::Horizontal);
    bar->setRange(0, 255);
    bar->setSingleStep(1);
    bar->setPageStep(10);
    bar->setMinimumWidth(260);
    bars_[i] = bar;
    auto* edit = Control<QLineEdit>(editIds[i], 0);
    edit->setFixedWidth(52);
    edits_[i] = edit;
    grid->addWidget(new QLabel(letters[i]), i, 0);
    grid->addWidget(bar, i, 1);
    grid->addWidget(edit, i, 2);
    connect(bar, &QScrollBar::actionTriggered, this, [this, i](int a) { BarAction(i, a); });
    connect(bar, &QScrollBar::sliderReleased, this, [this, i] { BarAction(i, -1); });
  }
  connect(edits_[0], &QLineEdit::textEdited, this, &PPage3::RedEdited);
  for (int i = 1; i < 4; ++i) {
    connect(edits_[i], &QLineEdit::textEdited, this, [this] { SetModified(); });
  }
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  auto* row = new QHBoxLayout;
  invert_ = Control<QCheckBox>(1110);
  grey_ = Control<QCheckBox>(32958);
  auto* reset = Control<QPushButton>(5);
  row->addWidget(invert_);
  row->addWidget(grey_);
  row->addStretch();
  row->addWidget(reset);
  layout->addLayout(row);
  auto* hint = Control<QLabel>(1155);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  layout->addStretch();

  connect(invert_, &QCheckBox::clicked, this, [this](bool on) {
    SetModified();
    W().MonoChange = on ? 1 : 0;
    Preview(true);
  });
  connect(grey_, &QCheckBox::clicked, this, [this](bool on) {
    SetModified();
    W().GreyScale = on ? 1 : 0;
    values_ = {};
    SetBars();
    ShowNumbers();
    Preview(true);
  });
  connect(reset, &QPushButton::clicked, this, [this] {
    SetModified();
    values_ = {};
    invert_->setChecked(false);
    grey_->setChecked(false);
    W().MonoChange = 0;
    W().GreyScale = 0;
    SetBars();
    ShowNumbers();
    Preview(true);
  });
}

void PPage3::OnInitDialog() {
  values_ = {W().MonoR, W().MonoG, W().MonoB, W().MonoM};
  SetBars();
  invert_->setChecked(W().MonoChange == 1);
  grey_->setChecked(W().GreyScale == 1);
  ShowNumbers();
}

void PPage3::SetBars() {
  for (int i = 0; i < 4; ++i) {
    QSignalBlocker block(bars_[i]);
    bars_[i]->setSliderPosition(values_[i]);
  }
}

void PPage3::ShowNumbers() {
  for (int i = 0; i < 4; ++i) {
    QSignalBlocker block(edits_[i]);
    edits_[i]->setText(QString::number(values_[i]));
  }
}

void PPage3::BarAction(int bar, int qtAction) {
  prentix::BarAction action = prentix::BarAction::kEnd;
  switch (qtAction) {
    case -1:
      action = prentix::BarAction::kThumbPosition;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      action = prentix::BarAction::kLineLeft;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      action = prentix::BarAction::kLineRight;
      break;
    case QAbstractSlider::SliderPageStepSub:
      action = prentix::BarAction::kPageLeft;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      action = prentix::BarAction::kPageRight;
      break;
    case QAbstractSlider::SliderMove:
      // a drag moves the thumb; a wheel or key moves the value at once
      action = bars_[bar]->isSliderDown() ? prentix::BarAction::kThumbTrack
                                          : prentix::BarAction::kThumbPosition;
      break;
    default:
      break;
  }
  QScrollBar* b = bars_[bar];
  std::optional<BarStep> step = MonoBarStep(values_[bar], action, b->sliderPosition());
  if (!step) {
    b->setSliderPosition(values_[bar]);  // the bar does not move either
    return;
  }
  values_[bar] = step->value;
  ShowNumbers();
  if (step->tracking) return;
  SetModified();
  b->setSliderPosition(step->value);
  Preview(false);
}

int PPage3::ReadEdits(std::array<int, 4>& values) const {
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    values[i] = edits_[i]->text().trimmed().toInt(&ok);
    if (!ok || values[i] < 0 || values[i] > 255) return i;
  }
  return -1;
}

void PPage3::RedEdited() {
  SetModified();
  std::array<int, 4> values{};
  if (ReadEdits(values) >= 0) return;
  values_ = values;
  SetBars();
  ShowNumbers();
}

bool PPage3::OnKillActive() {
  std::array<int, 4> values{};
  const int bad = ReadEdits(values);
  if (bad < 0) {
    values_ = values;
    return true;
  }
  if (Host().message) Host().message(this, QString::fromUtf8(GetSprachText(20632)));
  edits_[bad]->setFocus();
  edits_[bad]->selectAll();
  return false;
}

void PPage3::Preview(bool withGrey) {
  Settings& live = LiveSettings();
  if (!Host().pictureLoaded || !MonoPreviewAllowed(Host().pictureLoaded(), live)) return;
  const Settings kept = live;
  live.MonoR = values_[0];
  live.MonoG = values_[1];
  live.MonoB = values_[2];
  live.MonoM = values_[3];
  live.MonoChange = Flag(invert_);
  if (withGrey) live.GreyScale = Flag(grey_);
  Host().issue(cmd::kEditPaste);
  live.MonoR = kept.MonoR;
  live.MonoG = kept.MonoG;
  live.MonoB = kept.MonoB;
  live.MonoM = kept.MonoM;
  live.MonoChange = kept.MonoChange;
  live.GreyScale = kept.GreyScale;
}

void PPage3::OnApply() {
  Settings& w = W();
  w.MonoChange = Flag(invert_);
  w.GreyScale = Flag(grey_);
  w.MonoR = values_[0];
  w.MonoG = values_[1];
  w.MonoB = values_[2];
  w.MonoM = values_[3];
  SaveSettings();
  // without a picture a paste would fetch whatever the clipboard holds
  if (Host().pictureLoaded && Host().pictureLoaded()) Host().issue(cmd::kEditPaste);
}

// ---- saving

PPage4::PPage4(CPSheet* sheet) : CPropertyPage(sheet, 108) {
  auto* layout = new QVBoxLayout(this);
  saveAs_ = Control<QCheckBox>(1139);
  layout->addWidget(saveAs_);
  auto* saveAsRow = new QHBoxLayout;
  saveAsRow->addSpacing(24);
  saveAsRow->addWidget(Control<QLabel>(1192, 1191));
  saveAsKey_ = RadioGroup(
      this, saveAsRow, [this](int i) { return Control<QRadioButton>(1188 + i, 1185 + i); }, 3);
  saveAsRow->addStretch();
  layout->addLayout(saveAsRow);
  gif_ = Control<QCheckBox>(1141);
  layout->addWidget(gif_);
  useName_ = Control<QCheckBox>(1143);
  layout->addWidget(useName_);
  auto* nameRow = new QHBoxLayout;
  nameRow->addSpacing(24);
  nameRow->addWidget(Control<QLabel>(1191));
  nameKey_ = RadioGroup(
      this, nameRow, [this](int i) { return Control<QRadioButton>(1185 + i); }, 3);
  nameRow->addStretch();
  layout->addLayout(nameRow);
  auto* box = Control<QGroupBox>(1114);
  auto* inBox = new QGridLayout(box);
  name_ = Control<QLineEdit>(1111, 0);
  name_->setMaxLength(259);
  inBox->addWidget(name_, 0, 0, 1, 2);
  inBox->addWidget(Control<QLabel>(1145), 1, 0, Qt::AlignTop);
  inBox->addWidget(Control<QLabel>(1144), 1, 1, Qt::AlignTop);
  layout->addWidget(box);
  layout->addStretch();

  connect(saveAs_, &QCheckBox::clicked, this, [this] { SetModified(); });
  connect(gif_, &QCheckBox::clicked, this, [this] { SetModified(); });
  connect(name_, &QLineEdit::textEdited, this, [this] { SetModified(); });
  connect(useName_, &QCheckBox::clicked, this, [this] {
    SetModified();
    EnableName();
  });
  connect(saveAsKey_, &QButtonGroup::idClicked, this, [this] { RowClicked(true); });
  connect(nameKey_, &QButtonGroup::idClicked, this, [this] { RowClicked(false); });
}

void PPage4::OnInitDialog() {
  const Settings& w = W();
  saveAs_->setChecked(w.SaveAs == 1);
  gif_->setChecked(w.Gif == 1);
  useName_->setChecked(w.UseSaveAsNameFormat == 1);
  Check(saveAsKey_, w.SaveAsKeySu);
  Check(nameKey_, w.SaveAsKeySa);
  name_->setText(Q(w.SaveAsNameFormat));
  EnableName();
}

void PPage4::EnableName() {
  name_->setEnabled(NameFormatEnabled(useName_->isChecked(), nameKey_->checkedId()));
}

void PPage4::RowClicked(bool saveAsRow) {
  SetModified();
  int saveAsKey = saveAsKey_->checkedId();
  int nameKey = nameKey_->checkedId();
  if (saveAsRow) {
    ExclusiveModifier(saveAsKey, nameKey);
  } else {
    ExclusiveModifier(nameKey, saveAsKey);
  }
  Check(saveAsKey_, saveAsKey);
  Check(nameKey_, nameKey);
  if (!saveAsRow) EnableName();
}

void PPage4::OnApply() {
  Settings& w = W();
  w.UseSaveAsNameFormat = Flag(useName_);
  w.SaveAsKeySu = std::max(0, saveAsKey_->checkedId());
  w.SaveAsKeySa = std::max(0, nameKey_->checkedId());
  w.SaveAsNameFormat = Cut259(S(name_->text()));
  w.SaveAs = Flag(saveAs_);
  w.Gif = Flag(gif_);
  SaveSettings();
}

// ---- printer

PPage5::PPage5(CPSheet* sheet) : CPropertyPage(sheet, 109) {
  auto* layout = new QVBoxLayout(this);
  noPrinter_ = Control<QCheckBox>(1176);
  printer_ = Control<QComboBox>(1147, 0);
  useThis_ = Control<QCheckBox>(1146);
  auto* hint = Control<QLabel>(1153);
  hint->setWordWrap(true);
  layout->addWidget(noPrinter_);
  layout->addSpacing(8);
  layout->addWidget(printer_);
  layout->addWidget(useThis_);
  layout->addSpacing(8);
  layout->addWidget(hint);
  layout->addStretch();
  connect(noPrinter_, &QCheckBox::clicked, this, [this] { SetModified(); });
  connect(useThis_, &QCheckBox::clicked, this, [this] { SetModified(); });
  // picking a printer from the list means using it
  connect(printer_, &QComboBox::activated, this, [this] {
    useThis_->setChecked(true);
    SetModified();
  });
}

void PPage5::OnInitDialog() {
  Settings& w = W();
  noPrinter_->setChecked(w.NoPrinter == 1);
  useThis_->setChecked(!w.PRINTER.empty());
  const QStringList queues = QPrinterInfo::availablePrinterNames();
  if (w.PRINTER.empty()) {
    // the PDF-file printer is the default of a system without printers
    QString name = queues.isEmpty() ? QString(kPdfFilePrinter) : QPrinterInfo::defaultPrinterName();
    w.PRINTER = S(name);
  }
  QStringList names = queues;
  names << kPdfFilePrinter;
  const QString shown = Q(w.PRINTER);
  if (!shown.isEmpty() && !names.contains(shown)) names.prepend(shown);  // as set by hand
  printer_->addItems(names);
  printer_->setCurrentIndex(shown.isEmpty() ? -1 : static_cast<int>(names.indexOf(shown)));
}

void PPage5::OnApply() {
  Settings& w = W();
  w.NoPrinter = Flag(noPrinter_);
  w.PRINTER = useThis_->isChecked() ? S(printer_->currentText()) : std::string();
  SaveSettings();
}

// ---- extra

namespace {

// not among the dialog's own controls: starting with the desktop is ours
constexpr int kAutostartControl = 1900;

}  // namespace

PPage6::PPage6(CPSheet* sheet) : CPropertyPage(sheet, 146) {
  auto* layout = new QVBoxLayout(this);
  logging_ = Control<QCheckBox>(1148);
  logPath_ = Control<QLineEdit>(1149, 0);
  logPath_->setMaxLength(259);
  auto* show = Control<QPushButton>(1150);
  clipboard_ = Control<QCheckBox>(1151);
  taskbar_ = Control<QCheckBox>(1152);
  mouse_ = Control<QCheckBox>(1158);
  tip_ = Control<QLineEdit>(1156, 0);
  tip_->setMaxLength(259);
  autostart_ = Control<QCheckBox>(kAutostartControl, 20633);
  layout->addWidget(logging_);
  auto* logRow = new QHBoxLayout;
  logRow->addWidget(logPath_, 1);
  logRow->addWidget(show);
  layout->addLayout(logRow);
  layout->addSpacing(8);
  layout->addWidget(clipboard_);
  layout->addWidget(taskbar_);
  layout->addWidget(tip_);
  layout->addWidget(mouse_);
  layout->addWidget(autostart_);
  layout->addStretch();
  for (QCheckBox* b : {logging_, clipboard_, taskbar_, mouse_, autostart_}) {
    connect(b, &QCheckBox::clicked, this, [this] { SetModified(); });
  }
  for (QLineEdit* e : {logPath_, tip_}) {
    connect(e, &QLineEdit::textEdited, this, [this] { SetModified(); });
  }
  connect(show, &QPushButton::clicked, this, &PPage6::ShowLog);
}

void PPage6::OnInitDialog() {
  Settings& w = W();
  logging_->setChecked(!w.Logging.empty());
  if (w.Logging.empty()) w.Logging = DefaultLogPath();
  logPath_->setText(Q(w.Logging));
  clipboard_->setChecked(w.DeleteClipboard == 1);
  taskbar_->setChecked(w.Taskbar == 1);
  mouse_->setChecked(w.MausSwitch == 1);
  if (w.TaskbarText.empty()) w.TaskbarText = GetSprachText(16010);
  tip_->setText(Q(w.TaskbarText));
  autostart_->setChecked(AutostartEnabled());
}

void PPage6::ShowLog() {
  // every line is on disk already; the log goes on in the same file after
  CloseTraceLog(true);
  OpenWithDesktop(this, platform::HostPath(W().Logging), [this](const QString& text) {
    QMessageBox::information(this, QString::fromUtf8(GetSprachText(16001)), text);
  });
}

void PPage6::OnApply() {
  Settings& w = W();
  // the path shown is the one used: an edited path is kept
  std::string path = Cut259(S(logPath_->text().trimmed()));
  if (path.empty()) path = DefaultLogPath();
  w.Logging = logging_->isChecked() ? path : std::string();
  w.Taskbar = Flag(taskbar_);
  w.MausSwitch = Flag(mouse_);
  w.DeleteClipboard = Flag(clipboard_);
  w.TaskbarText = Cut259(S(tip_->text()));
  // lines after a change of file go to the new one
  if (w.Logging != LiveSettings().Logging) CloseTraceLog(true);
  SaveSettings();
  // the desktop's autostart entry is the setting itself
  if (autostart_->isChecked() != AutostartEnabled()) {
    SetAutostart(autostart_->isChecked(), S(QCoreApplication::applicationFilePath()));
  }
}

// ---- keyboard

PPage7::PPage7(CPSheet* sheet) : CPropertyPage(sheet, 112) {
  auto* layout = new QHBoxLayout(this);
  auto* screenBox = Control<QGroupBox>(1157);
  auto* windowBox = Control<QGroupBox>(1159);
  auto* screenCol = new QVBoxLayout(screenBox);
  auto* windowCol = new QVBoxLayout(windowBox);
  screen_ = RadioGroup(
      this, screenCol, [this](int i) { return Control<QRadioButton>(1160 + i); }, 7);
  window_ = RadioGroup(
      this, windowCol,
      [this](int i) { return Control<QRadioButton>(1167 + i, i == 0 ? 1167 : 1160 + i); }, 7);
  screenCol->addStretch();
  windowCol->addStretch();
  layout->addWidget(screenBox);
  layout->addWidget(windowBox);
  connect(screen_, &QButtonGroup::idClicked, this, [this] { RowClicked(true); });
  connect(window_, &QButtonGroup::idClicked, this, [this] { RowClicked(false); });
}

void PPage7::OnInitDialog() {
  Check(screen_, std::max(0, HotKeyChoice(ReadHotKey(HotKey::kScreen))));
  Check(window_, std::max(0, HotKeyChoice(ReadHotKey(HotKey::kWindow))));
}

void PPage7::RowClicked(bool screenRow) {
  SetModified();
  int screen = screen_->checkedId();
  int window = window_->checkedId();
  if (screenRow) {
    ExclusiveHotKey(screen, window);
  } else {
    ExclusiveHotKey(window, screen);
  }
  Check(screen_, screen);
  Check(window_, window);
}

void PPage7::OnApply() {
  // the hook reads the section at its next key: no restart
  WriteHotKey(HotKey::kScreen, std::max(0, screen_->checkedId()));
  WriteHotKey(HotKey::kWindow, std::max(0, window_->checkedId()));
}

// ---- graphic tool

PPage8::PPage8(CPSheet* sheet) : CPropertyPage(sheet, 147) {
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  tool_ = Control<QLineEdit>(1174, 0);
  auto* browse = Control<QPushButton>(1175);
  row->addWidget(tool_, 1);
  row->addWidget(browse);
  layout->addLayout(row);
  layout->addStretch();
  connect(tool_, &QLineEdit::textEdited, this, [this] { SetModified(); });
  connect(browse, &QPushButton::clicked, this, &PPage8::Browse);
}

void PPage8::OnInitDialog() { tool_->setText(Q(W().Tool)); }

void PPage8::Browse() {
  QStringList filters;
  for (const FilterEntry& e : ParseFilterText(GetSprachText(16028))) {
    QString d = Q(e.description);
    filters << (d.contains('(') ? d : d + " (" + Q(e.pattern) + ")");
  }
  if (!Host().chooseFile) return;
  QString path =
      Host().chooseFile(this, QString::fromUtf8(GetSprachText(1175)), filters.join(";;"));
  if (path.isEmpty()) return;
  tool_->setText(path);
  SetModified();
}

void PPage8::OnApply() {
  W().Tool = S(tool_->text());
  SaveSettings();
}

// ---- language

PPage9::PPage9(CPSheet* sheet) : CPropertyPage(sheet, 148) {
  auto* layout = new QVBoxLayout(this);
  languages_ = new QButtonGroup(this);
  for (const LanguageButton& b : kLanguageButtons) {
    auto* radio = Control<QRadioButton>(b.control);
    languages_->addButton(radio, b.control);
    layout->addWidget(radio);
  }
  layout->addStretch();
  connect(languages_, &QButtonGroup::idClicked, this, [this] { SetModified(); });
}

void PPage9::OnInitDialog() {
  const int live = LiveSettings().Language;
  Check(languages_, live == 0 ? 1177 : LanguageControl(live));
  // the system's language, without changing the one in use
  const int inUse = Sprache;
  systemLanguage_ = InitSprache(false);
  Sprache = inUse;
  SetTexts();
}

void PPage9::SetTexts() {
  CPropertyPage::SetTexts();
  if (QAbstractButton* standard = languages_->button(1177)) {
    standard->setText(Q(StandardLanguageText(systemLanguage_, languages_->checkedId())));
  }
}

void PPage9::OnApply() {
  Settings& w = W();
  w.Language = LanguageNumber(languages_->checkedId());
  if (w.Language != 0) {
    Sprache = w.Language;
  } else {
    InitSprache(false);
  }
  SaveSettings();
}

}  // namespace prentix
