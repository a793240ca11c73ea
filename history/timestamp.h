// Times as the trail writes them: RFC 3339 in UTC with milliseconds
// ("2024-05-01T08:15:30.123Z") beside the local offset ("+08:00").
#ifndef WARDEN_HISTORY_TIMESTAMP_H
#define WARDEN_HISTORY_TIMESTAMP_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace warden::history {

std::string FormatUtc(std::int64_t utc_ms);
std::string FormatOffset(std::int32_t offset_min);

// The instant a trail time names; none unless it has exactly the form above.
std::optional<std::int64_t> ParseUtc(std::string_view text);
// Minutes of an offset "+08:00" / "-05:30"; none unless of that form.
std::optional<std::int32_t> ParseOffset(std::string_view text);

// A bound given on the command line: "2024-05-01", "2024-05-01T08:15",
// "2024-05-01T08:15:30" (local wall-clock time where each record was made),
// or any of the last two followed by "Z" or an offset (an instant).
struct TimeBound {
  std::int64_t ms = 0;
  bool local = false;  // compared with each record's own local time
};
std::optional<TimeBound> ParseTimeBound(std::string_view text);

}  // namespace warden::history

#endif
