// The dialog framework on the headless backend, with a test dialog that
// carries every kind of control the component's dialogs use.
#include <gtest/gtest.h>

#include "platform/res_file.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/ui_headless.h"
#include "resources/resource_ids.h"
#include "tests/support/dialog_builder.h"

namespace warden::platform {
namespace {

namespace hl = headless;
using testing::BuiltControl;

constexpr std::uint16_t kMainId = 900;
constexpr std::uint16_t kChildId = 901;
enum : std::int32_t {
  kName = 10, kDigits = 11, kSecret = 12, kShown = 13, kFrozen = 14,
  kRadioA = 20, kRadioB = 21, kRadioC = 22, kTick = 23, kNested = 24, kAsk = 25,
  kCombo = 30, kTree = 31, kList = 32,
};

std::vector<std::uint8_t> TestResources() {
  using namespace style;
  const std::vector<BuiltControl> main = {
      {kIdOk, 0x80, u"", u"OK", kDefPushButton | kTabStop},
      {kIdCancel, 0x80, u"", u"Cancel", kPushButton | kTabStop},
      {kName, 0x81, u"", u"", kBorder | kTabStop | kEditAutoHScroll},
      {kDigits, 0x81, u"", u"", kBorder | kTabStop | kEditNumber},
      {kSecret, 0x81, u"", u"", kBorder | kTabStop | kEditPassword},
      {kShown, 0x81, u"", u"", kEditReadOnly},
      {kFrozen, 0x81, u"", u"start", kDisabled},
      {kRadioA, 0x80, u"", u"A", kAutoRadioButton | kGroup | kTabStop},
      {kRadioB, 0x80, u"", u"B", kAutoRadioButton},
      {kRadioC, 0x80, u"", u"C", kAutoRadioButton},
      {kTick, 0x80, u"", u"Tick", kAutoCheckBox | kGroup | kTabStop},
      {kNested, 0x80, u"", u"Nested", kPushButton},
      {kAsk, 0x80, u"", u"Ask", kPushButton},
      {kCombo, 0x85, u"", u"", kComboDropDownList},
      {kTree, 0, u"SysTreeView32", u"", kBorder},
      {kList, 0, u"SysListView32", u"", kBorder},
  };
  const std::vector<BuiltControl> child = {{kIdOk, 0x80, u"", u"OK", kDefPushButton | kTabStop},
                                           {kName, 0x81, u"", u"", kBorder | kTabStop}};
  // The framework's own texts, from the module's string block.
  ResourceBytes strings;
  const auto block = static_cast<std::uint16_t>(IDS_TEXT_TOO_LONG / 16 + 1);
  EXPECT_TRUE(FindResourceBytes(OwnResources(), kResourceTypeString, block, &strings));
  return testing::BuildResFile(
      {{kResourceTypeDialog, kMainId, testing::BuildDialog(true, u"Main", main)},
       {kResourceTypeDialog, kChildId, testing::BuildDialog(false, u"Child", child)},
       {kResourceTypeString, block, {strings.data, strings.data + strings.size}}});
}

class ChildDialog : public Dialog {
 public:
  explicit ChildDialog(WindowHandle parent) : Dialog(kChildId, parent) {}
  std::u16string text;

 protected:
  void DoDataExchange(DataExchange& exchange) override { exchange.Text(kName, text, 4); }
};

class TestDialog : public Dialog {
 public:
  TestDialog() : Dialog(kMainId, nullptr) {
    On(kNested, NotifyCode::kClick, [this](const Notification&) {
      ChildDialog child(Handle());
      child.text = name;
      nested_result = child.DoModal();
      nested_text = child.text;
    });
    On(kAsk, NotifyCode::kClick, [this](const Notification&) {
      answer = ShowMessageBox(Handle(), u"Sure?", kMbYesNo | kMbIconQuestion);
    });
    On(kList, NotifyCode::kClick, [this](const Notification& n) { events.push_back(n); });
    On(kList, NotifyCode::kDoubleClick, [this](const Notification& n) { events.push_back(n); });
    On(kTree, NotifyCode::kSelectionChanged, [this](const Notification& n) { events.push_back(n); });
    On(kCombo, NotifyCode::kSelectionChanged, [this](const Notification& n) { events.push_back(n); });
    On(kTick, NotifyCode::kClick, [this](const Notification& n) { events.push_back(n); });
  }

  std::u16string name, digits = u"12", secret;
  int radio = 1;
  bool tick = true;
  intptr_t nested_result = 0;
  std::u16string nested_text;
  int answer = 0;
  std::vector<Notification> events;
  ComboBox combo;
  TreeView tree;
  ListView list;
  TreeView::Item group = 0;

 protected:
  void DoDataExchange(DataExchange& exchange) override {
    exchange.Bind(kCombo, combo);
    exchange.Bind(kTree, tree);
    exchange.Bind(kList, list);
    exchange.Text(kName, name, 5);
    exchange.Text(kDigits, digits, 3);
    exchange.Text(kSecret, secret, 31);
    exchange.Radio(kRadioA, radio);
    exchange.Check(kTick, tick);
  }
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    combo.AddString(u"first");
    combo.AddString(u"second");
    combo.SetCurSel(1);
    group = tree.InsertItem(u"group", 2);
    tree.InsertItem(u"user", 1, group);
    tree.InsertItem(u"loner", 1);
    list.SetExtendedStyle(ListView::kExCheckBoxes, ListView::kExCheckBoxes);
    list.InsertItem(0, u"zero");
    list.InsertItem(1, u"one");
    list.SetChecked(1, true);
    return true;
  }
};

class UiHeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hl::Reset();
    SetResourceSource(&resources_);
  }
  void TearDown() override {
    SetResourceSource(nullptr);
    EXPECT_EQ(hl::Unanswered(), 0);
    EXPECT_EQ(hl::PendingSteps(), 0u);
    hl::Reset();
  }
  ResFile resources_{TestResources()};
};

TEST_F(UiHeadlessTest, ControlsComeFromTheTemplateAndMembersAreLoaded) {
  TestDialog dialog;
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.shown().caption, u"Main");
    EXPECT_EQ(d.Text(kFrozen), u"start");
    EXPECT_FALSE(d.IsEnabled(kFrozen));
    EXPECT_NE(d.Style(kSecret) & style::kEditPassword, 0u);
    EXPECT_EQ(d.Text(kDigits), u"12");
    EXPECT_FALSE(d.IsChecked(kRadioA));
    EXPECT_TRUE(d.IsChecked(kRadioB));
    EXPECT_TRUE(d.IsChecked(kTick));
    EXPECT_EQ(d.Focused(), kIdOk);  // the first tab stop
    EXPECT_EQ(d.ComboEntries(kCombo), (std::vector<std::u16string>{u"first", u"second"}));
    EXPECT_EQ(d.Text(kCombo), u"second");
    EXPECT_EQ(d.TreeOutline(kTree), (std::vector<std::u16string>{u"group", u"  user", u"loner"}));
    EXPECT_FALSE(d.ListChecked(kList, 0));
    EXPECT_TRUE(d.ListChecked(kList, 1));
    d.Cancel();
  });
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_FALSE(dialog.IsOpen());
  ASSERT_EQ(hl::Record().size(), 1u);
  EXPECT_EQ(hl::Record()[0].template_id, kMainId);
  EXPECT_EQ(hl::Record()[0].TextOf(kDigits), u"12");
}

TEST_F(UiHeadlessTest, TypingFollowsLimitsAndStyles) {
  TestDialog dialog;
  hl::Push([](hl::Driver& d) {
    EXPECT_TRUE(d.Type(kName, u"abcdefgh"));
    EXPECT_EQ(d.Text(kName), u"abcde");  // the limit stops typing
    EXPECT_TRUE(d.Type(kDigits, u"1a2-3 4"));
    EXPECT_EQ(d.Text(kDigits), u"123");
    EXPECT_FALSE(d.Type(kShown, u"x"));   // read-only
    EXPECT_FALSE(d.Type(kFrozen, u"x"));  // disabled
    EXPECT_FALSE(d.Type(999, u"x"));
    EXPECT_TRUE(d.Click(kRadioC));
    EXPECT_FALSE(d.IsChecked(kRadioB));
    EXPECT_TRUE(d.Click(kTick));
    EXPECT_TRUE(d.Type(kSecret, u"pw"));
    d.Ok();
  });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(dialog.name, u"abcde");
  EXPECT_EQ(dialog.digits, u"123");
  EXPECT_EQ(dialog.secret, u"pw");
  EXPECT_EQ(dialog.radio, 2);
  EXPECT_FALSE(dialog.tick);
}

// A preset text over its limit is shown whole but refused on OK with the
// standard message; the exchanges after it do not run.
TEST_F(UiHeadlessTest, OverlongTextIsRefusedWithTheStandardMessage) {
  TestDialog dialog;
  dialog.name = u"toolong";
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.Text(kName), u"toolong");
    d.Type(kDigits, u"7");
    d.Ok();
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(d.Focused(), kName);
    EXPECT_EQ(d.Selection(kName), (std::pair<std::size_t, std::size_t>{0, 7}));
  });
  hl::Push([](hl::Driver& d) { EXPECT_TRUE(d.IsMessageBox()); });
  hl::Push([](hl::Driver& d) {
    d.Type(kName, u"ok");
    d.Ok();
  });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  ASSERT_EQ(hl::Record().size(), 2u);
  const hl::Shown& message = hl::Record()[1];
  EXPECT_TRUE(message.message_box);
  EXPECT_EQ(ToUtf8(message.text),
            ToUtf8(FormatText(StringFrom(OwnResources(), IDS_TEXT_TOO_LONG), u"5")));
  EXPECT_EQ(message.flags, kMbOk | kMbIconExclamation);
  EXPECT_EQ(dialog.name, u"ok");
  EXPECT_EQ(dialog.digits, u"7");
}

TEST_F(UiHeadlessTest, ListTreeAndComboNotificationsReachTheirHandlers) {
  TestDialog dialog;
  hl::Push([&dialog](hl::Driver& d) {
    d.ListClick(kList, 1);
    d.ListDoubleClick(kList, 5);  // below the items: both report no item
    d.TreeSelect(kTree, d.TreeFind(kTree, u"user"));
    d.ComboSelect(kCombo, 0);
    d.Click(kTick);
    EXPECT_EQ(dialog.combo.CurSel(), 0);
    EXPECT_EQ(dialog.tree.ItemText(dialog.tree.Selected()), u"user");
    EXPECT_EQ(dialog.tree.Parent(dialog.tree.Selected()), dialog.group);
    EXPECT_TRUE(dialog.tree.DeleteItem(dialog.group));
    EXPECT_EQ(d.TreeOutline(kTree), (std::vector<std::u16string>{u"loner"}));
    // The selected user went with its group; the next root item takes over.
    EXPECT_EQ(dialog.tree.ItemText(dialog.tree.Selected()), u"loner");
    EXPECT_TRUE(d.ListTick(kList, 0, true));
    d.Cancel();
  });
  dialog.DoModal();
  const std::vector<std::pair<std::int32_t, NotifyCode>> expected = {
      {kList, NotifyCode::kClick}, {kList, NotifyCode::kClick}, {kList, NotifyCode::kDoubleClick},
      {kTree, NotifyCode::kSelectionChanged}, {kCombo, NotifyCode::kSelectionChanged},
      {kTick, NotifyCode::kClick}, {kTree, NotifyCode::kSelectionChanged}};
  ASSERT_EQ(dialog.events.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dialog.events[i].id, expected[i].first);
    EXPECT_EQ(dialog.events[i].code, expected[i].second);
  }
  EXPECT_EQ(dialog.events[0].item, 1);
  EXPECT_EQ(dialog.events[1].item, -1);
  EXPECT_EQ(dialog.events[2].item, -1);
  EXPECT_EQ(dialog.events[4].item, 0);  // the combo's new index
  // The controls are gone with the window; calls on them do nothing.
  EXPECT_EQ(dialog.list.ItemCount(), 0);
  EXPECT_FALSE(dialog.list.IsAttached());
}

// The selection after deleting the selected item follows the tree view:
// next sibling, else parent, else previous sibling.
TEST_F(UiHeadlessTest, DeletingTheSelectedTreeItemMovesTheSelection) {
  struct Case {
    const char16_t* selected;
    const char16_t* deleted;
    const char16_t* after;
  };
  const Case cases[] = {{u"user", u"user", u"group"},
                        {u"user", u"group", u"loner"},
                        {u"loner", u"loner", u"group"},
                        {u"loner", u"group", u"loner"}};
  TestDialog dialog;
  hl::Push([&](hl::Driver& d) {
    for (const Case& c : cases) {
      SCOPED_TRACE(ToUtf8(c.deleted));
      dialog.tree.DeleteAllItems();
      const auto group = dialog.tree.InsertItem(u"group", 2);
      dialog.tree.InsertItem(u"user", 1, group);
      dialog.tree.InsertItem(u"loner", 1);
      dialog.events.clear();
      EXPECT_TRUE(dialog.tree.Select(d.TreeFind(kTree, c.selected)));
      EXPECT_TRUE(dialog.tree.DeleteItem(d.TreeFind(kTree, c.deleted)));
      EXPECT_EQ(ToUtf8(dialog.tree.ItemText(dialog.tree.Selected())), ToUtf8(c.after));
      const bool moved = std::u16string(c.selected) != c.after;
      EXPECT_EQ(dialog.events.size(), moved ? 2u : 1u);
    }
    d.Cancel();
  });
  dialog.DoModal();
}

TEST_F(UiHeadlessTest, NestedDialogsAndMessageBoxesTakeTheNextSteps) {
  TestDialog dialog;
  dialog.name = u"abc";
  hl::Push([](hl::Driver& d) {
    d.Click(kNested);
    d.Click(kAsk);
    d.Cancel();
  });
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.shown().caption, u"Child");
    EXPECT_EQ(d.Text(kName), u"abc");
    d.Type(kName, u"wxyz!");
    d.Ok();
  });
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.shown().text, u"Sure?");
    EXPECT_EQ(ToUtf8(d.shown().caption), ToUtf8(DefaultCaption()));
    d.Answer(kIdNo);
  });
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(dialog.nested_result, kIdOk);
  EXPECT_EQ(dialog.nested_text, u"wxyz");
  EXPECT_EQ(dialog.answer, kIdNo);
  EXPECT_EQ(DefaultCaption(), StringFrom(OwnResources(), IDS_APP_TITLE));
}

// A script that runs out must not hang the test: the modal closes as Cancel.
TEST_F(UiHeadlessTest, UnansweredModalsAreCountedAndCancelled) {
  TestDialog dialog;
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(ShowMessageBox(nullptr, u"x", kMbYesNo), kIdYes);
  EXPECT_EQ(hl::Unanswered(), 2);
  hl::Reset();
}

TEST_F(UiHeadlessTest, MissingTemplateGivesMinusOne) {
  ChildDialog dialog(nullptr);
  SetResourceSource(OwnResources());  // has no template 901
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_TRUE(hl::Record().empty());
}

TEST_F(UiHeadlessTest, CloseBoxCancels) {
  TestDialog dialog;
  hl::Push([](hl::Driver& d) { d.Close(); });
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
}

TEST(FormatTextTest, ReplacesTheFirstPlaceholder) {
  EXPECT_EQ(FormatText(u"max %d chars", u"31"), u"max 31 chars");
  EXPECT_EQ(FormatText(u"delete \"%s\"?", u"a%d"), u"delete \"a%d\"?");
  EXPECT_EQ(FormatText(u"none", u"x"), u"none");
  EXPECT_EQ(FormatText(u"100%", u"x"), u"100%");
}

}  // namespace
}  // namespace warden::platform
