#include <gtest/gtest.h>

#include "dialogs/account_tree.h"

namespace warden {
namespace {

AccountRecord Record(std::int16_t type, const std::u16string& group,
                     const std::u16string& user = u"") {
  AccountRecord record;
  record.type = type;
  record.groupname = group;
  record.username = user;
  return record;
}

TEST(AccountTreeTest, GroupsCarryTheirUsersAndLooseUsersStandAtTheRoot) {
  const std::vector<AccountRecord> table = {
      Record(kTypeUser, u"Plant", u"early"),  // ahead of its group: still a member
      Record(kTypeGroup, u"Plant"),
      Record(kTypeUser, u"", u"loose"),
      Record(kTypeUser, u"PLANT", u"other-case"),  // group names match exactly only
      Record(kTypeUser, u"Gone", u"orphan"),       // unknown group: not shown
      Record(kTypeGroup, u"Empty"),
      Record(kTypeUser, u"Plant", u"late"),
  };
  const auto roots = BuildAccountTree(table);
  ASSERT_EQ(roots.size(), 3u);
  EXPECT_EQ(roots[0].record, 1u);
  EXPECT_EQ(roots[0].value, kItemGroup);
  EXPECT_EQ(roots[0].members, (std::vector<std::size_t>{0, 6}));
  EXPECT_EQ(roots[1].record, 2u);
  EXPECT_EQ(roots[1].value, kItemUser);
  EXPECT_EQ(roots[2].record, 5u);
  EXPECT_TRUE(roots[2].members.empty());
}

TEST(AccountTreeTest, TwoGroupsOfOneNameEachShowTheMembers) {
  const std::vector<AccountRecord> table = {Record(kTypeGroup, u"A"), Record(kTypeGroup, u"A"),
                                            Record(kTypeUser, u"A", u"u")};
  const auto roots = BuildAccountTree(table);
  ASSERT_EQ(roots.size(), 2u);
  EXPECT_EQ(roots[0].members, std::vector<std::size_t>{2});
  EXPECT_EQ(roots[1].members, std::vector<std::size_t>{2});
}

TEST(AccountTreeTest, EmptyTableGivesNoItems) { EXPECT_TRUE(BuildAccountTree({}).empty()); }

}  // namespace
}  // namespace warden
