// Reading the trail and the files it speaks of, through the platform's file
// table (so the fault sweeps reach every call).
#ifndef WARDEN_HISTORY_TRAIL_FILE_H
#define WARDEN_HISTORY_TRAIL_FILE_H

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace warden::history {

enum class ReadResult { kOk, kMissing, kUnreadable };

// The whole file `path`, which others may be appending to (a trail).
ReadResult ReadWholeFile(const std::u16string& path, std::string* bytes);
// The lower-case hex SHA-256 of the file `path`, read piece by piece.
ReadResult DigestOfFile(const std::u16string& path, std::string* digest);

// Hands each line of the file `path` (others may be appending to it) to `line` in order, without
// its line break; `terminated` is false for a last line that has none. Reads piece by piece, so a
// trail of any length costs the memory of a piece.
ReadResult ReadLines(const std::u16string& path,
                     const std::function<void(std::string_view line, bool terminated)>& line);

// The lines of a trail's bytes, each without its line break; `cut_off`
// when the last one has none (a write that did not finish).
struct TrailLines {
  std::vector<std::string_view> lines;
  bool cut_off = false;
};
TrailLines SplitLines(std::string_view bytes);

}  // namespace warden::history

#endif
