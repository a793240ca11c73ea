#include <gtest/gtest.h>

#include "platform/resources.h"
#include "platform/text.h"

namespace warden::platform {
namespace {

// Every text of the module's own string table, as the module must carry it.
TEST(ResourcesTest, ModuleStringTableHoldsEveryTextExactly) {
  const std::pair<std::uint16_t, std::u16string> expected[] = {
      {103, u"创建系统文件user.dat失败！"},
      {104, u"读系统文件user.dat失败！"},
      {105, u"写系统文件user.dat失败！"},
      {106, u"名称已经存在，请换用其他名称！"},
      {107, u"请输入名称！"},
      {108, u"组安全区不能既选无又选别的！"},
      {109, u"系统管理员组"},
      {110, u"不能修改系统管理员组或无组的名字！"},
      {111, u"无组"},
      {114, u"登录超时应是0至255之间的整数！"},
      {115, u"优先级应是0至999之间的整数！"},
      {116, u"确实要删除\"%s\"吗？"},
      {117, u"删除用户或用户组错误！"},
      {118, u"存User.dat文件失败！"},
      {119, u"读取User.dat文件失败！"},
      {120, u"从文件Section.dat中读取安全区信息失败！"},
      {121, u"存安全区到文件Section.dat中失败！"},
      {122, u"系统管理员"},
      {123, u"无"},
      {124, u"安全区名不能为空！"},
      {125, u"安全区名不能重！"},
      {126, u"只能修改比当前登录用户优先级低的用户！"},
      {127, u"优先级不能高于当前登录用户的优先级！"},
      {128, u"密码输入超出%d个字符限制！"},
      {264, u"安全区名含有非法字符 "},
      {265, u"安全区名超过32个字符！"},
  };
  for (const auto& [id, text] : expected) {
    SCOPED_TRACE(id);
    EXPECT_EQ(ToUtf8(ResourceString(id)), ToUtf8(text));
  }
}

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
