// The module's data, kept for its whole life and shared by every Config
// object and dialog: the two stores and the logged-in user.
#ifndef WARDEN_SHELL_STORES_H
#define WARDEN_SHELL_STORES_H

#include <optional>

#include "accounts/account_record.h"
#include "accounts/account_table.h"
#include "dialogs/manage_dialog.h"
#include "history/history_observer.h"
#include "storage/data_file.h"
#include "zones/zone_file.h"

namespace warden {

// One store: the account table and the zone names, and the files each was
// last loaded from or saved to, kept for whether their backup is due; and
// what each was last loaded or saved as, for the history of the next save.
struct Store {
  AccountTable accounts;
  ZoneNames zones{};
  std::optional<DataFile> users_file;
  std::optional<DataFile> zones_file;
  history::LoadedAccounts accounts_loaded;
  history::LoadedZones zones_loaded;
};

// The install directory's store: what the saves and the manage dialog use.
Store& ApplicationStore();
// Filled from a directory the host names; never saved.
Store& ProjectStore();
// Set by the host; none until then, and never cleared.
std::optional<AccountRecord>& LoggedInUser();

// The slot's file when it is `file` (the same path, access and default
// rule), else `file`, kept in the slot from now on.
DataFile& KeptFile(std::optional<DataFile>& slot, DataFile file);

// Who saves through the COM interface: the logged-in user, if any.
history::Author ApiAuthor();

// The application store with its files in the install directory as the
// profile names it now, and the logged-in user, as the manage dialog takes them.
ManagedStore ManagedApplicationStore();

}  // namespace warden

#endif
