#include "prentix/app/waylandrules.h"

#include <cstring>

namespace prentix {

bool IsWaylandSession(const char* waylandDisplay, const char* sessionType) {
  return (waylandDisplay && *waylandDisplay) ||
         (sessionType && strcmp(sessionType, "wayland") == 0);
}

std::string PortalRequestPath(std::string_view uniqueName, std::string_view token) {
  std::string sender(uniqueName);
  if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
  for (char& c : sender)
    if (c == '.') c = '_';
  return "/org/freedesktop/portal/desktop/request/" + sender + "/" + std::string(token);
}

PortalResult PortalResponse(uint32_t code) {
  return code == 0   ? PortalResult::kOk
         : code == 1 ? PortalResult::kCancelled
                     : PortalResult::kFailed;
}

int PortalMessageKey(PortalResult r) {
  switch (r) {
    case PortalResult::kOk:
      return 0;
    case PortalResult::kCancelled:
      return 16070;
    case PortalResult::kNoPortal:
      return 16071;
    case PortalResult::kTimedOut:
      return 16072;
    case PortalResult::kFailed:
      break;
  }
  return 16073;
}

bool HotKeyNoticeDue(bool wayland, bool shortcutsBound, bool toldBefore) {
  return wayland && !shortcutsBound && !toldBefore;
}

}  // namespace prentix
