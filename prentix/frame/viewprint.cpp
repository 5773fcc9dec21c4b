// Printing the picture or the text: the printer for this job, the page
// laid out as LayoutPage says, drawn at the printer's resolution.

#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include "platform/cups/spooler.h"
#include "platform/paths.h"
#include "prentix/app/commands.h"
#include "prentix/app/outputrules.h"
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
// the PDF-file printer's folder has been named to the user in this run
bool g_pdfFolderTold = false;

constexpr int kJobWatchMs = 250;
constexpr qint64 kJobWatchLimitMs = 120000;

}  // namespace

int CPrentixView::PrintCounter() { return g_printCounter; }

QString CPrentixView::PdfFolder() {
  return QString::fromStdString(PdfFolderFor(
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString(),
      platform::HomeDirectory()));
}

// A copy of the picture while its job may still fail, when the picture is
// in no file of its own; null otherwise.
std::unique_ptr<SECDib> CPrentixView::PictureToKeep() const {
  SECDib* image = CurrentImage();
  if (!image || (!doc_->PathName().empty() && !doc_->modified)) return nullptr;
  auto copy = std::make_unique<SECDib>();
  if (!copy->CopyImage(*image)) return nullptr;
  return copy;
}

// The user learns what failed, and the picture goes where it can be found.
void CPrentixView::OutputFailed(const std::string& text, SECDib* picture) {
  std::string kept;
  if (picture) {
    const Settings& s = LiveSettings();
    const std::string pictures =
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation).toStdString();
    kept = KeepCapture(
        *picture,
        KeepFolders(AutoSaveFolder(s.SaveAsNameFormat), pictures, platform::RuntimeDirectory()),
        s.SaveAsNameFormat, s.Gif == 1, SystemNameSources());
    TraceLog("OutputFailed() kept as %s\n", kept.empty() ? "(nowhere)" : kept.c_str());
  }
  std::string message = text;
  if (std::string k = KeptText(kept, picture != nullptr); !k.empty()) message += "\n" + k;
  emit Notice(QString::fromStdString(message));
}

void CPrentixView::OnSaveFailed(const QString& text) {
  SECDib* image = CurrentImage();
  OutputFailed(text.toStdString(), image);
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
  unreachableQueue_.clear();
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
    } else if (queues.isEmpty() && !platform::cups::QueryQueue(wanted).reachable) {
      // the queue may well be there once the scheduler runs again: no PDF
      // file in its place, the user hears that it cannot be reached
      unreachableQueue_ = wanted;
      pdf = false;
    }
    // a name that is no queue: the default printer
  }
  if (setup_ && setup_->printerName() == printer.printerName()) {
    printer.setPageLayout(setup_->pageLayout());
  }
  if (pdf) {
    // only the program's own folder is made (when printing), never the
    // documents folder
    const QString folder = PdfFolder();
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
  std::unique_ptr<SECDib> keep = PictureToKeep();
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && unreachableQueue_.empty();
  const std::string queue =
      unreachableQueue_.empty() ? printer.printerName().toStdString() : unreachableQueue_;
  const std::string file = printer.outputFileName().toStdString();
  const std::string where = toFile ? std::string(kPdfFilePrinter) : queue;
  auto fail = [&](const std::string& reason) {
    TraceLog("OnFilePrint() %s: %s\n", toFile ? file.c_str() : queue.c_str(), reason.c_str());
    OutputFailed(PrintFailureText(where, reason), keep.get());
  };

  int before = 0;
  if (toFile) {
    std::string why;
    const std::string folder = QFileInfo(QString::fromStdString(file)).absolutePath().toStdString();
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
      return fail(folder + ": " + strerror(errno));
    }
    if (!platform::FolderWritable(folder, &why)) return fail(folder + ": " + why);
  } else {
    // asked first: Qt hands a refused job over without a word
    std::string refusal = QueueRefusal(platform::cups::QueryQueue(queue));
    if (!refusal.empty()) return fail(refusal);
    before = platform::cups::NewestJob(queue).value_or(0);
  }
  QPainter painter;
  if (!painter.begin(&printer)) return fail(platform::cups::LastError());
  DrawPage(painter, printer);
  painter.end();

  if (toFile) {
    if (QFileInfo(QString::fromStdString(file)).size() <= 0) return fail(file);
    TraceLog("OnFilePrint() written to %s\n", file.c_str());
    TellPdfFolder(QFileInfo(QString::fromStdString(file)).absolutePath());
    return;
  }
  const std::string refusedWith = platform::cups::LastError();
  const int job = platform::cups::NewestJob(queue).value_or(0);
  if (job <= before) return fail(JobMissing(refusedWith));
  TraceLog("OnFilePrint() job %d accepted by %s\n", job, queue.c_str());
  WatchJob(job, queue, std::move(keep));
}

// The scheduler took the job; the printer may still fail it (a device that
// cannot be written stops it), and then the user must hear of it too.
void CPrentixView::WatchJob(int job, const std::string& queue, std::unique_ptr<SECDib> picture) {
  auto watch = std::make_unique<JobWatch>();
  watch->job = job;
  watch->queue = queue;
  watch->picture = std::move(picture);
  watch->since.start();
  jobs_.push_back(std::move(watch));
  if (!jobTimer_) {
    jobTimer_ = new QTimer(this);
    connect(jobTimer_, &QTimer::timeout, this, &CPrentixView::CheckJobs);
  }
  if (!jobTimer_->isActive()) jobTimer_->start(kJobWatchMs);
}

void CPrentixView::CheckJobs() {
  for (auto it = jobs_.begin(); it != jobs_.end();) {
    JobWatch& w = **it;
    auto status = platform::cups::QueryJob(w.job);
    JobVerdict verdict = JobVerdict::kWatch;
    std::string message;
    if (status) {
      platform::cups::QueueStatus q;
      const bool waiting =
          status->state == platform::cups::kPending || status->state == platform::cups::kHeld;
      if (waiting) q = platform::cups::QueryQueue(w.queue);
      verdict = JudgeJob(status->state, waiting && q.stopped);
      message = status->message.empty() ? q.message : status->message;
    }
    if (verdict == JobVerdict::kDone) {
      TraceLog("OnFilePrint() job %d on %s done (state %d)\n", w.job, w.queue.c_str(),
               status->state);
    } else if (verdict == JobVerdict::kFailed) {
      const std::string reason = JobFailure(message);
      TraceLog("OnFilePrint() job %d on %s failed: %s\n", w.job, w.queue.c_str(), reason.c_str());
      OutputFailed(PrintFailureText(w.queue, reason), w.picture.get());
    } else if (w.since.elapsed() > kJobWatchLimitMs) {
      // a slow printer is no failure; it is only not watched any longer
      TraceLog("OnFilePrint() job %d on %s still under way\n", w.job, w.queue.c_str());
      verdict = JobVerdict::kDone;
    }
    it = verdict == JobVerdict::kWatch ? it + 1 : jobs_.erase(it);
  }
  if (jobs_.empty()) jobTimer_->stop();
}

// Where pages of the PDF-file printer go, in the log every time and to the
// user once.
void CPrentixView::TellPdfFolder(const QString& folder) {
  TraceLog("OnFilePrint() the PDF-file printer writes into %s\n", folder.toUtf8().data());
  const std::string f = folder.toStdString();
  if (g_pdfFolderTold || GetIni(kNoticeSection, kPdfFolderEntry) == f) return;
  g_pdfFolderTold = true;
  WriteIni(kNoticeSection, kPdfFolderEntry, f);
  emit Notice(QString::fromStdString(FormatSprachText(16079, f)));
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
    LogDrawing(*image, QSize(printer.width(), printer.height()), printer.depth());
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
    DrawTextContent(p, target, layout.textFontHeight, *text);
  }
}

}  // namespace prentix
