#include "history/verifier.h"

#include <unordered_map>

#include "history/history_files.h"
#include "history/trail_file.h"
#include "history/trail_line.h"
#include "platform/files.h"
#include "platform/text.h"

namespace warden::history {
namespace {

// What the checks after the walk need of a record.
struct RecordState {
  std::uint64_t seq = 0;
  std::string file;
  std::optional<std::string> before, after, generation;
  std::string outcome;  // empty: none yet
  bool dropped = false;
};

class Verifier {
 public:
  Verifier(const std::u16string& directory, VerifyReport* report)
      : directory_(directory), report_(*report) {}

  // Takes the next line of the trail.
  void Walk(std::string_view text, bool terminated);
  void CheckGenerations();
  void CheckFile(std::string_view file);

 private:
  void Find(std::size_t line, const std::string& what) {
    report_.findings.push_back("line " + std::to_string(line) + ": " + what);
  }
  void Take(std::size_t number, TrailLine& line);
  RecordState* Record(std::uint64_t seq) {
    const auto found = index_.find(seq);
    return found == index_.end() ? nullptr : &records_[found->second];
  }
  // The digest of a file in the directory; empty when missing or unreadable.
  std::string Digest(const std::u16string& path) {
    std::string digest;
    DigestOfFile(path, &digest);
    return digest;
  }

  const std::u16string& directory_;
  VerifyReport& report_;
  std::vector<RecordState> records_;
  std::unordered_map<std::uint64_t, std::size_t> index_;
  std::uint64_t last_seq_ = 0;
  std::string expected_prev_ = kFirstPrev;
};

void Verifier::Walk(std::string_view text, bool terminated) {
  const std::size_t number = ++report_.lines;
  if (!terminated)
    Find(number, "cut off: the line has no line break (a write that did not finish)");
  std::optional<TrailLine> line = ParseLine(text);
  if (!line) {
    Find(number, "not a trail line");
  } else if (line->prev != expected_prev_) {
    Find(number, "prev does not match the line before it (a line was changed, dropped or moved)");
  }
  expected_prev_ = LineHash(text);
  if (line) Take(number, *line);
}

void Verifier::Take(std::size_t number, TrailLine& line) {
  if (line.kind == LineKind::kRecord) {
    if (line.seq <= last_seq_) {
      Find(number, "record " + std::to_string(line.seq) + " does not follow record " +
                       std::to_string(last_seq_));
      return;
    }
    last_seq_ = line.seq;
    index_.emplace(line.seq, records_.size());
    records_.push_back(RecordState{line.seq,
                                   std::move(line.file),
                                   std::move(line.before),
                                   std::move(line.after),
                                   std::move(line.generation),
                                   {},
                                   false});
    ++report_.records;
    return;
  }
  if (line.kind == LineKind::kOutcome) {
    RecordState* record = Record(line.of);
    if (!record) {
      Find(number, "outcome of record " + std::to_string(line.of) + ", which no line before has");
    } else if (!record->outcome.empty()) {
      Find(number, "a second outcome of record " + std::to_string(line.of));
    } else {
      record->outcome = line.outcome;
    }
    return;
  }
  const std::optional<GenerationOf> generation = ParseGenerationName(*line.generation);
  RecordState* record = generation ? Record(generation->seq) : nullptr;
  if (!record || record->generation != line.generation || record->dropped) {
    Find(number, "drops " + *line.generation + ", which no record before keeps");
  } else {
    record->dropped = true;
  }
}

// A committed save's generation must be there; any that is there must hold
// what its record found before the save.
void Verifier::CheckGenerations() {
  for (const RecordState& record : records_) {
    if (!record.generation || record.dropped) continue;
    const std::u16string path =
        HistoryDirectory(directory_) + platform::FromUtf8(*record.generation);
    const std::string digest = Digest(path);
    const std::string seq = std::to_string(record.seq);
    if (digest.empty() && PutInPlace(record.outcome) && !platform::Files().exists(path)) {
      report_.findings.push_back("generation " + *record.generation + " of record " + seq +
                                 " is missing");
    } else if (digest.empty() && platform::Files().exists(path)) {
      report_.findings.push_back("generation " + *record.generation + " cannot be read");
    } else if (!digest.empty() && digest != record.before.value_or("")) {
      report_.findings.push_back("generation " + *record.generation +
                                 " does not hold what record " + seq + " found before its save");
    }
  }
}

void Verifier::CheckFile(std::string_view file) {
  FileVerdict verdict{std::string(file), FileState::kUnrecorded, 0};
  const RecordState* last = nullptr;
  const RecordState* committed = nullptr;
  for (const RecordState& state : records_) {
    if (state.file != file) continue;
    if (last && last->outcome.empty()) {
      report_.findings.push_back("record " + std::to_string(last->seq) +
                                 " has no outcome, yet later saves of " + verdict.file +
                                 " followed");
    }
    last = &state;
    if (PutInPlace(state.outcome)) committed = &state;
  }
  if (last) {
    const std::string now = Digest(directory_ + platform::FromUtf8(verdict.file));
    const bool pending = last->outcome.empty();
    const std::string expected = committed ? committed->after.value_or("") : "";
    verdict.seq = pending ? last->seq : committed ? committed->seq : 0;
    if (pending && now == last->after.value_or("-")) {
      verdict.state = FileState::kPendingInPlace;
    } else if (pending && now == last->before.value_or("")) {
      verdict.state = FileState::kPendingNotInPlace;
    } else if (now.empty() &&
               !platform::Files().exists(directory_ + platform::FromUtf8(verdict.file))) {
      verdict.state = FileState::kMissing;
    } else if (!pending && now == expected) {
      verdict.state = FileState::kAsRecorded;
    } else {
      verdict.state = FileState::kChangedOutside;
    }
    if (verdict.state != FileState::kAsRecorded) {
      report_.findings.push_back(DescribeVerdict(verdict));
    }
  }
  report_.files.push_back(verdict);
}

}  // namespace

VerifyReport VerifyHistory(const std::u16string& directory) {
  VerifyReport report;
  Verifier verifier(directory, &report);
  const ReadResult read = ReadLines(
      TrailPath(directory),
      [&verifier](std::string_view line, bool terminated) { verifier.Walk(line, terminated); });
  if (read != ReadResult::kOk) {
    report = VerifyReport();
    std::u16string folder = HistoryDirectory(directory);
    folder.pop_back();
    const bool found = read == ReadResult::kMissing && platform::Files().exists(folder);
    report.status = found ? VerifyStatus::kFound : VerifyStatus::kUnreadable;
    report.findings.push_back(found ? "History\\trail.jsonl is missing"
                              : read == ReadResult::kMissing
                                  ? "no history is kept here"
                                  : "History\\trail.jsonl cannot be read");
    return report;
  }
  verifier.CheckGenerations();
  verifier.CheckFile(kUsersFile);
  verifier.CheckFile(kSectionFile);
  report.status = report.findings.empty() ? VerifyStatus::kClean : VerifyStatus::kFound;
  return report;
}

std::string DescribeVerdict(const FileVerdict& verdict) {
  const std::string seq = std::to_string(verdict.seq);
  switch (verdict.state) {
    case FileState::kUnrecorded:
      return verdict.file + ": no record speaks of it";
    case FileState::kAsRecorded:
      return verdict.file + ": as record " + seq + " left it";
    case FileState::kPendingInPlace:
      return verdict.file + ": record " + seq +
             " has no outcome; its new content is in place (the save's move happened)";
    case FileState::kPendingNotInPlace:
      return verdict.file + ": record " + seq +
             " has no outcome; its new content is not in place (the file is as before it)";
    case FileState::kChangedOutside:
      return verdict.file +
             (seq == "0" ? ": changed, and no committed record explains it"
                         : ": changed since record " + seq + " left it (written outside Warden)");
    case FileState::kMissing:
      return verdict.file + ": missing, though records speak of it";
  }
  return verdict.file;
}

}  // namespace warden::history
