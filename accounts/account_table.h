// The account table: the groups and users of one store, in the order they
// were loaded or added, and what the last load made of it.
#ifndef WARDEN_ACCOUNTS_ACCOUNT_TABLE_H
#define WARDEN_ACCOUNTS_ACCOUNT_TABLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "accounts/account_record.h"

namespace warden {

// The record count travels as 16 bits in the file and through the interface.
constexpr std::int32_t kMaxAccounts = 32767;

class AccountTable {
 public:
  enum class Origin {
    kNeverLoaded,  // as made: no records
    kLoadFailed,   // the last load failed: no records, or the defaults of a file not there
    kLoaded,       // the last load read the whole file, which may hold no records
    kReplaced,     // set whole or changed by an edit since; it may hold no records
  };

  Origin origin() const { return origin_; }
  const std::vector<AccountRecord>& records() const { return records_; }
  std::int32_t count() const { return static_cast<std::int32_t>(records_.size()); }
  // Whether there is a table to save over: records, or a table set or edited
  // even without any. Never loaded, a failed load and a file without
  // records leave none.
  bool HoldsTable() const { return origin_ == Origin::kReplaced || !records_.empty(); }

  void Loaded(std::vector<AccountRecord> records);
  void LoadFailed(std::vector<AccountRecord> kept = {});
  void Replace(std::vector<AccountRecord> records);

  // Appends `record`. False when its name is taken (exact comparison), the
  // table is full, or memory ran out.
  [[nodiscard]] bool AddAccount(const AccountRecord& record);
  // Removes the records RecordsNamed gives. False when no record bears the
  // name, or memory ran out; the table is then unchanged.
  [[nodiscard]] bool DeleteAccount(const std::u16string& name);
  // Replaces the first record of old_record's type bearing its name exactly,
  // or, when none does, in any letter case; a group rename carries along
  // the users of that group (their group name in any letter case, unless
  // another group bears it exactly). A name no record bears changes nothing.
  void UpdateAccount(const AccountRecord& old_record, const AccountRecord& new_record);

 private:
  std::vector<AccountRecord> records_;
  Origin origin_ = Origin::kNeverLoaded;
};

// The four records of a table whose file is not there, texts from the
// string table.
std::vector<AccountRecord> DefaultTable();

// The records an edit or delete of `name` acts on, by index: those bearing
// it exactly, or, only when none does, those bearing it in any letter case.
// A table may hold names that differ only in case (the host writes what it
// likes); each is reached by its own spelling.
std::vector<std::size_t> RecordsNamed(const std::vector<AccountRecord>& table,
                                      const std::u16string& name);

}  // namespace warden

#endif
