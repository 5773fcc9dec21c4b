#pragma once
// The keyboard hook procedure: turns the configured print keys into
// commands for the capture program's window. It reads its inputs afresh on
// every event (no cache), so a changed hot key acts at once.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pxnthook {

inline constexpr int kCmdPasteAndPrint = 32771;  // Print Screen released
inline constexpr int kCmdCaptureWindow = 32781;
inline constexpr int kCmdCaptureScreen = 32782;
inline constexpr int kVkShift = 16;
inline constexpr int kVkMenu = 18;  // Alt
inline constexpr int kVkSnapshot = 44;
// In the runtime folder while print keys are held by other programs: their
// key codes, separated by blanks; one file a process (its id appended).
inline constexpr const char kHeldKeysFile[] = "prentix.keys-held.";
inline constexpr uint32_t kKeyUpFlag = 0x80000000u;  // bit 31 of lParam: the key is being released

// What the program does on each command, for the tools that send or show them.
struct HookCommand {
  int id;
  const char* meaning;
};
inline constexpr HookCommand kHookCommands[] = {
    {kCmdCaptureScreen, "capture the screen"},
    {kCmdCaptureWindow, "capture the active window"},
    {kCmdPasteAndPrint, "take the picture from the clipboard (Print Screen)"},
};

// What the procedure reads and does, injected so that it runs the same over
// the real desktop and in tests.
struct HookInputs {
  // Entry "window" or "screen" of section "key" of prentix.ini, as read into
  // a 10-character buffer; nullopt when it cannot be read.
  std::function<std::optional<std::string>(const char* entry)> readKeyEntry;
  // GetKeyState(vk) < 0
  std::function<bool(int vk)> isKeyDown;
  // The target window from the registry; nullopt when missing or unreadable.
  std::function<std::optional<long>()> readTargetWindow;
  std::function<void(long window, int command)> post;
  // CallNextHookEx
  std::function<long(int code, uint32_t wParam, uint32_t lParam)> callNext;
};

// A "key" entry: "a<n>" is key n with Alt down, "s<n>" with Shift down,
// "<n>" with Shift up (Alt and Ctrl free); n is read like atoi. Empty, a
// leading blank or no number gives code 0, which never matches.
struct HotKeyRule {
  enum Form { kPlain, kAlt, kShift } form = kPlain;
  int vk = 0;
};
HotKeyRule ParseHotKey(std::string_view entry);

// The key code an entry yields under the current modifier state, 0 when none.
int HotKeyCode(std::string_view entry, bool shiftDown, bool altDown);

// The trigger a desktop's shortcut settings are offered for an entry:
// "123" -> "F12", "a123" -> "ALT+F12", "s123" -> "SHIFT+F12"; an empty
// entry stands for Print Screen ("Print", for the window "ALT+Print").
// "" for an entry that names no key.
std::string ShortcutTrigger(std::string_view entry, bool window);

// Whether an entry leaves its Print Screen rule free (missing, empty or
// starting with a blank).
bool PrintRuleFree(const std::optional<std::string>& entry);

// One keyboard event; 1 means "handled, not passed on".
long HookProc(int code, uint32_t wParam, uint32_t lParam, const HookInputs& in);

// atoi on the text of a registry value: leading blanks, sign, digits.
long ParseWindowHandle(std::string_view text);

// The hot keys' target window from the registry value "hwnd", or from the
// runtime folder's stand-in while there is one; nullopt when it is missing
// or cannot be read.
std::optional<long> ReadTargetWindow();

// Stores the window as "%d" in that value, or in the stand-in while the
// registry cannot be written; false when it could be stored nowhere.
bool WriteTargetWindow(int window);

}  // namespace pxnthook
