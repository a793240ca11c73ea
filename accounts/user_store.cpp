#include "accounts/user_store.h"

#include <new>

#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"

namespace warden {
namespace {

AccountRecord DefaultRecord(std::int16_t type, bool zone_none_only, std::uint16_t group_id) {
  AccountRecord record;
  record.type = type;
  for (int zone = 0; zone < kZoneCount; ++zone) {
    record.sectionid[zone] = (zone == 0) == zone_none_only ? 1 : 0;
  }
  record.groupname = platform::ResourceString(group_id);
  return record;
}

}  // namespace

bool IsSameText(const std::u16string& a, const std::u16string& b) { return a == b; }

void CUser::SetDefaultTable() {
  AccountRecord admin_group = DefaultRecord(kTypeGroup, false, IDS_ADMIN_GROUP);
  admin_group.groupcomment = admin_group.groupname;

  AccountRecord admin = DefaultRecord(kTypeUser, false, IDS_ADMIN_GROUP);
  admin.username = platform::ResourceString(IDS_ADMIN_USER);
  admin.password = u"corvinth";
  admin.usercomment = admin.username;
  admin.userpri = 999;
  admin.limitTime = 255;

  AccountRecord no_group = DefaultRecord(kTypeGroup, true, IDS_NO_GROUP);
  no_group.groupcomment = no_group.groupname;

  AccountRecord nobody = DefaultRecord(kTypeUser, true, IDS_NO_GROUP);
  nobody.username = platform::ResourceString(IDS_NONE);
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

int CUser::CanModifyAccount(const std::u16string& name) const {
  if (!m_pCurUser) return 1;
  std::int16_t target_priority = 0;
  static const std::vector<AccountRecord> kNoTable;
  for (const AccountRecord& record : m_pUser ? *m_pUser : kNoTable) {
    if (record.type == kTypeUser && IsSameText(record.username, name)) {
      if (IsSameText(record.username, m_pCurUser->username)) return 1;
      if (IsSameText(m_pCurUser->username, platform::ResourceString(IDS_ADMIN_USER))) return 1;
      target_priority = record.userpri;
      break;
    }
    if (IsSameText(record.groupname, name)) {
      target_priority = record.userpri;
      break;
    }
  }
  return target_priority < m_pCurUser->userpri ? 1 : 0;
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
