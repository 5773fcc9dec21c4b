// The hook library on a real X server: keys typed with xdotool reach the
// window the library was installed for, as commands.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/testutil.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/x11/x11.h"
#include "pxnthook/hookproc.h"
#include "pxnthook/pxnthook.h"

using platform::x11::CommandReceiver;
using platform::x11::Connection;

namespace {

// "mod+key" holds the modifier around the key, releasing the key first as
// people do (xdotool's own "key alt+F12" lets go of Alt first).
int Key(const std::string& keys) {
  auto plus = keys.find('+');
  if (plus == std::string::npos) return pxtest::Run({"xdotool", "key", keys});
  std::string mod = keys.substr(0, plus), key = keys.substr(plus + 1);
  return pxtest::Run({"xdotool", "keydown", mod, "key", key, "keyup", mod});
}

void SetKeys(const char* window, const char* screen) {
  ASSERT_TRUE(platform::WritePrivateProfileString("Key", "Window", window, "prentix.ini"));
  ASSERT_TRUE(platform::WritePrivateProfileString("Key", "Screen", screen, "prentix.ini"));
}

// Commands that arrive within the wait; an unexpected one is a failure too.
std::vector<int> Drain(CommandReceiver& rx, int waitMs = 300) {
  std::vector<int> got;
  while (auto c = rx.Wait(waitMs)) got.push_back(*c);
  return got;
}

}  // namespace

TEST(HookOnX11, ConfiguredKeysBecomeCommandsAndSettingsActAtOnce) {
  SetKeys("a123", "123");
  auto conn = Connection::Open();
  ASSERT_TRUE(conn) << "no X display; run under Xvfb (make test does)";
  auto rx = CommandReceiver::Create(*conn, true);
  ASSERT_TRUE(rx);
  const int win = static_cast<int>(rx->Window());

  ASSERT_EQ(InstalliereHook(win, 1), 1);
  EXPECT_EQ(InstalliereHook(win, 1), 0);  // already installed
  EXPECT_EQ(pxnthook::ReadTargetWindow(), win);

  ASSERT_EQ(Key("F12"), 0);
  EXPECT_EQ(rx->Wait(3000), pxnthook::kCmdCaptureScreen);
  ASSERT_EQ(Key("alt+F12"), 0);
  EXPECT_EQ(rx->Wait(3000), pxnthook::kCmdCaptureWindow);
  ASSERT_EQ(Key("ctrl+F12"), 0);
  EXPECT_EQ(rx->Wait(3000), pxnthook::kCmdCaptureScreen);
  // Alt held when F12 went down but let go first (macro keys, remote
  // desktops, xdotool's own order): still the window key
  ASSERT_EQ(
      pxtest::Run({"xdotool", "keydown", "alt", "keydown", "F12", "keyup", "alt", "keyup", "F12"}),
      0);
  EXPECT_EQ(rx->Wait(3000), pxnthook::kCmdCaptureWindow);
  // Alt pressed only while F12 is already down does not make it the window key
  ASSERT_EQ(
      pxtest::Run({"xdotool", "keydown", "F12", "keydown", "alt", "keyup", "alt", "keyup", "F12"}),
      0);
  EXPECT_EQ(rx->Wait(3000), pxnthook::kCmdCaptureScreen);
  // not configured: F11, Shift+F12; Print is swallowed but posts nothing
  // while "screen" names a key
  ASSERT_EQ(Key("F11"), 0);
  ASSERT_EQ(Key("shift+F12"), 0);
  ASSERT_EQ(Key("Print"), 0);
  EXPECT_EQ(Drain(*rx), std::vector<int>{});

  // both entries empty: Print Screen pastes, with and without Alt; the
  // listener picks the change up without a restart
  SetKeys("", "");
  std::optional<int> got;
  for (int tries = 0; tries < 20 && !got; ++tries) {
    ASSERT_EQ(Key("Print"), 0);
    got = rx->Wait(250);
  }
  EXPECT_EQ(got, pxnthook::kCmdPasteAndPrint);
  Drain(*rx, 100);
  ASSERT_EQ(Key("alt+Print"), 0);
  EXPECT_EQ(rx->Wait(3000), pxnthook::kCmdPasteAndPrint);
  ASSERT_EQ(Key("F12"), 0);  // no longer a hot key
  EXPECT_EQ(Drain(*rx), std::vector<int>{});

  // a second program's install moves the target: the hot keys follow the registry
  auto rx2 = CommandReceiver::Create(*conn, true);
  ASSERT_TRUE(rx2);
  EXPECT_EQ(InstalliereHook(static_cast<int>(rx2->Window()), 1),
            0);  // this process already listens
  ASSERT_EQ(Key("Print"), 0);
  EXPECT_EQ(rx2->Wait(3000), pxnthook::kCmdPasteAndPrint);
  EXPECT_EQ(Drain(*rx, 100), std::vector<int>{});

  // uninstall stops delivery; the value stays in the registry
  EXPECT_EQ(InstalliereHook(win, 0), 1);
  EXPECT_EQ(InstalliereHook(win, 0), 0);
  ASSERT_EQ(Key("Print"), 0);
  EXPECT_EQ(Drain(*rx), std::vector<int>{});
  EXPECT_EQ(pxnthook::ReadTargetWindow(), win);
}

TEST(HookOnX11, TargetWindowIsReadFromTheExactValueName) {
  platform::HKEY key;
  ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, "Software\\Tervola\\Prentix", 0,
                                     nullptr, 0, platform::KEY_ALL_ACCESS, nullptr, &key, nullptr),
            0);
  const char other[] = "77";
  platform::RegSetValueEx(key, "HWND", 0, platform::REG_SZ, reinterpret_cast<const uint8_t*>(other),
                          sizeof other);
  // only a value spelled exactly "hwnd" counts, and "HWND" is the same value for the registry
  EXPECT_EQ(pxnthook::ReadTargetWindow(), std::nullopt);
  platform::RegDeleteValue(key, "HWND");
  const char garbage[] = "not a number";
  platform::RegSetValueEx(key, "hwnd", 0, platform::REG_SZ,
                          reinterpret_cast<const uint8_t*>(garbage), sizeof garbage);
  EXPECT_EQ(pxnthook::ReadTargetWindow(), 0);
  platform::RegCloseKey(key);
}
