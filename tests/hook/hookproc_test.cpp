#include "pxnthook/hookproc.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace pxnthook;

namespace {

// A desktop in miniature: settings entries, held modifiers, the registry's
// target window, and what got posted or passed on.
struct FakeDesktop {
  std::map<std::string, std::string> entries;
  bool shift = false, ctrl = false, alt = false;
  std::optional<long> target = 4711;
  std::vector<std::pair<long, int>> posted;
  int passedOn = 0;

  HookInputs Inputs() {
    HookInputs in;
    in.readKeyEntry = [this](const char* e) -> std::optional<std::string> {
      auto it = entries.find(e);
      if (it == entries.end()) return std::string();  // missing reads as empty
      return it->second.substr(0, 9);
    };
    in.isKeyDown = [this](int vk) {
      return vk == kVkShift ? shift : vk == 17 ? ctrl : vk == kVkMenu ? alt : false;
    };
    in.readTargetWindow = [this] { return target; };
    in.post = [this](long w, int c) { posted.push_back({w, c}); };
    in.callNext = [this](int, uint32_t, uint32_t) {
      ++passedOn;
      return 0L;
    };
    return in;
  }
  // press then release; returns the release's result
  long Tap(int vk) {
    auto in = Inputs();
    HookProc(0, vk, 0, in);
    return HookProc(0, vk, kKeyUpFlag | 1, in);
  }
  std::vector<int> Commands() const {
    std::vector<int> c;
    for (auto& p : posted) c.push_back(p.second);
    return c;
  }
};

}  // namespace

TEST(HookProc, AltF12WindowAndF12Screen) {
  FakeDesktop d;
  d.entries = {{"window", "a123"}, {"screen", "123"}};
  d.alt = true;
  EXPECT_EQ(d.Tap(123), 1);
  d.alt = false;
  EXPECT_EQ(d.Tap(123), 1);
  d.ctrl = true;  // Ctrl is not looked at
  EXPECT_EQ(d.Tap(123), 1);
  EXPECT_EQ(d.Commands(),
            (std::vector<int>{kCmdCaptureWindow, kCmdCaptureScreen, kCmdCaptureScreen}));
  EXPECT_EQ(d.posted[0].first, 4711);

  // Shift+F12 matches neither rule: nothing posted, and passed on (press and release)
  d.ctrl = false;
  d.shift = true;
  d.posted.clear();
  d.passedOn = 0;
  EXPECT_EQ(d.Tap(123), 0);
  EXPECT_TRUE(d.posted.empty());
  EXPECT_EQ(d.passedOn, 2);
}

TEST(HookProc, PrintScreenWithFreeRulesPostsPasteOnReleaseOnly) {
  FakeDesktop d;  // both entries empty
  auto in = d.Inputs();
  EXPECT_EQ(HookProc(0, kVkSnapshot, 0, in), 1);           // press: swallowed, nothing posted
  EXPECT_EQ(HookProc(0, kVkSnapshot, 0x40000000, in), 1);  // auto-repeat press
  EXPECT_TRUE(d.posted.empty());
  EXPECT_EQ(HookProc(0, kVkSnapshot, kKeyUpFlag, in), 1);
  d.alt = true;
  EXPECT_EQ(d.Tap(kVkSnapshot), 1);
  EXPECT_EQ(d.Commands(), (std::vector<int>{kCmdPasteAndPrint, kCmdPasteAndPrint}));
  EXPECT_EQ(d.passedOn, 0);

  // an entry starting with a blank leaves the rule free, too
  d.posted.clear();
  d.alt = false;
  d.entries["screen"] = " 123";
  EXPECT_EQ(d.Tap(kVkSnapshot), 1);
  EXPECT_EQ(d.Commands(), std::vector<int>{kCmdPasteAndPrint});
  // ... and never matches as a hot key
  d.posted.clear();
  EXPECT_EQ(d.Tap(123), 0);
  EXPECT_TRUE(d.posted.empty());
}

TEST(HookProc, ConfiguredScreenKeySwallowsPrintWithoutPosting) {
  FakeDesktop d;
  d.entries = {{"screen", "123"}};
  EXPECT_EQ(d.Tap(kVkSnapshot), 1);
  EXPECT_TRUE(d.posted.empty());
  EXPECT_EQ(d.passedOn, 0);
  // with Alt the (free) window rule decides
  d.alt = true;
  EXPECT_EQ(d.Tap(kVkSnapshot), 1);
  EXPECT_EQ(d.Commands(), std::vector<int>{kCmdPasteAndPrint});
}

TEST(HookProc, FiresOnReleaseNotOnHeldPresses) {
  FakeDesktop d;
  d.entries = {{"screen", "122"}};
  auto in = d.Inputs();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(HookProc(0, 122, 0x40000001, in), 0);
  EXPECT_TRUE(d.posted.empty());
  EXPECT_EQ(HookProc(0, 122, kKeyUpFlag | 0x40000001, in), 1);
  EXPECT_EQ(d.Commands(), std::vector<int>{kCmdCaptureScreen});
  // a negative code is passed on untouched, even for a hot key
  d.posted.clear();
  EXPECT_EQ(HookProc(-1, 122, kKeyUpFlag, in), 0);
  EXPECT_TRUE(d.posted.empty());
}

TEST(HookProc, HandWrittenShiftLetterAndFirstMatchWins) {
  FakeDesktop d;
  d.entries = {{"window", "s65"}, {"screen", "s65"}};
  d.shift = true;
  EXPECT_EQ(d.Tap('A'), 1);
  EXPECT_EQ(d.Commands(), std::vector<int>{kCmdCaptureWindow});  // window before screen
  d.shift = false;
  d.posted.clear();
  EXPECT_EQ(d.Tap('A'), 0);
  EXPECT_TRUE(d.posted.empty());
  // the "a" form ignores Shift, the "s" form ignores Alt
  d.entries = {{"window", "a122"}, {"screen", "s123"}};
  d.shift = d.alt = true;
  d.Tap(122);
  d.Tap(123);
  EXPECT_EQ(d.Commands(), (std::vector<int>{kCmdCaptureWindow, kCmdCaptureScreen}));
}

TEST(HookProc, MissingOrGarbageTargetPostsNothing) {
  FakeDesktop d;
  d.entries = {{"screen", "123"}};
  d.target.reset();
  EXPECT_EQ(d.Tap(123), 1);  // still the hot key: swallowed
  EXPECT_EQ(d.Tap(kVkSnapshot), 1);
  EXPECT_TRUE(d.posted.empty());
  EXPECT_EQ(ParseWindowHandle("  -42xyz"), -42);
  EXPECT_EQ(ParseWindowHandle("garbage"), 0);
}

TEST(HookProc, EntryGrammar) {
  EXPECT_EQ(HotKeyCode("123", false, false), 123);
  EXPECT_EQ(HotKeyCode("123", false, true), 123);
  EXPECT_EQ(HotKeyCode("123", true, false), 0);
  EXPECT_EQ(HotKeyCode("a123", false, false), 0);
  EXPECT_EQ(HotKeyCode("a123", true, true), 123);
  EXPECT_EQ(HotKeyCode("s122", true, false), 122);
  EXPECT_EQ(HotKeyCode("x123", false, false), 0);  // atoi of "x123"
  EXPECT_EQ(HotKeyCode("", false, false), 0);
  EXPECT_EQ(HotKeyCode("12abc", false, false), 12);
  EXPECT_EQ(HotKeyCode("a", false, true), 0);
}

TEST(HookProc, EntriesBecomeTheTriggersOfferedToTheDesktop) {
  const struct {
    const char* entry;
    bool window;
    const char* trigger;
  } cases[] = {
      {"", false, "Print"},         {"", true, "ALT+Print"},
      {"123", false, "F12"},        {"a123", true, "ALT+F12"},
      {"s122", false, "SHIFT+F11"}, {"65", false, "a"},
      {" 123", false, ""},          {"a", true, ""},
      {"999", false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortcutTrigger(c.entry, c.window), c.trigger) << '"' << c.entry << '"' << c.window;
  }
}
