// Printing through a real CUPS scheduler (the test runner's private one,
// its queues keeping their jobs as PDF files in $PX_CUPS_OUT). Each test
// adds a queue of its own and makes it the scheduler's default, so a job of
// another test can never be taken for its own; PXB is the second queue.
// Pages are checked by rendering them with pdftoppm.

#include <stdlib.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <filesystem>
#include <map>

#include "gui/guitest.h"
#include "prentix/app/commands.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/frame/printmetrics.h"
#include "prentix/frame/printpreview.h"
#include "prentix/image/autoname.h"
#include "prentix/print/layoutpage.h"

namespace {

using namespace prentix;
using guitest::GuiTest;

class PrintTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    chdir(pxtest::TestRoot().c_str());  // where automatic names put a kept picture
    const char* out = getenv("PX_CUPS_OUT");
    ASSERT_TRUE(out && *out) << "no private CUPS scheduler: run through the test runner";
    out_ = out;
    queue_ = "PXT" + std::to_string(getpid());
    ASSERT_EQ(pxtest::Run({"sh", "-c",
                           "lpadmin -p " + queue_ + " -E -v file://" + out_ + "/" + queue_ +
                               ".pdf -P " PX_SOURCE_DIR "/tests/printing/pdffile.ppd 2>/dev/null"
                               " && lpadmin -d " +
                               queue_}),
              0);
    for (const std::string& q : {queue_, std::string("PXB")}) done_[q] = LastJob(q);
  }
  void TearDown() override {
    GuiTest::TearDown();
    pxtest::Run({"lpadmin", "-x", queue_});
  }

  // The newest job of a queue (0 for none), as `lpstat` lists it; with
  // `completed`, of its finished jobs. Job numbers only grow.
  static int LastJob(const std::string& queue, bool completed = false) {
    std::string out = pxtest::TestRoot() + "/jobs.txt";
    pxtest::Run({"sh", "-c",
                 std::string("lpstat -W ") + (completed ? "completed" : "all") + " -o " + queue +
                     " | sed -n 's/^" + queue + "-\\([0-9]*\\) .*/\\1/p' | sort -n | tail -1 > '" +
                     out + "'"});
    return atoi(pxtest::ReadFile(out).c_str());
  }
  bool NewJobs(const std::string& queue) { return LastJob(queue) > done_[queue]; }

  // 200 x 100: the left half red, the right half blue.
  void SetPicture() {
    DeviceBitmap bm;
    bm.width = 200, bm.height = 100, bm.bitsPerPixel = 24, bm.stride = 600;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 200; ++x)
        bm.bits.insert(bm.bits.end(), {static_cast<BYTE>(x < 100 ? 0 : 255), 0,
                                       static_cast<BYTE>(x < 100 ? 255 : 0)});
    auto image = std::make_unique<SECDib>();
    ASSERT_TRUE(image->CreateFromBitmap(bm));
    SetCurrentImage(std::move(image));
    app_->Doc()->UpdatePictureSize();
  }

  void Print(int id) {
    Frame().notify = [this](const QString& text) { notices_.push_back(text.toStdString()); };
    Frame().View()->printDialog = [this](QPrinter&) {
      ++dialogs_;
      return dialogAnswer_;
    };
    app_->Router().Route(id, CommandSource::kProgram);
  }

  // The job's PDF file, once the queue has written it; "" when none came.
  std::string Pdf(const std::string& queue) {
    // this test's job is the queue's newest; the queue works in order, so
    // once it is finished the file is its
    const int job = LastJob(queue);
    if (job <= done_[queue]) return {};
    if (!WaitFor([&] { return LastJob(queue, true) >= job; }, 10000)) return {};
    return out_ + "/" + queue + ".pdf";
  }

  // The job's page at 150 dpi.
  QImage Page(const std::string& queue) {
    std::string pdf = Pdf(queue);
    std::string png = pxtest::TestRoot() + "/page";
    if (pdf.empty() ||
        pxtest::Run({"pdftoppm", "-r", "150", "-png", "-singlefile", pdf, png}) != 0) {
      return {};
    }
    return QImage(QString::fromStdString(png + ".png"));
  }

  // Where the layout puts the content on the page of the test's queue, at
  // `dpi` (72: PDF points).
  QRect ExpectedTarget(PageContent content, double dpi = 150) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QString::fromStdString(queue_));
    // no painter on it: that would send an empty job
    PageMetrics m = PrinterPageMetrics(printer, QFont());
    NameSources names = SystemNameSources();
    content.host = names.computerName();
    content.user = names.userName();
    PageRect t = LayoutPage(m, content, LiveSettings()).target;
    QRectF paper = printer.pageLayout().paintRectPoints();
    double scale = dpi / printer.logicalDpiX();
    double ox = paper.left() / 72.0 * dpi, oy = paper.top() / 72.0 * dpi;
    return QRect(qRound(ox + t.left * scale), qRound(oy + t.top * scale), qRound(t.Width() * scale),
                 qRound(t.Height() * scale));
  }
  QRect ExpectedTarget(int w, int h) {
    return ExpectedTarget(PageContent{w, h, false, 0, "", 1, "d", "h", "u"});
  }

  static bool Dark(QRgb c) { return qGray(c) < 100; }
  static bool Red(QRgb c) { return qRed(c) > 200 && qBlue(c) < 60 && qGreen(c) < 60; }
  static bool Blue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; }

  std::string out_;
  std::string queue_;
  std::map<std::string, int> done_;
  int dialogs_ = 0;
  bool dialogAnswer_ = true;
  std::vector<std::string> notices_;
};

TEST_F(PrintTest, PrintWithoutADialogPutsPictureFrameAndHeaderWhereTheLayoutSays) {
  Start("Taskbar=no\nPage=yes\nPRINTER=\n");  // the default queue
  SetPicture();
  // a print dialog cancelled still counts as a job
  dialogAnswer_ = false;
  Print(cmd::kFilePrint);
  EXPECT_EQ(dialogs_, 1);
  Print(cmd::kFilePrintDirect);
  EXPECT_EQ(dialogs_, 1);  // none for the direct print
  EXPECT_EQ(CPrentixView::PrintCounter() >= 2, true);
  QImage page = Page(queue_);
  ASSERT_FALSE(page.isNull());
  QRect t = ExpectedTarget(200, 100);
  // the frame: the first dark pixel on the middle row and column, within 2
  const int midY = t.center().y(), midX = t.center().x();
  int left = 0, top = 0;
  while (left < page.width() && !Dark(page.pixel(left, midY)) && !Red(page.pixel(left, midY)))
    ++left;
  while (top < page.height() && !Dark(page.pixel(midX, top)) && !Red(page.pixel(midX, top)) &&
         !Blue(page.pixel(midX, top)))
    ++top;
  EXPECT_NEAR(left, t.left(), 2);
  EXPECT_NEAR(top, t.top(), 2);
  EXPECT_TRUE(Red(page.pixel(t.left() + t.width() / 4, midY)));
  EXPECT_TRUE(Blue(page.pixel(t.left() + 3 * t.width() / 4, midY)));
  EXPECT_NEAR(t.width(), 2 * t.height(), 3);
  // the header: the page counter's line, right-aligned at the right margin,
  // is above the picture
  int darkAbove = 0;
  for (int y = 0; y < t.top() - 2; ++y)
    for (int x = t.left(); x < t.right(); ++x) darkAbove += Dark(page.pixel(x, y));
  EXPECT_GT(darkAbove, 50);
  std::string log = pxtest::ReadFile(LogPath());
  EXPECT_NE(log.find("OnPreparePrinting(), DoPreparePrinting() rc = 0\n"), std::string::npos);
  EXPECT_NE(log.find("OnPreparePrinting(), DoPreparePrinting() rc = 1\n"), std::string::npos);
  // the job the scheduler took, by its number, and that it was printed
  const std::string job = std::to_string(LastJob(queue_));
  EXPECT_NE(log.find("OnFilePrint() job " + job + " accepted by " + queue_), std::string::npos);
  EXPECT_TRUE(WaitFor([&] {
    return pxtest::ReadFile(LogPath()).find("OnFilePrint() job " + job + " on " + queue_ +
                                            " done") != std::string::npos;
  }));
  EXPECT_TRUE(notices_.empty());
}

// Every way a queue can fail a job: the user is told why, the capture is
// kept under its automatic name, the log says what happened.
TEST_F(PrintTest, AFailedJobIsToldAndThePictureKept) {
  const std::string ro = out_ + "/ro" + queue_;
  struct Case {
    const char* name;
    std::string breakIt, mendIt;
    std::string reason;
  } cases[] = {
      {"rejecting", "cupsreject " + queue_, "cupsaccept " + queue_,
       "the queue does not accept jobs"},
      {"stopped", "cupsdisable " + queue_, "cupsenable " + queue_, "the queue is stopped (Paused)"},
      // root writes anywhere but into an immutable folder
      {"device",
       "mkdir -p " + ro + " && chattr +i " + ro + " && lpadmin -p " + queue_ + " -v file://" + ro +
           "/x.pdf",
       "chattr -i " + ro + "; lpadmin -p " + queue_ + " -v file://" + out_ + "/" + queue_ + ".pdf",
       "the printer did not print the job"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(pxtest::Run({"sh", "-c", c.breakIt + " 2>/dev/null"}), 0);
    Start("Taskbar=no\nPRINTER=\n");
    SetPicture();
    notices_.clear();
    Print(cmd::kFilePrintDirect);
    const bool told = WaitFor([&] { return !notices_.empty(); }, 10000);
    pxtest::Run({"sh", "-c", c.mendIt + " 2>/dev/null; cancel -a " + queue_ + " 2>/dev/null"});
    ASSERT_TRUE(told) << pxtest::ReadFile(LogPath());
    const std::string kept = pxtest::TestRoot() + "/auto00" + std::to_string(++n) + ".pxi";
    const std::string& told0 = notices_[0];
    EXPECT_EQ(told0.rfind("Printing on " + queue_ + " failed: " + c.reason, 0), 0u) << told0;
    const std::string tail = "\nThe picture was kept as " + kept + ".";
    EXPECT_EQ(told0.substr(told0.size() - std::min(told0.size(), tail.size())), tail) << told0;
    SECDib back;
    ASSERT_TRUE(back.LoadImage(kept.c_str()));
    EXPECT_EQ(back.m_dwWidth, 200u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.Row(50)), 600),
              std::string(reinterpret_cast<const char*>(CurrentImage()->Row(50)), 600));
    const std::string log = pxtest::ReadFile(LogPath());
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
    EXPECT_NE(log.find("OutputFailed() kept as " + kept), std::string::npos) << log;
    TearDown();
    SetUp();
  }
  EXPECT_FALSE(NewJobs("PXB"));
}

TEST_F(PrintTest, AQueueNamedWhileTheSchedulerIsGoneIsAFailureNotAPdf) {
  // (the CUPS library keeps the server it first talked to: a process of its own)
  const std::string server = getenv("CUPS_SERVER");
  setenv("CUPS_SERVER", (pxtest::TestRoot() + "/no-scheduler.sock").c_str(), 1);
  Start(("Taskbar=no\nPRINTER=" + queue_ + "\n").c_str());
  SetPicture();
  Print(cmd::kFilePrintDirect);
  setenv("CUPS_SERVER", server.c_str(), 1);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].rfind(
                "Printing on " + queue_ + " failed: the printing system cannot be reached (", 0),
            0u)
      << notices_[0];
  EXPECT_TRUE(std::filesystem::exists(pxtest::TestRoot() + "/auto001.pxi"));
  EXPECT_FALSE(std::filesystem::exists(CPrentixView::PdfFolder().toStdString()));
}

TEST_F(PrintTest, LandscapeTurnsCounterClockwiseAndLeavesThePictureAsItWas) {
  Start("Taskbar=no\nLandscape=yes\nPRINTER=\n");
  SetPicture();
  Print(cmd::kFilePrintDirect);
  QImage page = Page(queue_);
  ASSERT_FALSE(page.isNull());
  // the left half (red) now lies below the right half (blue), both as
  // wide as the picture is high
  QRect red, blue;
  for (int y = 0; y < page.height(); y += 2) {
    for (int x = 0; x < page.width(); x += 2) {
      QRgb c = page.pixel(x, y);
      if (Red(c)) red |= QRect(x, y, 1, 1);
      if (Blue(c)) blue |= QRect(x, y, 1, 1);
    }
  }
  ASSERT_FALSE(red.isEmpty());
  ASSERT_FALSE(blue.isEmpty());
  EXPECT_GT(red.top(), blue.bottom() - 4);
  EXPECT_NEAR(red.left(), blue.left(), 4);
  EXPECT_NEAR(red.width(), blue.width(), 4);
  EXPECT_NEAR(red.height() + blue.height(), 2 * red.width(), 16);  // twice as tall as wide
  // where the layout put it
  QRect t = ExpectedTarget(100, 200);
  EXPECT_NEAR(blue.top(), t.top(), 3);
  EXPECT_NEAR(red.left(), t.left(), 3);
  EXPECT_EQ(CurrentImage()->m_dwWidth, 200u);
  EXPECT_EQ(CurrentImage()->Row(0)[2], 255);  // red at the left still
}

TEST_F(PrintTest, PrinterSettingChoosesTheQueueForThisJobOnly) {
  Start("Taskbar=no\nPRINTER=PXB\n");
  SetPicture();
  Print(cmd::kFilePrintDirect);
  EXPECT_FALSE(Page("PXB").isNull());
  EXPECT_FALSE(NewJobs(queue_));
  // the system's default printer is the same as before
  std::string out = pxtest::TestRoot() + "/lpstat.txt";
  ASSERT_EQ(pxtest::Run({"sh", "-c", "lpstat -d > '" + out + "'"}), 0);
  EXPECT_NE(pxtest::ReadFile(out).find(queue_), std::string::npos) << pxtest::ReadFile(out);
  // a name that is no queue: the default
  TearDown();
  SetUp();
  Start("Taskbar=no\nPRINTER=Nowhere\n");
  SetPicture();
  Print(cmd::kFilePrintDirect);
  EXPECT_FALSE(Page(queue_).isNull());
}

TEST_F(PrintTest, WithoutAnyQueueThePdfFilePrinterWritesNumberedFiles) {
  // taken when the system has no queue at all (the CUPS library keeps the
  // server it first talked to: this test needs a process of its own, as
  // ctest gives every test)
  const std::string server = getenv("CUPS_SERVER");
  setenv("CUPS_SERVER", (pxtest::TestRoot() + "/no-scheduler.sock").c_str(), 1);
  Start("Taskbar=no\nPRINTER=\n");
  SetPicture();
  Print(cmd::kFilePrintDirect);
  TearDown();
  setenv("CUPS_SERVER", server.c_str(), 1);
  // and chosen by name
  Start("Taskbar=no\nPRINTER=PDF file\n");
  SetPicture();
  Print(cmd::kFilePrintDirect);
  QString folder = CPrentixView::PdfFolder();
  EXPECT_TRUE(folder.startsWith(QString::fromStdString(pxtest::TestRoot())));
  for (const char* name : {"/prentix001.pdf", "/prentix002.pdf"}) {
    std::string file = (folder + name).toStdString();
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    EXPECT_EQ(pxtest::ReadFile(file).substr(0, 5), "%PDF-");
  }
  EXPECT_FALSE(NewJobs(queue_));
}

}  // namespace

namespace {

TEST_F(PrintTest, PreviewTakesTheViewsPlaceWithTheBarInTheUsersLanguage) {
  Start("Taskbar=no\nLanguage=7\nPRINTER=\n");
  SetPicture();
  Print(cmd::kFilePrintPreview);
  auto* preview = qobject_cast<PrintPreview*>(Frame().Preview());
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(Frame().centralWidget(), preview);
  std::vector<std::string> captions;
  for (int i = 0; i < 7; ++i) captions.push_back(preview->Button(i)->text().toStdString());
  EXPECT_EQ(captions,
            (std::vector<std::string>{"&Drucken...", "&Nächste", "&Vorherige", "&Zwei Seiten",
                                      "Ver&größern", "Ver&kleinern", "&Schließen"}));
  preview->Button(3)->click();
  EXPECT_EQ(preview->Button(3)->text(), "&Eine Seite");
  // closing the window ends the preview, not the program
  int closed = 0;
  QObject::connect(&Frame(), &CMainFrame::Closed, [&] { ++closed; });
  EXPECT_FALSE(Frame().close());
  EXPECT_EQ(Frame().centralWidget(), Frame().View());
  EXPECT_EQ(closed, 0);
  // the preview's Print button prints with the dialog
  Print(cmd::kFilePrintPreview);
  preview = qobject_cast<PrintPreview*>(Frame().Preview());
  ASSERT_NE(preview, nullptr);
  preview->Button(0)->click();
  EXPECT_TRUE(WaitFor([&] { return dialogs_ == 1; }));
  EXPECT_EQ(Frame().centralWidget(), Frame().View());
  EXPECT_FALSE(Page(queue_).isNull());
}

}  // namespace

namespace {

// 200 x 100 at 4 or 8 bits a pixel, the left half red, the right half blue,
// as a BMP file.
std::string PaletteBmp(int bits) {
  const int w = 200, h = 100, stride = (w * bits / 8 + 3) / 4 * 4, colours = 1 << bits;
  auto le = [](uint32_t v, int n) {
    std::string b;
    for (int i = 0; i < n; ++i) b += static_cast<char>(v >> (8 * i));
    return b;
  };
  std::string palette(colours * 4, '\0');
  palette[1 * 4 + 2] = '\xff';  // 1: red
  palette[2 * 4 + 0] = '\xff';  // 2: blue
  std::string row(stride, '\0');
  for (int x = 0; x < w; ++x) {
    const char v = x < w / 2 ? 1 : 2;
    if (bits == 8)
      row[x] = v;
    else
      row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 ? v : v << 4));
  }
  const uint32_t offset = 14 + 40 + palette.size(), size = offset + stride * h;
  std::string bmp = "BM" + le(size, 4) + le(0, 4) + le(offset, 4) + le(40, 4) + le(w, 4) +
                    le(h, 4) + le(1, 2) + le(bits, 2) + le(0, 4) + le(stride * h, 4) + le(2835, 4) +
                    le(2835, 4) + le(colours, 4) + le(0, 4) + palette;
  for (int y = 0; y < h; ++y) bmp += row;
  return bmp;
}

// The preview draws the page the printer would get: the picture in its own
// colours where it lies, at every depth, turned for landscape.
TEST_F(PrintTest, PreviewShowsThePictureInItsOwnColours) {
  struct Case {
    int bits;
    bool landscape;
  } cases[] = {{24, false}, {8, false}, {4, false}, {24, true}, {4, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + (c.landscape ? " bits, landscape" : " bits"));
    if (&c != cases) TearDown(), SetUp();
    Start(c.landscape ? "Taskbar=no\nLandscape=yes\nPRINTER=\n" : "Taskbar=no\nPRINTER=\n");
    if (c.bits == 24) {
      SetPicture();
    } else {
      const std::string file = pxtest::TestRoot() + "/halves.bmp";
      ASSERT_TRUE(pxtest::WriteFile(file, PaletteBmp(c.bits)));
      ASSERT_TRUE(app_->Doc()->OnOpenDocument(file));
      ASSERT_EQ(CurrentImage()->m_nSrcBitsPerPixel, c.bits);
    }
    Print(cmd::kFilePrintPreview);
    auto* preview = qobject_cast<PrintPreview*>(Frame().Preview());
    ASSERT_NE(preview, nullptr);
    preview->Widget()->updatePreview();
    const QImage shot = preview->Widget()->grab().toImage();
    QRect red, blue;
    int reds = 0, blues = 0;
    for (int y = 0; y < shot.height(); ++y) {
      for (int x = 0; x < shot.width(); ++x) {
        QRgb p = shot.pixel(x, y);
        if (Red(p)) red |= QRect(x, y, 1, 1), ++reds;
        if (Blue(p)) blue |= QRect(x, y, 1, 1), ++blues;
      }
    }
    ASSERT_GT(reds, 100);
    ASSERT_GT(blues, 100);
    // each half a solid rectangle, side by side (the left half below when turned)
    EXPECT_GT(reds, red.width() * red.height() * 9 / 10);
    EXPECT_GT(blues, blue.width() * blue.height() * 9 / 10);
    if (c.landscape) {
      EXPECT_NEAR(red.top(), blue.bottom() + 1, 2);
      EXPECT_NEAR(red.left(), blue.left(), 2);
    } else {
      EXPECT_NEAR(red.right() + 1, blue.left(), 2);
      EXPECT_NEAR(red.top(), blue.top(), 2);
    }
    Frame().EndPreview();
  }
}

// Clipboard text prints with its tabs expanded, 100 columns across the
// space between the margins.
TEST_F(PrintTest, TextKeepsItsTabsAndSpansThePageInHundredColumns) {
  Start("Taskbar=no\nPRINTER=\n");
  std::string digits;
  for (int i = 0; i < 100; ++i) digits += static_cast<char>('0' + i % 10);
  SetCurrentText("x\tMIDDLE\tRIGHT\n" + digits + "\n");
  app_->Doc()->UpdatePictureSize();
  Print(cmd::kFilePrintDirect);
  const std::string pdf = Pdf(queue_);
  ASSERT_FALSE(pdf.empty());
  const std::string html = pxtest::TestRoot() + "/words.html";
  ASSERT_EQ(pxtest::Run({"pdftotext", "-bbox", pdf, html}), 0);
  // <word xMin="..." yMin="..." xMax="..." yMax="...">text</word>
  std::map<std::string, std::pair<double, double>> words;
  const std::string text = pxtest::ReadFile(html);
  for (size_t at = text.find("<word "); at != std::string::npos; at = text.find("<word ", at + 1)) {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    char word[256] = {};
    if (sscanf(text.c_str() + at,
               "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%255[^<]", &x0, &y0, &x1,
               &y1, word) == 5) {
      words[word] = {x0, x1};
    }
  }
  ASSERT_TRUE(words.count("MIDDLE") && words.count("RIGHT") && words.count(digits)) << text;
  const auto [left, right] = words[digits];
  const double column = (right - left) / 100;
  EXPECT_NEAR(words["MIDDLE"].first, left + 8 * column, column / 2);
  EXPECT_NEAR(words["RIGHT"].first, left + 16 * column, column / 2);
  PageContent content{0, 0, true, 2, "", 1, "d", "h", "u"};
  const QRect target = ExpectedTarget(content, 72);
  EXPECT_NEAR(left, target.left(), 2);
  EXPECT_NEAR(right - left, target.width(), target.width() / 50.0);
}

}  // namespace
