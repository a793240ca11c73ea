#include "accounts/account_table.h"

#include <new>
#include <optional>
#include <unordered_set>

#include "accounts/builtin_names.h"
#include "platform/text.h"

namespace warden {
namespace {

AccountRecord DefaultRecord(std::int16_t type, bool zone_none_only, const std::u16string& group) {
  AccountRecord record;
  record.type = type;
  for (int zone = 0; zone < kZoneCount; ++zone) {
    record.sectionid[zone] = (zone == 0) == zone_none_only ? 1 : 0;
  }
  record.groupname = group;
  return record;
}

// The first record of `type` bearing `name` exactly, or else in any letter case.
std::optional<std::size_t> FirstOfType(const std::vector<AccountRecord>& table, std::int16_t type,
                                       const std::u16string& name) {
  if (type != kTypeUser && type != kTypeGroup) return std::nullopt;
  std::optional<std::size_t> any_case;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].type != type) continue;
    if (table[i].Name() == name) return i;
    if (!any_case && platform::EqualsNoCase(table[i].Name(), name)) any_case = i;
  }
  return any_case;
}

bool IsNamed(const AccountRecord& record) {
  return record.type == kTypeUser || record.type == kTypeGroup;
}

}  // namespace

std::vector<std::size_t> RecordsNamed(const std::vector<AccountRecord>& table,
                                      const std::u16string& name) {
  std::vector<std::size_t> exact, any_case;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].Name() == name) exact.push_back(i);
    if (exact.empty() && platform::EqualsNoCase(table[i].Name(), name)) any_case.push_back(i);
  }
  return exact.empty() ? any_case : exact;
}

std::vector<AccountRecord> DefaultTable() {
  const BuiltInNames names = LoadBuiltInNames();
  AccountRecord admin_group = DefaultRecord(kTypeGroup, false, names.admin_group);
  admin_group.groupcomment = admin_group.groupname;

  AccountRecord admin = DefaultRecord(kTypeUser, false, names.admin_group);
  admin.username = names.admin_user;
  admin.password = u"corvinth";
  admin.usercomment = admin.username;
  admin.userpri = 999;
  admin.limitTime = 255;

  AccountRecord no_group = DefaultRecord(kTypeGroup, true, names.no_group);
  no_group.groupcomment = no_group.groupname;

  AccountRecord nobody = DefaultRecord(kTypeUser, true, names.no_group);
  nobody.username = names.none;
  nobody.usercomment = nobody.username;

  return {admin_group, admin, no_group, nobody};
}

void AccountTable::Loaded(std::vector<AccountRecord> records) {
  records_ = std::move(records);
  origin_ = Origin::kLoaded;
}

void AccountTable::LoadFailed(std::vector<AccountRecord> kept) {
  records_ = std::move(kept);
  origin_ = Origin::kLoadFailed;
}

void AccountTable::Replace(std::vector<AccountRecord> records) {
  records_ = std::move(records);
  origin_ = Origin::kReplaced;
}

bool AccountTable::AddAccount(const AccountRecord& record) {
  if (count() >= kMaxAccounts) return false;
  if (IsNamed(record)) {
    for (const AccountRecord& existing : records_) {
      if (IsNamed(existing) && existing.Name() == record.Name()) return false;
    }
  }
  try {
    records_.push_back(record);
  } catch (const std::bad_alloc&) {
    return false;
  }
  origin_ = Origin::kReplaced;
  return true;
}

bool AccountTable::DeleteAccount(const std::u16string& name) {
  const std::vector<std::size_t> named = RecordsNamed(records_, name);
  if (named.empty()) return false;
  try {
    std::vector<AccountRecord> kept;
    kept.reserve(records_.size() - named.size());
    std::size_t next = 0;  // into `named`, which is in table order
    for (std::size_t i = 0; i < records_.size(); ++i) {
      if (next < named.size() && named[next] == i) {
        ++next;
      } else {
        kept.push_back(records_[i]);
      }
    }
    Replace(std::move(kept));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void AccountTable::UpdateAccount(const AccountRecord& old_arg, const AccountRecord& new_arg) {
  const std::optional<std::size_t> found = FirstOfType(records_, old_arg.type, old_arg.Name());
  if (!found) return;
  // Copies: either argument may be a record of this very table.
  const bool group = old_arg.type == kTypeGroup;
  const std::u16string matched = records_[*found].groupname;
  const AccountRecord new_record = new_arg;
  records_[*found] = new_record;
  origin_ = Origin::kReplaced;
  if (!group) return;
  // Users of the group follow it; a twin group in another letter case keeps its own.
  std::unordered_set<std::u16string> groups;
  for (const AccountRecord& record : records_) {
    if (record.type == kTypeGroup) groups.insert(record.groupname);
  }
  for (AccountRecord& member : records_) {
    if (member.type == kTypeUser &&
        (member.groupname == matched ||
         (platform::EqualsNoCase(member.groupname, matched) && !groups.count(member.groupname)))) {
      member.groupname = new_record.groupname;
    }
  }
}

}  // namespace warden
