#include <gtest/gtest.h>

#include "platform/resources.h"
#include "platform/text.h"

namespace warden::platform {
namespace {

// With no source set the module's own strings are read; missing ids, a gap
// inside a block and no module give empty text.
TEST(ResourcesTest, StringsComeFromTheModuleAndMissingOnesAreEmpty) {
  SetResourceSource(nullptr);
  EXPECT_EQ(ResourceSource(), OwnResources());
  EXPECT_EQ(ResourceString(123), u"无");
  for (std::uint16_t id : {100, 112, 9999}) EXPECT_EQ(ResourceString(id), u"") << id;
  EXPECT_EQ(StringFrom(nullptr, 109), u"");
}

}  // namespace
}  // namespace warden::platform
