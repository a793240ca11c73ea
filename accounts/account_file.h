// users.dat: the account table's file, with its side files in the same
// directory (see storage/data_file.h).
#ifndef WARDEN_ACCOUNTS_ACCOUNT_FILE_H
#define WARDEN_ACCOUNTS_ACCOUNT_FILE_H

#include <string>
#include <vector>

#include "accounts/account_table.h"
#include "storage/archive.h"
#include "storage/data_file.h"

namespace warden {

// users.dat and its side files in `directory`.
DataFile AccountFileIn(const std::u16string& directory, Access access, MissingFile missing);

// Loads `file` into `table`. A file that is not there gives the default
// table: written first and read back where `file` creates defaults, kept in
// memory only (with kNotFound) where it does not. A failed load leaves no
// records, but for those defaults when no content was read after them.
// `creating` observes the save that writes the defaults.
FileFailure LoadAccountFile(AccountTable& table, DataFile& file, SaveObserver* creating = nullptr);

// Saves `table` over `file`; kTooLarge for more than kMaxAccounts records.
FileFailure SaveAccountFile(const AccountTable& table, DataFile& file,
                            SaveObserver* observer = nullptr);

// The whole of users.dat for `table`: the header, the 16-bit record count,
// then the records with every text field sealed.
FileFailure AccountFileContent(const std::vector<AccountRecord>& table, Bytes* content);

// The body of users.dat after its header. The writer refuses more than
// kMaxAccounts records; the reader leaves `*table` empty on failure.
// A text field that could not be unsealed (it reads as empty).
struct SealedFieldDamage {
  std::size_t record;  // index in the table
  const char* field;   // "groupname", "username", "password", "usercomment", "groupcomment"
};
[[nodiscard]] bool WriteAccountTable(Archive& archive, const std::vector<AccountRecord>& table);
[[nodiscard]] bool ReadAccountTable(Archive& archive, std::vector<AccountRecord>* table,
                                    std::vector<SealedFieldDamage>* damaged = nullptr);

}  // namespace warden

#endif
