// What a save changes, as the trail's `changes` array: accounts by name
// (users and groups each among their own kind), a rename as one change where
// the writer says it renamed, records of other types by their place among
// such records, zones by number. Passwords never appear: only whether one
// was set, changed or cleared.
#ifndef WARDEN_HISTORY_TABLE_DIFF_H
#define WARDEN_HISTORY_TABLE_DIFF_H

#include <optional>
#include <string>
#include <vector>

#include "accounts/account_record.h"
#include "zones/zone_file.h"

namespace warden::history {

// The writer's word that the account `from` is now called `to`.
struct RenameHint {
  std::u16string from, to;
};

// The JSON array of changes from `before` to `after`; "[]" when equal.
std::string DiffAccounts(const std::vector<AccountRecord>& before,
                         const std::vector<AccountRecord>& after,
                         const std::optional<RenameHint>& rename = std::nullopt);
std::string DiffZones(const ZoneNames& before, const ZoneNames& after);

// Zone flags as a short text: zones flagged 1 as numbers and ranges
// ("1-3,5"); any other flag value as zone:value ("6:-1").
std::string ZoneSetText(const ZoneFlags& zones);

}  // namespace warden::history

#endif
