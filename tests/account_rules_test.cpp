// The editor's confirmation steps, the logged-in user's reach and the manage
// dialog's selection rules, as tables over plain functions; the store's own
// table operations.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "accounts/account_rules.h"
#include "accounts/account_table.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tests/support/records.h"

namespace warden {
namespace {

using testing::GroupRecord;
using testing::UserRecord;

const std::u16string kAdmin = u"系统管理员";
const BuiltInNames kBuiltIn{u"系统管理员组", kAdmin, u"无组", u"无"};
const std::vector<AccountRecord> kTable = {GroupRecord(u"Plant"), UserRecord(u"ann", 5, u"Plant"),
                                           UserRecord(kAdmin, 999), UserRecord(u"无", 0),
                                           GroupRecord(u"无组")};

AccountEdit U(const std::u16string& name, const std::u16string& priority = u"999",
              const std::u16string& limit = u"0", std::initializer_list<int> zones = {},
              std::size_t password = 0) {
  AccountEdit edit{kEditUser, u"",   u"",      name, std::u16string(password, u'p'),
                   u"",       limit, priority, u"",  {}};
  for (int zone : zones) edit.zones[zone] = 1;
  return edit;
}

// A group's disabled priority field holds 999.
AccountEdit G(const std::u16string& name) {
  return {kEditGroup, name, u"", u"", u"", u"", u"0", u"999", u"", {}};
}

// Each row: the edit, the record being modified (none: New), the logged-in
// user (priority -1: nobody) and the first failing text id (0: accepted).
TEST(AccountRulesTest, EditorStepsInOrder) {
  using F = EditField;
  const AccountRecord ann = UserRecord(u"ann", 5), nobody = UserRecord(u"无", 0);
  const struct {
    AccountEdit edit;
    std::optional<AccountRecord> old_record;
    std::int16_t current;
    std::uint16_t message;
    EditField focus = F::kNone;
  } rows[] = {
      {U(u"bob", u"9", u"0", {}, 31), {}, -1, 0},
      // The password before the name, the name before the zones, ...
      {U(u" ", u"9", u"0", {}, 32), {}, -1, IDS_PASSWORD_TOO_LONG, F::kPassword},
      {U(u"\t\r\n\u3000", u"9", u"0", {0, 5}), {}, -1, IDS_ENTER_NAME, F::kName},  // before zones
      {U(u"bob", u"999", u"0", {0}), {}, -1, 0},
      {U(u"ANN", u"9", u"0", {0, 63}), {}, -1, IDS_ZONE_NONE_WITH_OTHERS},   // before a taken name
      {U(u"x", u"9", u"0", {0, 1}), nobody, -1, IDS_ZONE_NONE_WITH_OTHERS},  // before built-ins
      {U(u"nobody"), nobody, -1, IDS_CANNOT_RENAME_BUILTIN},
      {U(u"root", u"9", u"256"), UserRecord(kAdmin, 9), -1, IDS_CANNOT_RENAME_BUILTIN},  // timeout
      {U(kAdmin), UserRecord(kAdmin, 999), -1, 0},
      {U(u"bob", u"1000", u"256"), {}, -1, IDS_TIMEOUT_RANGE},  // before the priority
      {U(u"bob", u"999", u"-1"), {}, -1, IDS_TIMEOUT_RANGE},
      {U(u"ann", u"1000"), {}, -1, IDS_PRIORITY_RANGE},          // before a taken name
      {U(u"bob", u" 1000"), {}, 5, IDS_PRIORITY_RANGE},          // before the current user
      {U(u"ann", u"500"), {}, 500, IDS_PRIORITY_ABOVE_CURRENT},  // before a taken name
      {U(u"bob", u"499"), {}, 500, 0},
      {U(u"bob", u"500"), {}, 500, IDS_PRIORITY_ABOVE_CURRENT},
      {U(u"BOSS", u"500"), {}, 500, 0},  // equal: himself, in other case
      {G(u"Line"), {}, 0, IDS_PRIORITY_ABOVE_CURRENT},
      {G(u"Line"), {}, 1, 0},
      {U(u" PLANT "), {}, -1, IDS_NAME_EXISTS, F::kName},
      {G(u"Ann"), {}, -1, IDS_NAME_EXISTS, F::kName},
      {U(u"ANN"), ann, -1, 0},  // modified: case only
      {U(u"plant"), ann, -1, IDS_NAME_EXISTS, F::kName},
      {G(u"PLANT"), GroupRecord(u"Plant"), -1, 0},
  };
  const NameIndex names(kTable);
  for (const auto& row : rows) {
    SCOPED_TRACE(platform::ToUtf8(row.edit.user_name + row.edit.group_name));
    const AccountRecord old_record = row.old_record.value_or(AccountRecord{});
    const AccountRecord current = UserRecord(u"boss", row.current);
    const EditContext context{names, row.current < 0 ? nullptr : &current, kBuiltIn,
                              !row.old_record, old_record};
    const EditVerdict verdict = ConfirmAccountEdit(context, row.edit, AccountRecord{});
    EXPECT_EQ(std::pair(verdict.message, verdict.focus), std::pair(row.message, row.focus));
  }
}

// A user's name is trimmed, the password kept as typed, empty numbers give
// 0. A group gets priority and timeout 0; what its type does not set keeps
// the value the result had. Refusing zone 0 with others gives the old record.
TEST(AccountRulesTest, ResultsOfTheTwoTypes) {
  const NameIndex names(kTable);
  const AccountRecord none, ann = UserRecord(u"ann", 5),
                            kept{7, {}, u"", u"kept", u"", u"", 7, 42, u""};
  const auto confirm = [&](const AccountEdit& edit, const AccountRecord& old) {
    return ConfirmAccountEdit({names, nullptr, kBuiltIn, old.type == 0, old}, edit, kept);
  };
  AccountEdit user = U(u"\u3000bob\t", u"", u"", {0}), group = G(u" Line\r\n");
  user.password = u" secret ";
  user.join_group = u"Plant";
  group.limit_time = u"30";
  group.group_comment = u"c";
  EXPECT_EQ(confirm(user, none).result,
            (AccountRecord{kTypeUser, {1}, u"Plant", u"bob", u" secret ", u"", 0, 0, u""}));
  const EditVerdict verdict = confirm(group, none);
  EXPECT_EQ(verdict.result,
            (AccountRecord{kTypeGroup, {}, u"Line", u"kept", u"", u"", 0, 0, u"c"}));
  EXPECT_EQ(*verdict.priority, 999);
  EXPECT_EQ(confirm(U(u"x", u"9", u"0", {0, 2}), ann).result, ann);
}

// Rows: the logged-in user (priority -1: nobody), then what the manage
// dialog allows for each name.
TEST(AccountRulesTest, SelectionRules) {
  const std::vector<AccountRecord> table = {
      GroupRecord(u"系统管理员组"), UserRecord(kAdmin, 999, u"系统管理员组"), GroupRecord(u"无组"),
      UserRecord(u"无", 0, u"无组"), GroupRecord(u"Empty"), GroupRecord(u"Full"),
      UserRecord(u"low", 9, u"FULL"), UserRecord(u"same", 10), UserRecord(u"high", 11),
      UserRecord(u"me", 10),
      // The first record bearing a name as its group decides, even a user's.
      UserRecord(u"ghost", 20, u"Shadow"), UserRecord(u"Shadow", 1)};
  // Each name with what is allowed: Modify, Delete, the double-click opens the editor.
  const std::tuple<std::u16string, std::int16_t, const char*> rows[] = {
      // Full has members in any letter case.
      {u"", -1, "系统管理员组=m-o 系统管理员=m-o 无组=m-o 无=m-o Empty=mdo Full=m-o high=mdo"},
      {u"me", 10, "low=mdo same=--- high=--- me=mdo Empty=mdo Shadow=---"},
      // A group counts as priority 0: Modify stays, the double-click is refused.
      {u"zero", 0, "Empty=m--"},
      // The administrator by name reaches every user, not groups.
      {kAdmin, 0, "high=mdo Empty=m--"}};
  for (const auto& [current, priority, allowed] : rows) {
    const AccountRecord user = UserRecord(current, priority);
    std::istringstream answers(allowed);
    for (std::string answer; answers >> answer;) {
      SCOPED_TRACE(platform::ToUtf8(current) + " selects " + answer);
      const Selection s = SelectAccount(table, priority < 0 ? nullptr : &user, kBuiltIn,
                                        platform::FromUtf8(answer.substr(0, answer.find('='))));
      EXPECT_EQ(
          std::string(1, "-m"[s.can_modify]) + "-d"[s.can_delete] + "-o"[s.opens_on_double_click],
          answer.substr(answer.find('=') + 1));
    }
  }
}

// Add: names clash exactly across groups and users; other types are not
// compared; the count stays within 16 bits.
TEST(AccountTableTest, AddDeleteUpdateAndReach) {
  AccountTable table;
  AccountRecord odd = GroupRecord(u"Plant");
  odd.type = 7;
  const std::pair<AccountRecord, bool> rows[] = {
      {GroupRecord(u"Plant"), true},    {UserRecord(u"admin", 5), true},
      {UserRecord(u"Plant", 1), false}, {GroupRecord(u"admin"), false},
      {UserRecord(u"Admin", 1), true},  {odd, true}};
  for (const auto& [record, added] : rows) EXPECT_EQ(table.AddAccount(record), added);
  EXPECT_EQ(table.count(), 4);
  std::vector<AccountRecord> records = table.records();
  records.resize(kMaxAccounts - 1);
  table.Replace(records);
  EXPECT_TRUE(table.AddAccount(UserRecord(u"last", 0)) &&
              !table.AddAccount(UserRecord(u"one more", 0)));
  EXPECT_EQ(table.count(), kMaxAccounts);
  // Delete: every letter-case form goes; a group's members keep its name; an
  // unknown name leaves the table as it was (never a write past its end).
  table.Replace({UserRecord(u"admin", 1), UserRecord(u"Admin", 1), GroupRecord(u"Plant"),
                 UserRecord(u"op", 1, u"Plant")});
  EXPECT_TRUE(!table.DeleteAccount(u"c") && table.DeleteAccount(u"ADMIN") &&
              table.DeleteAccount(u"Plant"));
  EXPECT_EQ(table.records(), std::vector<AccountRecord>{UserRecord(u"op", 1, u"Plant")});
  // A table emptied by an edit is still one to save over; edits that change nothing are none.
  EXPECT_TRUE(table.DeleteAccount(u"op") && table.HoldsTable());
  table.Loaded({});
  table.UpdateAccount(GroupRecord(u"x"), GroupRecord(u"y"));
  EXPECT_FALSE(table.DeleteAccount(u"x") || table.HoldsTable());
  // An update matches without case when no record bears the name exactly and
  // carries a group's users along, except those of a twin group.
  table.Replace({GroupRecord(u"Plant"), UserRecord(u"a", 1, u"Plant"),
                 UserRecord(u"b", 1, u"PLANT"), UserRecord(u"c", 1, u"Other"),
                 GroupRecord(u"plANT"), UserRecord(u"d", 1, u"plANT")});
  table.UpdateAccount(GroupRecord(u"plant"), GroupRecord(u"Line"));
  EXPECT_EQ(table.records(),
            (std::vector<AccountRecord>{GroupRecord(u"Line"), UserRecord(u"a", 1, u"Line"),
                                        UserRecord(u"b", 1, u"Line"), UserRecord(u"c", 1, u"Other"),
                                        GroupRecord(u"plANT"), UserRecord(u"d", 1, u"plANT")}));
  table.Replace({GroupRecord(u"a"), UserRecord(u"a", 1), odd});
  table.UpdateAccount(UserRecord(u"A", 0), UserRecord(u"b", 7));
  table.UpdateAccount(UserRecord(u"zz", 0), UserRecord(u"q", 0));  // no such user
  table.UpdateAccount(odd, GroupRecord(u"q"));  // only users and groups are updated
  EXPECT_EQ(table.records(),
            (std::vector<AccountRecord>{GroupRecord(u"a"), UserRecord(u"b", 7), odd}));
  // A record of the table itself may be passed as the old record.
  table.UpdateAccount(table.records()[0], GroupRecord(u"c"));
  EXPECT_EQ(table.records()[0].groupname, u"c");
  // The reach walks a table of any size, past what 16 bits can index.
  std::vector<AccountRecord> large(40000, GroupRecord(u"g"));
  large.back() = UserRecord(u"high", 11);
  const AccountRecord me = UserRecord(u"me", 10);
  EXPECT_FALSE(MayModifyAccount(large, &me, kAdmin, u"high"));
}

}  // namespace
}  // namespace warden
