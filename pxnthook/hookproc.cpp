#include "pxnthook/hookproc.h"

#include <cstdlib>

namespace pxnthook {

HotKeyRule ParseHotKey(std::string_view entry) {
  HotKeyRule r;
  if (entry.empty() || entry[0] == ' ') return r;
  if (entry[0] == 'a' || entry[0] == 's') {
    r.form = entry[0] == 'a' ? HotKeyRule::kAlt : HotKeyRule::kShift;
    entry.remove_prefix(1);
  }
  r.vk = atoi(std::string(entry).c_str());
  return r;
}

int HotKeyCode(std::string_view entry, bool shiftDown, bool altDown) {
  HotKeyRule r = ParseHotKey(entry);
  bool wanted = r.form == HotKeyRule::kAlt     ? altDown
                : r.form == HotKeyRule::kShift ? shiftDown
                                               : !shiftDown;
  return wanted ? r.vk : 0;
}

bool PrintRuleFree(const std::optional<std::string>& entry) {
  return !entry || entry->empty() || (*entry)[0] == ' ';
}

long ParseWindowHandle(std::string_view text) { return atol(std::string(text).c_str()); }

long HookProc(int code, uint32_t wParam, uint32_t lParam, const HookInputs& in) {
  if (code < 0) return in.callNext(code, wParam, lParam);
  const int vk = static_cast<int>(wParam & 0xFFFF);
  const bool release = (lParam & kKeyUpFlag) != 0;

  auto postToTarget = [&](int command) {
    // a missing or unreadable "hwnd" must not hurt the process we run in
    if (auto target = in.readTargetWindow()) in.post(*target, command);
  };

  if (vk >= 1 && vk <= 255 && release) {
    const bool shift = in.isKeyDown(kVkShift), alt = in.isKeyDown(kVkMenu);
    auto window = in.readKeyEntry("window");
    auto screen = in.readKeyEntry("screen");
    const int windowCode = window ? HotKeyCode(*window, shift, alt) : 0;
    const int screenCode = screen ? HotKeyCode(*screen, shift, alt) : 0;
    if (windowCode != 0 && windowCode == vk) {
      postToTarget(kCmdCaptureWindow);
      return 1;
    }
    if (screenCode != 0 && screenCode == vk) {
      postToTarget(kCmdCaptureScreen);
      return 1;
    }
  }

  if (vk == kVkSnapshot) {
    if (!release) return 1;
    const bool alt = in.isKeyDown(kVkMenu);
    const char* deciding = alt ? "window" : "screen";
    if (PrintRuleFree(in.readKeyEntry(deciding))) postToTarget(kCmdPasteAndPrint);
    return 1;
  }

  return in.callNext(code, wParam, lParam);
}

}  // namespace pxnthook
