#include <gtest/gtest.h>

#include "accounts/user_store.h"
#include "platform/text.h"
#include "tests/support/records.h"

namespace warden {
namespace {

using testing::GroupRecord;
using testing::UserRecord;

std::vector<std::u16string> Names(const CUser& store) {
  std::vector<std::u16string> names;
  if (store.m_pUser) {
    for (const AccountRecord& record : *store.m_pUser) names.push_back(record.Name());
  }
  return names;
}

TEST(AccountTableTest, DefaultTableHasTheFourBuiltInRecords) {
  CUser store;
  store.SetDefaultTable();
  ASSERT_EQ(store.UserCount(), 4);
  const auto& t = *store.m_pUser;
  EXPECT_EQ(t[0].type, kTypeGroup);
  EXPECT_EQ(t[0].groupname, u"系统管理员组");
  EXPECT_EQ(t[0].groupcomment, u"系统管理员组");
  EXPECT_EQ(t[1].type, kTypeUser);
  EXPECT_EQ(t[1].groupname, u"系统管理员组");
  EXPECT_EQ(t[1].username, u"系统管理员");
  EXPECT_EQ(t[1].password, u"corvinth");
  EXPECT_EQ(t[1].usercomment, u"系统管理员");
  EXPECT_EQ(t[1].userpri, 999);
  EXPECT_EQ(t[1].limitTime, 255);
  EXPECT_EQ(t[2].groupname, u"无组");
  EXPECT_EQ(t[2].groupcomment, u"无组");
  EXPECT_EQ(t[3].username, u"无");
  EXPECT_EQ(t[3].groupname, u"无组");
  EXPECT_EQ(t[3].password, u"");
  EXPECT_EQ(t[3].userpri, 0);
  for (int zone = 0; zone < kZoneCount; ++zone) {
    const std::int16_t admin = zone == 0 ? 0 : 1;
    EXPECT_EQ(t[0].sectionid[zone], admin);
    EXPECT_EQ(t[1].sectionid[zone], admin);
    EXPECT_EQ(t[2].sectionid[zone], 1 - admin);
    EXPECT_EQ(t[3].sectionid[zone], 1 - admin);
  }
}

TEST(AccountTableTest, AddRefusesExactNameClashesAcrossGroupsAndUsers) {
  CUser store;
  EXPECT_EQ(store.AddAccount(GroupRecord(u"Plant")), 1);  // a store without a table gets one
  EXPECT_EQ(store.AddAccount(UserRecord(u"admin", 5)), 1);
  EXPECT_EQ(store.AddAccount(UserRecord(u"Plant", 1)), 0);  // user named like a group
  EXPECT_EQ(store.AddAccount(GroupRecord(u"admin")), 0);    // group named like a user
  EXPECT_EQ(store.AddAccount(UserRecord(u"Admin", 1)), 1);  // exact comparison
  AccountRecord odd = GroupRecord(u"Plant");
  odd.type = 7;
  EXPECT_EQ(store.AddAccount(odd), 1);  // other types are not compared
  EXPECT_EQ(Names(store), (std::vector<std::u16string>{u"Plant", u"admin", u"Admin", u"Plant"}));
}

TEST(AccountTableTest, AddRefusesBeyondTheSixteenBitCount) {
  CUser store;
  store.m_pUser = std::vector<AccountRecord>(kMaxAccounts - 1);
  EXPECT_EQ(store.AddAccount(UserRecord(u"last", 0)), 1);
  EXPECT_EQ(store.UserCount(), kMaxAccounts);
  EXPECT_EQ(store.AddAccount(UserRecord(u"one more", 0)), 0);
  EXPECT_EQ(store.UserCount(), kMaxAccounts);
}

// The priority check walks a table of any size, past what 16 bits can index.
TEST(AccountTableTest, CanModifyReachesTheEndOfALargeTable) {
  CUser store;
  store.m_pUser = std::vector<AccountRecord>(40000, GroupRecord(u"g"));
  store.m_pUser->back() = UserRecord(u"far", 11);
  store.m_pCurUser = std::make_unique<AccountRecord>(UserRecord(u"me", 10));
  EXPECT_EQ(store.CanModifyAccount(u"far"), 0);
}

TEST(AccountTableTest, DeleteRemovesEveryCaseFormAndKeepsMembers) {
  CUser store;
  store.AddAccount(UserRecord(u"admin", 1));
  store.AddAccount(UserRecord(u"Admin", 1));
  store.AddAccount(GroupRecord(u"Plant"));
  store.AddAccount(UserRecord(u"op", 1, u"Plant"));
  EXPECT_EQ(store.DeleteAccount(u"ADMIN"), 1);
  EXPECT_EQ(store.UserCount(), 2);
  EXPECT_EQ(store.DeleteAccount(u"Plant"), 1);
  ASSERT_EQ(store.UserCount(), 1);
  EXPECT_EQ((*store.m_pUser)[0].groupname, u"Plant");  // the member keeps the old group
}

// An unknown name must leave the table as it was (never a write past its end).
TEST(AccountTableTest, DeleteOfAnUnknownNameChangesNothing) {
  CUser store;
  EXPECT_EQ(store.DeleteAccount(u"x"), 0);
  store.AddAccount(UserRecord(u"a", 1));
  store.AddAccount(UserRecord(u"b", 1));
  EXPECT_EQ(store.DeleteAccount(u"c"), 0);
  EXPECT_EQ(Names(store), (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(AccountTableTest, GroupRenameCarriesItsUsersInAnyLetterCase) {
  CUser store;
  store.AddAccount(GroupRecord(u"Plant"));
  store.AddAccount(UserRecord(u"a", 1, u"Plant"));
  store.AddAccount(UserRecord(u"b", 1, u"PLANT"));
  store.AddAccount(UserRecord(u"c", 1, u"Other"));
  AccountRecord renamed = GroupRecord(u"Line");
  renamed.groupcomment = u"new";
  EXPECT_EQ(store.UpdateAccount(GroupRecord(u"plant"), renamed), 1);
  const auto& t = *store.m_pUser;
  EXPECT_EQ(t[0], renamed);
  EXPECT_EQ(t[1].groupname, u"Line");
  EXPECT_EQ(t[2].groupname, u"Line");
  EXPECT_EQ(t[3].groupname, u"Other");
}

TEST(AccountTableTest, UpdateMatchesUsersWithoutCaseAndIgnoresUnknownNames) {
  CUser store;
  store.m_pUser = std::vector<AccountRecord>{GroupRecord(u"a"), UserRecord(u"a", 1)};
  EXPECT_EQ(store.UpdateAccount(UserRecord(u"A", 0), UserRecord(u"b", 7)), 1);
  EXPECT_EQ((*store.m_pUser)[0].groupname, u"a");  // the group of that name is untouched
  EXPECT_EQ((*store.m_pUser)[1].username, u"b");
  const auto before = *store.m_pUser;
  EXPECT_EQ(store.UpdateAccount(UserRecord(u"zz", 0), UserRecord(u"q", 0)), 1);
  EXPECT_EQ(*store.m_pUser, before);
  // A record of the table itself may be passed as the old record.
  EXPECT_EQ(store.UpdateAccount((*store.m_pUser)[0], GroupRecord(u"c")), 1);
  EXPECT_EQ((*store.m_pUser)[0].groupname, u"c");
}

TEST(AccountTableTest, TypeLookupIsExact) {
  CUser store;
  EXPECT_EQ(store.AccountTypeByName(u"x"), 0);
  store.AddAccount(UserRecord(u"ops", 1));
  store.AddAccount(GroupRecord(u"OPS"));
  EXPECT_EQ(store.AccountTypeByName(u"ops"), kTypeUser);
  EXPECT_EQ(store.AccountTypeByName(u"OPS"), kTypeGroup);
  EXPECT_EQ(store.AccountTypeByName(u"Ops"), 0);
  EXPECT_TRUE(IsSameText(u"a", u"a"));
  EXPECT_FALSE(IsSameText(u"a", u"A"));
}

// The reach itself is tested with the rules; here only that the store hands
// over its current user and the administrator's name from the string table.
TEST(AccountTableTest, CanModifyAccountUsesTheCurrentUserAndTheAdministratorsName) {
  CUser store;
  store.AddAccount(UserRecord(u"high", 11));
  EXPECT_EQ(store.CanModifyAccount(u"high"), 1);
  store.m_pCurUser = std::make_unique<AccountRecord>(UserRecord(u"me", 10));
  EXPECT_EQ(store.CanModifyAccount(u"high"), 0);
  store.m_pCurUser->username = u"系统管理员";
  EXPECT_EQ(store.CanModifyAccount(u"high"), 1);
}

TEST(StoresTest, TheTwoModuleStoresAreDistinctAndLasting) {
  EXPECT_NE(&ApplicationStore(), &ProjectStore());
  EXPECT_EQ(&ApplicationStore(), &ApplicationStore());
}

}  // namespace
}  // namespace warden
