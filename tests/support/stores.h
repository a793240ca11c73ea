// What many tests set up by hand: the module's two stores reset, and data
// files written into a directory from a table or zone names.
#ifndef WARDEN_TESTS_SUPPORT_STORES_H
#define WARDEN_TESTS_SUPPORT_STORES_H

#include <vector>

#include "accounts/account_file.h"
#include "accounts/account_record.h"
#include "accounts/user_store.h"
#include "storage/data_location.h"
#include "zones/zone_file.h"

namespace warden::testing {

// Both stores as at module load: no table, no current user, no zone names.
inline void ResetStores() {
  for (CUser* store : {&ApplicationStore(), &ProjectStore()}) *store = CUser();
}

// Writes users.dat (section.dat) into `location` through the product's own
// save; returns its result.
inline int WriteUsersFile(const std::vector<AccountRecord>& table, const DataLocation& location) {
  CUser writer;
  writer.m_pUser = table;
  return SaveAccountFile(writer, location);
}
inline int WriteZonesFile(const ZoneNames& names, const DataLocation& location) {
  CUser writer;
  writer.m_strSection = names;
  return SaveSectionFile(writer, location);
}

}  // namespace warden::testing

#endif
