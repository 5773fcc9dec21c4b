#pragma once
// Shared set-up of the operations library tests: message boxes are
// collected instead of printed, and the error state starts clean.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instari/ixstdf32/errorstate.h"
#include "instari/ixstdf32/ixstdf.h"

namespace ixtest {

struct Box {
  std::string text, caption;
};

class IxStdF : public testing::Test {
 protected:
  void SetUp() override {
    IxStdFSetMessageBox(
        [](const char* text, const char* caption, void* self) {
          static_cast<IxStdF*>(self)->boxes.push_back({text, caption});
        },
        this);
    ixstdf::SetSystemError(0);
    SetzeLetzteFehlerNr(0, "");
  }
  void TearDown() override { IxStdFSetMessageBox(nullptr, nullptr); }

  static std::string Text() { return GibLetztenFehlerText(); }

  std::vector<Box> boxes;
};

}  // namespace ixtest
