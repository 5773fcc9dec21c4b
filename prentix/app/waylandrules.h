#pragma once
// What the capture program decides on Wayland desktops, where no program
// may read the screen or grab keys and the desktop portal takes the
// pictures: which source a session gets, where the portal's answer will
// come from, and what the user is told when no picture arrives.

#include <cstdint>
#include <string>
#include <string_view>

namespace prentix {

// WAYLAND_DISPLAY set (not empty) or XDG_SESSION_TYPE "wayland"; either
// may be null.
bool IsWaylandSession(const char* waylandDisplay, const char* sessionType);

// The request object the portal makes for a call with this handle_token
// from this unique bus name (":1.42" -> ".../request/1_42/<token>"), known
// before the call so that its answer cannot be missed.
std::string PortalRequestPath(std::string_view uniqueName, std::string_view token);

enum class PortalResult { kOk, kCancelled, kFailed, kTimedOut, kNoPortal };
// The response code of org.freedesktop.portal.Request.Response.
PortalResult PortalResponse(uint32_t code);

// The language key of the one message a capture without picture gives;
// 0 for a picture.
int PortalMessageKey(PortalResult r);

// Told once in the window: on Wayland the keys are bound in the desktop's
// keyboard settings to the one-shot commands.
inline constexpr int kHotKeyNoticeKey = 16074;
// Where prentix.ini remembers that the notice was given.
inline constexpr char kWaylandSection[] = "Wayland";
inline constexpr char kKeyNoticeEntry[] = "KeyNotice";

// Whether the notice about the keys is due: on Wayland without keys bound
// through the desktop, and not told before.
bool HotKeyNoticeDue(bool wayland, bool shortcutsBound, bool toldBefore);

}  // namespace prentix
