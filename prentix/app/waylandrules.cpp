#include "prentix/app/waylandrules.h"

#include <cstring>
#include <tuple>
#include <utility>

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
    case PortalResult::kRefused:
      return 16100;
    case PortalResult::kFailed:
      break;
  }
  return 16073;
}

bool ShotRefused(PortalResult r, const std::vector<std::string>& permission) {
  return r == PortalResult::kFailed && permission == std::vector<std::string>{"no"};
}

KeyWay DesktopKeyWay(std::string_view currentDesktop, bool kdeService, bool shortcutsPortal) {
  // a list such as "ubuntu:GNOME"
  auto names = [&](std::string_view name) {
    for (size_t start = 0; start <= currentDesktop.size();) {
      size_t end = currentDesktop.find(':', start);
      if (end == std::string_view::npos) end = currentDesktop.size();
      if (currentDesktop.substr(start, end - start) == name) return true;
      start = end + 1;
    }
    return false;
  };
  if (kdeService) return KeyWay::kKdeService;
  if (shortcutsPortal && !names("KDE")) return KeyWay::kPortal;
  if (names("sway")) return KeyWay::kSwayConfig;
  if (names("GNOME")) return KeyWay::kGnomeSettings;
  return KeyWay::kNone;
}

namespace {

// "ALT+Print" -> {"Alt", "Print"}
std::pair<std::string, std::string> SplitTrigger(std::string_view trigger) {
  for (auto [prefix, name] : {std::pair{"ALT+", "Alt"}, {"SHIFT+", "Shift"}}) {
    if (trigger.substr(0, strlen(prefix)) == prefix)
      return {name, std::string(trigger.substr(strlen(prefix)))};
  }
  return {"", std::string(trigger)};
}

}  // namespace

std::string SwayBinding(std::string_view trigger) {
  auto [modifier, key] = SplitTrigger(trigger);
  return modifier.empty() ? key : modifier + "+" + key;
}

std::string SwayConfigLines(std::string_view screenTrigger, std::string_view windowTrigger) {
  std::string lines;
  for (auto [trigger, command] :
       {std::pair{screenTrigger, "--print-screen"}, {windowTrigger, "--print-window"}}) {
    if (trigger.empty()) continue;
    lines += "bindsym " + SwayBinding(trigger) + " exec prentix " + command + "\n";
  }
  return lines;
}

std::string GnomeAccelerator(std::string_view trigger) {
  auto [modifier, key] = SplitTrigger(trigger);
  return modifier.empty() ? key : "<" + modifier + ">" + key;
}

std::vector<GnomeShortcut> GnomeShortcuts(std::string_view screenTrigger,
                                          std::string_view windowTrigger,
                                          std::string_view program) {
  const std::string base = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
  std::vector<GnomeShortcut> out;
  for (auto [trigger, what, name] :
       {std::tuple{screenTrigger, "screen", "Prentix: print the screen"},
        {windowTrigger, "window", "Prentix: print a window"}}) {
    if (trigger.empty()) continue;
    out.push_back({base + "prentix-" + what + "/", name, std::string(program) + " --print-" + what,
                   GnomeAccelerator(trigger)});
  }
  return out;
}

std::vector<std::string> GVariantStrings(std::string_view text) {
  std::vector<std::string> items;
  for (size_t i = 0; i < text.size(); ++i) {
    const char quote = text[i];
    if (quote != '\'' && quote != '"') continue;
    std::string item;
    for (++i; i < text.size() && text[i] != quote; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      item += text[i];
    }
    items.push_back(std::move(item));
  }
  return items;
}

std::string GVariantString(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

std::string GVariantStringList(const std::vector<std::string>& items) {
  if (items.empty()) return "@as []";
  std::string out = "[";
  for (const std::string& item : items) out += (out.size() > 1 ? ", " : "") + GVariantString(item);
  return out + "]";
}

bool HotKeyNoticeDue(bool wayland, bool shortcutsBound, bool toldBefore) {
  return wayland && !shortcutsBound && !toldBefore;
}

}  // namespace prentix
