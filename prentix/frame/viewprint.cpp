// Printing the picture or the text: the printer for this job, the page
// laid out as LayoutPage says, drawn at the printer's resolution.

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

#include "prentix/app/commands.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/frame/pictureqt.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/frame/printmetrics.h"
#include "prentix/frame/printpreview.h"
#include "prentix/image/autoname.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"
#include "prentix/print/layoutpage.h"

namespace prentix {

namespace {

int g_printCounter = 0;

}  // namespace

int CPrentixView::PrintCounter() { return g_printCounter; }

QString CPrentixView::PdfFolder() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return (documents.isEmpty() ? QDir::homePath() : documents) + "/Prentix";
}

// Chooses the printer for this job only; the system's default printer is
// never changed, other programs print where they always did.
bool CPrentixView::OnPreparePrinting(QPrinter& printer, bool preview, bool withDialog) {
  TraceLog("OnPreparePrinting()\n");
  if (preview) {
    TraceLog("OnPreparePrinting(): Preview-Mode\n");
    printer.setFromTo(1, 1);
    // the default printer's page; the PDF-file printer's without a queue
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
      printer.setOutputFormat(QPrinter::PdfFormat);
    }
    return true;
  }
  ++g_printCounter;
  const std::string& wanted = LiveSettings().PRINTER;
  const QStringList queues = QPrinterInfo::availablePrinterNames();
  bool pdf = queues.isEmpty();
  if (!wanted.empty()) {
    TraceLog("OnPreparePrinting(), Printer = %s\n", wanted.c_str());
    QString name = QString::fromStdString(wanted);
    if (name == kPdfFilePrinter) {
      pdf = true;
    } else if (queues.contains(name)) {
      printer.setPrinterName(name);
    }
    // a name that is no queue: the default printer
  }
  if (setup_ && setup_->printerName() == printer.printerName()) {
    printer.setPageLayout(setup_->pageLayout());
  }
  if (pdf) {
    const QString folder = PdfFolder();
    QDir().mkpath(folder);
    std::string prefix = (folder + "/prentix").toStdString();
    char number[16];
    snprintf(number, sizeof number, "%03d", NextFileNumber(prefix));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(prefix + number + ".pdf"));
  }
  bool rc = true;
  if (withDialog) rc = printDialog(printer);
  TraceLog("OnPreparePrinting(), DoPreparePrinting() rc = %d\n", rc ? 1 : 0);
  return rc;
}

void CPrentixView::OnFilePrint(bool withDialog) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromUtf8(GetSprachText(16001)));
  if (!OnPreparePrinting(printer, false, withDialog)) return;
  QPainter painter;
  if (!painter.begin(&printer)) {
    TraceLog("OnFilePrint() the printer cannot start: %s\n", printer.printerName().toUtf8().data());
    return;
  }
  DrawPage(painter, printer);
  painter.end();
}

void CPrentixView::OnFilePrintSetup() {
  if (!setup_) setup_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPageSetupDialog dialog(setup_.get(), window());
  dialog.exec();
}

void CPrentixView::OnFilePrintPreview() {
  TraceLog("OnFilePrintPreview(): Beginn\n");
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  OnPreparePrinting(*printer, true, false);
  if (!printer->isValid()) {
    // no printer to lay the page out for
    QMessageBox::warning(window(), QString::fromUtf8(GetSprachText(16001)),
                         QString::fromStdString(LoadSprachString(61705)));
    return;
  }
  auto* preview = new PrintPreview(std::move(printer), [this](QPrinter* p) {
    QPainter painter(p);
    DrawPage(painter, *p);
  });
  connect(preview, &PrintPreview::PrintRequested, this, [this, preview] {
    emit preview->Closed();
    emit PostCommand(cmd::kFilePrint);
  });
  emit PreviewReady(preview);
}

// The printed page: header, the picture (turned for landscape) in its
// rectangle with a frame, or the text in the fixed font.
void CPrentixView::DrawPage(QPainter& p, QPrinter& printer) {
  const Settings& s = LiveSettings();
  const SECDib* image = CurrentImage();
  const std::string* text = CurrentText();
  if (!image && !text) return;

  PageMetrics m = PrinterPageMetrics(printer, p.font());
  QFontMetrics fm(p.font(), &printer);

  PageContent content;
  content.filePath = doc_->PathName();
  content.printCounter = g_printCounter;
  content.date = HeaderDate();
  NameSources names = SystemNameSources();
  content.host = names.computerName();
  content.user = names.userName();
  const bool landscape = s.Landscape == 1 && image;
  if (image) {
    content.width = static_cast<int>(landscape ? image->m_dwHeight : image->m_dwWidth);
    content.height = static_cast<int>(landscape ? image->m_dwWidth : image->m_dwHeight);
    TraceLog("OnDraw() BMP ok\n");
  } else {
    TraceLog("OnDraw() Text\n");
    content.text = true;
    content.textLineFeeds = static_cast<int>(std::count(text->begin(), text->end(), '\n'));
  }
  TraceLog("OnDraw() printing\n");
  PageLayout layout = LayoutPage(m, content, s);

  p.setPen(Qt::black);
  for (const HeaderLine& line : layout.header) {
    const int baseline = line.y + fm.ascent();
    if (line.label.empty()) {
      QString value = QString::fromStdString(line.value);
      p.drawText(line.x - fm.horizontalAdvance(value), baseline, value);
    } else {
      QString label = QString::fromStdString(line.label);
      p.drawText(line.x - fm.horizontalAdvance(label), baseline, label);
      p.drawText(line.x, baseline, QString::fromStdString(line.value));
    }
  }
  const PageRect& t = layout.target;
  const QRect target(t.left, t.top, t.Width(), t.Height());
  if (image) {
    QImage picture = UprightImage(*image);
    if (landscape) {
      // a quarter turn counter-clockwise; the picture itself stays as it is
      p.save();
      p.translate(target.left(), target.bottom() + 1);
      p.rotate(-90);
      p.drawImage(QRect(0, 0, target.height(), target.width()), picture);
      p.restore();
    } else {
      p.drawImage(target, picture);
    }
    p.setPen(QPen(Qt::black, 0));
    p.drawPolyline(
        QPolygon({QPoint(t.left, t.top), QPoint(t.left, t.bottom), QPoint(t.right, t.bottom),
                  QPoint(t.right, t.top), QPoint(t.left, t.top)}));
  } else {
    if (layout.separator) {
      p.setPen(QPen(Qt::black, 0));
      p.drawLine(layout.separatorLeft, layout.separatorY, layout.separatorRight, layout.separatorY);
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::max(1, layout.textFontHeight));
    p.setFont(font);
    p.drawText(target, Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs,
               QString::fromStdString(*text));
  }
}

}  // namespace prentix
