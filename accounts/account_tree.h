// The shape of the manage dialog's tree, worked out from the account table
// before any control is touched: groups at the root with their users below,
// group-less users at the root, users of an unknown group not shown.
#ifndef WARDEN_ACCOUNTS_ACCOUNT_TREE_H
#define WARDEN_ACCOUNTS_ACCOUNT_TREE_H

#include <cstddef>
#include <vector>

#include "accounts/account_record.h"

namespace warden {

// Tree item values: what kind of entry an item shows.
constexpr int kItemUser = 1;
constexpr int kItemGroup = 2;

struct AccountTreeRoot {
  std::size_t record;                // index into the table
  int value;                         // kItemGroup or kItemUser
  std::vector<std::size_t> members;  // for a group: its users, in table order
};

// Roots in table order. A group's members are the users whose group name
// equals the group's exactly; linear in the size of the table and the tree.
std::vector<AccountTreeRoot> BuildAccountTree(const std::vector<AccountRecord>& table);

}  // namespace warden

#endif
