#include "prentix/frame/printpreview.h"

#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "prentix/lang/sprache.h"
#include "prentix/print/previewbar.h"

namespace prentix {

PrintPreview::PrintPreview(std::unique_ptr<QPrinter> printer, Paint paint, QWidget* parent)
    : QWidget(parent), printer_(std::move(printer)) {
  setObjectName("preview");
  widget_ = new QPrintPreviewWidget(printer_.get(), this);
  connect(widget_, &QPrintPreviewWidget::paintRequested, this, paint);
  auto* bar = new QHBoxLayout;
  PreviewCaptions captions = PreviewBarCaptions(Sprache);
  for (int i = 0; i < 7; ++i) {
    buttons_[i] = new QPushButton(QString::fromStdString(captions[i]));
    bar->addWidget(buttons_[i]);
  }
  bar->addStretch();
  // one page a sheet, and printing is always one page: no next or previous
  buttons_[1]->setEnabled(false);
  buttons_[2]->setEnabled(false);
  // the page button names the view it switches to, in every language
  buttons_[3]->setCheckable(true);
  buttons_[3]->setText(QString::fromStdString(LoadSprachString(61506)));
  connect(buttons_[0], &QPushButton::clicked, this, &PrintPreview::PrintRequested);
  connect(buttons_[3], &QPushButton::toggled, widget_, [this](bool two) {
    widget_->setViewMode(two ? QPrintPreviewWidget::FacingPagesView
                             : QPrintPreviewWidget::SinglePageView);
    buttons_[3]->setText(QString::fromStdString(LoadSprachString(two ? 61505 : 61506)));
  });
  connect(buttons_[4], &QPushButton::clicked, widget_, [this] { widget_->zoomIn(); });
  connect(buttons_[5], &QPushButton::clicked, widget_, [this] { widget_->zoomOut(); });
  connect(buttons_[6], &QPushButton::clicked, this, &PrintPreview::Closed);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(bar);
  layout->addWidget(widget_, 1);
}

PrintPreview::~PrintPreview() = default;

}  // namespace prentix
