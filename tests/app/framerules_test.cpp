#include <gtest/gtest.h>

#include <filesystem>

#include "app/apptest.h"
#include "platform/registry.h"
#include "prentix/app/autostart.h"
#include "prentix/app/commandrouter.h"
#include "prentix/app/framerules.h"
#include "prentix/app/menus.h"
#include "prentix/app/viewstate.h"

namespace {

using namespace prentix;
using apptest::AppTest;

struct FakeTarget : CommandTarget {
  std::vector<int> handles, disabled, ran;
  bool Handles(int id) const override {
    return std::find(handles.begin(), handles.end(), id) != handles.end();
  }
  bool IsEnabled(int id) const override {
    return std::find(disabled.begin(), disabled.end(), id) == disabled.end();
  }
  void OnCommand(int id) override { ran.push_back(id); }
};

TEST(CommandRouter, FirstHandlerDecidesAndDisabledCommandsAreDroppedFromEverySource) {
  FakeTarget frame, view, doc;
  frame.handles = {1};
  view.handles = {1, 2, 3};
  view.disabled = {3};
  doc.handles = {4};
  CommandRouter router;
  router.SetChain({&frame, &view, nullptr, &doc});
  std::vector<std::tuple<int, CommandSource, RouteResult>> seen;
  router.observer = [&](int id, CommandSource s, RouteResult r) { seen.emplace_back(id, s, r); };
  for (CommandSource source : {CommandSource::kMenu, CommandSource::kToolBar, CommandSource::kHook,
                               CommandSource::kTray, CommandSource::kProgram}) {
    SCOPED_TRACE(static_cast<int>(source));
    frame.ran.clear(), view.ran.clear(), doc.ran.clear(), seen.clear();
    EXPECT_EQ(router.Route(1, source), RouteResult::kHandled);
    EXPECT_EQ(router.Route(2, source), RouteResult::kHandled);
    EXPECT_EQ(router.Route(3, source), RouteResult::kDisabled);
    EXPECT_EQ(router.Route(4, source), RouteResult::kHandled);
    EXPECT_EQ(router.Route(5, source), RouteResult::kUnhandled);
    EXPECT_EQ(frame.ran, std::vector<int>{1});  // the frame comes first
    EXPECT_EQ(view.ran, std::vector<int>{2});   // 3 never ran
    EXPECT_EQ(doc.ran, std::vector<int>{4});
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[2], std::make_tuple(3, source, RouteResult::kDisabled));
  }
  // the state is asked when the command is handled
  view.disabled.clear();
  EXPECT_EQ(router.Route(3, CommandSource::kHook), RouteResult::kHandled);
  EXPECT_FALSE(router.IsEnabled(5));  // nobody's: greyed
}

TEST(ViewState, RulesOfTheClipboardPrintAndPictureCommands) {
  ViewState textOnly{.hasText = true, .clipboardText = true};
  ViewState picture{.hasImage = true, .clipboardBitmap = true};
  struct Case {
    int id;
    bool textOnly, picture, pictureWithTool;
  } cases[] = {
      {57637, true, true, true},    // paste takes text too
      {32771, false, true, true},   // paste and print wants a picture
      {57608, true, true, true},    // print: picture or text
      {57634, false, true, true},   // copy
      {32774, true, true, true},    // new
      {32773, false, false, true},  // edit picture needs the tool
      {32775, false, true, true},   // mail
      {32798, false, true, true},   // turns
      {32782, true, true, true},    // captures always run
      {32956, true, true, true},    // grid
  };
  ViewState withTool = picture;
  withTool.toolSet = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_TRUE(IsViewCommand(c.id));
    EXPECT_EQ(ViewCommandEnabled(c.id, textOnly), c.textOnly);
    EXPECT_EQ(ViewCommandEnabled(c.id, picture), c.picture);
    EXPECT_EQ(ViewCommandEnabled(c.id, withTool), c.pictureWithTool);
  }
  EXPECT_TRUE(ViewCommandChecked(32891, picture));  // no choice yet: the arrow
  picture.lastPointer = 32894;
  EXPECT_FALSE(ViewCommandChecked(32891, picture));
  EXPECT_TRUE(ViewCommandChecked(32894, picture));
}

TEST(TrayCallback, ButtonSwapBusyFlagAndOtherMessages) {
  using M = TrayMouse;
  using A = TrayAction;
  struct Case {
    M mouse;
    bool swap, busy;
    A action;
  } cases[] = {
      {M::kLeftDown, false, false, A::kCapture},    {M::kRightDown, false, false, A::kShowWindow},
      {M::kLeftDown, true, false, A::kShowWindow},  {M::kRightDown, true, false, A::kCapture},
      {M::kLeftDown, false, true, A::kNone},        {M::kRightDown, true, true, A::kNone},
      {M::kRightDown, false, true, A::kShowWindow}, {M::kOther, true, false, A::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TrayCallbackAction(c.mouse, c.swap, c.busy), c.action)
        << static_cast<int>(c.mouse) << c.swap << c.busy;
  }
  EXPECT_TRUE(HideWhenMinimized(true, true));
  EXPECT_FALSE(HideWhenMinimized(true, false));
  EXPECT_FALSE(HideWhenMinimized(false, true));
}

TEST(ToolArguments, SplitAsAShellWouldAndThePathStaysOneWord) {
  const std::string pic = "/tmp/my pics/Shot 1.pxi";
  using V = std::vector<std::string>;
  struct Case {
    const char* tool;
    std::optional<V> argv;
  } cases[] = {
      {"kolourpaint", V{"kolourpaint", pic}},
      {"  gimp   -n  ", V{"gimp", "-n", pic}},
      {"\"/opt/my tool/paint\" --new", V{"/opt/my tool/paint", "--new", pic}},
      {"paint 'a \"b\" $HOME' x\\ y", V{"paint", "a \"b\" $HOME", "x y", pic}},
      {"paint \"q\\\"uote\\\\ \\n\"", V{"paint", "q\"uote\\ \\n", pic}},
      {"a''b \"\"", V{"ab", "", pic}},
      {"paint 'open", std::nullopt},
      {"paint \"open", std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ToolArguments(c.tool, pic), c.argv) << c.tool;
}

TEST(ButtonList, ReadingKeepsOnlyButtonsOnceAndTidiesSeparators) {
  struct Case {
    const char* text;
    std::vector<int> ids;
  } cases[] = {
      {"32774,0,32702,32700", {32774, 0, 32702, 32700}},
      {"0,0,32774,0,0,32702,0", {32774, 0, 32702}},
      {"32774,32774,99999,abc,,32956, 32702", {32774, 32956}},
      {"32951,57664", {32951, 57664}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseButtonList(c.text), c.ids) << c.text;
  std::span<const int> def = DefaultToolbar();
  EXPECT_EQ(ParseButtonList(FormatButtonList(def)), std::vector<int>(def.begin(), def.end()));
  for (int id : def) EXPECT_TRUE(id == 0 || IsToolbarButton(id)) << id;
}

std::optional<std::string> ClassesDefault(const char* key) {
  using namespace platform;
  HKEY h;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return std::nullopt;
  char buf[512] = {};
  uint32_t size = sizeof buf, type = 0;
  int32_t rc = RegQueryValueEx(h, nullptr, nullptr, &type, reinterpret_cast<uint8_t*>(buf), &size);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  return std::string(buf);
}

TEST_F(AppTest, DocumentTypeIsRegisteredWithoutTakingOverAnotherProgramsExtension) {
  const char* pxi = "Prentix\nPrntx\nPrntx\nPrentix (*.pxi)\n.pxi\nPrntx\nPrntx";
  const char* gif = "Prentix\nPrntx\nPrntx\nPrentix (*.gif)\n.gif\nPrntx\nPrntx";
  ASSERT_TRUE(RegisterShellFileTypes(pxi, "/opt/tervola/bin/prentix"));
  EXPECT_EQ(ClassesDefault(".pxi"), "Prntx");
  EXPECT_EQ(ClassesDefault("Prntx"), "Prntx");
  EXPECT_EQ(ClassesDefault("Prntx\\shell\\open\\command"), "/opt/tervola/bin/prentix \"%1\"");
  // the same start again leaves the file as it was
  std::string before = pxtest::ReadFile(platform::RegistryFilePath());
  ASSERT_TRUE(RegisterShellFileTypes(pxi, "/opt/tervola/bin/prentix"));
  EXPECT_EQ(pxtest::ReadFile(platform::RegistryFilePath()), before);
  // .gif belongs to a viewer: the open command follows the program, the
  // extension stays the viewer's
  platform::HKEY h;
  ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_CLASSES_ROOT, ".gif", 0, nullptr, 0,
                                     platform::KEY_WRITE, nullptr, &h, nullptr),
            0);
  ASSERT_EQ(platform::RegSetValueEx(h, nullptr, 0, platform::REG_SZ,
                                    reinterpret_cast<const uint8_t*>("Viewer.Gif"), 11),
            0);
  platform::RegCloseKey(h);
  ASSERT_TRUE(RegisterShellFileTypes(gif, "/usr/bin/prentix"));
  EXPECT_EQ(ClassesDefault(".gif"), "Viewer.Gif");
  EXPECT_EQ(ClassesDefault("Prntx\\shell\\open\\command"), "/usr/bin/prentix \"%1\"");
}

}  // namespace

namespace {

TEST(HelpFile, BesideTheProgramElseAmongTheInstalledDocumentation) {
  const std::string root = pxtest::TestRoot() + "/usr";
  const std::string installed = root + "/share/doc/prentix/prentix.html";
  EXPECT_EQ(prentix::HelpFilePath(root + "/bin/prentix"), "");
  std::filesystem::create_directories(root + "/bin");
  std::filesystem::create_directories(root + "/share/doc/prentix");
  ASSERT_TRUE(pxtest::WriteFile(installed, "<html>"));
  EXPECT_EQ(prentix::HelpFilePath(root + "/bin/prentix"),
            root + "/bin/../share/doc/prentix/prentix.html");
  ASSERT_TRUE(pxtest::WriteFile(root + "/bin/prentix.html", "<html>"));
  EXPECT_EQ(prentix::HelpFilePath(root + "/bin/prentix"), root + "/bin/prentix.html");
}

}  // namespace

namespace {

TEST(Autostart, ExecLineQuotesAsDesktopEntriesAsk) {
  // blank: quoted; backslash: escaped for the quotes, then for the value
  EXPECT_NE(prentix::AutostartEntry("/opt/my apps/pr\\x%")
                .find("\nExec=\"/opt/my apps/pr\\\\\\\\x%%\"\n"),
            std::string::npos);
  EXPECT_NE(prentix::AutostartEntry("/usr/bin/prentix").find("\nExec=/usr/bin/prentix\n"),
            std::string::npos);
}

}  // namespace
