#include "shell/stores.h"

#include "accounts/account_file.h"
#include "storage/installation.h"

namespace warden {

Store& ApplicationStore() {
  static Store store;
  return store;
}

Store& ProjectStore() {
  static Store store;
  return store;
}

std::optional<AccountRecord>& LoggedInUser() {
  static std::optional<AccountRecord> user;
  return user;
}

DataFile& KeptFile(std::optional<DataFile>& slot, DataFile file) {
  if (!slot || !slot->SameAs(file)) slot = std::move(file);
  return *slot;
}

history::Author ApiAuthor() {
  const std::optional<AccountRecord>& user = LoggedInUser();
  if (!user) return {"api", std::nullopt};
  return {"api", user->Name()};
}

ManagedStore ManagedApplicationStore() {
  Store& store = ApplicationStore();
  const std::u16string directory = GetInstallDirectory();
  const std::optional<AccountRecord>& user = LoggedInUser();
  return {store.accounts,
          store.zones,
          KeptFile(store.users_file,
                   AccountFileIn(directory, Access::kReadWrite, MissingFile::kCreateDefault)),
          KeptFile(store.zones_file,
                   ZoneFileIn(directory, Access::kReadWrite, MissingFile::kCreateDefault)),
          store.accounts_loaded,
          store.zones_loaded,
          user ? &*user : nullptr};
}

}  // namespace warden
