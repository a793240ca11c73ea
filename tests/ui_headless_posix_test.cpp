// The dialog framework on the headless backend, over the module's own
// templates (the editor's carries every control kind but the tree), and the
// checks a headless script makes of itself.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/ui_headless.h"
#include "resources/resource_ids.h"
#include "tests/support/dialog_script.h"

namespace warden::platform {
namespace {

namespace hl = headless;
using Events = std::vector<std::tuple<std::int32_t, NotifyCode, std::intptr_t>>;

// A dialog over a module template; each test gives what it exchanges and fills.
class TestDialog : public Dialog {
 public:
  explicit TestDialog(std::uint16_t id) : Dialog(id, nullptr) {}
  std::function<void(DataExchange&)> exchange = [](DataExchange&) {};
  std::function<void()> init = [] {};
  Events events;

  // Logs each notification of that control and code.
  void Listen(std::int32_t id, NotifyCode code) {
    On(id, code, [this](const Notification& n) { events.emplace_back(n.id, n.code, n.item); });
  }

 protected:
  void DoDataExchange(DataExchange& data) override { exchange(data); }
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    init();
    return true;
  }
};

// The editor with a name limited to 5 and a timeout to 3 characters.
struct Editor {
  Editor() {
    dialog.exchange = [this](DataExchange& data) {
      data.Bind(IDC_JOIN_GROUP_COMBO, combo);
      data.Bind(IDC_ZONE_LIST, list);
      data.Text(IDC_USER_NAME, name, 5);
      data.Text(IDC_LOGIN_TIMEOUT, timeout, 3);
      data.Radio(IDC_TYPE_GROUP, type);
      data.Check(IDC_JOIN_GROUP, join);
    };
    dialog.init = [this] {
      combo.AddString(u"first");
      combo.AddString(u"second");
      combo.SetCurSel(1);
      EXPECT_EQ(list.InsertColumn(-1, u"", 0, 10), -1);
      EXPECT_FALSE(list.HasColumn(0));
      EXPECT_EQ(list.InsertColumn(0, u"", 0, 10), 0);
      EXPECT_EQ(list.InsertColumn(7, u"", 0, 10), 1);  // past the end: appended
      EXPECT_TRUE(list.HasColumn(1) && !list.HasColumn(2));
      list.SetExtendedStyle(ListView::kExCheckBoxes, ListView::kExCheckBoxes);
      list.InsertItem(0, u"zero");
      list.InsertItem(1, u"one");
      list.SetChecked(1, true);
    };
  }
  TestDialog dialog{IDD_USER_EDITOR};
  std::u16string name, timeout = u"12";
  int type = 1;
  bool join = true;
  ComboBox combo;
  ListView list;
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

TEST_F(UiHeadlessTest, ControlsFollowTheTemplateExchangeBothWaysAndNotify) {
  Editor editor;
  const std::pair<std::int32_t, NotifyCode> logged[] = {
      {IDC_ZONE_LIST, NotifyCode::kClick},
      {IDC_ZONE_LIST, NotifyCode::kDoubleClick},
      {IDC_JOIN_GROUP_COMBO, NotifyCode::kSelectionChanged},
      {IDC_JOIN_GROUP, NotifyCode::kClick}};
  for (const auto& [id, code] : logged) editor.dialog.Listen(id, code);
  hl::Push(hl::ExpectDialog(IDD_USER_EDITOR), [&editor](hl::Driver& d) {
    EXPECT_EQ(d.Focused(), IDC_TYPE_GROUP);  // the first tab stop
    EXPECT_EQ(d.Text(IDC_LOGIN_TIMEOUT), u"12");
    EXPECT_TRUE(d.IsChecked(IDC_TYPE_USER));
    EXPECT_TRUE(d.IsChecked(IDC_JOIN_GROUP));
    EXPECT_EQ(d.Text(IDC_JOIN_GROUP_COMBO), u"second");
    EXPECT_TRUE(d.ListChecked(IDC_ZONE_LIST, 1));
    EXPECT_EQ(d.ListExStyle(IDC_ZONE_LIST), ListView::kExCheckBoxes);
    EXPECT_EQ(d.Selection(IDC_PASSWORD), (std::pair<std::size_t, std::size_t>{0, 0}));
    EXPECT_TRUE(d.Type(IDC_USER_NAME, u"abcdefgh"));  // the limit stops typing
    EXPECT_TRUE(d.Type(IDC_LOGIN_TIMEOUT, u"1a2-3 4"));
    EXPECT_FALSE(d.Refusing().Type(IDC_GROUP_NAME, u"x"));  // disabled in the template
    EXPECT_TRUE(d.Click(IDC_TYPE_GROUP));
    EXPECT_FALSE(d.IsChecked(IDC_TYPE_USER));
    EXPECT_TRUE(d.Click(IDC_JOIN_GROUP));
    d.ListClick(IDC_ZONE_LIST, 1);
    d.ListDoubleClick(IDC_ZONE_LIST, 5);  // below the items: both report no item
    d.ComboSelect(IDC_JOIN_GROUP_COMBO, 0);
    EXPECT_EQ(editor.combo.CurSel(), 0);
    EXPECT_TRUE(d.ListTick(IDC_ZONE_LIST, 0, true));
    d.Ok();
  });
  EXPECT_EQ(editor.dialog.DoModal(), kIdOk);
  EXPECT_EQ(editor.name, u"abcde");
  EXPECT_EQ(editor.timeout, u"123");
  EXPECT_EQ(editor.type, 0);
  EXPECT_FALSE(editor.join);
  const Events expected = {{IDC_JOIN_GROUP, NotifyCode::kClick, -1},
                           {IDC_ZONE_LIST, NotifyCode::kClick, 1},
                           {IDC_ZONE_LIST, NotifyCode::kClick, -1},
                           {IDC_ZONE_LIST, NotifyCode::kDoubleClick, -1},
                           {IDC_JOIN_GROUP_COMBO, NotifyCode::kSelectionChanged, 0}};
  EXPECT_EQ(editor.dialog.events, expected);
  // The controls are gone with the window; calls on them do nothing.
  EXPECT_EQ(editor.list.ItemCount(), 0);
  EXPECT_FALSE(editor.list.IsAttached());
}

// A preset text over its limit is shown whole but refused on OK with the
// standard message; the exchanges after it do not run.
TEST_F(UiHeadlessTest, OverlongTextIsRefusedWithTheStandardMessage) {
  Editor editor;
  editor.name = u"toolong";
  hl::Push(hl::ExpectDialog(IDD_USER_EDITOR), [](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_USER_NAME), u"toolong");
    d.Type(IDC_LOGIN_TIMEOUT, u"7");
    d.Ok();
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(d.Focused(), IDC_USER_NAME);
    EXPECT_EQ(d.Selection(IDC_USER_NAME), (std::pair<std::size_t, std::size_t>{0, 7}));
    d.Type(IDC_USER_NAME, u"ok");
    d.Ok();
  });
  hl::Push(hl::ExpectMessage(IDS_TEXT_TOO_LONG), hl::PressOk());
  EXPECT_EQ(editor.dialog.DoModal(), kIdOk);
  ASSERT_EQ(hl::Record().size(), 2u);
  EXPECT_EQ(ToUtf8(hl::Record()[1].text),
            ToUtf8(FormatText(ResourceString(IDS_TEXT_TOO_LONG), u"5")));
  EXPECT_EQ(hl::Record()[1].flags, kMbOk | kMbIconExclamation);
  EXPECT_EQ(editor.name, u"ok");
  EXPECT_EQ(editor.timeout, u"7");
}

// With no radio button of its group ticked, the saved index is -1.
TEST_F(UiHeadlessTest, RadioGroupWithNoneTickedSavesMinusOne) {
  TestDialog dialog(IDD_USER_EDITOR);
  int type = 7;
  dialog.exchange = [&type](DataExchange& data) { data.Radio(IDC_TYPE_GROUP, type); };
  hl::Push(hl::ExpectDialog(IDD_USER_EDITOR), [](hl::Driver& d) {
    EXPECT_FALSE(d.IsChecked(IDC_TYPE_GROUP) || d.IsChecked(IDC_TYPE_USER));
    d.Ok();
  });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(type, -1);
}

// Controls bound to ids the template lacks, and controls whose dialog has
// closed, do nothing and answer "none": a wrong id must never crash.
TEST_F(UiHeadlessTest, ControlsWithoutAControlDoNothing) {
  constexpr std::int32_t kMissing = 999;
  TestDialog dialog(IDD_MANAGE);
  ComboBox combo;
  ListView list;
  TreeView tree;
  dialog.exchange = [&](DataExchange& data) {
    data.Bind(kMissing, combo);
    data.Bind(kMissing, list);
    data.Bind(kMissing, tree);
  };
  hl::Push(hl::ExpectDialog(IDD_MANAGE), [&](hl::Driver& d) {
    EXPECT_EQ(combo.AddString(u"x"), -1);
    EXPECT_EQ(combo.CurSel(), -1);
    list.SetExtendedStyle(ListView::kExCheckBoxes, ListView::kExCheckBoxes);
    EXPECT_FALSE(list.IsChecked(0) || list.HasColumn(0));
    EXPECT_EQ(list.InsertColumn(0, u"", 0, 10), -1);
    EXPECT_FALSE(tree.DeleteAllItems() || tree.Select(1));
    EXPECT_EQ(tree.ItemText(1), u"");
    EXPECT_EQ(d.ComboSelected(kMissing), -1);
    EXPECT_FALSE(d.ListChecked(kMissing, 0));
    d.Cancel();
  });
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  combo.Redraw();
  EXPECT_EQ(combo.Count(), 0);
  EXPECT_EQ(tree.ItemData(1), 0);
  EXPECT_FALSE(dialog.UpdateData(true));
}

// Deleting the selected item selects as the real tree view does (the same
// rows run on one under Wine), which the manage dialog's tests rely on: next
// sibling, else parent, else previous sibling, each with one notification.
TEST_F(UiHeadlessTest, DeletingTheSelectedTreeItemMovesTheSelection) {
  const char16_t* const cases[][3] = {{u"user", u"user", u"group"},  // selected, deleted, after
                                      {u"user", u"group", u"loner"},
                                      {u"loner", u"loner", u"group"},
                                      {u"loner", u"group", u"loner"}};
  TestDialog dialog(IDD_MANAGE);
  TreeView tree;
  dialog.exchange = [&tree](DataExchange& data) { data.Bind(IDC_ACCOUNT_TREE, tree); };
  dialog.Listen(IDC_ACCOUNT_TREE, NotifyCode::kSelectionChanged);
  hl::Push(hl::ExpectDialog(IDD_MANAGE), [&](hl::Driver& d) {
    for (const auto& c : cases) {
      SCOPED_TRACE(ToUtf8(c[1]));
      tree.DeleteAllItems();
      const TreeView::Item group = tree.InsertItem(u"group", 2);
      EXPECT_EQ(tree.Parent(tree.InsertItem(u"user", 1, group)), group);
      EXPECT_EQ(tree.NextSibling(tree.InsertItem(u"loner", 1)), 0);
      dialog.events.clear();
      EXPECT_TRUE(tree.Select(d.TreeFind(IDC_ACCOUNT_TREE, c[0])));
      EXPECT_TRUE(tree.DeleteItem(d.TreeFind(IDC_ACCOUNT_TREE, c[1])));
      EXPECT_EQ(ToUtf8(tree.ItemText(tree.Selected())), ToUtf8(c[2]));
      EXPECT_EQ(dialog.events.size(), std::u16string(c[0]) != c[2] ? 2u : 1u);
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
    EXPECT_FALSE(d.Refusing().Click(IDC_MODIFY));
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
  EXPECT_EQ(ShowMessageBox(nullptr, u"no step", kMbYesNo), kIdYes);  // unanswered: first button
  EXPECT_EQ(hl::Unanswered(), 1);
  hl::Reset();
  InstallScriptFailureReporter();
  const std::vector<std::pair<int, std::string>> expected = {
      {line, "expected dialog 207, but dialog 210 opened"},
      {line + 2, "could not click control 228"},
      {line + 2, "could click control 2, expected to be refused"},
      {line + 8, "expected dialog 210 with text 125, but dialog 210 opened"},
      {line + 10, "expected message box with text 124, but a message box \"x\" opened"}};
  EXPECT_EQ(failures, expected);
}

TEST(FormatTextTest, ReplacesTheFirstPlaceholder) {
  EXPECT_EQ(FormatText(u"max %d chars", u"31"), u"max 31 chars");
  EXPECT_EQ(FormatText(u"delete \"%s\"?", u"a%d"), u"delete \"a%d\"?");
  EXPECT_EQ(FormatText(u"none", u"x"), u"none");
  EXPECT_EQ(FormatText(u"100%", u"x"), u"100%");
}

}  // namespace
}  // namespace warden::platform
