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
                 {PortalResult::kNoPortal, 16071}, {PortalResult::kTimedOut, 16072}};
  for (const auto& a : answers) EXPECT_EQ(PortalMessageKey(a.result), a.key);

  EXPECT_TRUE(HotKeyNoticeDue(true, false, false));
  EXPECT_FALSE(HotKeyNoticeDue(true, false, true));
  EXPECT_FALSE(HotKeyNoticeDue(true, true, false));
  EXPECT_FALSE(HotKeyNoticeDue(false, false, false));
}

}  // namespace
