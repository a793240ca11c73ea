#include "accounts/account_tree.h"

#include <string>
#include <unordered_map>

namespace warden {

std::vector<AccountTreeRoot> BuildAccountTree(const std::vector<AccountRecord>& table) {
  std::unordered_map<std::u16string, std::vector<std::size_t>> users_by_group;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].type == kTypeUser) users_by_group[table[i].groupname].push_back(i);
  }
  std::vector<AccountTreeRoot> roots;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const AccountRecord& record = table[i];
    if (record.type == kTypeGroup) {
      const auto members = users_by_group.find(record.groupname);
      roots.push_back(
          {i, kItemGroup,
           members == users_by_group.end() ? std::vector<std::size_t>() : members->second});
    } else if (record.groupname.empty()) {
      roots.push_back({i, kItemUser, {}});
    }
  }
  return roots;
}

}  // namespace warden
