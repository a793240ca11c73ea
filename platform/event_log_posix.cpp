#include "platform/event_log.h"

namespace warden::platform {

void ReportToEventLog(std::uint32_t, EventType, const std::u16string&) {}

}  // namespace warden::platform
