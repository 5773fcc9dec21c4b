#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <filesystem>

#include "gui/guitest.h"
#include "prentix/app/commands.h"
#include "prentix/capture/screensource.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"

namespace {

using namespace prentix;
using guitest::GuiTest;
using guitest::Routed;

// A screen of 40 x 30 pixels whose colour tells where it is, one window on
// it, and modifier keys the test holds.
class TestSource : public ScreenSource {
 public:
  int Width() override { return 40; }
  int Height() override { return 30; }
  std::optional<DeviceBitmap> Copy(const ScreenRect& r) override {
    copies++;
    int left = std::max(0, r.left), top = std::max(0, r.top);
    int w = std::min(Width(), r.right) - left, h = std::min(Height(), r.bottom) - top;
    if (w <= 0 || h <= 0) return std::nullopt;
    DeviceBitmap bm;
    bm.width = w, bm.height = h, bm.bitsPerPixel = 24, bm.stride = static_cast<size_t>(w) * 3;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        bm.bits.insert(bm.bits.end(), {static_cast<BYTE>(200), static_cast<BYTE>(left + x),
                                       static_cast<BYTE>(top + y)});
      }
    }
    return bm;
  }
  ScreenWindow Foreground() override { return foreground; }
  bool IsDesktop(ScreenWindow w) override { return w == 1; }
  bool IsVisible(ScreenWindow w) override { return w != 3; }
  std::optional<ScreenRect> WindowRect(ScreenWindow) override { return window; }
  void Raise(ScreenWindow w) override { raised.push_back(w); }
  void Activate(ScreenWindow w) override { activated.push_back(w); }
  ModifierKeys Keys() override { return keys; }

  ScreenWindow foreground = 7;
  ScreenRect window{-5, 4, 15, 14};  // partly off the left edge
  ModifierKeys keys;
  int copies = 0;
  std::vector<ScreenWindow> raised, activated;
};

class CaptureTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    auto s = std::make_unique<TestSource>();
    source_ = s.get();
    SetScreenSource(std::move(s));
    // automatic names land in the current directory
    chdir(pxtest::TestRoot().c_str());
  }
  void TearDown() override {
    GuiTest::TearDown();
    SetScreenSource(nullptr);
    QGuiApplication::clipboard()->clear();
  }
  // Starts with the file dialog and the messages answered by the test.
  void StartCapturing(const std::string& ini) {
    Start(("Taskbar=no\n" + ini).c_str());
    app_->Doc()->promptFileName = [this](bool open, const QString&, const std::string& name) {
      prompts_.push_back((open ? "open " : "save ") + name);
      return answer_;
    };
    app_->Doc()->message = [this](const QString& text) { messages_.push_back(text.toStdString()); };
  }
  void Hook(int id) {
    Frame().PostCommand(id, CommandSource::kHook);
    QApplication::processEvents();
  }
  int Count(int id) const {
    return static_cast<int>(std::count_if(routed_.begin(), routed_.end(), [id](const Routed& r) {
      return std::get<0>(r) == id && std::get<1>(r) == CommandSource::kProgram;
    }));
  }
  // Blue, green, red of the picture's pixel (x, y from the top).
  std::array<int, 3> Pixel(int x, int y) const {
    const SECDib* image = CurrentImage();
    const BYTE* row = image->Row(image->m_dwHeight - 1 - y) + 3 * x;
    return {row[0], row[1], row[2]};
  }

  TestSource* source_ = nullptr;
  std::vector<std::string> prompts_, messages_;
  std::string answer_;
};

TEST_F(CaptureTest, OutputStepSavesPrintsOrOnlyShows) {
  struct Case {
    const char* ini;
    int command;  // 32782 screen key, 32781 window key, 32771 Print Screen
    bool shift;
    int saves, prints;
    const char* file;    // written, relative to the test folder
    const char* prompt;  // the Save As dialog's starting name
  } cases[] = {
      {"", 32782, false, 0, 1, nullptr, nullptr},
      {"NoPrinter=1\n", 32782, false, 0, 0, nullptr, nullptr},
      {"NoPrinter=1\n", 32781, true, 0, 0, nullptr, nullptr},
      {"UseSaveAsNameFormat=1\n", 32781, false, 1, 0, "auto001.pxi", nullptr},
      {"UseSaveAsNameFormat=1\nSaveAsNameFormat=shot\nGif=1\n", 32771, false, 1, 0, "shot001.gif",
       nullptr},
      {"SaveAsKeySa=1\n", 32771, true, 1, 0, "auto001.pxi", nullptr},
      {"SaveAsKeySa=1\n", 32771, false, 0, 1, nullptr, nullptr},
      {"SaveAsKeySa=1\n", 32782, true, 0, 1, nullptr, nullptr},  // only Print Screen
      {"SaveAsKeySu=1\n", 32771, true, 1, 0, "chosen.pxi", "save Prentix.pxi"},
      {"SaveAsKeySu=2\nNoPrinter=1\n", 32771, true, 0, 0, nullptr, nullptr},
      {"SaveAs=1\n", 32782, false, 1, 0, "chosen.pxi", "save Prentix.pxi"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ini) + std::to_string(c.command));
    StartCapturing(c.ini);
    answer_ = pxtest::TestRoot() + "/chosen.pxi";
    source_->keys.shift = c.shift;
    Hook(c.command);
    EXPECT_NE(CurrentImage(), nullptr);
    EXPECT_EQ(Count(cmd::kSaveInternal), c.saves);
    EXPECT_EQ(Count(cmd::kFilePrintDirect), c.prints);
    if (c.file) {
      std::string path = pxtest::TestRoot() + "/" + c.file;
      EXPECT_TRUE(std::filesystem::exists(path));
      EXPECT_EQ(app_->Doc()->PathName(), path);
      std::filesystem::remove(path);
    }
    EXPECT_EQ(prompts_.size(), c.prompt ? 1u : 0u);
    if (c.prompt && !prompts_.empty()) {
      EXPECT_EQ(prompts_[0], c.prompt);
    }
    // only automatic names are reported
    bool automatic = c.file && !c.prompt;
    ASSERT_EQ(messages_.size(), automatic ? 1u : 0u);
    if (automatic) {
      EXPECT_EQ(messages_[0],
                "The file was saved under the following name:\n" + std::string(c.file));
    }
    EXPECT_FALSE(Flags().captureSaveRequest);
    prompts_.clear(), messages_.clear(), routed_.clear();
    TearDown();
    SetUp();
  }
}

// An automatic save that cannot be written names the folder and why, and
// the capture is kept where it can be found.
TEST_F(CaptureTest, AFailedAutomaticSaveIsToldAndTheCaptureKept) {
  const std::string root = pxtest::TestRoot(), run = root + "/run", ro = root + "/ro";
  ASSERT_EQ(mkdir(run.c_str(), 0700), 0);
  ASSERT_EQ(mkdir(ro.c_str(), 0755), 0);
  setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  // root writes anywhere, but not into an immutable folder
  const std::vector<std::string> lock = geteuid() == 0
                                            ? std::vector<std::string>{"chattr", "+i", ro}
                                            : std::vector<std::string>{"chmod", "555", ro};
  ASSERT_EQ(pxtest::Run(lock), 0);
  struct Case {
    std::string ini, cwd;
    bool pictures;  // the user has a pictures folder
    std::string failed, kept;
  } cases[] = {
      {"SaveAsNameFormat=" + root + "/missing/shot\n", root, true,
       "The picture could not be saved in " + root + "/missing: No such file or directory",
       root + "/home/Pictures/Prentix/shot001.pxi"},
      {"", ro, false, "The picture could not be saved in " + ro + ": ", run + "/auto001.pxi"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini + c.cwd);
    if (c.pictures) std::filesystem::create_directories(root + "/home/Pictures");
    StartCapturing("UseSaveAsNameFormat=1\n" + c.ini);
    std::vector<std::string> notices;
    Frame().notify = [&](const QString& text) { notices.push_back(text.toStdString()); };
    ASSERT_EQ(chdir(c.cwd.c_str()), 0);
    Hook(cmd::kPrintScreen);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].rfind(c.failed, 0), 0u) << notices[0];
    EXPECT_NE(notices[0].find("\nThe picture was kept as " + c.kept + "."), std::string::npos)
        << notices[0];
    SECDib kept;
    ASSERT_TRUE(kept.LoadImage(c.kept.c_str()));
    EXPECT_EQ(kept.m_dwWidth, CurrentImage()->m_dwWidth);
    EXPECT_TRUE(messages_.empty());  // no success reported
    EXPECT_FALSE(std::filesystem::exists(root + "/missing"));
    std::filesystem::remove_all(root + "/home/Pictures");
    TearDown();
    SetUp();
  }
  pxtest::Run({geteuid() == 0 ? "chattr" : "chmod", geteuid() == 0 ? "-i" : "755", ro});
}

TEST_F(CaptureTest, ScreenAndPasteAreAdjustedTheWindowKeepsItsColours) {
  StartCapturing("NoPrinter=1\nGreyScale=yes\nMonoChange=1\n");  // inverted grey
  // a picture opened from a file, then a capture: the file is not the capture's
  const std::string file = pxtest::TestRoot() + "/opened.pxi";
  Hook(cmd::kPrintScreen);
  ASSERT_TRUE(SaveImageDocument(*CurrentImage(), file));
  ASSERT_TRUE(app_->Doc()->OnOpenDocument(file));
  Hook(cmd::kPrintScreen);
  EXPECT_EQ(app_->Doc()->PathName(), "");
  EXPECT_EQ(Frame().windowTitle().toStdString(), "Prentix");
  ASSERT_NE(CurrentImage(), nullptr);
  EXPECT_EQ(CurrentImage()->m_dwWidth, 40u);
  EXPECT_EQ(Pixel(3, 2), (std::array<int, 3>{55, 55, 55}));
  // the window: raised first, clipped at the left edge, colours as they are
  source_->foreground = 7;
  Hook(cmd::kPrintWindow);
  EXPECT_EQ(source_->raised, std::vector<ScreenWindow>{7});
  EXPECT_EQ(CurrentImage()->m_dwWidth, 15u);
  EXPECT_EQ(CurrentImage()->m_dwHeight, 10u);
  EXPECT_EQ(Pixel(0, 0), (std::array<int, 3>{200, 0, 4}));
  // Print Screen: the screen goes to the clipboard first, then is pasted and adjusted
  Hook(cmd::kPasteAndPrint);
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());
  EXPECT_EQ(CurrentImage()->m_dwWidth, 40u);
  EXPECT_EQ(Pixel(39, 29), (std::array<int, 3>{55, 55, 55}));
  // the foreground went back to where it was each time
  EXPECT_EQ(source_->activated, (std::vector<ScreenWindow>{7, 7, 7, 7}));

  // window cases that capture nothing: logged, no output step
  routed_.clear();
  const int copies = source_->copies;
  source_->foreground = 0;
  Hook(cmd::kPrintWindow);
  source_->foreground = 3;  // not visible
  Hook(cmd::kPrintWindow);
  EXPECT_EQ(source_->copies, copies);
  source_->foreground = 1;  // the desktop: the whole screen
  Hook(cmd::kPrintWindow);
  EXPECT_EQ(CurrentImage()->m_dwWidth, 40u);
  std::string log = pxtest::ReadFile(LogPath());
  for (const char* line : {"OnPrintWindow() Cannot capture that window!\n",
                           "OnPrintWindow() Window is not visible.  Can't capture!\n",
                           "OnPrintWindow() hWndSelect == hWndDesktop\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

TEST_F(CaptureTest, ClipboardTextIsPastedCutAndPasteAndPrintDropped) {
  StartCapturing("");
  // 65,518 ASCII bytes, then a two-byte character across the limit
  std::string text(65518, 'a');
  text += "\xC3\xA4 and more";
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  Frame().UpdateCommandUi();
  EXPECT_TRUE(Frame().ActionFor(cmd::kEditPaste)->isEnabled());
  EXPECT_FALSE(Frame().ActionFor(cmd::kPasteAndPrint)->isEnabled());
  Frame().PostCommand(cmd::kPasteAndPrint, CommandSource::kMenu);
  QApplication::processEvents();
  EXPECT_TRUE(WasRouted(cmd::kPasteAndPrint, CommandSource::kMenu, RouteResult::kDisabled));
  Frame().ActionFor(cmd::kEditPaste)->trigger();
  ASSERT_NE(CurrentText(), nullptr);
  EXPECT_EQ(*CurrentText(), std::string(65518, 'a'));
  // Copy puts the picture back as a picture
  Hook(cmd::kPrintScreen);
  Frame().ActionFor(cmd::kEditCopy)->trigger();
  QImage copied = QGuiApplication::clipboard()->image();
  EXPECT_EQ(copied.size(), QSize(40, 30));
  EXPECT_EQ(copied.pixel(3, 2), qRgb(2, 3, 200));
}

TEST_F(CaptureTest, AScreenKeyDuringItsOwnCaptureIsIgnored) {
  StartCapturing("");
  // both arrive before the first is handled; the second runs while the
  // first dispatches waiting messages and finds it busy
  Frame().PostCommand(cmd::kPrintScreen, CommandSource::kHook);
  Frame().PostCommand(cmd::kPrintScreen, CommandSource::kHook);
  WaitFor([&] { return routed_.size() >= 3; }, 500);
  EXPECT_EQ(source_->copies, 1);
  EXPECT_EQ(Count(cmd::kFilePrintDirect), 1);
  std::string log = pxtest::ReadFile(LogPath());
  size_t first = log.find("OnPrintScreen()");
  EXPECT_NE(log.find("OnPrintScreen()", first + 1), std::string::npos);
  // afterwards the key works again
  Hook(cmd::kPrintScreen);
  EXPECT_EQ(source_->copies, 2);
}

}  // namespace

namespace {

using namespace prentix;

// The view shows the picture upright at every zoom, straight from its
// bottom-up rows, and a large picture shrunk does not hold the window up.
TEST_F(GuiTest, ViewDrawsThePictureUprightAtItsZoom) {
  Start("Taskbar=no\n");
  // 8 x 4 pixels in 2 x 2 blocks: colour = (block x * 60, block y * 100, 200)
  DeviceBitmap bm;
  bm.width = 8, bm.height = 4, bm.bitsPerPixel = 24, bm.stride = 24;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      bm.bits.insert(bm.bits.end(), {static_cast<BYTE>(200), static_cast<BYTE>(y / 2 * 100),
                                     static_cast<BYTE>(x / 2 * 60)});
    }
  }
  auto image = std::make_unique<SECDib>();
  ASSERT_TRUE(image->CreateFromBitmap(bm));
  SetCurrentImage(std::move(image));
  app_->Doc()->UpdatePictureSize();
  CPrentixView* view = Frame().View();
  view->resize(300, 200);
  view->PictureChanged();
  auto colour = [](int bx, int by) { return QColor(bx * 60, by * 100, 200); };
  struct Case {
    int zoom;
    int scale2;  // screen pixels per picture pixel, times 2
  } cases[] = {{0, 2}, {1, 2}, {4, 8}, {-2, 1}, {8, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zoom);
    view->SetZoom(c.zoom);
    QImage shot = view->viewport()->grab().toImage();
    for (int by = 0; by < 2; ++by) {
      for (int bx = 0; bx < 4; ++bx) {
        // the middle of each block on the screen
        int x = (bx * 2 + 1) * c.scale2 / 2, y = (by * 2 + 1) * c.scale2 / 2;
        EXPECT_EQ(QColor(shot.pixel(x, y)), colour(bx, by)) << bx << "," << by;
      }
    }
  }
  // the grid from zoom 8: a dotted line on each picture pixel's left edge
  view->SetGrid(true);
  QImage grid = view->viewport()->grab().toImage();
  int dark = 0;
  for (int y = 0; y < 32; ++y) dark += QColor(grid.pixel(8, y)) == QColor(Qt::black);
  EXPECT_GT(dark, 4);
  view->SetZoom(4);
  // a picture pixel edge at zoom 4 has no line
  EXPECT_EQ(QColor(view->viewport()->grab().toImage().pixel(4, 1)), colour(0, 0));
  view->SetGrid(false);

  // 4000 x 3000 at zoom -2
  DeviceBitmap big;
  big.width = 4000, big.height = 3000, big.bitsPerPixel = 24, big.stride = 12000;
  big.bits.assign(big.stride * 3000, 0x55);
  image = std::make_unique<SECDib>();
  ASSERT_TRUE(image->CreateFromBitmap(big));
  SetCurrentImage(std::move(image));
  app_->Doc()->UpdatePictureSize();
  view->SetZoom(-2);
  view->resize(1200, 800);
  view->PictureChanged();
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < 5; ++i) view->viewport()->repaint();
  EXPECT_LT(t.elapsed(), 1000) << "five paints";
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 2000 - view->viewport()->width());
}

}  // namespace
