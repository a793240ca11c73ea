#include "tools/wardenctl/tool_texts.h"

namespace warden::ctl {
namespace {

struct Pair {
  const char* chinese;
  const char* english;
};

constexpr Pair kTexts[] = {
    {"没有名为\"%s\"的账户！", "There is no account named \"%s\"."},
    {"没有名为\"%s\"的用户组！", "There is no group named \"%s\"."},
    {"没有名为\"%s\"的用户，不能以其身份操作！", "There is no user named \"%s\" to act as."},
    {"不能删除内置账户\"%s\"！", "The built-in account \"%s\" cannot be deleted."},
    {"用户组\"%s\"还有用户，不能删除！", "The group \"%s\" still has users; it cannot be deleted."},
    {"（用户组不存在）", "(group not found)"},
    {"用户组没有此项：%s", "A group has no %s."},
    {"用users.bak的内容替换users.dat吗？[y/N] ",
     "Replace users.dat by the content of users.bak? [y/N] "},
    {"不在终端上运行：请加--yes确认。", "Not on a terminal: confirm with --yes."},
    {"没有可用的users.bak。", "There is no readable users.bak."},
    {"没有变化。", "Nothing changes."},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<int>(ToolText::kCount));

}  // namespace

const char* ToolTextUtf8(ToolText text, bool english) {
  const Pair& pair = kTexts[static_cast<int>(text)];
  return english ? pair.english : pair.chinese;
}

}  // namespace warden::ctl
