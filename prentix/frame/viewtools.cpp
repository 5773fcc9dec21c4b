// The view's tools: turns and flips, zoom and grid, cutting out a
// rectangle and stamping a mouse pointer into the picture. The arithmetic
// is in zoomrules; here are the mouse and the pixels.

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QTimer>

#include "prentix/app/commands.h"
#include "prentix/app/zoomrules.h"
#include "prentix/frame/pictureqt.h"
#include "prentix/frame/pointers.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/image/document.h"

namespace prentix {

using namespace cmd;

namespace {

QCursor PointerCursor(int pointer) {
  QPoint hot;
  QImage image = PointerImage(pointer, &hot);
  if (image.isNull()) return QCursor(Qt::ArrowCursor);
  return QCursor(QPixmap::fromImage(image), hot.x(), hot.y());
}

}  // namespace

QPoint CPrentixView::Scroll() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CPrentixView::OnTurn(int id) {
  SECDib* image = CurrentImage();
  if (!image) return;
  {
    WaitCursor wait;
    switch (id) {
      case kFlipVertical:
        image->FlipVertical();
        break;
      case kFlipHorizontal:
        image->MirrorHorizontal();
        break;
      default:
        image->Rotate90(id == kRotateRight);
    }
  }
  doc_->UpdatePictureSize();
  PictureChanged();
}

void CPrentixView::OnZoomCommand(int id) {
  switch (id) {
    case kZoomIn:
      if (ZoomInAllowed(zoom_)) Arm(2, kCursorLast);
      break;
    case kZoomOneToOne:
      if (zoom_ != 0) {
        SetZoom(0);
        if (selectBoxEntry) selectBoxEntry(kZoomBoxOneToOne);
      }
      break;
    case kZoomOut:
      if (auto z = ZoomOut(zoom_)) {
        SetZoom(*z);
        if (selectBoxEntry) selectBoxEntry(BoxEntryForZoom(*z));
      }
      break;
    case kZoomBoxList:
      if (boxEntry && boxEntry() >= 0) SetZoom(ZoomForBoxEntry(boxEntry()));
      break;
    case kShowGrid:
      SetGrid(!grid_);
      break;
  }
}

// A mode waits for the next left click in the view; another replaces it.
void CPrentixView::Arm(int mode, int pointer) {
  mode_ = mode;
  modePointer_ = pointer;
  viewport()->setCursor(PointerCursor(pointer));
}

// One page at a time every 10 ms while the mouse rests at an edge; moving
// it (or the end of the picture) stops.
ScrollDirection CPrentixView::EdgeDirection() const {
  if (mode_ != 1) return {};
  const QScrollBar* h = horizontalScrollBar();
  const QScrollBar* v = verticalScrollBar();
  return AutoScrollDirection(lastMove_.x(), lastMove_.y(), viewport()->width(),
                             viewport()->height(), h->value(), v->value(), h->maximum(),
                             v->maximum());
}

void CPrentixView::AutoScroll() {
  ScrollDirection d = EdgeDirection();
  if (d == ScrollDirection{}) {
    autoScroll_->stop();
    return;
  }
  horizontalScrollBar()->setValue(horizontalScrollBar()->value() + d.dx * pageSteps_[0]);
  verticalScrollBar()->setValue(verticalScrollBar()->value() + d.dy * pageSteps_[1]);
}

void CPrentixView::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  lastMove_ = p;
  if (EdgeDirection() == ScrollDirection{}) {
    if (autoScroll_) autoScroll_->stop();
  } else {
    if (!autoScroll_) {
      autoScroll_ = new QTimer(this);
      autoScroll_->setInterval(10);
      connect(autoScroll_, &QTimer::timeout, this, &CPrentixView::AutoScroll);
    }
    if (!autoScroll_->isActive()) autoScroll_->start();
  }
  mouse_ = {ToPicture(p.x() + Scroll().x(), zoom_), ToPicture(p.y() + Scroll().y(), zoom_)};
  emit MouseMoved();
  if (dragging_ && band_) {
    band_->setGeometry(QRect(bandOrigin_, p).normalized());
    if (showMessage) {
      QPoint d = p - bandOrigin_;
      showMessage(QString::fromStdString(DragSizeText(d.x(), d.y(), zoom_)));
    }
  }
  QAbstractScrollArea::mouseMoveEvent(e);
}

void CPrentixView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || mode_ == 0 || !CurrentImage()) {
    QAbstractScrollArea::mousePressEvent(e);
    return;
  }
  const int mode = mode_;
  mode_ = 0;
  viewport()->unsetCursor();
  const QPoint click = e->position().toPoint();
  if (mode == 1) {
    StampPointer(click);
  } else if (mode == 2) {
    ZoomInAt(click);
  } else if (mode == 3) {
    // the band starts on a whole picture pixel
    bandOrigin_ = {RaiseToZoom(click.x(), zoom_), RaiseToZoom(click.y(), zoom_)};
    if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
    band_->setGeometry(QRect(bandOrigin_, QSize()));
    band_->show();
    dragging_ = true;
    viewport()->setCursor(PointerCursor(kCursorFirst + 3));
  }
}

void CPrentixView::mouseReleaseEvent(QMouseEvent* e) {
  if (dragging_ && e->button() == Qt::LeftButton) {
    dragging_ = false;
    band_->hide();
    viewport()->unsetCursor();
    FinishCut(e->position().toPoint());
    return;
  }
  QAbstractScrollArea::mouseReleaseEvent(e);
}

void CPrentixView::FinishCut(QPoint end) {
  const SECDib* image = CurrentImage();
  if (!image) return;
  auto r = CutRect(bandOrigin_.x(), bandOrigin_.y(), end.x(), end.y(), Scroll().x(), Scroll().y(),
                   zoom_, static_cast<int>(image->m_dwWidth), static_cast<int>(image->m_dwHeight));
  if (!r) return;  // nothing dragged: the picture stays
  auto cut = PictureOf(UprightImage(*image).copy(r->left, r->top, r->Width(), r->Height()));
  if (!cut) return;
  SetCurrentImage(std::move(cut));
  doc_->UpdatePictureSize();
  PictureChanged();
}

void CPrentixView::StampPointer(QPoint click) {
  const SECDib* image = CurrentImage();
  QPoint hot;
  QImage pointer = PointerImage(modePointer_, &hot);
  if (!image || pointer.isNull()) return;
  QImage picture = UprightImage(*image);
  // the pointer's hot spot on the clicked picture pixel
  const QPoint at(ToPicture(click.x() + std::max(0, Scroll().x()), zoom_),
                  ToPicture(click.y() + std::max(0, Scroll().y()), zoom_));
  {
    QPainter p(&picture);
    p.drawImage(at - hot, pointer);
  }
  if (auto stamped = PictureOf(picture)) {
    SetCurrentImage(std::move(stamped));
    doc_->UpdatePictureSize();
    PictureChanged();
  }
}

void CPrentixView::ZoomInAt(QPoint click) {
  const int zoom = ZoomInByClick(zoom_);
  const QPoint old = Scroll();
  SetZoom(zoom);
  if (selectBoxEntry) selectBoxEntry(BoxEntryForZoom(zoom));
  if (zoom >= 2) {
    horizontalScrollBar()->setValue(CentredScroll(click.x(), old.x(), viewport()->width(), zoom));
    verticalScrollBar()->setValue(CentredScroll(click.y(), old.y(), viewport()->height(), zoom));
  }
  viewport()->update();
}

}  // namespace prentix
