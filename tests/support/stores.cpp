#include "tests/support/stores.h"

#include "accounts/account_file.h"

namespace warden::testing {

void ResetStores() {
  for (CUser* store : {&ApplicationStore(), &ProjectStore()}) *store = CUser();
}

int WriteUsersFile(const std::vector<AccountRecord>& table, const DataLocation& location) {
  CUser writer;
  writer.m_pUser = table;
  return SaveAccountFile(writer, location);
}

int WriteZonesFile(const ZoneNames& names, const DataLocation& location) {
  CUser writer;
  writer.m_strSection = names;
  return SaveSectionFile(writer, location);
}

}  // namespace warden::testing
