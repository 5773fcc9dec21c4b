#pragma once
// The X11 stand-ins for the Windows screen, window and keyboard calls:
// screen copies, the active window, key state, virtual-key codes and
// posted command messages. Every call fails cleanly (false, nullopt or 0)
// when there is no display or the window has gone; no Xlib error ever
// ends the process.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace platform::x11 {

using WindowId = unsigned long;  // an X window id; 0 is "no window"

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
};

// 24-bit screen pixels: rows top-down, 3 bytes a pixel in B, G, R order,
// no padding between rows.
struct ScreenPixels {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;
  const uint8_t* Row(int y) const { return bgr.data() + static_cast<size_t>(y) * width * 3; }
};

struct KeyState {
  bool shift = false, ctrl = false, alt = false;
};

// One connection to the X server, owned.
class Connection {
 public:
  // nullptr names the display of $DISPLAY.
  static std::unique_ptr<Connection> Open(const char* name = nullptr);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Display* display() const { return display_; }
  WindowId Root() const;

  // HORZRES x VERTRES of the primary screen.
  int ScreenWidth() const;
  int ScreenHeight() const;

  // Copies a screen rectangle, clipped as a display context clips it: a
  // negative left or top becomes 0, width = min(screen width, right) - left,
  // height likewise. Nothing for an empty or wholly off-screen rectangle.
  std::optional<ScreenPixels> CopyScreenRect(const Rect& r, bool useShm = true);
  bool HasShm() const { return shm_; }

  // The window the desktop reports as active; 0 when there is none.
  WindowId ActiveWindow();
  bool IsVisible(WindowId w);
  // The program class of a window (WM_CLASS, its second part); nullopt for
  // a window that does not exist or has none.
  std::optional<std::string> WindowClass(WindowId w);
  // The window's rectangle in screen coordinates with its frame.
  std::optional<Rect> WindowRect(WindowId w);
  // Top of the stacking order / give it the input focus.
  bool Raise(WindowId w);
  bool Activate(WindowId w);

  KeyState QueryKeyState();
  // Like GetKeyState(vk) < 0: whether the key with this virtual-key code is down.
  bool IsKeyDown(int vk);

  // Posts a command (the WM_COMMAND stand-in) to a window; never waits for it.
  // keys: the modifiers held at the key's release (ModifierBits) or'ed
  // with kKeysGiven, 0 when the sender does not know them.
  bool PostCommand(WindowId target, int commandId, long keys = 0);
  unsigned long CommandAtom();

  // Waits for the server to answer every request so far and tells whether
  // none of them failed since the last check.
  bool Synced();

 private:
  explicit Connection(Display* d);
  struct ShmSegment;
  bool CopyWithShm(int left, int top, ScreenPixels& out);
  void ReleaseShm();
  Display* display_;
  bool shm_ = false;
  std::unique_ptr<ShmSegment> shmSeg_;
};

// A small window that receives posted commands; for tests and tools.
class CommandReceiver {
 public:
  static std::unique_ptr<CommandReceiver> Create(Connection& c, bool mapped = false);
  ~CommandReceiver();
  WindowId Window() const { return window_; }
  // Waits up to timeoutMs for the next command id.
  std::optional<int> Wait(int timeoutMs);

 private:
  CommandReceiver(Connection& c, WindowId w) : conn_(c), window_(w) {}
  Connection& conn_;
  WindowId window_;
};

// Windows virtual-key code <-> X key sym (Print Screen 44, F11 122, F12 123,
// letters 65-90, digits 48-57, ...). 0 when there is no mapping.
unsigned long KeySymFromVirtualKey(int vk);
int VirtualKeyFromKeySym(unsigned long keysym);
// The key sym's name ("F12", "Print", "a"); "" for none.
std::string KeySymName(unsigned long keysym);

// Name of the atom carrying posted commands.
inline constexpr const char* kCommandAtomName = "TERVOLA_WM_COMMAND";
// In a command's second word: the modifier bits in it are the ones held
// when the hook saw the key.
inline constexpr long kKeysGiven = 0x100;

}  // namespace platform::x11
