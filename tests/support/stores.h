// What many tests set up by hand: the module's stores reset, and data files
// written into a directory from a table or zone names.
#ifndef WARDEN_TESTS_SUPPORT_STORES_H
#define WARDEN_TESTS_SUPPORT_STORES_H

#include <vector>

#include "shell/stores.h"
#include "tests/support/install_dir.h"

namespace warden::testing {

// Both stores as at module load, and nobody logged in.
inline void ResetStores() {
  ApplicationStore() = Store();
  ProjectStore() = Store();
  LoggedInUser().reset();
}

// Writes users.dat (section.dat) into `directory` through the product's own
// save; returns its result.
inline FileFailure WriteUsersFile(const std::vector<AccountRecord>& records,
                                  const std::u16string& directory = GetInstallDirectory()) {
  AccountTable table;
  table.Replace(records);
  DataFile file = UsersFileIn(directory);
  return SaveAccountFile(table, file);
}
inline FileFailure WriteZonesFile(const ZoneNames& names,
                                  const std::u16string& directory = GetInstallDirectory()) {
  DataFile file = ZonesFileIn(directory);
  return SaveZoneFile(names, file);
}

// The records of the install directory's users.dat; none when it does not load.
inline std::vector<AccountRecord> ReadUsersFile() {
  AccountTable table;
  DataFile file = UsersFileIn();
  return LoadAccountFile(table, file) == FileFailure::kNone ? table.records()
                                                            : std::vector<AccountRecord>();
}

}  // namespace warden::testing

#endif
