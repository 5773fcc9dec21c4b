#pragma once
// What the capture program decides on Wayland desktops, where no program
// may read the screen or grab keys and the desktop portal takes the
// pictures: which source a session gets, where the portal's answer will
// come from, and what the user is told when no picture arrives.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace prentix {

// WAYLAND_DISPLAY set (not empty) or XDG_SESSION_TYPE "wayland"; either
// may be null.
bool IsWaylandSession(const char* waylandDisplay, const char* sessionType);

// The request object the portal makes for a call with this handle_token
// from this unique bus name (":1.42" -> ".../request/1_42/<token>"), known
// before the call so that its answer cannot be missed.
std::string PortalRequestPath(std::string_view uniqueName, std::string_view token);

// kRefused: the desktop answered with a failure and its permission store
// holds a "no" for screenshots (GNOME keeps the user's answer there).
enum class PortalResult { kOk, kCancelled, kFailed, kTimedOut, kNoPortal, kRefused };
// The response code of org.freedesktop.portal.Request.Response.
PortalResult PortalResponse(uint32_t code);

// The language key of the one message a capture without picture gives;
// 0 for a picture.
int PortalMessageKey(PortalResult r);

// Whether a failed shot was the desktop's refusal: the screenshot entry of
// its permission store for programs outside a sandbox (app id "").
bool ShotRefused(PortalResult r, const std::vector<std::string>& permission);
// What the user runs to be asked again (the message of a refusal names it).
inline constexpr char kAllowShotsCommand[] =
    "gdbus call --session -d org.freedesktop.impl.portal.PermissionStore -o "
    "/org/freedesktop/impl/portal/PermissionStore -m "
    "org.freedesktop.impl.portal.PermissionStore.Delete screenshot screenshot";

// How the screen and window keys reach us on a Wayland desktop. KDE's
// global-shortcut service takes keys for any program; its portal takes
// them only for a sandboxed one and answers "bound" all the same, so the
// service is asked directly. Other desktops' GlobalShortcuts portal is
// used where it is offered. GNOME 43 and sway have neither: there the
// user binds the one-shot commands, on sway with the lines we give for
// its config file.
enum class KeyWay { kKdeService, kPortal, kSwayConfig, kGnomeSettings, kNone };
KeyWay DesktopKeyWay(std::string_view currentDesktop, bool kdeService, bool shortcutsPortal);

// A key of ShortcutTrigger's form ("ALT+Print", "SHIFT+F11", "F12") as
// sway writes it ("Alt+Print"); "" for "".
std::string SwayBinding(std::string_view trigger);
// The lines for sway's config file that bind the two keys to the one-shot
// commands; a key without trigger gets no line.
std::string SwayConfigLines(std::string_view screenTrigger, std::string_view windowTrigger);

// GNOME's own custom shortcuts, which Prentix sets up once the user agreed:
// a list of settings paths in one schema, each path with name, command and
// binding. GNOME's own screenshot keys hold Print and Alt+Print; a key of
// ours among them is taken out of GNOME's list, or ours would never fire.
inline constexpr char kGnomeKeysSchema[] = "org.gnome.settings-daemon.plugins.media-keys";
inline constexpr char kGnomeOwnKeysSchema[] = "org.gnome.shell.keybindings";
inline constexpr const char* kGnomeOwnShotKeys[] = {"show-screenshot-ui", "screenshot",
                                                    "screenshot-window"};
inline constexpr int kGnomeKeysQuestionKey = 16103;
struct GnomeShortcut {
  std::string path, name, command, binding;
  bool operator==(const GnomeShortcut&) const = default;
};
// "ALT+Print" -> "<Alt>Print"; "" for "".
std::string GnomeAccelerator(std::string_view trigger);
// The shortcuts for the keys that have a trigger; `program` is the command
// line's first word.
std::vector<GnomeShortcut> GnomeShortcuts(std::string_view screenTrigger,
                                          std::string_view windowTrigger, std::string_view program);
// A string list as gsettings prints and reads it ("@as []", "['a', 'b']").
std::vector<std::string> GVariantStrings(std::string_view text);
std::string GVariantStringList(const std::vector<std::string>& items);
// One string as GVariant text: quoted, with quotes and backslashes escaped.
std::string GVariantString(std::string_view s);

// Told once in the window: on Wayland the keys are bound in the desktop's
// keyboard settings to the one-shot commands; on sway the config lines.
inline constexpr int kHotKeyNoticeKey = 16074;
inline constexpr int kSwayKeysNoticeKey = 16102;
// Where prentix.ini remembers that the notice was given.
inline constexpr char kWaylandSection[] = "Wayland";
inline constexpr char kKeyNoticeEntry[] = "KeyNotice";

// Whether the notice about the keys is due: on Wayland without keys bound
// through the desktop, and not told before.
bool HotKeyNoticeDue(bool wayland, bool shortcutsBound, bool toldBefore);

}  // namespace prentix
