// What a writer needs of the trail before it appends: the hash of the last
// line, the last seq, and what the trail says of one data file, read from
// the end backwards only as far as needed.
#ifndef WARDEN_HISTORY_TRAIL_TAIL_H
#define WARDEN_HISTORY_TRAIL_TAIL_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/retention.h"
#include "history/trail_file.h"
#include "history/trail_line.h"

namespace warden::history {

struct TrailTail {
  std::string head = kFirstPrev;  // hash of the last line
  bool torn = false;              // the last line has no line break
  std::uint64_t last_seq = 0;
  // The file's last record and its outcome (empty: none).
  std::optional<TrailLine> last_record;
  std::string last_outcome;
  // What the last save that put the file in place left: its after-digest
  // and the identity its outcome gives.
  std::optional<std::string> committed_after;
  std::optional<platform::FileIdentity> committed_identity;
  bool any_committed = false;
  // The file's generations not yet dropped, oldest first.
  std::vector<std::string> generations;
};

// Reads the trail of `directory` for the data file `file`. A missing trail
// is an empty one.
ReadResult ReadTrailTail(const std::u16string& directory, std::string_view file, TrailTail* tail);

}  // namespace warden::history

#endif
