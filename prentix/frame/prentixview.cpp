#include "prentix/frame/prentixview.h"

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>

#include "platform/mail.h"
#include "platform/shell.h"
#include "prentix/app/commands.h"
#include "prentix/app/framerules.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/frame/icons.h"
#include "prentix/frame/pictureqt.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"
#include "prentix/print/layoutpage.h"

namespace prentix {

using namespace cmd;

CPrentixView::CPrentixView(CPrentixDoc* doc, CommandRouter* router, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), router_(router) {
  setObjectName("view");
  viewport()->setMouseTracking(true);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  connect(doc_, &CPrentixDoc::Changed, this, &CPrentixView::PictureChanged);
  printDialog = [this](QPrinter& printer) {
    QPrintDialog dialog(&printer, window());
    return dialog.exec() == QDialog::Accepted;
  };
  // dragging a scroll box at a zoom stops on whole picture pixels
  QScrollBar* bars[] = {horizontalScrollBar(), verticalScrollBar()};
  for (int i = 0; i < 2; ++i) {
    QScrollBar* bar = bars[i];
    connect(bar, &QScrollBar::sliderMoved, this, [this, bar](int value) {
      if (zoom_ >= 2 && value % zoom_) bar->setValue(value - value % zoom_);
    });
    // the bar's own page step sizes its box (the visible part); a page
    // click or key moves by the view's page step
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar, i](int action) {
      if (action == QAbstractSlider::SliderPageStepAdd) {
        bar->setSliderPosition(bar->value() + pageSteps_[i]);
      } else if (action == QAbstractSlider::SliderPageStepSub) {
        bar->setSliderPosition(bar->value() - pageSteps_[i]);
      }
    });
  }
}

CPrentixView::~CPrentixView() = default;

ViewState CPrentixView::State(bool clipboard) const {
  ViewState s;
  s.hasImage = CurrentImage() != nullptr;
  s.hasText = CurrentText() != nullptr;
  const QMimeData* data = clipboard ? QGuiApplication::clipboard()->mimeData() : nullptr;
  if (data) {
    s.clipboardBitmap = data->hasImage();
    s.clipboardText = data->hasText();
  }
  s.toolSet = !LiveSettings().Tool.empty();
  s.gridOn = grid_;
  s.lastPointer = lastPointer_;
  return s;
}

// Every command with a view rule, and Print Setup, whose printer the view keeps.
bool CPrentixView::Handles(int id) const { return IsViewCommand(id) || id == kFilePrintSetup; }

bool CPrentixView::IsEnabled(int id) const {
  return ViewCommandEnabled(id, State(id == kEditPaste || id == kPasteAndPrint));
}
bool CPrentixView::IsChecked(int id) const { return ViewCommandChecked(id, State(false)); }

void CPrentixView::OnCommand(int id) {
  switch (id) {
    case kNew:
      return OnNew();
    case kEditPicture:
      return OnEditPicture();
    case kMail:
      return OnMail();
    case kPasteAndPrint:
      return OnEd();
    case kTrayCapture:
      return OnPrintDk();
    case kPrintWindow:
      return OnPrintWindow();
    case kPrintScreen:
      return OnPrintScreen();
    case kEditPaste:
      return OnEditPaste();
    case kEditCopy:
      return OnEditCopy();
    case kFilePrint:
      return OnFilePrint(true);
    case kFilePrintDirect:
      return OnFilePrint(false);
    case kFilePrintPreview:
      return OnFilePrintPreview();
    case kFilePrintSetup:
      return OnFilePrintSetup();
    case kFlipVertical:
    case kFlipHorizontal:
    case kRotateRight:
    case kRotateLeft:
      return OnTurn(id);
    case kCut:
      return Arm(3, kCursorFirst + 3);  // the cross
    case kInsertCursor:
      return Arm(1, lastPointer_ < 0 ? kCursorFirst : lastPointer_);
    default:
      if (id >= kCursorFirst && id <= kCursorLast) {
        lastPointer_ = id;
        return Arm(1, id);
      }
      return OnZoomCommand(id);
  }
}

void CPrentixView::OnNew() {
  ClearCurrent();
  PictureChanged();
  emit PostCommand(kFileNew);
}

// The picture's file: the document's own, else the picture written to the
// temporary file. "" when that cannot be written.
std::string CPrentixView::PictureFile() {
  if (!doc_->PathName().empty()) return doc_->PathName();
  SECDib* image = CurrentImage();
  if (!image) return {};
  std::string path = TempPicturePath();
  std::string reason = "no private folder";
  if (path.empty() || !SaveImageDocument(*image, path, &reason)) {
    TraceLog("PictureFile() %s: %s\n", path.c_str(), reason.c_str());
    return {};
  }
  chmod(path.c_str(), 0600);
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
  if (rc != platform::kShellSuccess) {
    TraceLog("OnEditPicture() %s: error %d\n", (*argv)[0].c_str(), rc);
  }
}

void CPrentixView::OnMail() {
  std::string path = PictureFile();
  if (path.empty()) return;
  platform::MailMessage m{{}, MailSubject(), " ", path};
  // the compose tool may take a moment; the window keeps drawing meanwhile
  platform::ComposeMail(m, [] { QCoreApplication::processEvents(); });
}

void CPrentixView::SetZoom(int zoom) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  UpdateScrollSizes();
  viewport()->update();
}

void CPrentixView::SetGrid(bool on) {
  grid_ = on;
  if (CurrentImage()) viewport()->update();
}

void CPrentixView::PictureChanged() {
  pictureValid_ = false;
  UpdateScrollSizes();
  viewport()->update();
  emit StateChanged();
}

// A QImage over the picture's own rows (bottom-up, drawn mirrored), so a
// paint copies nothing; only 4-bit pictures, which QImage cannot hold, are
// converted once per picture.
const QImage& CPrentixView::Picture() {
  const SECDib* image = CurrentImage();
  if (pictureValid_ && pictureOf_ == image) return picture_;
  picture_ = QImage();
  pictureOf_ = image;
  pictureValid_ = true;
  if (!image || !image->HasPicture()) return picture_;
  const int w = static_cast<int>(image->m_dwWidth), h = static_cast<int>(image->m_dwHeight);
  const qsizetype stride = static_cast<qsizetype>(image->RowStride());
  if (image->m_pBits.size() < static_cast<size_t>(stride) * h) return picture_;
  uchar* rows = const_cast<uchar*>(image->Row(0));
  auto table = [&](int n) {
    QList<QRgb> colours;
    for (int i = 0; i < n; ++i) {
      // entries the header block does not hold are black, as drawn elsewhere
      RGBQUAD c = static_cast<size_t>(i) < image->ColorTableCapacity() ? image->m_pColorTable[i]
                                                                       : RGBQUAD{0, 0, 0, 0};
      colours.push_back(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
    }
    return colours;
  };
  switch (image->m_nSrcBitsPerPixel) {
    case 24:
      picture_ = QImage(rows, w, h, stride, QImage::Format_BGR888);
      break;
    case 32:
      picture_ = QImage(rows, w, h, stride, QImage::Format_RGB32);
      break;
    case 16:
      picture_ = QImage(rows, w, h, stride, QImage::Format_RGB555);
      break;
    case 8:
      if (image->m_pColorTable) {
        picture_ = QImage(rows, w, h, stride, QImage::Format_Indexed8);
        picture_.setColorTable(table(256));
      }
      break;
    case 1:
      if (image->m_pColorTable) {
        picture_ = QImage(rows, w, h, stride, QImage::Format_Mono);
        picture_.setColorTable(table(2));
      }
      break;
    default:
      // top-down already: flipped to the rows' order
      picture_ = UprightImage(*image).mirrored();
  }
  return picture_;
}

void CPrentixView::UpdateScrollSizes() {
  QSize size = CurrentImage() ? doc_->m_sizeDoc : QSize(0, 0);
  if (zoom_ >= 2) {
    size *= zoom_;
  } else if (zoom_ <= -2) {
    size = QSize(size.width() / -zoom_, size.height() / -zoom_);
  }
  QSize page = viewport()->size();
  QScrollBar* bars[] = {horizontalScrollBar(), verticalScrollBar()};
  int totals[] = {size.width(), size.height()};
  int pages[] = {page.width(), page.height()};
  for (int i = 0; i < 2; ++i) {
    QScrollBar* bar = bars[i];
    bar->setRange(0, std::max(0, totals[i] - pages[i]));
    const ScrollSteps steps = ScrollStepsFor(zoom_, totals[i]);
    bar->setSingleStep(steps.line);
    bar->setPageStep(pages[i]);
    pageSteps_[i] = steps.page;
    if (zoom_ >= 2 && bar->value() % zoom_) {
      bar->setValue(std::min(bar->maximum(), (bar->value() / zoom_ + 1) * zoom_));
    }
  }
}

void CPrentixView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollSizes();
}

void CPrentixView::scrollContentsBy(int, int) { viewport()->update(); }

void CPrentixView::DrawEmpty(QPainter& p) {
  TraceLog("OnDraw() no BMP\n");
  const int width = viewport()->width();
  int y = 10;
  p.drawPixmap(width / 2 - 15, y, ProgramIcon().pixmap(32, 32));
  auto line = [&](const QString& text, int step) {
    p.drawText(QRect(0, y, width, std::max(0, viewport()->height() - y)),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
    y += step;
  };
  auto keyLine = [](int textKey, HotKey key) {
    return QString::fromUtf8(GetSprachText(textKey))
        .replace("%s", QString::fromStdString(HotKeyDisplayName(key, ReadHotKey(key))));
  };
  y = 50;
  line(keyLine(16008, HotKey::kScreen), 20);
  line(keyLine(16009, HotKey::kWindow), 40);
  const int contact[][2] = {{16013, 20}, {16014, 20}, {16015, 20}, {16016, 30},
                            {16019, 20}, {16017, 20}, {16018, 60}};
  for (auto [key, step] : contact) line(QString::fromUtf8(GetSprachText(key)), step);
}

// The device and picture facts the trace log gets with every drawing.
void CPrentixView::LogDrawing(const SECDib& image, QSize size, int depth) {
  TraceLog("OnDraw() BMP ok\n");
  TraceLog("Auflößung     = %d*%d\n", size.width(), size.height());
  TraceLog("BitPlanes     = %d\n", 1);
  TraceLog("Bits je Pixel = %d\n", depth);
  unsigned long colours = depth == 1 ? 2 : depth <= 16 ? 1ul << depth : 4294967295ul;
  TraceLog("Anzahl Farben = %lu\n", colours);
  TraceLog("m_nSrcBitsPerPixel = %d\n", image.m_nSrcBitsPerPixel);
  TraceLog("m_nSysBitsPerPixel = %d\n", image.m_nSysBitsPerPixel);
  TraceLog("m_nBitPlanes = %d\n", image.m_nBitPlanes);
  TraceLog("m_bIsPadded = %d\n", image.m_bIsPadded);
  TraceLog("m_dwPadWidth = %d\n", static_cast<int>(image.m_dwPadWidth));
  TraceLog("m_dwWidth = %d\n", static_cast<int>(image.m_dwWidth));
  TraceLog("m_dwHeight = %d\n", static_cast<int>(image.m_dwHeight));
  TraceLog("m_wColors = %d\n", image.m_wColors);
  TraceLog("m_wSysColors = %d\n", image.m_wSysColors);
  TraceLog("m_bUseHalftone = %d\n", image.m_bUseHalftone);
  TraceLog("m_nBitHolder = %d\n", image.m_nBitHolder);
  TraceLog("m_dwBitCount = %d\n", static_cast<int>(image.m_dwBitCount));
  TraceLog("m_dwError = %d\n", static_cast<int>(image.m_dwError));
  TraceLog("m_bSwapOnWrite = %d\n", image.m_bSwapOnWrite);
  if (const BITMAPINFOHEADER* h = image.Header()) {
    TraceLog("bmiHeader.biSize = %d\n", static_cast<int>(h->biSize));
    TraceLog("biWidth = %d\n", static_cast<int>(h->biWidth));
    TraceLog("biHeight = %d\n", static_cast<int>(h->biHeight));
    TraceLog("biPlanes = %d\n", h->biPlanes);
    TraceLog("biBitCount = %d\n", h->biBitCount);
    TraceLog("biCompression = %d\n", static_cast<int>(h->biCompression));
    TraceLog("biSizeImage = %d\n", static_cast<int>(h->biSizeImage));
    TraceLog("biXPelsPerMeter = %d\n", static_cast<int>(h->biXPelsPerMeter));
    TraceLog("biYPelsPerMeter = %d\n", static_cast<int>(h->biYPelsPerMeter));
    TraceLog("biClrUsed = %d\n", static_cast<int>(h->biClrUsed));
    TraceLog("biClrImportant = %d\n", static_cast<int>(h->biClrImportant));
  }
}

// Text content in the fixed font a cell high, squeezed or stretched so that
// 100 columns fill the target's width, on screen and on paper alike.
void CPrentixView::DrawTextContent(QPainter& p, const QRect& target, int cellHeight,
                                   const std::string& text) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(std::max(1, cellHeight));
  font.setWeight(QFont::Light);
  p.save();
  p.setFont(font);
  const qreal natural = QFontMetricsF(font, p.device()).horizontalAdvance(QLatin1Char('0'));
  const qreal sx =
      natural > 0 && target.width() > 0 ? target.width() / (kTextColumns * natural) : 1;
  p.translate(target.topLeft());
  p.scale(sx, 1);
  p.drawText(QRectF(0, 0, target.width() / sx, target.height()), Qt::AlignLeft | Qt::AlignTop,
             QString::fromStdString(ExpandTabs(text)));
  p.restore();
}

void CPrentixView::paintEvent(QPaintEvent* e) {
  QPainter p(viewport());
  const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
  if (const SECDib* image = CurrentImage()) {
    const QScreen* where = screen();
    LogDrawing(*image, where ? where->size() : QSize(), where ? where->depth() : 24);
    const QImage& picture = Picture();
    int w = static_cast<int>(image->m_dwWidth), h = static_cast<int>(image->m_dwHeight);
    if (zoom_ >= 2) w *= zoom_, h *= zoom_;
    if (zoom_ <= -2) w /= -zoom_, h /= -zoom_;
    p.translate(-scroll);
    if (!picture.isNull() && w > 0 && h > 0) {
      // the rows are stored bottom-up: drawn mirrored into the target;
      // only the exposed part is scaled
      p.save();
      p.setClipRect(e->rect().translated(scroll));
      p.translate(0, h);
      p.scale(static_cast<double>(w) / picture.width(), -static_cast<double>(h) / picture.height());
      p.drawImage(0, 0, picture);
      p.restore();
    }
    if (grid_ && zoom_ >= 8) {
      p.setPen(QPen(Qt::black, 1, Qt::DotLine));
      QRect exposed = e->rect().translated(scroll);
      for (int x = (exposed.left() / zoom_) * zoom_; x < w && x <= exposed.right(); x += zoom_)
        p.drawLine(x, std::max(0, exposed.top()), x, std::min(h, exposed.bottom() + 1));
      for (int y = (exposed.top() / zoom_) * zoom_; y < h && y <= exposed.bottom(); y += zoom_)
        p.drawLine(std::max(0, exposed.left()), y, std::min(w, exposed.right() + 1), y);
    }
    return;
  }
  if (const std::string* text = CurrentText()) {
    TraceLog("OnDraw() Text\n");
    DrawTextContent(p, viewport()->rect(), QFontMetrics(p.font()).height(), *text);
    return;
  }
  DrawEmpty(p);
}

}  // namespace prentix
