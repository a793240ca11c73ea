// Loading and saving a store's 64 zone names: section.dat, with section.111
// as the new file during a save and section.bak as the backup.
#ifndef WARDEN_ZONES_ZONE_FILE_H
#define WARDEN_ZONES_ZONE_FILE_H

#include <string>

#include "accounts/account_file.h"
#include "accounts/user_store.h"

namespace warden {

// Loads section.dat from `directory`, or from the install directory when it
// is null. Returns kFileOk, kFileDefaultNotWritable or kFileNotReadable.
int LoadSectionFile(CUser& store, const std::u16string* directory);

// Writes the store's zone names to the install directory's section.dat.
// Returns kFileOk or kFileNotWritable.
int SaveSectionFile(CUser& store);

}  // namespace warden

#endif
