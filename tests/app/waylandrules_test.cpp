#include "prentix/app/waylandrules.h"

#include <gtest/gtest.h>

namespace {

using namespace prentix;

TEST(WaylandRules, SessionKindRequestPathAndTheMessageOfEachPortalAnswer) {
  EXPECT_TRUE(IsWaylandSession("wayland-0", nullptr));
  EXPECT_TRUE(IsWaylandSession(nullptr, "wayland"));
  EXPECT_TRUE(IsWaylandSession("", "wayland"));
  EXPECT_FALSE(IsWaylandSession("", "x11"));  // an empty variable is no display
  EXPECT_FALSE(IsWaylandSession(nullptr, "Wayland"));
  EXPECT_FALSE(IsWaylandSession(nullptr, nullptr));

  EXPECT_EQ(PortalRequestPath(":1.42", "prentix7_1"),
            "/org/freedesktop/portal/desktop/request/1_42/prentix7_1");
  EXPECT_EQ(PortalRequestPath(":1.2.3", "t"), "/org/freedesktop/portal/desktop/request/1_2_3/t");

  // response codes 0 success, 1 cancelled by the user, 2 and anything else failed
  const struct {
    PortalResult result;
    int key;
  } answers[] = {{PortalResponse(0), 0},           {PortalResponse(1), 16070},
                 {PortalResponse(2), 16073},       {PortalResponse(7), 16073},
                 {PortalResult::kNoPortal, 16071}, {PortalResult::kTimedOut, 16072},
                 {PortalResult::kRefused, 16100}};
  for (const auto& a : answers) EXPECT_EQ(PortalMessageKey(a.result), a.key);
  // a refusal is a failure with the user's "no" stored; a cancel is not one
  EXPECT_TRUE(ShotRefused(PortalResult::kFailed, {"no"}));
  EXPECT_FALSE(ShotRefused(PortalResult::kFailed, {"yes"}));
  EXPECT_FALSE(ShotRefused(PortalResult::kFailed, {}));
  EXPECT_FALSE(ShotRefused(PortalResult::kCancelled, {"no"}));

  EXPECT_TRUE(HotKeyNoticeDue(true, false, false));
  EXPECT_FALSE(HotKeyNoticeDue(true, false, true));
  EXPECT_FALSE(HotKeyNoticeDue(true, true, false));
  EXPECT_FALSE(HotKeyNoticeDue(false, false, false));
}

TEST(WaylandRules, TheWayTheKeysAreHadOnEachDesktopAndTheBindingsWrittenForIt) {
  const struct {
    const char* desktop;
    bool kdeService, portal;
    KeyWay way;
  } desktops[] = {
      {"KDE", true, true, KeyWay::kKdeService},
      // KDE's portal answers "bound" and registers nothing
      {"KDE", false, true, KeyWay::kNone},
      {"Hyprland", false, true, KeyWay::kPortal},
      {"GNOME", false, true, KeyWay::kPortal},
      {"GNOME", false, false, KeyWay::kGnomeSettings},
      {"ubuntu:GNOME", false, false, KeyWay::kGnomeSettings},
      {"sway", false, false, KeyWay::kSwayConfig},
      {"Unity:sway", false, false, KeyWay::kSwayConfig},
      {"swayfx", false, false, KeyWay::kNone},
      {"", false, false, KeyWay::kNone},
  };
  for (const auto& d : desktops) {
    EXPECT_EQ(DesktopKeyWay(d.desktop, d.kdeService, d.portal), d.way)
        << d.desktop << d.kdeService << d.portal;
  }
  const struct {
    const char *trigger, *sway, *gnome;
  } keys[] = {{"Print", "Print", "Print"},
              {"ALT+Print", "Alt+Print", "<Alt>Print"},
              {"SHIFT+F11", "Shift+F11", "<Shift>F11"},
              {"", "", ""}};
  for (const auto& k : keys) {
    EXPECT_EQ(SwayBinding(k.trigger), k.sway);
    EXPECT_EQ(GnomeAccelerator(k.trigger), k.gnome);
  }
  // GNOME's settings: string lists as gsettings prints and reads them
  const struct {
    const char* text;
    std::vector<std::string> items;
  } lists[] = {{"@as []", {}},
               {"['Print']", {"Print"}},
               {"['/a/', '<Alt>Print']", {"/a/", "<Alt>Print"}},
               {"['it\\'s', \"x\"]", {"it's", "x"}}};
  for (const auto& l : lists) {
    EXPECT_EQ(GVariantStrings(l.text), l.items) << l.text;
    EXPECT_EQ(GVariantStrings(GVariantStringList(l.items)), l.items) << l.text;
  }
  const std::string base = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
  EXPECT_EQ(GnomeShortcuts("F12", "", "/usr/bin/prentix"),
            (std::vector<GnomeShortcut>{{base + "prentix-screen/", "Prentix: print the screen",
                                         "/usr/bin/prentix --print-screen", "F12"}}));
  EXPECT_EQ(GnomeShortcuts("Print", "ALT+Print", "prentix").back().binding, "<Alt>Print");
  EXPECT_EQ(
      SwayConfigLines("F12", "ALT+F12"),
      "bindsym F12 exec prentix --print-screen\nbindsym Alt+F12 exec prentix --print-window\n");
  EXPECT_EQ(SwayConfigLines("", "ALT+Print"), "bindsym Alt+Print exec prentix --print-window\n");
}

}  // namespace
