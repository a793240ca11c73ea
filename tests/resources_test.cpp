#include <gtest/gtest.h>

#include "platform/resources.h"
#include "platform/text.h"

namespace warden::platform {
namespace {

TEST(ResourcesTest, MissingIdsGiveEmptyText) {
  EXPECT_EQ(ResourceString(100), u"");
  EXPECT_EQ(ResourceString(112), u"");  // a gap inside a block
  EXPECT_EQ(ResourceString(9999), u"");
  EXPECT_EQ(StringFrom(nullptr, 109), u"");
}

TEST(ResourcesTest, TheSourceCanBeSwitchedAndRestored) {
  SetResourceSource(nullptr);
  EXPECT_EQ(ResourceSource(), OwnResources());
  EXPECT_EQ(ResourceString(123), u"无");
}

}  // namespace
}  // namespace warden::platform
