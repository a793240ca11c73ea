// The JSON forms of accounts and zones: what list, show, zones, verify and
// export print, and what import reads. Each document names its shape:
//   {"format": "warden-accounts", "version": 2, "accounts": [...], "zones": [64 names]}
// is what export writes and the one shape import reads.
#ifndef WARDEN_TOOLS_WARDENCTL_TRANSFER_H
#define WARDEN_TOOLS_WARDENCTL_TRANSFER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "accounts/account_record.h"
#include "accounts/account_rules.h"
#include "zones/zone_file.h"

namespace warden::ctl {

class Session;
using Json = nlohmann::ordered_json;

// Version 2 added the escaped form of a text that is no valid Unicode.
constexpr const char* kAccountsFormat = "warden-accounts";  // export, import
constexpr int kAccountsVersion = 2;
constexpr const char* kAccountFormat = "warden-account";           // show --json
constexpr const char* kAccountTreeFormat = "warden-account-tree";  // list --json
constexpr const char* kZonesFormat = "warden-zones";               // zones --json
constexpr const char* kReportFormat = "warden-verify-report";      // verify --json

// The document head, without its content.
Json DocumentJson(const char* format, int version = 1);
// The document as printed, indented.
std::string Printed(const Json& document);
// A text as a JSON string; one that is no valid UTF-16 (a lone surrogate,
// which a host can store) as {"utf16": [its code units]}, so that nothing
// is altered on the way.
Json TextJson(std::u16string_view text);
Json AccountJson(const AccountRecord& record, bool with_password);
Json ZonesJson(const ZoneNames& names);

// The key of the field a refusal of the editor is about: "name",
// "password", "zones", "timeout" or "priority".
const char* FieldOfMessage(std::uint16_t message);
// The key of the first name, comment or group of `edit` longer than the
// editor's edits take; null when all fit.
const char* OverlongField(const AccountEdit& edit);

struct ImportOptions {
  bool merge = false;  // the file's accounts are added or replace those of their name
  bool allow_empty_passwords = false;
};

struct ImportPlan {
  std::vector<AccountRecord> table;  // the table to be written
  std::optional<ZoneNames> zones;    // when the file has them
};

// Checks the whole document (its shape, every record with the editor's
// rules as New, then the file as a whole) against the loaded store of
// `session`. Returns every problem, one line each; none: `*plan` is filled.
std::vector<std::string> ReadImport(const Json& document, const Session& session,
                                    const ImportOptions& options, ImportPlan* plan);

}  // namespace warden::ctl

#endif
