#include "accounts/user_store.h"

#include <new>
#include <unordered_set>

#include "accounts/account_rules.h"
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

}  // namespace

bool IsSameText(const std::u16string& a, const std::u16string& b) { return a == b; }

std::vector<std::size_t> RecordsNamed(const std::vector<AccountRecord>& table,
                                      const std::u16string& name) {
  std::vector<std::size_t> exact, any_case;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].Name() == name) exact.push_back(i);
    if (exact.empty() && platform::EqualsNoCase(table[i].Name(), name)) any_case.push_back(i);
  }
  return exact.empty() ? any_case : exact;
}

void CUser::SetDefaultTable() {
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

  m_pUser = std::vector<AccountRecord>{admin_group, admin, no_group, nobody};
}

int CUser::AddAccount(const AccountRecord& record) {
  if (UserCount() >= kMaxAccounts) return 0;
  if (m_pUser && (record.type == kTypeUser || record.type == kTypeGroup)) {
    const std::u16string& name = record.Name();
    for (const AccountRecord& existing : *m_pUser) {
      const bool named = existing.type == kTypeUser || existing.type == kTypeGroup;
      if (named && IsSameText(existing.Name(), name)) return 0;
    }
  }
  try {
    if (!m_pUser) m_pUser.emplace();
    m_pUser->push_back(record);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

int CUser::DeleteAccount(const std::u16string& name) {
  if (!m_pUser) return 0;
  const std::vector<std::size_t> named = RecordsNamed(*m_pUser, name);
  if (named.empty()) return 0;
  try {
    std::vector<AccountRecord> kept;
    kept.reserve(m_pUser->size() - named.size());
    std::size_t next = 0;  // into `named`, which is in table order
    for (std::size_t i = 0; i < m_pUser->size(); ++i) {
      if (next < named.size() && named[next] == i) {
        ++next;
      } else {
        kept.push_back((*m_pUser)[i]);
      }
    }
    *m_pUser = std::move(kept);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

int CUser::UpdateAccount(const AccountRecord& old_arg, const AccountRecord& new_arg) {
  if (!m_pUser) return 1;
  std::vector<AccountRecord>& table = *m_pUser;
  const std::optional<std::size_t> found = FirstOfType(table, old_arg.type, old_arg.Name());
  if (!found) return 1;
  // Copies: either argument may be a record of this very table.
  const bool group = old_arg.type == kTypeGroup;
  const std::u16string matched = table[*found].groupname;
  const AccountRecord new_record = new_arg;
  table[*found] = new_record;
  if (!group) return 1;
  // Users of the group follow it; a twin group in another letter case keeps its own.
  std::unordered_set<std::u16string> groups;
  for (const AccountRecord& record : table) {
    if (record.type == kTypeGroup) groups.insert(record.groupname);
  }
  for (AccountRecord& member : table) {
    if (member.type == kTypeUser &&
        (member.groupname == matched ||
         (platform::EqualsNoCase(member.groupname, matched) && !groups.count(member.groupname)))) {
      member.groupname = new_record.groupname;
    }
  }
  return 1;
}

std::int16_t CUser::AccountTypeByName(const std::u16string& name) const {
  if (!m_pUser) return 0;
  for (const AccountRecord& record : *m_pUser) {
    if (IsSameText(record.Name(), name)) return record.type;
  }
  return 0;
}

const std::vector<AccountRecord>& CUser::Records() const {
  static const std::vector<AccountRecord> kNone;
  return m_pUser ? *m_pUser : kNone;
}

int CUser::CanModifyAccount(const std::u16string& name) const {
  return MayModifyAccount(Records(), m_pCurUser.get(), LoadBuiltInNames().admin_user, name) ? 1 : 0;
}

CUser& ApplicationStore() {
  static CUser store;
  return store;
}

CUser& ProjectStore() {
  static CUser store;
  return store;
}

}  // namespace warden
