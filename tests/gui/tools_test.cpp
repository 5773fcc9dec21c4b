#include <QAction>
#include <QComboBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>

#include "gui/guitest.h"
#include "prentix/app/commands.h"
#include "prentix/frame/pointers.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/toolbars/toolbarmanager.h"

namespace {

using namespace prentix;
using guitest::GuiTest;

class ToolsTest : public GuiTest {
 protected:
  // A picture of w x h in one colour (24 bits).
  void SetPicture(int w, int h, BYTE grey = 255) {
    DeviceBitmap bm;
    bm.width = w, bm.height = h, bm.bitsPerPixel = 24, bm.stride = static_cast<size_t>(w) * 3;
    bm.bits.assign(bm.stride * h, grey);
    for (int i = 0; i < w * h; ++i) bm.bits[i * 3] = static_cast<BYTE>(i * 7);  // not uniform
    auto image = std::make_unique<SECDib>();
    ASSERT_TRUE(image->CreateFromBitmap(bm));
    SetCurrentImage(std::move(image));
    app_->Doc()->UpdatePictureSize();
    View()->PictureChanged();
  }
  CPrentixView* View() { return Frame().View(); }
  void Command(int id) { app_->Router().Route(id, CommandSource::kMenu); }
  void Click(QPoint at) { QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, at); }
  QRgb PicturePixel(int x, int y) {
    const SECDib* image = CurrentImage();
    const BYTE* p = image->Row(image->m_dwHeight - 1 - y) + 3 * x;
    return qRgb(p[2], p[1], p[0]);
  }
};

TEST_F(ToolsTest, ZoomBoxZoomInByClickAndZoomOut) {
  Start("Taskbar=no\n");
  SetPicture(40, 30);
  View()->resize(400, 300);
  QComboBox* box = Frame().Bars()->ZoomBox();
  ASSERT_EQ(box->count(), 31);
  EXPECT_EQ(box->currentText(), "1:1");
  box->setCurrentIndex(30);
  emit box->activated(30);
  EXPECT_EQ(View()->Zoom(), 16);
  Command(cmd::kZoomIn);
  EXPECT_EQ(View()->Mode(), 2);
  Click({100, 100});
  EXPECT_EQ(View()->Zoom(), 17);
  EXPECT_EQ(box->currentIndex(), -1);  // no entry for 17
  Command(cmd::kZoomIn);
  EXPECT_EQ(View()->Mode(), 0);  // refused
  EXPECT_EQ(View()->horizontalScrollBar()->value() % 17, 0);

  box->setCurrentIndex(16);
  emit box->activated(16);
  EXPECT_EQ(View()->Zoom(), 2);
  Command(cmd::kZoomOut);
  EXPECT_EQ(View()->Zoom(), 1);
  EXPECT_EQ(box->currentText(), "1:1");
  Command(cmd::kZoomOut);
  EXPECT_EQ(View()->Zoom(), -2);
  EXPECT_EQ(box->currentText(), "1:2");
  Command(cmd::kZoomOneToOne);
  EXPECT_EQ(View()->Zoom(), 0);
  EXPECT_EQ(box->currentText(), "1:1");
}

TEST_F(ToolsTest, StampedPointersHotSpotLandsOnTheClickedPixelAtAnyZoom) {
  Start("Taskbar=no\n");
  View()->resize(400, 300);
  QPoint hot;
  const QImage arrow = PointerImage(cmd::kCursorFirst, &hot);
  ASSERT_FALSE(arrow.isNull());
  const QRgb tip = arrow.pixel(hot);
  ASSERT_EQ(qAlpha(tip), 255);
  const QPoint target(10, 8);  // picture pixel
  struct Case {
    int zoom;
    QPoint click;
  } cases[] = {{1, {10, 8}}, {4, {41, 34}}, {-2, {5, 4}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zoom);
    SetPicture(64, 48, 40);
    View()->SetZoom(c.zoom);
    const QRgb before = PicturePixel(target.x(), target.y());
    Command(cmd::kInsertCursor);  // no pointer chosen yet: the arrow
    EXPECT_EQ(View()->Mode(), 1);
    Click(c.click);
    EXPECT_EQ(View()->Mode(), 0);
    EXPECT_EQ(PicturePixel(target.x(), target.y()), qRgb(qRed(tip), qGreen(tip), qBlue(tip)));
    EXPECT_NE(PicturePixel(target.x(), target.y()), before);
    EXPECT_EQ(CurrentImage()->m_dwWidth, 64u);
  }
  // resting at the right edge while a pointer waits to be stamped scrolls
  SetPicture(2000, 48);
  View()->SetZoom(0);
  Command(cmd::kInsertCursor);
  QApplication::processEvents();  // the window's layout has the last word on the size
  QMouseEvent edge(QEvent::MouseMove, QPointF(View()->viewport()->width() - 2, 20),
                   QPointF(View()->viewport()->width() - 2, 20), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(View()->viewport(), &edge);
  EXPECT_TRUE(WaitFor([&] { return View()->horizontalScrollBar()->value() > 0; }, 500));
  Click({20, 20});

  // a chosen pointer is remembered and checked in the menu
  Command(cmd::kCursorFirst + 4);
  Frame().UpdateCommandUi();
  EXPECT_TRUE(Frame().ActionFor(cmd::kCursorFirst + 4)->isChecked());
  EXPECT_FALSE(Frame().ActionFor(cmd::kCursorFirst)->isChecked());
}

TEST_F(ToolsTest, CutAtZoomFourTakesTheDraggedSizeOverFour) {
  Start("Taskbar=no\n");
  View()->resize(400, 300);
  SetPicture(64, 48);
  View()->SetZoom(4);
  Command(cmd::kCut);
  EXPECT_EQ(View()->Mode(), 3);
  QTest::mousePress(View()->viewport(), Qt::LeftButton, {}, {8, 12});
  QMouseEvent move(QEvent::MouseMove, QPointF(88, 52), QPointF(88, 52), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(View()->viewport(), &move);
  EXPECT_EQ(Frame().statusBar()->currentMessage(), "(20 * 10)");
  QTest::mouseRelease(View()->viewport(), Qt::LeftButton, {}, {88, 52});
  ASSERT_NE(CurrentImage(), nullptr);
  EXPECT_EQ(CurrentImage()->m_dwWidth, 20u);
  EXPECT_EQ(CurrentImage()->m_dwHeight, 10u);
  EXPECT_EQ(app_->Doc()->m_sizeDoc, QSize(20, 10));
}

TEST_F(ToolsTest, FourQuarterTurnsGiveTheLargePictureBackByteForByte) {
  Start("Taskbar=no\n");
  SetPicture(4000, 3000);
  const SECDib* image = CurrentImage();
  const std::vector<BYTE> before(image->m_pBits.data(),
                                 image->m_pBits.data() + image->RowStride() * 3000);
  Command(cmd::kRotateRight);
  EXPECT_EQ(app_->Doc()->m_sizeDoc, QSize(3000, 4000));
  for (int i = 0; i < 3; ++i) Command(cmd::kRotateRight);
  image = CurrentImage();
  ASSERT_EQ(image->m_dwWidth, 4000u);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), image->m_pBits.data()));
  Command(cmd::kFlipVertical);
  Command(cmd::kFlipHorizontal);
  Command(cmd::kRotateLeft);
  Command(cmd::kRotateLeft);
  // a flip both ways is a half turn
  EXPECT_TRUE(std::equal(before.begin(), before.end(), CurrentImage()->m_pBits.data()));
}

}  // namespace
