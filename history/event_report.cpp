#include "history/event_report.h"

#include "platform/text.h"

namespace warden::history {
namespace {

std::uint32_t RecordEvent(std::string_view action) {
  if (action == "create") return kEventCreate;
  if (action == "outside-change") return kEventOutsideChange;
  if (action == "restore") return kEventRestore;
  return kEventSave;
}

std::uint32_t OutcomeEvent(std::string_view outcome) {
  if (outcome == kCommittedLate) return kEventCommittedLate;
  if (outcome == kFailed) return kEventFailed;
  if (outcome == kNotCommitted) return kEventNotCommitted;
  if (outcome == kUnresolved) return kEventUnresolved;
  return kEventCommitted;
}

}  // namespace

LineEvent EventFor(const TrailLine& line, std::string_view head) {
  LineEvent event;
  std::string text;
  switch (line.kind) {
    case LineKind::kRecord:
      event.id = RecordEvent(line.action);
      text = "record " + std::to_string(line.seq) + ": " + line.action + " of " + line.file +
             " by " + line.user.value_or("(nobody logged in)") + " through " + line.front_end;
      break;
    case LineKind::kOutcome:
      event.id = OutcomeEvent(line.outcome);
      if (event.id >= kEventFailed) event.type = platform::EventType::kWarning;
      text = "record " + std::to_string(line.of) + ": " + line.outcome;
      break;
    case LineKind::kDropped:
      event.id = kEventGenerationDropped;
      text = "generation " + line.generation.value_or("") + " dropped";
      break;
  }
  event.text = platform::FromUtf8(text + "; head " + std::string(head));
  return event;
}

}  // namespace warden::history
