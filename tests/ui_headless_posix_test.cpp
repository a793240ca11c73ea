// The dialog framework on the headless backend, over the module's own
// templates: the editor's carries every control kind but the tree, the
// manage dialog's the tree.
#include <gtest/gtest.h>

#include <tuple>

#include "dialogs/dialog_texts.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/ui_headless.h"
#include "resources/resource_ids.h"

namespace warden::platform {
namespace {

namespace hl = headless;
using Events = std::vector<std::tuple<std::int32_t, NotifyCode, std::intptr_t>>;

// A dialog over a module template; each test gives what it exchanges and fills.
class TestDialog : public Dialog {
 public:
  explicit TestDialog(std::uint16_t id, WindowHandle parent = nullptr) : Dialog(id, parent) {}
  std::function<void(DataExchange&)> exchange = [](DataExchange&) {};
  std::function<void()> init = [] {};
  Events events;

  // Runs `run`, or without it logs the notification (a tree item only as 0: it is a handle).
  void Listen(std::int32_t id, NotifyCode code, std::function<void()> run = nullptr) {
    On(id, code, [this, run](const Notification& n) {
      if (run) return run();
      events.emplace_back(n.id, n.code, n.id == IDC_ACCOUNT_TREE ? 0 : n.item);
    });
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

class UiHeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hl::Reset();
    SetStandardTexts(warden::kDialogTexts);
  }
  void TearDown() override {
    EXPECT_EQ(hl::Unanswered(), 0);
    EXPECT_EQ(hl::PendingSteps(), 0u);
    hl::Reset();
  }
};

TEST_F(UiHeadlessTest, ControlsFollowTheTemplateExchangeBothWaysAndNotify) {
  Editor editor;
  const std::pair<std::int32_t, NotifyCode> logged[] = {
      {IDC_ZONE_LIST, NotifyCode::kClick}, {IDC_ZONE_LIST, NotifyCode::kDoubleClick},
      {IDC_JOIN_GROUP_COMBO, NotifyCode::kSelectionChanged}, {IDC_JOIN_GROUP, NotifyCode::kClick}};
  for (const auto& [id, code] : logged) editor.dialog.Listen(id, code);
  hl::Push([&editor](hl::Driver& d) {
    EXPECT_EQ(d.Focused(), IDC_TYPE_GROUP);  // the first tab stop
    EXPECT_EQ(d.Text(IDC_LOGIN_TIMEOUT), u"12");
    EXPECT_TRUE(d.IsChecked(IDC_TYPE_USER));
    EXPECT_TRUE(d.IsChecked(IDC_JOIN_GROUP));
    EXPECT_EQ(d.Text(IDC_JOIN_GROUP_COMBO), u"second");
    EXPECT_TRUE(d.ListChecked(IDC_ZONE_LIST, 1));
    EXPECT_TRUE(d.Type(IDC_USER_NAME, u"abcdefgh"));  // the limit stops typing
    EXPECT_TRUE(d.Type(IDC_LOGIN_TIMEOUT, u"1a2-3 4"));
    EXPECT_FALSE(d.Type(IDC_GROUP_NAME, u"x"));  // disabled in the template
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
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_USER_NAME), u"toolong");
    d.Type(IDC_LOGIN_TIMEOUT, u"7");
    d.Ok();
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(d.Focused(), IDC_USER_NAME);
    EXPECT_EQ(d.Selection(IDC_USER_NAME), (std::pair<std::size_t, std::size_t>{0, 7}));
    d.Type(IDC_USER_NAME, u"ok");
    d.Ok();
  });
  hl::Push(hl::PressOk());
  EXPECT_EQ(editor.dialog.DoModal(), kIdOk);
  ASSERT_EQ(hl::Record().size(), 2u);
  EXPECT_EQ(ToUtf8(hl::Record()[1].text),
            ToUtf8(FormatText(ResourceString(IDS_TEXT_TOO_LONG), u"5")));
  EXPECT_EQ(hl::Record()[1].flags, kMbOk | kMbIconExclamation);
  EXPECT_EQ(editor.name, u"ok");
  EXPECT_EQ(editor.timeout, u"7");
}

// Deleting the selected item selects as the tree view does: next sibling,
// else parent, else previous sibling, each with one notification.
TEST_F(UiHeadlessTest, DeletingTheSelectedTreeItemMovesTheSelection) {
  const char16_t* const cases[][3] = {{u"user", u"user", u"group"},  // selected, deleted, after
                                      {u"user", u"group", u"loner"},
                                      {u"loner", u"loner", u"group"},
                                      {u"loner", u"group", u"loner"}};
  TestDialog dialog(IDD_MANAGE);
  TreeView tree;
  dialog.exchange = [&tree](DataExchange& data) { data.Bind(IDC_ACCOUNT_TREE, tree); };
  dialog.Listen(IDC_ACCOUNT_TREE, NotifyCode::kSelectionChanged);
  hl::Push([&](hl::Driver& d) {
    for (const auto& c : cases) {
      SCOPED_TRACE(ToUtf8(c[1]));
      tree.DeleteAllItems();
      const TreeView::Item group = tree.InsertItem(u"group", 2);
      EXPECT_EQ(tree.Parent(tree.InsertItem(u"user", 1, group)), group);
      tree.InsertItem(u"loner", 1);
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

// The steps run in the order the modals open; TearDown checks none is left.
TEST_F(UiHeadlessTest, NestedDialogsAndMessageBoxesTakeTheNextSteps) {
  TestDialog dialog(IDD_MANAGE);
  std::u16string text = u"abc";
  dialog.Listen(IDC_NEW, NotifyCode::kClick, [&] {
    TestDialog child(IDD_RENAME_ZONE, dialog.Handle());
    child.exchange = [&text](DataExchange& data) { data.Text(IDC_NEW_ZONE_NAME, text, 4); };
    EXPECT_EQ(child.DoModal(), kIdOk);
  });
  dialog.Listen(IDC_DELETE, NotifyCode::kClick, [&] {
    EXPECT_EQ(ShowMessageBox(dialog.Handle(), u"Sure?", kMbYesNo | kMbIconQuestion), kIdNo);
  });
  hl::Push([](hl::Driver& d) {
    d.Click(IDC_NEW);
    d.Click(IDC_DELETE);
    d.Cancel();
  });
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_NEW_ZONE_NAME), u"abc");
    d.Type(IDC_NEW_ZONE_NAME, u"wxyz!");
    d.Ok();
  });
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.shown().text, u"Sure?");
    EXPECT_EQ(ToUtf8(d.shown().caption), ToUtf8(ResourceString(IDS_APP_TITLE)));
    d.Answer(kIdNo);
  });
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(text, u"wxyz");
}

// A script that runs out must not hang the test: the modal closes as Cancel.
TEST_F(UiHeadlessTest, CloseBoxUnansweredModalsAndMissingTemplates) {
  TestDialog dialog(IDD_PROMPT);
  hl::Push([](hl::Driver& d) { d.Close(); });
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(hl::Unanswered(), 0);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(ShowMessageBox(nullptr, u"x", kMbYesNo), kIdYes);
  EXPECT_EQ(hl::Unanswered(), 2);
  hl::Reset();
  EXPECT_EQ(TestDialog(9999).DoModal(), -1);
  EXPECT_TRUE(hl::Record().empty());
}

TEST(FormatTextTest, ReplacesTheFirstPlaceholder) {
  EXPECT_EQ(FormatText(u"max %d chars", u"31"), u"max 31 chars");
  EXPECT_EQ(FormatText(u"delete \"%s\"?", u"a%d"), u"delete \"a%d\"?");
  EXPECT_EQ(FormatText(u"none", u"x"), u"none");
  EXPECT_EQ(FormatText(u"100%", u"x"), u"100%");
}

}  // namespace
}  // namespace warden::platform
