// The lines of the trail (History\trail.jsonl): one JSON object each,
// chained by `prev`, the SHA-256 of the line before (64 zeros for the first).
//
// - A record (it has `seq`) is written before a save's replacing move: who
//   saves which file, what changes, the digests before and after, and the
//   generation that keeps the file it replaces.
// - An outcome (`of`: the record's seq) says how that save ended: written
//   after the move, or by a later save that finds the record without one.
// - A drop (`dropped`) says that a generation was let go, oldest first.
#ifndef WARDEN_HISTORY_TRAIL_LINE_H
#define WARDEN_HISTORY_TRAIL_LINE_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace warden::history {

enum class LineKind { kRecord, kOutcome, kDropped };

// How a save ended.
constexpr std::string_view kCommitted = "committed";
constexpr std::string_view kFailed = "failed";
constexpr std::string_view kNotCommitted = "not-committed";    // found later: died before the move
constexpr std::string_view kCommittedLate = "committed-late";  // found later: died after it
// Found later: the file holds neither the content before nor after the save.
constexpr std::string_view kUnresolved = "unresolved";
bool IsOutcome(std::string_view outcome);
// Whether a save with this outcome put its file in place.
bool PutInPlace(std::string_view outcome);

// Who saved: the front ends, and "outside" for a change Warden did not make.
bool IsFrontEnd(std::string_view front_end);
// What a record records: "save", "create", "outside-change", "restore".
bool IsAction(std::string_view action);

struct TrailLine {
  LineKind kind = LineKind::kRecord;
  // A record's own fields.
  std::uint64_t seq = 0;
  std::string machine, os_user, image;
  std::uint64_t pid = 0;
  std::optional<std::string> user;  // the Warden user; none when nobody was logged in
  std::string front_end, file, action;
  std::string changes = "[]";  // a JSON array, as written
  std::optional<std::string> before, after;
  // A record's generation, or the generation a drop lets go.
  std::optional<std::string> generation;
  // Records and drops.
  std::string time, offset;
  // An outcome's own fields; the identity of the file a committed save left.
  std::uint64_t of = 0;
  std::string outcome;
  std::optional<platform::FileIdentity> identity;
  // Every line.
  std::string prev;
};

// The line's JSON, without its line break.
std::string FormatLine(const TrailLine& line);
// The line `text` holds, or none when it is not a well-formed trail line:
// unknown members are passed over, missing or ill-formed ones refuse it.
std::optional<TrailLine> ParseLine(std::string_view text);

// `prev` of the first line.
extern const std::string kFirstPrev;
// Lower-case hex SHA-256 of a line's bytes (without its line break); empty
// when the system's digest failed.
std::string LineHash(std::string_view line);
bool IsDigestText(std::string_view text);

}  // namespace warden::history

#endif
