// The editor's confirmation steps, the logged-in user's reach and the manage
// dialog's selection rules, as tables over plain functions.
#include <gtest/gtest.h>

#include <functional>

#include "accounts/account_rules.h"
#include "accounts/builtin_names.h"
#include "accounts/name_text.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tests/support/records.h"

namespace warden {
namespace {

using testing::GroupRecord;
using testing::UserRecord;

const BuiltInNames kBuiltIn{u"系统管理员组", u"系统管理员", u"无组", u"无"};

const std::vector<AccountRecord> kTable = {GroupRecord(u"Plant"), UserRecord(u"ann", 5, u"Plant"),
                                           UserRecord(u"系统管理员", 999), UserRecord(u"无", 0),
                                           GroupRecord(u"无组")};

AccountEdit NewUser(const std::u16string& name) {
  AccountEdit edit;
  edit.type = kEditUser;
  edit.user_name = name;
  edit.limit_time = u"0";
  edit.priority = u"999";
  return edit;
}

AccountEdit NewGroup(const std::u16string& name) {
  AccountEdit edit;
  edit.group_name = name;
  edit.limit_time = u"0";
  edit.priority = u"999";  // what a group's disabled priority field holds
  return edit;
}

// Each row: the edit, the record being modified (none: New), the logged-in
// user (priority -1: nobody) and the first failing text id (0: accepted).
TEST(AccountRulesTest, EditorStepsInOrder) {
  struct Row {
    const char* label;
    std::function<void(AccountEdit&)> change;
    AccountEdit edit;
    std::optional<AccountRecord> old_record;
    std::int16_t current_priority;
    std::uint16_t message;
    EditField focus = EditField::kNone;
  };
  const auto none = [](AccountEdit&) {};
  const auto zones = [](std::initializer_list<int> list) {
    return [ticked = std::vector<int>(list)](AccountEdit& edit) {
      for (int zone : ticked) edit.zones[zone] = 1;
    };
  };
  const auto priority = [](const std::u16string& text) {
    return [text](AccountEdit& edit) { edit.priority = text; };
  };
  const std::u16string pw31(31, u'p');
  const Row rows[] = {
      {"accepted", none, NewUser(u"bob"), {}, -1, 0},
      {"password of 31",
       [&pw31](AccountEdit& e) { e.password = pw31; },
       NewUser(u"bob"),
       {},
       -1,
       0},
      {"password of 32",
       [&pw31](AccountEdit& e) { e.password = pw31 + u"p"; },
       NewUser(u"bob"),
       {},
       -1,
       IDS_PASSWORD_TOO_LONG,
       EditField::kPassword},
      {"password before a blank name",
       [&pw31](AccountEdit& e) { e.password = pw31 + u"p"; },
       NewUser(u" "),
       {},
       -1,
       IDS_PASSWORD_TOO_LONG,
       EditField::kPassword},
      {"blank: tab CR LF U+3000",
       none,
       NewUser(u"\t\r\n\u3000"),
       {},
       -1,
       IDS_ENTER_NAME,
       EditField::kName},
      {"blank before zones",
       zones({0, 5}),
       NewUser(u" "),
       {},
       -1,
       IDS_ENTER_NAME,
       EditField::kName},
      {"zone 0 alone", zones({0}), NewUser(u"bob"), {}, -1, 0},
      {"zone 0 with zone 63", zones({0, 63}), NewUser(u"bob"), {}, -1, IDS_ZONE_NONE_WITH_OTHERS},
      {"zones before a taken name",
       zones({0, 1}),
       NewUser(u"ANN"),
       {},
       -1,
       IDS_ZONE_NONE_WITH_OTHERS},
      {"zones before a built-in rename", zones({0, 1}), NewUser(u"nobody"), UserRecord(u"无", 0),
       -1, IDS_ZONE_NONE_WITH_OTHERS},
      {"built-in 无 renamed", none, NewUser(u"nobody"), UserRecord(u"无", 0), -1,
       IDS_CANNOT_RENAME_BUILTIN},
      {"built-in admin renamed, before the timeout", [](AccountEdit& e) { e.limit_time = u"256"; },
       NewUser(u"root"), UserRecord(u"系统管理员", 999), -1, IDS_CANNOT_RENAME_BUILTIN},
      {"built-in admin keeps his name", none, NewUser(u"系统管理员"),
       UserRecord(u"系统管理员", 999), -1, 0},
      {"timeout 256 before priority 1000",
       [](AccountEdit& e) { e.limit_time = u"256", e.priority = u"1000"; },
       NewUser(u"bob"),
       {},
       -1,
       IDS_TIMEOUT_RANGE},
      {"timeout -1",
       [](AccountEdit& e) { e.limit_time = u"-1"; },
       NewUser(u"bob"),
       {},
       -1,
       IDS_TIMEOUT_RANGE},
      {"priority 1000", priority(u"1000"), NewUser(u"bob"), {}, -1, IDS_PRIORITY_RANGE},
      {"priority 1000 before a taken name",
       priority(u"1000"),
       NewUser(u"ann"),
       {},
       -1,
       IDS_PRIORITY_RANGE},
      {"priority before the current user",
       priority(u"1000"),
       NewUser(u"bob"),
       {},
       5,
       IDS_PRIORITY_RANGE},
      {"current user before a taken name",
       priority(u"500"),
       NewUser(u"ann"),
       {},
       500,
       IDS_PRIORITY_ABOVE_CURRENT},
      {"below the current user", priority(u"499"), NewUser(u"bob"), {}, 500, 0},
      {"equal, someone else",
       priority(u"500"),
       NewUser(u"bob"),
       {},
       500,
       IDS_PRIORITY_ABOVE_CURRENT},
      {"equal, himself in other case", priority(u"500"), NewUser(u"BOSS"), {}, 500, 0},
      {"group, current priority 0", none, NewGroup(u"Line"), {}, 0, IDS_PRIORITY_ABOVE_CURRENT},
      {"group, current priority 1", none, NewGroup(u"Line"), {}, 1, 0},
      {"user named like a group",
       none,
       NewUser(u" PLANT "),
       {},
       -1,
       IDS_NAME_EXISTS,
       EditField::kName},
      {"group named like a user",
       none,
       NewGroup(u"Ann"),
       {},
       -1,
       IDS_NAME_EXISTS,
       EditField::kName},
      {"modify: case only", none, NewUser(u"ANN"), UserRecord(u"ann", 5), -1, 0},
      {"modify: another's name", none, NewUser(u"plant"), UserRecord(u"ann", 5), -1,
       IDS_NAME_EXISTS, EditField::kName},
      {"modify group: case only", none, NewGroup(u"PLANT"), GroupRecord(u"Plant"), -1, 0},
  };
  const NameIndex names(kTable);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    AccountEdit edit = row.edit;
    row.change(edit);
    const AccountRecord old_record = row.old_record.value_or(AccountRecord{});
    const AccountRecord current = UserRecord(u"boss", row.current_priority);
    const EditContext context{names, row.current_priority < 0 ? nullptr : &current, kBuiltIn,
                              !row.old_record, old_record};
    const EditVerdict verdict = ConfirmAccountEdit(context, edit, AccountRecord{});
    EXPECT_EQ(verdict.message, row.message);
    EXPECT_EQ(verdict.focus, row.focus);
  }
}

TEST(AccountRulesTest, ResultsOfTheTwoTypes) {
  const NameIndex names(kTable);
  const AccountRecord old_record;
  const EditContext context{names, nullptr, kBuiltIn, true, old_record};
  AccountEdit user = NewUser(u"\u3000bob\t");
  user.limit_time = user.priority = u"";  // empty gives 0
  user.password = u" secret ";
  user.join_group = u"Plant";
  user.zones[7] = 1;
  EditVerdict verdict = ConfirmAccountEdit(context, user, AccountRecord{});
  ASSERT_TRUE(verdict.accepted());
  AccountRecord expected = UserRecord(u"bob", 0, u"Plant");
  expected.password = u" secret ";
  expected.sectionid[7] = 1;
  EXPECT_EQ(verdict.result, expected);

  // A group gets priority and timeout 0 whatever the user fields hold; what
  // the group type does not set keeps the value the result had.
  AccountEdit group = NewGroup(u" Line\r\n");
  group.limit_time = u"30";
  group.group_comment = u"c";
  AccountRecord before = UserRecord(u"kept", 7);
  before.limitTime = 42;
  verdict = ConfirmAccountEdit(context, group, before);
  ASSERT_TRUE(verdict.accepted());
  EXPECT_EQ(verdict.result.type, kTypeGroup);
  EXPECT_EQ(verdict.result.groupname, u"Line");
  EXPECT_EQ(verdict.result.groupcomment, u"c");
  EXPECT_EQ(verdict.result.userpri, 0);
  EXPECT_EQ(verdict.result.limitTime, 0);
  EXPECT_EQ(verdict.result.username, u"kept");
  EXPECT_EQ(*verdict.priority, 999);

  // Refusing zone 0 with others gives the old record back.
  AccountEdit mixed = NewUser(u"x");
  mixed.zones[0] = mixed.zones[2] = 1;
  const AccountRecord ann = UserRecord(u"ann", 5);
  verdict = ConfirmAccountEdit({names, nullptr, kBuiltIn, false, ann}, mixed, AccountRecord{});
  EXPECT_EQ(verdict.result, ann);
}

// Rows: the logged-in user (priority -1: nobody), then each name with what
// the manage dialog allows: Modify, Delete, double-click opens the editor.
TEST(AccountRulesTest, SelectionRules) {
  const std::vector<AccountRecord> table = {
      GroupRecord(u"系统管理员组"), UserRecord(u"系统管理员", 999, u"系统管理员组"),
      GroupRecord(u"无组"), UserRecord(u"无", 0, u"无组"), GroupRecord(u"Empty"),
      GroupRecord(u"Full"), UserRecord(u"low", 9, u"FULL"), UserRecord(u"same", 10),
      UserRecord(u"high", 11), UserRecord(u"me", 10),
      // The first record bearing a name as its group decides, even a user's.
      UserRecord(u"ghost", 20, u"Shadow"), UserRecord(u"Shadow", 1)};
  struct Answer {
    std::u16string name;
    bool modify, remove, opens;
  };
  struct Row {
    std::u16string current;
    std::int16_t priority;
    std::vector<Answer> answers;
  };
  const Row rows[] = {
      {u"",
       -1,
       {{u"系统管理员组", true, false, true},
        {u"系统管理员", true, false, true},
        {u"无组", true, false, true},
        {u"无", true, false, true},
        {u"Empty", true, true, true},
        {u"Full", true, false, true},  // members in any letter case
        {u"high", true, true, true},
        {u"unknown", true, true, true}}},
      {u"me",
       10,
       {{u"low", true, true, true},
        {u"same", false, false, false},
        {u"high", false, false, false},
        {u"me", true, true, true},
        {u"Empty", true, true, true},
        {u"Shadow", false, false, false}}},
      // A group counts as priority 0: Modify stays, the double-click is refused.
      {u"zero", 0, {{u"Empty", true, false, false}, {u"low", false, false, false}}},
      // The administrator by name reaches every user, not groups.
      {u"系统管理员", 0, {{u"high", true, true, true}, {u"Empty", true, false, false}}},
  };
  for (const Row& row : rows) {
    const AccountRecord current = UserRecord(row.current, row.priority);
    for (const Answer& answer : row.answers) {
      SCOPED_TRACE(platform::ToUtf8(row.current + u" selects " + answer.name));
      const Selection s =
          SelectAccount(table, row.priority < 0 ? nullptr : &current, kBuiltIn, answer.name);
      EXPECT_EQ(s.can_modify, answer.modify);
      EXPECT_EQ(s.can_delete, answer.remove);
      EXPECT_EQ(s.opens_on_double_click, answer.opens);
      EXPECT_EQ(MayModifyAccount(table, row.priority < 0 ? nullptr : &current, kBuiltIn.admin_user,
                                 answer.name),
                answer.opens);
    }
  }
}

TEST(AccountRulesTest, NameIndexFoldsCaseAndTakesEachRecordsName) {
  AccountRecord odd = GroupRecord(u"grp");
  odd.type = 7;
  odd.username = u"Other";
  const NameIndex names({GroupRecord(u"Ärger"), UserRecord(u"Ωmega", 1, u"Team"), odd});
  for (const char16_t* taken : {u"äRGER", u"ωMEGA", u"other"}) {
    EXPECT_TRUE(names.Contains(taken)) << platform::ToUtf8(taken);
  }
  for (const char16_t* free : {u"Team", u"grp", u"Arger"}) {
    EXPECT_FALSE(names.Contains(free)) << platform::ToUtf8(free);
  }
}

TEST(AccountRulesTest, ParseDecimalReadsAsFarAsItGoes) {
  const std::pair<const char16_t*, long long> rows[] = {
      {u"", 0}, {u" 12x", 12}, {u"+7", 7}, {u"-3", -3}, {u"x1", 0}, {u"\u300042", 42}};
  for (const auto& [text, value] : rows) {
    EXPECT_EQ(ParseDecimal(text), value) << platform::ToUtf8(text);
  }
}

}  // namespace
}  // namespace warden
