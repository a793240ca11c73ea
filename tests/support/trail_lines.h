// Trail lines as a plant's writer leaves them, for the history's tests and
// benchmark: a record of save `seq` (its generation when there was a file
// before), an outcome, a drop; and the lines of a trail file read back.
#ifndef WARDEN_TESTS_SUPPORT_TRAIL_LINES_H
#define WARDEN_TESTS_SUPPORT_TRAIL_LINES_H

#include <optional>
#include <string>

#include "history/history_files.h"
#include "history/timestamp.h"
#include "history/trail_file.h"
#include "history/trail_line.h"
#include "tests/support/temp_dir.h"

namespace warden::testing {

inline history::TrailLine Record(std::uint64_t seq, std::string file, std::string action,
                                 std::string changes, std::optional<std::string> before,
                                 std::string after) {
  history::TrailLine line;
  line.seq = seq, line.pid = 4242, line.front_end = "dialog";
  line.machine = "PLANT-HMI-01", line.os_user = "PLANT\\operator", line.image = "Velmaris.exe";
  line.user = "\xE7\xB3\xBB\xE7\xBB\x9F";  // 系统
  line.file = std::move(file), line.action = std::move(action), line.changes = std::move(changes);
  if (before) line.generation = history::GenerationName(line.file, seq);
  line.before = std::move(before), line.after = std::move(after);
  line.time = history::FormatUtc(1714551330123 + static_cast<std::int64_t>(seq) * 61001);
  line.offset = history::FormatOffset(480);
  return line;
}

inline history::TrailLine Outcome(std::uint64_t seq, std::string_view outcome) {
  history::TrailLine line;
  line.kind = history::LineKind::kOutcome, line.of = seq, line.outcome = std::string(outcome);
  if (history::PutInPlace(outcome))
    line.identity = platform::FileIdentity{2049, 131, 1024, -5, 1LL << 62};
  return line;
}

inline history::TrailLine Drop(std::string generation, std::int32_t offset_min = 0) {
  history::TrailLine line;
  line.kind = history::LineKind::kDropped, line.generation = std::move(generation);
  line.time = history::FormatUtc(0), line.offset = history::FormatOffset(offset_min);
  return line;
}

// A file's bytes as text, and the lines of a trail file.
inline std::string FileText(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
inline std::vector<std::string> TrailFileLines(const std::filesystem::path& path) {
  const std::string text = FileText(path);  // the lines are views into it
  std::vector<std::string> lines;
  for (std::string_view line : history::SplitLines(text).lines) lines.emplace_back(line);
  return lines;
}

}  // namespace warden::testing

#endif
