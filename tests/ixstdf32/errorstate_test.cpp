#include <regex>

#include "ixtest.h"
#include "platform/winerror.h"

using ixtest::IxStdF;

TEST_F(IxStdF, StoringErrorsKeepsTheTextWithinItsBuffer) {
  // 255 characters fit; 256 give the box, set the number, keep the old text
  std::string fits(255, 'a');
  EXPECT_EQ(SetzeLetzteFehlerNr(7, fits.c_str()), 7);
  EXPECT_EQ(Text(), fits);
  std::string tooLong(256, 'b');
  EXPECT_EQ(SetzeLetzteFehlerNr(IXSTDF_FAILURE, tooLong.c_str()), IXSTDF_FAILURE);
  EXPECT_EQ(GibLetzteFehlerNr(), -536870911);
  EXPECT_EQ(Text(), fits);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "SetzeLetztenFehlerText: Text zu lang");
  EXPECT_EQ(boxes[0].caption, "IxStdF");

  // a pending system error is appended, also to the cleared state
  ixstdf::SetSystemError(platform::ERROR_ACCESS_DENIED);
  SetzeLetzteFehlerNr(1, "oops");
  EXPECT_EQ(Text(), "oops / LastError: 0x5=5=Access is denied.");
  SetzeLetzteFehlerNr(0, "");
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  EXPECT_EQ(Text(), " / LastError: 0x5=5=Access is denied.");
  ixstdf::SetSystemErrno(ENOENT);
  SetzeLetzteFehlerNr(1, "x");
  EXPECT_EQ(Text(), "x / LastError: 0x2=2=No such file or directory");
  ixstdf::SetSystemError(1234);
  SetzeLetzteFehlerNr(1, "x");
  EXPECT_EQ(Text(), "x / LastError: 0x4d2=1234=Unknown error 1234");

  // the composition is cut to the 255 bytes the text holds
  ixstdf::SetSystemError(platform::ERROR_ACCESS_DENIED);
  std::string g2 = std::string(250, 'd') + "\xC3\xA4";  // 252 bytes fit, suffix cut
  SetzeLetzteFehlerNr(1, g2.c_str());
  EXPECT_EQ(Text(), g2 + " / ");
  std::string g3 = std::string(254, 'e') + "\xC3\xA4";  // 256 bytes: refused whole
  SetzeLetzteFehlerNr(1, g3.c_str());
  EXPECT_EQ(Text(), g2 + " / ");
  ixstdf::SetSystemError(0);
  std::string g4 = std::string(253, 'f') + "\xC3\xA4";  // 255 bytes exactly
  SetzeLetzteFehlerNr(1, g4.c_str());
  EXPECT_EQ(Text(), g4);
  SetzeLetzteFehlerNr(3, nullptr);
  EXPECT_EQ(Text(), "");
}

TEST_F(IxStdF, ProbeAndIdentity) {
  EXPECT_EQ(TesteDll("hallo"), 1);
  EXPECT_EQ(GibLetzteFehlerNr(), IXSTDF_FAILURE);
  EXPECT_EQ(Text(), "der fehlertext!");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "hallo");
  EXPECT_EQ(boxes[0].caption, "ixstdf");
  // the probe leaves ERROR_INVALID_NAME as the system error
  SetzeLetzteFehlerNr(0, "");
  EXPECT_EQ(Text(),
            " / LastError: 0x7b=123=The filename, directory name, or volume label syntax is "
            "incorrect.");
  // neither identity call touches the error state
  std::string name = GetDllName();
  EXPECT_EQ(name.substr(name.size() - 7), "/IxStdF");
  EXPECT_TRUE(std::regex_match(std::string(GetDllVersion()),
                               std::regex("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] "
                                          "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}")))
      << GetDllVersion();
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
}

TEST(IxStdFDefaults, MessageBoxWithoutAHostGoesToStderr) {
  testing::internal::CaptureStderr();
  TesteDll("sichtbar");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ixstdf: sichtbar\n");
}
