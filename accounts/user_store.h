// CUser: one store of accounts and zone names. The module keeps two for its
// whole life: the application store (install directory) and the project store.
#ifndef WARDEN_ACCOUNTS_USER_STORE_H
#define WARDEN_ACCOUNTS_USER_STORE_H

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "accounts/account_record.h"

namespace warden {

// The record count travels as 16 bits in the file and through the interface.
constexpr std::int32_t kMaxAccounts = 32767;

class CUser {
 public:
  // The account table; none until loaded or set from the host.
  std::optional<std::vector<AccountRecord>> m_pUser;
  // The logged-in user, set by the host; none until then.
  std::unique_ptr<AccountRecord> m_pCurUser;
  std::array<std::u16string, kZoneCount> m_strSection;
  bool m_bUserBackupDue = false;
  bool m_bSectionBackupDue = false;

  std::int32_t UserCount() const {
    return m_pUser ? static_cast<std::int32_t>(m_pUser->size()) : 0;
  }
  // The table's records; none reads as empty.
  const std::vector<AccountRecord>& Records() const;
  // Releases the table (none, count 0).
  void ReleaseTable() { m_pUser.reset(); }
  // Replaces the table by the four default records, texts from the string table.
  void SetDefaultTable();

  // 1 = appended; 0 = the name is taken (exact comparison), the table is
  // full, or memory ran out.
  int AddAccount(const AccountRecord& record);
  // Removes the records RecordsNamed gives. 1 = done; 0 = no record bears
  // the name, or memory ran out; the table is then unchanged.
  int DeleteAccount(const std::u16string& name);
  // Replaces the first record of old_record's type bearing its name exactly,
  // or, when none does, in any letter case; a group rename carries along
  // the users of that group (their group name in any letter case, unless
  // another group bears it exactly). Always 1.
  int UpdateAccount(const AccountRecord& old_record, const AccountRecord& new_record);
  // Type of the first record bearing exactly `name`, 0 if none.
  std::int16_t AccountTypeByName(const std::u16string& name) const;
  // 1 when the current user may change the account called `name`.
  int CanModifyAccount(const std::u16string& name) const;
};

// The records an edit or delete of `name` acts on, by index: those bearing
// it exactly, or, only when none does, those bearing it in any letter case.
// A table may hold names that differ only in case (the host writes what it
// likes); each is reached by its own spelling.
std::vector<std::size_t> RecordsNamed(const std::vector<AccountRecord>& table,
                                      const std::u16string& name);

// Exact, case-sensitive equality.
bool IsSameText(const std::u16string& a, const std::u16string& b);

// The two module-wide stores.
CUser& ApplicationStore();
CUser& ProjectStore();

}  // namespace warden

#endif
