// Each trail line is also told to the system's event log (Windows: the
// Application log, source "Warden"), with the hash of the line itself, so a
// rewritten trail can be found out against a log the data directory does
// not hold.
#ifndef WARDEN_HISTORY_EVENT_REPORT_H
#define WARDEN_HISTORY_EVENT_REPORT_H

#include <cstdint>
#include <string>
#include <string_view>

#include "history/trail_line.h"
#include "platform/event_log.h"

namespace warden::history {

// Event ids; the message table of the component's module
// (resources/warden_events.mc) has one message for each, whose only
// insertion is the text below.
enum EventId : std::uint32_t {
  kEventSave = 100,
  kEventCreate = 101,
  kEventOutsideChange = 102,
  kEventRestore = 103,
  kEventGenerationDropped = 104,
  kEventCommitted = 105,
  kEventCommittedLate = 106,
  kEventFailed = 110,
  kEventNotCommitted = 111,
  kEventUnresolved = 112,
};

struct LineEvent {
  std::uint32_t id = kEventSave;
  platform::EventType type = platform::EventType::kInformation;
  std::u16string text;
};

// The event for `line`, whose own bytes hash to `head`.
LineEvent EventFor(const TrailLine& line, std::string_view head);

}  // namespace warden::history

#endif
