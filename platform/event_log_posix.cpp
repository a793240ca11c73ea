#include "platform/event_log.h"

namespace warden::platform {

void ReportEvent(std::uint32_t, EventType, const std::u16string&) {}

}  // namespace warden::platform
