#include "accounts/user_store.h"

#include <new>

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

}  // namespace

bool IsSameText(const std::u16string& a, const std::u16string& b) { return a == b; }

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
  try {
    std::vector<AccountRecord> kept;
    kept.reserve(m_pUser->size());
    for (const AccountRecord& record : *m_pUser) {
      if (!platform::EqualsNoCase(record.Name(), name)) kept.push_back(record);
    }
    if (kept.size() == m_pUser->size()) return 0;
    *m_pUser = std::move(kept);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

int CUser::UpdateAccount(const AccountRecord& old_arg, const AccountRecord& new_arg) {
  if (!m_pUser) return 1;
  // Copies: either argument may be a record of this very table.
  const AccountRecord old_record = old_arg;
  const AccountRecord new_record = new_arg;
  for (AccountRecord& record : *m_pUser) {
    if (old_record.type == kTypeUser && record.type == kTypeUser &&
        platform::EqualsNoCase(record.username, old_record.username)) {
      record = new_record;
      return 1;
    }
    if (old_record.type == kTypeGroup && record.type == kTypeGroup &&
        platform::EqualsNoCase(record.groupname, old_record.groupname)) {
      record = new_record;
      for (AccountRecord& member : *m_pUser) {
        if (member.type == kTypeUser &&
            platform::EqualsNoCase(member.groupname, old_record.groupname)) {
          member.groupname = new_record.groupname;
        }
      }
      return 1;
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
