// Loading and saving a store's account table: users.dat, with users.111 as
// the new file during a save and users.bak as the backup.
#ifndef WARDEN_ACCOUNTS_ACCOUNT_FILE_H
#define WARDEN_ACCOUNTS_ACCOUNT_FILE_H

#include <string>
#include <vector>

#include "accounts/archive.h"
#include "accounts/user_store.h"

namespace warden {

// Result codes of the file procedures; each equals a string-table id.
constexpr int kFileOk = 0;
constexpr int kFileDefaultNotWritable = 103;
constexpr int kFileNotReadable = 104;
constexpr int kFileNotWritable = 105;

// Loads users.dat from `directory`, or from the install directory when it
// is null. Returns kFileOk, kFileDefaultNotWritable or kFileNotReadable.
int LoadAccountFile(CUser& store, const std::u16string* directory);

// Writes the store's table to the install directory's users.dat.
// Returns kFileOk or kFileNotWritable.
int SaveAccountFile(CUser& store);

// The body of users.dat after its header: the 16-bit record count, then the
// records with every text field sealed. The writer refuses more than
// kMaxAccounts records; the reader leaves `*table` empty on failure.
bool WriteAccountTable(Archive& archive, const std::vector<AccountRecord>& table);
bool ReadAccountTable(Archive& archive, std::vector<AccountRecord>* table);

}  // namespace warden

#endif
