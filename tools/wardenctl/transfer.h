// The JSON form of accounts and zones: what list, show and export print and
// what import reads.
//   {"format": "warden-accounts", "version": 1, "accounts": [...], "zones": [64 names]}
#ifndef WARDEN_TOOLS_WARDENCTL_TRANSFER_H
#define WARDEN_TOOLS_WARDENCTL_TRANSFER_H

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "accounts/account_record.h"
#include "zones/zone_file.h"

namespace warden::ctl {

class Session;
using Json = nlohmann::ordered_json;

// The document head, without accounts or zones.
Json DocumentJson();
// The document as printed: indented, and a text that is no valid UTF-8 (a
// lone surrogate the host stored) replaced rather than refused.
std::string Printed(const Json& document);
Json AccountJson(const AccountRecord& record, bool with_password);
Json ZonesJson(const ZoneNames& names);

struct ImportPlan {
  std::vector<AccountRecord> table;
  std::optional<ZoneNames> zones;  // when the file has them
};

// Checks the whole document (its shape, every record with the editor's
// rules as New, then the file as a whole) against the loaded store of
// `session`. Returns the problems, one line each; none: `*plan` is filled.
std::vector<std::string> ReadImport(const Json& document, const Session& session, ImportPlan* plan);

}  // namespace warden::ctl

#endif
