// Loading and saving a store's account table: users.dat, with users.111 as
// the new file during a save and users.bak as the backup.
#ifndef WARDEN_ACCOUNTS_ACCOUNT_FILE_H
#define WARDEN_ACCOUNTS_ACCOUNT_FILE_H

#include <string>
#include <vector>

#include "accounts/user_store.h"
#include "storage/archive.h"
#include "storage/data_file.h"
#include "storage/data_location.h"

namespace warden {

// Loads users.dat from `location`. Returns kFileOk, kFileDefaultNotWritable
// or kFileNotReadable.
int LoadAccountFile(CUser& store, const DataLocation& location);

// Writes the store's table to users.dat in `location`.
// Returns kFileOk or kFileNotWritable.
int SaveAccountFile(CUser& store, const DataLocation& location);

// The body of users.dat after its header: the 16-bit record count, then the
// records with every text field sealed. The writer refuses more than
// kMaxAccounts records; the reader leaves `*table` empty on failure.
// A text field that could not be unsealed (it reads as empty).
struct SealedFieldDamage {
  std::size_t record;  // index in the table
  const char* field;   // "groupname", "username", "password", "usercomment", "groupcomment"
};
bool WriteAccountTable(Archive& archive, const std::vector<AccountRecord>& table);
bool ReadAccountTable(Archive& archive, std::vector<AccountRecord>* table,
                      std::vector<SealedFieldDamage>* damaged = nullptr);

}  // namespace warden

#endif
