#include <windows.h>

#include "platform/event_log.h"
#include "platform/win32_text.h"

namespace warden::platform {

void ReportToEventLog(std::uint32_t id, EventType type, const std::u16string& text) {
  const HANDLE source = RegisterEventSourceW(nullptr, L"Warden");
  if (!source) return;
  const WORD kinds[] = {EVENTLOG_INFORMATION_TYPE, EVENTLOG_WARNING_TYPE, EVENTLOG_ERROR_TYPE};
  const wchar_t* strings[] = {Wide(text)};
  ReportEventW(source, kinds[static_cast<int>(type)], 0, id, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
}

}  // namespace warden::platform
