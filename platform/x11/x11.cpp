#include "platform/x11/x11.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

namespace platform::x11 {

namespace {

// Xlib reports errors asynchronously through one process-wide handler; the
// default one ends the process. Ours notes the error for the thread that
// asked (XSync runs the handler on the calling thread).
thread_local int t_lastError = 0;

// This code is in a process twice when the program links it and the hook
// library carries its own hidden copy: each copy takes the errors of the
// displays it opened and hands the others to the handler it replaced.
std::mutex g_displaysMutex;
XErrorHandler g_otherHandler = nullptr;

// Never destroyed: connections held by static objects close after the
// other statics of their module are gone.
std::vector<Display*>& OwnDisplays() {
  static auto& displays = *new std::vector<Display*>;
  return displays;
}

int NoteError(Display* d, XErrorEvent* e) {
  bool ours;
  {
    std::lock_guard<std::mutex> lock(g_displaysMutex);
    auto& own = OwnDisplays();
    ours = std::find(own.begin(), own.end(), d) != own.end();
  }
  if (ours || !g_otherHandler) {
    t_lastError = e->error_code;
    return 0;
  }
  return g_otherHandler(d, e);
}

void InitXlibOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();  // the hook listener talks to its own connection from another thread
    // Xlib's default handler ends the process: never hand anything to it
    XErrorHandler before = XSetErrorHandler(nullptr);
    XErrorHandler byDefault = XSetErrorHandler(NoteError);
    g_otherHandler = before == byDefault ? nullptr : before;
  });
}

int ShiftOf(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

// Channel value scaled to 8 bits.
uint8_t Channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  unsigned long v = (pixel & mask) >> ShiftOf(mask);
  unsigned long max = mask >> ShiftOf(mask);
  return static_cast<uint8_t>(max == 255 ? v : v * 255 / max);
}

void ToBgr(XImage* img, ScreenPixels& out) {
  const int w = out.width, h = out.height;
  out.bgr.resize(static_cast<size_t>(w) * h * 3);
  const bool fast32 = img->bits_per_pixel == 32 && img->byte_order == LSBFirst &&
                      img->red_mask == 0xFF0000 && img->green_mask == 0xFF00 &&
                      img->blue_mask == 0xFF;
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = out.bgr.data() + static_cast<size_t>(y) * w * 3;
    if (fast32) {
      // the common case: bytes 0, 1, 2 of each pixel are already B, G, R
      const uint8_t* src =
          reinterpret_cast<uint8_t*>(img->data) + static_cast<size_t>(y) * img->bytes_per_line;
      for (int x = 0; x < w; ++x, src += 4, dst += 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
      }
    } else {
      for (int x = 0; x < w; ++x, dst += 3) {
        unsigned long p = XGetPixel(img, x, y);
        dst[0] = Channel(p, img->blue_mask);
        dst[1] = Channel(p, img->green_mask);
        dst[2] = Channel(p, img->red_mask);
      }
    }
  }
}

struct VkSym {
  int vk;
  unsigned long sym;
};

constexpr VkSym kKeyTable[] = {
    {8, XK_BackSpace},     {9, XK_Tab},        {13, XK_Return},       {16, XK_Shift_L},
    {17, XK_Control_L},    {18, XK_Alt_L},     {19, XK_Pause},        {20, XK_Caps_Lock},
    {27, XK_Escape},       {32, XK_space},     {33, XK_Prior},        {34, XK_Next},
    {35, XK_End},          {36, XK_Home},      {37, XK_Left},         {38, XK_Up},
    {39, XK_Right},        {40, XK_Down},      {44, XK_Print},        {45, XK_Insert},
    {46, XK_Delete},       {91, XK_Super_L},   {92, XK_Super_R},      {93, XK_Menu},
    {106, XK_KP_Multiply}, {107, XK_KP_Add},   {109, XK_KP_Subtract}, {110, XK_KP_Decimal},
    {111, XK_KP_Divide},   {144, XK_Num_Lock}, {145, XK_Scroll_Lock},
};

}  // namespace

unsigned long KeySymFromVirtualKey(int vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
  if (vk >= 96 && vk <= 105) return XK_KP_0 + (vk - 96);
  if (vk >= 112 && vk <= 135) return XK_F1 + (vk - 112);
  for (const auto& e : kKeyTable)
    if (e.vk == vk) return e.sym;
  return 0;
}

std::string KeySymName(unsigned long sym) {
  const char* name = sym ? XKeysymToString(sym) : nullptr;
  return name ? name : "";
}

int VirtualKeyFromKeySym(unsigned long sym) {
  if (sym >= XK_a && sym <= XK_z) return 'A' + static_cast<int>(sym - XK_a);
  if (sym >= XK_A && sym <= XK_Z) return 'A' + static_cast<int>(sym - XK_A);
  if (sym >= XK_0 && sym <= XK_9) return '0' + static_cast<int>(sym - XK_0);
  if (sym >= XK_KP_0 && sym <= XK_KP_9) return 96 + static_cast<int>(sym - XK_KP_0);
  if (sym >= XK_F1 && sym <= XK_F24) return 112 + static_cast<int>(sym - XK_F1);
  switch (sym) {  // right-hand twins and the system-request form of Print
    case XK_Shift_R:
      return 16;
    case XK_Control_R:
      return 17;
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
      return 18;
    case XK_Sys_Req:
      return 44;
  }
  for (const auto& e : kKeyTable)
    if (e.sym == sym) return e.vk;
  return 0;
}

std::unique_ptr<Connection> Connection::Open(const char* name) {
  InitXlibOnce();
  const char* env = name ? name : getenv("DISPLAY");
  if (!env || !*env) return nullptr;
  Display* d = XOpenDisplay(name);
  if (!d) return nullptr;
  return std::unique_ptr<Connection>(new Connection(d));
}

Connection::Connection(Display* d) : display_(d) {
  {
    std::lock_guard<std::mutex> lock(g_displaysMutex);
    OwnDisplays().push_back(d);
  }
  int major, minor;
  Bool pixmaps;
  shm_ = XShmQueryVersion(d, &major, &minor, &pixmaps) == True;
}

Connection::~Connection() {
  ReleaseShm();
  XCloseDisplay(display_);
  std::lock_guard<std::mutex> lock(g_displaysMutex);
  auto& own = OwnDisplays();
  own.erase(std::find(own.begin(), own.end(), display_));
}

bool Connection::Synced() {
  XSync(display_, False);
  bool ok = t_lastError == 0;
  t_lastError = 0;
  return ok;
}

WindowId Connection::Root() const { return DefaultRootWindow(display_); }
int Connection::ScreenWidth() const { return DisplayWidth(display_, DefaultScreen(display_)); }
int Connection::ScreenHeight() const { return DisplayHeight(display_, DefaultScreen(display_)); }

std::optional<ScreenPixels> Connection::CopyScreenRect(const Rect& r, bool useShm) {
  if (r.Empty()) return std::nullopt;
  const int left = std::max(r.left, 0), top = std::max(r.top, 0);
  const int width = std::min(ScreenWidth(), r.right) - left;
  const int height = std::min(ScreenHeight(), r.bottom) - top;
  if (width <= 0 || height <= 0) return std::nullopt;

  Synced();  // forget errors of earlier requests
  ScreenPixels out;
  out.width = width;
  out.height = height;
  if (useShm && shm_) {
    if (CopyWithShm(left, top, out)) return out;
    shm_ = false;  // a remote server, say: plain copies from now on
  }
  XImage* img = XGetImage(display_, Root(), left, top, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!img) {
    Synced();
    return std::nullopt;
  }
  ToBgr(img, out);
  XDestroyImage(img);
  return out;
}

// One shared segment per connection, kept and grown as needed: a fresh
// segment costs more in page faults than the copy itself.
struct Connection::ShmSegment {
  XShmSegmentInfo info{};
  size_t size = 0;
};

bool Connection::CopyWithShm(int left, int top, ScreenPixels& out) {
  const int screen = DefaultScreen(display_);
  XShmSegmentInfo probe{};
  XImage* img = XShmCreateImage(
      display_, DefaultVisual(display_, screen), DefaultDepth(display_, screen), ZPixmap, nullptr,
      &probe, static_cast<unsigned>(out.width), static_cast<unsigned>(out.height));
  if (!img) return false;
  const size_t need = static_cast<size_t>(img->bytes_per_line) * out.height;
  if (!shmSeg_ || shmSeg_->size < need) {
    ReleaseShm();
    auto seg = std::make_unique<ShmSegment>();
    seg->info.shmid = shmget(IPC_PRIVATE, need, IPC_CREAT | 0600);
    if (seg->info.shmid < 0) {
      XDestroyImage(img);
      return false;
    }
    seg->info.shmaddr = static_cast<char*>(shmat(seg->info.shmid, nullptr, 0));
    shmctl(seg->info.shmid, IPC_RMID, nullptr);  // freed once both sides detach
    if (seg->info.shmaddr == reinterpret_cast<char*>(-1)) {
      XDestroyImage(img);
      return false;
    }
    seg->info.readOnly = False;
    seg->size = need;
    if (!XShmAttach(display_, &seg->info) || !Synced()) {
      shmdt(seg->info.shmaddr);
      XDestroyImage(img);
      return false;
    }
    shmSeg_ = std::move(seg);
  }
  img->data = shmSeg_->info.shmaddr;
  img->obdata = reinterpret_cast<char*>(&shmSeg_->info);
  bool ok = XShmGetImage(display_, Root(), img, left, top, AllPlanes) && Synced();
  if (ok) ToBgr(img, out);
  img->data = nullptr;
  XDestroyImage(img);
  return ok;
}

void Connection::ReleaseShm() {
  if (!shmSeg_) return;
  XShmDetach(display_, &shmSeg_->info);
  Synced();
  shmdt(shmSeg_->info.shmaddr);
  shmSeg_.reset();
}

WindowId Connection::ActiveWindow() {
  Atom prop = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  WindowId w = 0;
  if (XGetWindowProperty(display_, Root(), prop, 0, 1, False, XA_WINDOW, &type, &format, &count,
                         &after, &data) == Success &&
      data && count == 1 && format == 32)
    w = *reinterpret_cast<unsigned long*>(data);
  if (data) XFree(data);
  if (w == 0) {
    // no window manager to ask: the focus window stands in
    Window focus;
    int revert;
    XGetInputFocus(display_, &focus, &revert);
    if (focus != None && focus != PointerRoot) w = focus;
  }
  Synced();
  return w;
}

bool Connection::IsVisible(WindowId w) {
  XWindowAttributes a;
  bool ok = w && XGetWindowAttributes(display_, w, &a);
  return Synced() && ok && a.map_state == IsViewable;
}

std::optional<std::string> Connection::WindowClass(WindowId w) {
  if (!w) return std::nullopt;
  XClassHint hint{};
  bool ok = XGetClassHint(display_, w, &hint) != 0;
  std::optional<std::string> result;
  if (Synced() && ok && hint.res_class) result = hint.res_class;
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return result;
}

std::optional<Rect> Connection::WindowRect(WindowId w) {
  if (!w) return std::nullopt;
  XWindowAttributes a;
  if (!XGetWindowAttributes(display_, w, &a) || !Synced()) return std::nullopt;
  int x = 0, y = 0;
  Window child;
  if (!XTranslateCoordinates(display_, w, Root(), 0, 0, &x, &y, &child) || !Synced())
    return std::nullopt;
  Rect r{x, y, x + a.width, y + a.height};
  // the window manager's frame around the client area
  Atom prop = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, w, prop, 0, 4, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data && count == 4 && format == 32) {
    const long* e = reinterpret_cast<long*>(data);
    r.left -= static_cast<int>(e[0]);
    r.right += static_cast<int>(e[1]);
    r.top -= static_cast<int>(e[2]);
    r.bottom += static_cast<int>(e[3]);
  }
  if (data) XFree(data);
  Synced();
  return r;
}

bool Connection::Raise(WindowId w) {
  if (!w) return false;
  XRaiseWindow(display_, w);
  return Synced();
}

bool Connection::Activate(WindowId w) {
  if (!w) return false;
  // ask the window manager; without one, set the focus ourselves
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = 2;  // source: a pager, which window managers obey
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XRaiseWindow(display_, w);
  XSetInputFocus(display_, w, RevertToParent, CurrentTime);
  return Synced();
}

KeyState Connection::QueryKeyState() {
  char keys[32];
  XQueryKeymap(display_, keys);
  auto down = [&](unsigned long sym) {
    KeyCode kc = XKeysymToKeycode(display_, sym);
    return kc != 0 && (keys[kc / 8] & (1 << (kc % 8)));
  };
  KeyState s;
  s.shift = down(XK_Shift_L) || down(XK_Shift_R);
  s.ctrl = down(XK_Control_L) || down(XK_Control_R);
  s.alt = down(XK_Alt_L) || down(XK_Alt_R) || down(XK_Meta_L) || down(XK_ISO_Level3_Shift);
  return s;
}

bool Connection::IsKeyDown(int vk) {
  KeyState s = QueryKeyState();
  switch (vk) {
    case 16:
      return s.shift;
    case 17:
      return s.ctrl;
    case 18:
      return s.alt;
  }
  unsigned long sym = KeySymFromVirtualKey(vk);
  KeyCode kc = sym ? XKeysymToKeycode(display_, sym) : 0;
  if (!kc) return false;
  char keys[32];
  XQueryKeymap(display_, keys);
  return keys[kc / 8] & (1 << (kc % 8));
}

unsigned long Connection::CommandAtom() { return XInternAtom(display_, kCommandAtomName, False); }

bool Connection::PostCommand(WindowId target, int commandId, long keys) {
  if (!target) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = target;
  e.xclient.message_type = CommandAtom();
  e.xclient.format = 32;
  e.xclient.data.l[0] = commandId;
  e.xclient.data.l[1] = keys;
  Status sent = XSendEvent(display_, target, False, NoEventMask, &e);
  return Synced() && sent != 0;
}

std::unique_ptr<CommandReceiver> CommandReceiver::Create(Connection& c, bool mapped) {
  Display* d = c.display();
  ::Window w = XCreateSimpleWindow(d, c.Root(), 0, 0, 64, 64, 0, 0, 0);
  if (!w) return nullptr;
  if (mapped) XMapWindow(d, w);
  XSync(d, False);
  return std::unique_ptr<CommandReceiver>(new CommandReceiver(c, w));
}

CommandReceiver::~CommandReceiver() {
  XDestroyWindow(conn_.display(), window_);
  XSync(conn_.display(), False);
}

std::optional<int> CommandReceiver::Wait(int timeoutMs) {
  Display* d = conn_.display();
  const Atom atom = conn_.CommandAtom();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == ClientMessage && e.xclient.window == window_ && e.xclient.message_type == atom)
        return static_cast<int>(e.xclient.data.l[0]);
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return std::nullopt;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, static_cast<int>(left));
  }
}

}  // namespace platform::x11
