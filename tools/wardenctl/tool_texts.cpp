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
    {"按以上所列导入吗？[y/N] ", "Import with the changes listed? [y/N] "},
    {"不在终端上运行：请加--yes确认。", "Not on a terminal: confirm with --yes."},
    {"没有可用的users.bak。", "There is no readable users.bak."},
    {"没有变化。", "Nothing changes."},
    {"另一个程序正在使用%s，请稍后再试。", "Another program is using %s; try again later."},
    {"wardenctl verify 显示损坏之处；wardenctl restore-backup 恢复users.bak，wardenctl import "
     "导入一份导出文件。",
     "wardenctl verify shows what is damaged; wardenctl restore-backup puts users.bak back, "
     "wardenctl import reads in an export."},
    {"Windows配置中没有安装目录（ApplicationDirectory）：请用--dir指定目录。",
     "The Windows profile names no install directory (ApplicationDirectory): name one with "
     "--dir."},
    {"目录不存在：%s", "There is no directory %s."},
    {"不是目录：%s", "%s is not a directory."},
    {"密码为空：请给出密码，或加--allow-empty-passwords。",
     "The password is empty: give one, or add --allow-empty-passwords."},
    {"密码：", "Password: "},
    {"再次输入密码：", "Password again: "},
    {"两次输入的密码不同。", "The two passwords differ."},
    {"%s无法读取，将被整个替换为：", "%s cannot be read; it is replaced whole by:"},
    {"新增%s个", "%s added"},
    {"删除%s个", "%s dropped"},
    {"修改%s个", "%s changed"},
    {"记录顺序改变", "the order of the records changes"},
    {"等待回答期间另一个程序改变了文件，没有写入任何内容；请重新运行。",
     "Another program changed the files while the question waited for its answer; nothing was "
     "written. Run the command again."},
    {"History\\中没有可用的第%s代。", "There is no readable generation %s in History\\."},
    {"按以上所列恢复这一代吗？[y/N] ", "Restore this generation with the changes listed? [y/N] "},
    {"无法在History\\中记录这次保存，因此没有保存；文件保持原样。",
     "The save could not be recorded in History\\, so it was not made; the files are as they "
     "were."},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<int>(ToolText::kCount));

}  // namespace

const char* ToolTextUtf8(ToolText text, bool english) {
  const Pair& pair = kTexts[static_cast<int>(text)];
  return english ? pair.english : pair.chinese;
}

}  // namespace warden::ctl
