#include "prentix/frame/prentixview.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "platform/mail.h"
#include "platform/shell.h"
#include "prentix/app/commands.h"
#include "prentix/app/framerules.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/capture/screencapture.h"
#include "prentix/frame/icons.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"
#include "prentix/print/adjustcolours.h"

namespace prentix {

using namespace cmd;

CPrentixView::CPrentixView(CPrentixDoc* doc, CommandRouter* router, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), router_(router) {
  setObjectName("view");
  viewport()->setMouseTracking(true);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  connect(doc_, &CPrentixDoc::Changed, this, &CPrentixView::PictureChanged);
}

ViewState CPrentixView::State() const {
  ViewState s;
  s.hasImage = CurrentImage() != nullptr;
  s.hasText = CurrentText() != nullptr;
  if (const QMimeData* data = QGuiApplication::clipboard()->mimeData()) {
    s.clipboardBitmap = data->hasImage();
    s.clipboardText = data->hasText();
  }
  s.toolSet = !LiveSettings().Tool.empty();
  return s;
}

// The commands whose handlers are built; the others stay greyed.
bool CPrentixView::Handles(int id) const {
  switch (id) {
    case kNew:
    case kEditPicture:
    case kMail:
    case kPrintScreen:
    case kTrayCapture:
      return true;
    default:
      return false;
  }
}

bool CPrentixView::IsEnabled(int id) const { return ViewCommandEnabled(id, State()); }
bool CPrentixView::IsChecked(int id) const { return ViewCommandChecked(id, State()); }

void CPrentixView::OnCommand(int id) {
  switch (id) {
    case kNew:
      return OnNew();
    case kEditPicture:
      return OnEditPicture();
    case kMail:
      return OnMail();
    case kPrintScreen:
      return OnPrintScreen();
    case kTrayCapture:
      return OnPrintDk();
  }
}

void CPrentixView::OnNew() {
  ClearCurrent();
  emit PostCommand(kFileNew);
}

// The picture's file: the document's own, else the picture written to the
// temporary file. "" when that cannot be written.
std::string CPrentixView::PictureFile() {
  if (!doc_->PathName().empty()) return doc_->PathName();
  SECDib* image = CurrentImage();
  if (!image) return {};
  std::string path = TempPicturePath();
  std::string reason;
  if (!SaveImageDocument(*image, path, &reason)) {
    TraceLog("PictureFile() %s: %s\n", path.c_str(), reason.c_str());
    return {};
  }
  return path;
}

void CPrentixView::OnEditPicture() {
  std::string path = PictureFile();
  if (path.empty()) return;
  auto argv = ToolArguments(LiveSettings().Tool, path);
  if (!argv) {
    TraceLog("OnEditPicture() cannot split Tool: %s\n", LiveSettings().Tool.c_str());
    return;
  }
  int rc = platform::SpawnProgram(*argv);
  if (rc != platform::kShellSuccess)
    TraceLog("OnEditPicture() %s: error %d\n", (*argv)[0].c_str(), rc);
}

void CPrentixView::OnMail() {
  std::string path = PictureFile();
  if (path.empty()) return;
  platform::MailMessage m{{}, MailSubject(), " ", path};
  // the compose tool may take a moment; the window keeps drawing meanwhile
  platform::ComposeMail(m, [] { QCoreApplication::processEvents(); });
}

void CPrentixView::OnPrintScreen() {
  TraceLog("OnPrintScreen()\n");
  unsigned long foreground = ForegroundWindow();
  if (busyPrintScreen_) return;
  busyPrintScreen_ = true;
  Flags().noExit = true;
  OnPrintDk();
  Flags().noExit = false;
  busyPrintScreen_ = false;
  RestoreForeground(foreground);
}

void CPrentixView::OnPrintDk() {
  TraceLog("OnPrintDk()\n");
  // the program's own menus and windows finish repainting first
  QCoreApplication::processEvents();
  if (auto image = CaptureScreen()) {
    const Settings& s = LiveSettings();
    AdjustColours(*image, {s.MonoR, s.MonoG, s.MonoB, s.MonoM, s.GreyScale, s.MonoChange});
    SetCurrentImage(std::move(image));
    doc_->UpdatePictureSize();
    PictureChanged();
  }
  OutputStep();
  if (LiveSettings().DeleteClipboard == 1) {
    TraceLog("OnPrintDk() clear clipboard\n");
    QGuiApplication::clipboard()->clear();
  }
  if (!Flags().noExit) emit PostCommand(kAppExit);
}

// Save or print the capture; both run to the end before the capture goes on.
void CPrentixView::OutputStep() {
  const Settings& s = LiveSettings();
  if (s.SaveAs == 1 || s.UseSaveAsNameFormat == 1) {
    router_->Route(kSaveInternal, CommandSource::kProgram);
  } else if (s.NoPrinter != 1) {
    router_->Route(kFilePrintDirect, CommandSource::kProgram);
  }
}

void CPrentixView::PictureChanged() {
  pictureValid_ = false;
  UpdateScrollSizes();
  viewport()->update();
}

const QImage& CPrentixView::Picture() {
  if (!pictureValid_) {
    picture_ = QImage();
    if (const SECDib* image = CurrentImage()) {
      if (auto bm = image->MakeBitmap(DisplayInfo{32, 1})) {
        picture_ = QImage(bm->bits.data(), bm->width, bm->height,
                          static_cast<qsizetype>(bm->stride), QImage::Format_RGB32)
                       .copy();
      }
    }
    pictureValid_ = true;
  }
  return picture_;
}

void CPrentixView::UpdateScrollSizes() {
  QSize size = CurrentImage() ? doc_->m_sizeDoc : QSize(0, 0);
  QSize page = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, size.width() - page.width()));
  verticalScrollBar()->setRange(0, std::max(0, size.height() - page.height()));
  horizontalScrollBar()->setPageStep(page.width());
  verticalScrollBar()->setPageStep(page.height());
  horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
  verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
}

void CPrentixView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollSizes();
}

void CPrentixView::mouseMoveEvent(QMouseEvent* e) {
  mouse_ = e->position().toPoint() +
           QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  QAbstractScrollArea::mouseMoveEvent(e);
}

void CPrentixView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
  if (CurrentImage()) {
    p.drawImage(-scroll, Picture());
    return;
  }
  if (const std::string* text = CurrentText()) {
    p.drawText(viewport()->rect().adjusted(4, 4, -4, -4), Qt::AlignLeft | Qt::AlignTop,
               QString::fromStdString(*text));
    return;
  }
  TraceLog("OnDraw() no BMP\n");
  const int width = viewport()->width();
  int y = 10;
  p.drawPixmap(width / 2 - 15, y, ProgramIcon().pixmap(32, 32));
  auto line = [&](const std::string& text, int step) {
    p.drawText(QRect(0, y, width, std::max(0, viewport()->height() - y)),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(text));
    y += step;
  };
  auto keyLine = [](int textKey, HotKey key) {
    char buf[512];
    snprintf(buf, sizeof buf, GetSprachText(textKey),
             HotKeyDisplayName(key, ReadHotKey(key)).c_str());
    return std::string(buf);
  };
  y = 50;
  line(keyLine(16008, HotKey::kScreen), 20);
  line(keyLine(16009, HotKey::kWindow), 40);
  const int contact[][2] = {{16013, 20}, {16014, 20}, {16015, 20}, {16016, 30},
                            {16019, 20}, {16017, 20}, {16018, 60}};
  for (auto [key, step] : contact) line(GetSprachText(key), step);
}

}  // namespace prentix
