#include "instari/ui/qt/installerwindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "instari/ui/qt/dialogs.h"

namespace instari {

// Files flying into a box, drawn by us, while the script runs.
class Spinner : public QWidget {
 public:
  explicit Spinner(QWidget* parent) : QWidget(parent) {
    setFixedSize(96, 40);
    timer_.setInterval(90);
    connect(&timer_, &QTimer::timeout, this, [this] {
      frame_ = (frame_ + 1) % 12;
      update();
    });
  }
  void Run(bool on) {
    if (on) {
      timer_.start();
    } else {
      timer_.stop();
    }
    setVisible(on);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // the box on the right
    p.setPen(QPen(QColor(90, 60, 20), 1.5));
    p.setBrush(QColor(214, 170, 100));
    p.drawRect(QRectF(64, 16, 28, 20));
    // a sheet on its way, from the folder on the left
    p.setBrush(QColor(250, 220, 90));
    p.setPen(QPen(QColor(120, 100, 30), 1));
    p.drawRect(QRectF(4, 14, 22, 20));
    const double t = frame_ / 11.0;
    const double x = 10 + t * 58, y = 18 - 14 * 4 * t * (1 - t);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(40, 40, 90), 1));
    p.drawRect(QRectF(x, y, 12, 15));
    for (int i = 0; i < 3; ++i)
      p.drawLine(QPointF(x + 2, y + 4 + 3 * i), QPointF(x + 10, y + 4 + 3 * i));
  }

 private:
  QTimer timer_;
  int frame_ = 0;
};

InstallerWindow::InstallerWindow(int language, NumberLocale locale, QWidget* parent)
    : QDialog(parent), language_(language), locale_(std::move(locale)) {
  setObjectName("installer");
  setWindowTitle("Instari");
  setWindowIcon(InstallerIcon());
  setMinimumWidth(540);

  remaining_ = new QLabel;
  remaining_->setObjectName("c1011");
  filePercent_ = new QLabel;
  filePercent_->setObjectName("c1010");
  filePercent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  filePercent_->setMinimumWidth(40);
  fileBar_ = new QProgressBar;
  fileBar_->setObjectName("c1012");
  fileBar_->setTextVisible(false);
  fileBar_->setFixedWidth(160);
  fileBar_->hide();
  bytes_ = new QLabel;
  bytes_->setObjectName("c1013");
  status_ = new QLabel;
  status_->setObjectName("c1003");
  status_->setWordWrap(true);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3 + 4);
  status_->setTextFormat(Qt::PlainText);
  animation_ = new Spinner(this);
  animation_->setObjectName("c1004");
  animation_->hide();
  overallBar_ = new QProgressBar;
  overallBar_->setObjectName("c1007");
  overallBar_->setTextVisible(false);
  overallPercent_ = new QLabel("0%");
  overallPercent_->setObjectName("c1008");
  overallPercent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  overallPercent_->setMinimumWidth(40);
  cancel_ = new QPushButton(QString::fromUtf8(ButtonLabel(id::kCancel, language_)));
  cancel_->setObjectName("cancel");
  connect(cancel_, &QPushButton::clicked, this, &InstallerWindow::Cancel);
  menu_ = new QToolButton;
  menu_->setObjectName("menu");
  menu_->setText("…");
  menu_->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(menu_);
  menu->addAction(QString::fromStdString(InstariText(kTextAbout, language_)), this,
                  &InstallerWindow::About);
  menu_->setMenu(menu);

  auto* top = new QHBoxLayout;
  top->addWidget(remaining_, 1);
  top->addWidget(filePercent_);
  top->addWidget(fileBar_);
  auto* middle = new QHBoxLayout;
  middle->addWidget(status_, 1);
  middle->addWidget(animation_, 0, Qt::AlignTop);
  auto* overall = new QHBoxLayout;
  overall->addWidget(overallBar_, 1);
  overall->addWidget(overallPercent_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(menu_);
  buttons->addStretch();
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(bytes_);
  layout->addLayout(middle);
  layout->addLayout(overall);
  layout->addLayout(buttons);
}

void InstallerWindow::ShowStatus(const ProgressState& p) {
  status_->setText(QString::fromStdString(StatusForDisplay(p.status)));
  overallPercent_->setText(QString("%1%").arg(p.overall));
  overallBar_->setValue(std::clamp(p.overall, 0, 100));
}

void InstallerWindow::ShowCopyProgress(const ProgressState& p) {
  CopyProgressTexts t = MakeCopyProgressTexts(p, language_, locale_);
  remaining_->setText(QString::fromStdString(t.remaining));
  filePercent_->setText(QString::fromStdString(t.percent));
  bytes_->setText(QString::fromStdString(t.bytes));
  fileBar_->setVisible(t.barVisible);
  if (t.barVisible) fileBar_->setValue(std::clamp(p.file, 0, 100));
}

void InstallerWindow::ShowTitle(const ProgressState& p) {
  setWindowTitle(QString::fromStdString(p.title));
}

void InstallerWindow::SetRunning(bool running) {
  running_ = running;
  animation_->Run(running);
  cancel_->setEnabled(running);
}

void InstallerWindow::Cancel() {
  if (!running_) return;
  cancel_->setEnabled(false);
  status_->setText(QString::fromStdString(InstariText(kTextCancelling, language_)));
  if (onCancel) onCancel();
}

// Escape and the window's close button cancel the run; the window goes
// when the script has stopped.
void InstallerWindow::reject() {
  if (running_) {
    Cancel();
  } else {
    QDialog::reject();
  }
}

void InstallerWindow::closeEvent(QCloseEvent* e) {
  if (running_) {
    e->ignore();
    Cancel();
  } else {
    QDialog::closeEvent(e);
  }
}

void InstallerWindow::About() { ShowAbout(this, language_); }

}  // namespace instari
