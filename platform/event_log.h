// The Windows Application event log, where a record of a change is kept out
// of reach of whoever can write the data directory. Best effort: reporting
// never fails its caller. POSIX has no such log: nothing is reported there.
#ifndef WARDEN_PLATFORM_EVENT_LOG_H
#define WARDEN_PLATFORM_EVENT_LOG_H

#include <cstdint>
#include <string>

namespace warden::platform {

enum class EventType { kInformation, kWarning, kError };

// Reports event `id` of the source "Warden" with `text` as its one insertion string.
void ReportToEventLog(std::uint32_t id, EventType type, const std::u16string& text);

}  // namespace warden::platform

#endif
