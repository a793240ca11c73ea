// Tests of dialogs on the headless backend (POSIX builds): each starts with
// an empty script, the framework's texts and fresh stores, and ends with no
// step left over and no modal left unanswered.
#ifndef WARDEN_TESTS_SUPPORT_DIALOG_SCRIPT_H
#define WARDEN_TESTS_SUPPORT_DIALOG_SCRIPT_H

#include <gtest/gtest.h>

#include "dialogs/dialog_texts.h"
#include "platform/ui_headless.h"
#include "tests/support/stores.h"

namespace warden::testing {

class DialogScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::Reset();
    platform::SetStandardTexts(kDialogTexts);
    ResetStores();
  }
  void TearDown() override {
    EXPECT_EQ(platform::headless::Unanswered(), 0);
    EXPECT_EQ(platform::headless::PendingSteps(), 0u);
    platform::headless::Reset();
    ResetStores();
  }
};

}  // namespace warden::testing

#endif
