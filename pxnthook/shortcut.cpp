#include "platform/x11/x11.h"
#include "pxnthook/hookproc.h"

namespace pxnthook {

std::string ShortcutTrigger(std::string_view entry, bool window) {
  if (entry.empty()) return window ? "ALT+Print" : "Print";
  HotKeyRule r = ParseHotKey(entry);
  std::string key = platform::x11::KeySymName(platform::x11::KeySymFromVirtualKey(r.vk));
  if (key.empty()) return "";
  return r.form == HotKeyRule::kAlt     ? "ALT+" + key
         : r.form == HotKeyRule::kShift ? "SHIFT+" + key
                                        : key;
}

}  // namespace pxnthook
