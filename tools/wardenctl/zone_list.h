// Zone sets as the command line writes them: numbers and ranges, "1,3,5-9".
#ifndef WARDEN_TOOLS_WARDENCTL_ZONE_LIST_H
#define WARDEN_TOOLS_WARDENCTL_ZONE_LIST_H

#include <optional>
#include <string>

#include "accounts/account_record.h"

namespace warden::ctl {

// Flags with a 1 for each listed zone; empty text: no zone. None when the
// text is not such a list or names a zone outside 0..63.
std::optional<ZoneFlags> ParseZoneList(const std::string& text);

}  // namespace warden::ctl

#endif
