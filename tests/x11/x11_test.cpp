// gtest first: Xlib's macros (None, Bool) would break its declarations
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <stdlib.h>

#include "platform/x11/x11.h"

#include <chrono>
#include <thread>

#include "common/testutil.h"

using namespace platform::x11;

namespace {

// A plain window painted in two colours: left half red, right half blue.
class PaintedWindow {
 public:
  PaintedWindow(Connection& c, int x, int y, int w, int h) : d_(c.display()), w_(w), h_(h) {
    XSetWindowAttributes a{};
    a.override_redirect = True;  // placed exactly where asked, even under a window manager
    a.event_mask = ExposureMask | StructureNotifyMask;
    win_ = XCreateWindow(d_, c.Root(), x, y, w, h, 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWEventMask, &a);
    XMapRaised(d_, win_);
    XEvent e;
    do XWindowEvent(d_, win_, ExposureMask, &e);
    while (e.type != Expose);
    GC gc = XCreateGC(d_, win_, 0, nullptr);
    XSetForeground(d_, gc, 0xFF0000);
    XFillRectangle(d_, win_, gc, 0, 0, w / 2, h);
    XSetForeground(d_, gc, 0x0000FF);
    XFillRectangle(d_, win_, gc, w / 2, 0, w - w / 2, h);
    XFreeGC(d_, gc);
    XSync(d_, False);
  }
  ~PaintedWindow() {
    XDestroyWindow(d_, win_);
    XSync(d_, False);
  }
  WindowId id() const { return win_; }

 private:
  Display* d_;
  ::Window win_;
  int w_, h_;
};

bool IsRed(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 255; }
bool IsBlue(const uint8_t* p) { return p[0] == 255 && p[1] == 0 && p[2] == 0; }

std::unique_ptr<Connection> OpenOrFail() {
  auto c = Connection::Open();
  EXPECT_TRUE(c) << "no X display; run under Xvfb (make test does)";
  return c;
}

}  // namespace

TEST(X11, CapturedWindowGivesItsPixelsWithAndWithoutShm) {
  auto c = OpenOrFail();
  ASSERT_TRUE(c);
  PaintedWindow win(*c, 50, 40, 100, 60);
  auto rect = c->WindowRect(win.id());
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->left, 50);
  EXPECT_EQ(rect->top, 40);
  EXPECT_EQ(rect->right, 150);
  EXPECT_EQ(rect->bottom, 100);
  EXPECT_TRUE(c->IsVisible(win.id()));
  for (bool shm : {true, false}) {
    auto px = c->CopyScreenRect(*rect, shm);
    ASSERT_TRUE(px) << "shm " << shm;
    ASSERT_EQ(px->width, 100);
    ASSERT_EQ(px->height, 60);
    int wrong = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 100; ++x) {
        const uint8_t* p = px->Row(y) + x * 3;
        if (!(x < 50 ? IsRed(p) : IsBlue(p))) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << "shm " << shm;
  }
}

TEST(X11, WindowPartlyOffTheLeftEdgeGivesOnlyItsVisiblePart) {
  auto c = OpenOrFail();
  ASSERT_TRUE(c);
  PaintedWindow win(*c, -30, 10, 100, 20);  // red 0..49, blue 50..99 in window coordinates
  auto rect = c->WindowRect(win.id());
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->left, -30);
  auto px = c->CopyScreenRect(*rect);
  ASSERT_TRUE(px);
  EXPECT_EQ(px->width, 70);  // min(HORZRES, 70) - 0
  EXPECT_EQ(px->height, 20);
  // screen x 0 shows window x 30: red up to screen x 19, blue from 20
  EXPECT_TRUE(IsRed(px->Row(5) + 0));
  EXPECT_TRUE(IsRed(px->Row(5) + 19 * 3));
  EXPECT_TRUE(IsBlue(px->Row(5) + 20 * 3));
  EXPECT_TRUE(IsBlue(px->Row(19) + 69 * 3));
}

TEST(X11, ClippingRuleAndRectanglesThatGiveNoBitmap) {
  auto c = OpenOrFail();
  ASSERT_TRUE(c);
  const int W = c->ScreenWidth(), H = c->ScreenHeight();
  EXPECT_FALSE(c->CopyScreenRect({10, 10, 10, 50}));              // empty
  EXPECT_FALSE(c->CopyScreenRect({W + 10, 0, W + 100, 100}));     // wholly right of the screen
  EXPECT_FALSE(c->CopyScreenRect({-3000, -3000, -2000, -2000}));  // parked off-screen
  auto all = c->CopyScreenRect({-5, -5, W + 50, H + 50});
  ASSERT_TRUE(all);
  EXPECT_EQ(all->width, W);
  EXPECT_EQ(all->height, H);
  auto corner = c->CopyScreenRect({W - 10, H - 4, W + 10, H + 10});
  ASSERT_TRUE(corner);
  EXPECT_EQ(corner->width, 10);
  EXPECT_EQ(corner->height, 4);
}

TEST(X11, PostedCommandsArriveAndGoneWindowsFailCleanly) {
  auto c = OpenOrFail();
  ASSERT_TRUE(c);
  auto rx_conn = Connection::Open();
  ASSERT_TRUE(rx_conn);
  auto rx = CommandReceiver::Create(*rx_conn);
  ASSERT_TRUE(rx);
  EXPECT_TRUE(c->PostCommand(rx->Window(), 32782));
  EXPECT_TRUE(c->PostCommand(rx->Window(), 32781));
  EXPECT_EQ(rx->Wait(2000), 32782);
  EXPECT_EQ(rx->Wait(2000), 32781);
  EXPECT_EQ(rx->Wait(50), std::nullopt);

  WindowId gone = rx->Window();
  rx.reset();
  EXPECT_FALSE(c->PostCommand(gone, 32771));
  EXPECT_FALSE(c->PostCommand(0, 32771));
  EXPECT_FALSE(c->IsVisible(gone));
  EXPECT_FALSE(c->WindowRect(gone));
  EXPECT_FALSE(c->Raise(gone));
  // the connection is still good afterwards
  EXPECT_GT(c->ScreenWidth(), 0);
}

TEST(X11, NoDisplayMeansNoConnection) {
  const char* old = getenv("DISPLAY");
  std::string saved = old ? old : "";
  unsetenv("DISPLAY");
  EXPECT_EQ(Connection::Open(), nullptr);
  EXPECT_EQ(Connection::Open(":97"), nullptr);  // no server there
  if (old) setenv("DISPLAY", saved.c_str(), 1);
}

TEST(X11, ActiveWindowVisibilityAndKeyState) {
  auto c = OpenOrFail();
  ASSERT_TRUE(c);
  PaintedWindow win(*c, 200, 200, 40, 40);
  ASSERT_TRUE(c->Activate(win.id()));
  EXPECT_EQ(c->ActiveWindow(), win.id());

  EXPECT_FALSE(c->QueryKeyState().shift);
  ASSERT_EQ(pxtest::Run({"xdotool", "keydown", "shift"}), 0);
  EXPECT_TRUE(c->QueryKeyState().shift);
  EXPECT_TRUE(c->IsKeyDown(16));
  EXPECT_FALSE(c->QueryKeyState().alt);
  ASSERT_EQ(pxtest::Run({"xdotool", "keyup", "shift", "keydown", "alt"}), 0);
  EXPECT_FALSE(c->QueryKeyState().shift);
  EXPECT_TRUE(c->QueryKeyState().alt);
  ASSERT_EQ(pxtest::Run({"xdotool", "keyup", "alt"}), 0);
  EXPECT_FALSE(c->QueryKeyState().alt);
}

TEST(X11, VirtualKeyTable) {
  EXPECT_EQ(KeySymFromVirtualKey(44), static_cast<unsigned long>(XK_Print));
  EXPECT_EQ(KeySymFromVirtualKey(122), static_cast<unsigned long>(XK_F11));
  EXPECT_EQ(KeySymFromVirtualKey(123), static_cast<unsigned long>(XK_F12));
  EXPECT_EQ(KeySymFromVirtualKey(65), static_cast<unsigned long>(XK_a));
  EXPECT_EQ(KeySymFromVirtualKey(90), static_cast<unsigned long>(XK_z));
  EXPECT_EQ(KeySymFromVirtualKey(0), 0u);
  EXPECT_EQ(KeySymFromVirtualKey(255), 0u);
  // every mapped code comes back, and upper-case syms give the letter too
  for (int vk = 1; vk < 256; ++vk)
    if (unsigned long sym = KeySymFromVirtualKey(vk)) {
      EXPECT_EQ(VirtualKeyFromKeySym(sym), vk) << vk;
    }
  EXPECT_EQ(VirtualKeyFromKeySym(XK_A), 65);
  EXPECT_EQ(VirtualKeyFromKeySym(XK_Sys_Req), 44);
  EXPECT_EQ(VirtualKeyFromKeySym(XK_Shift_R), 16);
}
