// The dialog framework on the headless backend, over the module's own
// templates, and the checks a headless script makes of itself.
#include <gtest/gtest.h>

#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/ui_headless.h"
#include "resources/resource_ids.h"
#include "tests/support/dialog_script.h"

namespace warden::platform {
namespace {

namespace hl = headless;

// A dialog over a module template; each test gives what it exchanges.
class TestDialog : public Dialog {
 public:
  explicit TestDialog(std::uint16_t id) : Dialog(id, nullptr) {}
  std::function<void(DataExchange&)> exchange = [](DataExchange&) {};
  int selections = 0;  // of the tree's selection changes
  using Dialog::On;

 protected:
  void DoDataExchange(DataExchange& data) override { exchange(data); }
};

void InstallScriptFailureReporter() {
  hl::SetFailureReporter([](const char* file, int line, const std::string& message) {
    ADD_FAILURE_AT(file, line) << message;
  });
}

// Every test's script failures fail that test, at the line of the step.
class ScriptFailures : public ::testing::Environment {
  void SetUp() override { InstallScriptFailureReporter(); }
};
const ::testing::Environment* const kScriptFailures =
    ::testing::AddGlobalTestEnvironment(new ScriptFailures);

using UiHeadlessTest = warden::testing::DialogScriptTest;

// A preset text over its limit is shown whole but refused on OK with the
// standard message, its text selected; the exchanges after it do not run.
// Typing stops at the limit and, in a digits-only edit, skips other keys.
TEST_F(UiHeadlessTest, OverlongTextIsRefusedWithTheStandardMessage) {
  TestDialog dialog(IDD_USER_EDITOR);
  std::u16string name = u"toolong", timeout = u"12";
  int type = 7;
  dialog.exchange = [&](DataExchange& data) {
    data.Text(IDC_USER_NAME, name, 5);
    data.Text(IDC_LOGIN_TIMEOUT, timeout, 3);
    data.Radio(IDC_TYPE_GROUP, type);
  };
  hl::Push(hl::ExpectDialog(IDD_USER_EDITOR), [](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_USER_NAME), u"toolong");
    d.Type(IDC_LOGIN_TIMEOUT, u"1a2-3 4");
    d.Ok();
    EXPECT_EQ(d.Focused(), IDC_USER_NAME);
    EXPECT_EQ(d.Selection(IDC_USER_NAME), (std::pair<std::size_t, std::size_t>{0, 7}));
    d.Type(IDC_USER_NAME, u"abcdefgh");
    d.Ok();
  });
  hl::Push(hl::ExpectMessage(IDS_TEXT_TOO_LONG), hl::PressOk());
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(ToUtf8(hl::Record().at(1).text),
            ToUtf8(FormatText(ResourceString(IDS_TEXT_TOO_LONG), u"5")));
  EXPECT_EQ(hl::Record()[1].flags, kMbOk | kMbIconExclamation);
  EXPECT_EQ(name + timeout, u"abcde123");
  EXPECT_EQ(type, -1);  // no radio button of the group ticked
}

// Deleting the selected item selects as the real tree view does (the same
// rows run on one under Wine), which the manage dialog relies on: next
// sibling, else parent, else previous sibling, each with one notification.
// Controls without a control of their id do nothing.
TEST_F(UiHeadlessTest, DeletingTheSelectedTreeItemMovesTheSelection) {
  const char16_t* const rows[][3] = {{u"user", u"user", u"group"},  // selected, deleted, after
                                     {u"user", u"group", u"loner"},
                                     {u"loner", u"loner", u"group"},
                                     {u"loner", u"group", u"loner"}};
  TestDialog dialog(IDD_MANAGE);
  TreeView tree, missing;
  ComboBox combo;
  dialog.exchange = [&](DataExchange& data) {
    data.Bind(IDC_ACCOUNT_TREE, tree);
    data.Bind(999, missing);
    data.Bind(999, combo);
  };
  dialog.On(IDC_ACCOUNT_TREE, NotifyCode::kSelectionChanged,
            [&dialog](const Notification&) { ++dialog.selections; });
  hl::Push(hl::ExpectDialog(IDD_MANAGE), [&](hl::Driver& d) {
    EXPECT_EQ(missing.InsertItem(u"x", 1) + combo.AddString(u"x") + combo.CurSel(), -2);
    for (const auto& row : rows) {
      SCOPED_TRACE(ToUtf8(row[1]));
      tree.DeleteAllItems();
      const TreeView::Item group = tree.InsertItem(u"group", 2);
      EXPECT_EQ(tree.Parent(tree.InsertItem(u"user", 1, group)), group);
      EXPECT_EQ(tree.NextSibling(tree.InsertItem(u"loner", 1)), 0);
      dialog.selections = 0;
      EXPECT_TRUE(tree.Select(d.TreeFind(IDC_ACCOUNT_TREE, row[0])));
      EXPECT_TRUE(tree.DeleteItem(d.TreeFind(IDC_ACCOUNT_TREE, row[1])));
      EXPECT_EQ(ToUtf8(tree.ItemText(tree.Selected())), ToUtf8(row[2]));
      EXPECT_EQ(dialog.selections, std::u16string(row[0]) != row[2] ? 2 : 1);
    }
    d.Cancel();
  });
  dialog.DoModal();
}

// A step that finds another modal than it names fails at its own line and
// closes that modal; so does an action an operator could not do.
TEST_F(UiHeadlessTest, StepsNameTheirModalAndActionsMustAct) {
  std::vector<std::pair<int, std::string>> failures;
  hl::SetFailureReporter([&failures](const char*, int line, const std::string& message) {
    failures.emplace_back(line, message);
  });
  TestDialog dialog(IDD_RENAME_ZONE);
  std::u16string name = ResourceString(IDS_ZONE_NAME_EMPTY);
  dialog.exchange = [&name](DataExchange& data) { data.Text(IDC_NEW_ZONE_NAME, name, 99); };
  const int line = __LINE__ + 1;
  hl::Push(hl::ExpectDialog(IDD_ZONES), hl::PressOk());
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  hl::Push(hl::ExpectDialogText(IDD_RENAME_ZONE, IDS_ZONE_NAME_EMPTY), [](hl::Driver& d) {
    EXPECT_FALSE(d.Click(IDC_MODIFY));  // no such control
    EXPECT_FALSE(d.Refusing().ListClick(IDC_NEW_ZONE_NAME, 0));
    EXPECT_TRUE(d.Refusing().Cancel());
  });
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  hl::Push(hl::ExpectDialogText(IDD_RENAME_ZONE, IDS_ZONE_NAME_REPEATED), hl::PressOk());
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  hl::Push(hl::ExpectMessage(IDS_ZONE_NAME_EMPTY), hl::AnswerWith(kIdNo));
  EXPECT_EQ(ShowMessageBox(nullptr, u"x", kMbYesNo), kIdYes);
  hl::Push(hl::ExpectMessage(IDS_CONFIRM_DELETE), hl::AnswerWith(kIdNo));  // up to the "%s"
  const std::u16string confirm = FormatText(ResourceString(IDS_CONFIRM_DELETE), u"a");
  EXPECT_EQ(ShowMessageBox(nullptr, confirm, kMbYesNo), kIdNo);
  const int plain_step = __LINE__ + 1;
  hl::Push([](hl::Driver& d) { d.Type(IDC_PROMPT_TEXT, u"x"), d.Ok(); });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(ShowMessageBox(nullptr, u"no step", kMbYesNo), kIdYes);  // unanswered: first button
  EXPECT_EQ(hl::Unanswered(), 1);
  hl::Reset();
  InstallScriptFailureReporter();
  const std::vector<std::pair<int, std::string>> expected = {
      {line, "expected dialog 207, but dialog 210 opened"},
      {line + 2, "could not click control 228"},
      {line + 2, "could click control 2, expected to be refused"},
      {line + 8, "expected dialog 210 with text 125, but dialog 210 opened"},
      {line + 10, "expected message box with text 124, but a message box \"x\" opened"},
      {plain_step, "could not type into control 239"}};
  EXPECT_EQ(failures, expected);
}

TEST(FormatTextTest, ReplacesTheFirstPlaceholder) {
  const std::pair<std::u16string, std::u16string> rows[] = {{u"max %d chars", u"max 31 chars"},
                                                            {u"del \"%s\" %s?", u"del \"31\" %s?"},
                                                            {u"none", u"none"},
                                                            {u"100%", u"100%"}};
  for (const auto& [pattern, text] : rows) EXPECT_EQ(FormatText(pattern, u"31"), text);
}

}  // namespace
}  // namespace warden::platform
