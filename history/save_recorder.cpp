#include "history/save_recorder.h"

#include "history/history_files.h"
#include "history/timestamp.h"
#include "platform/digest.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace warden::history {
namespace {

// How long a save waits for another to finish with the trail.
constexpr std::uint32_t kTrailLockWaitMs = 5000;

std::optional<std::string> DigestOfBytes(std::string_view bytes) {
  platform::Sha256Digest digest{};
  if (!platform::DigestOf(bytes.data(), bytes.size(), &digest)) return std::nullopt;
  return platform::ToHex(digest);
}

}  // namespace

SaveRecorder::SaveRecorder(std::u16string directory, std::string_view file, std::string action,
                           Author author, std::string_view bytes, const ChangeSource& changes)
    : directory_(std::move(directory)),
      path_(directory_ + platform::FromUtf8(file)),
      file_(file),
      action_(std::move(action)),
      author_(std::move(author)),
      bytes_(bytes),
      changes_(changes) {}

SaveRecorder::~SaveRecorder() { Release(); }

void SaveRecorder::Release() {
  writer_.reset();
  if (lock_ != platform::kInvalidFile) platform::Files().unlock(lock_);
  lock_ = platform::kInvalidFile;
}

TrailLine SaveRecorder::NewRecord(const Author& author, std::string action,
                                  std::string changes) const {
  const platform::WallClock now = platform::Now();
  TrailLine line;
  line.seq = tail_.last_seq + 1;
  line.time = FormatUtc(now.utc_ms);
  line.offset = FormatOffset(now.offset_min);
  line.machine = platform::ToUtf8(platform::MachineName());
  line.os_user = platform::ToUtf8(platform::OsUserName());
  line.image = platform::ToUtf8(platform::ImageName());
  line.pid = platform::ProcessId();
  line.front_end = author.front_end;
  if (author.user) line.user = platform::ToUtf8(*author.user);
  line.file = file_;
  line.action = std::move(action);
  line.changes = std::move(changes);
  return line;
}

bool SaveRecorder::Append(TrailLine& line) {
  if (!writer_->Append(line)) return false;
  if (line.kind == LineKind::kRecord) tail_.last_seq = line.seq;
  return true;
}

bool SaveRecorder::AppendOutcome(std::uint64_t of, std::string_view outcome,
                                 const std::optional<platform::FileIdentity>& identity) {
  TrailLine line;
  line.kind = LineKind::kOutcome;
  line.of = of;
  line.outcome = std::string(outcome);
  line.identity = identity;
  return Append(line);
}

// The digest of the file on disk, without reading it when it is the very
// file the last committed save left.
bool SaveRecorder::ReadCurrent() {
  platform::FileIdentity identity{};
  if (!platform::Files().identity(path_, &identity)) {
    return !platform::Files().exists(path_);  // missing: no digest
  }
  current_identity_ = identity;
  if (tail_.committed_identity == identity && tail_.committed_after) {
    current_ = tail_.committed_after;
    return true;
  }
  std::string bytes;
  if (ReadWholeFile(path_, &bytes) != ReadResult::kOk) return false;
  current_ = DigestOfBytes(bytes);
  current_bytes_ = std::move(bytes);
  return current_.has_value();
}

// A record a writer left without outcome (it died) gets the one the file
// tells: its new content in place, or the old one still there.
bool SaveRecorder::SettlePending() {
  expected_ = tail_.committed_after;
  if (!tail_.last_record || !tail_.last_outcome.empty()) return true;
  const TrailLine& pending = *tail_.last_record;
  std::string_view outcome = kUnresolved;
  if (current_ == pending.after) {
    outcome = kCommittedLate;
    expected_ = pending.after;
  } else if (current_ == pending.before) {
    outcome = kNotCommitted;
  }
  if (!AppendOutcome(pending.seq, outcome,
                     PutInPlace(outcome) ? current_identity_ : std::nullopt)) {
    return false;
  }
  if (outcome == kNotCommitted && pending.generation) {
    platform::Files().remove(HistoryDirectory(directory_) +
                             platform::FromUtf8(*pending.generation));
  }
  return true;
}

// The file is not what the last committed save left: another program wrote
// it. That change is recorded first, as made outside Warden.
bool SaveRecorder::RecordOutsideChange() {
  if (!(tail_.any_committed || expected_) || current_ == expected_) return true;
  std::string changes = "[]";
  if (current_bytes_ && changes_.LoadedFrom() &&
      tail_.committed_identity == changes_.LoadedFrom()) {
    changes = changes_.LoadedToFile(*current_bytes_);
  }
  TrailLine record =
      NewRecord(Author{"outside", std::nullopt}, "outside-change", std::move(changes));
  record.before = expected_;
  record.after = current_;
  if (!Append(record)) return false;
  return AppendOutcome(record.seq, kCommitted, current_identity_);
}

// The file about to be replaced, kept under the seq of the save's record.
bool SaveRecorder::KeepGeneration() {
  if (!current_) return true;
  const std::string name = GenerationName(file_, tail_.last_seq + 1);
  const std::u16string kept = HistoryDirectory(directory_) + platform::FromUtf8(name);
  platform::Files().remove(kept);  // a leftover of a save that died before its record
  if (!platform::Files().link(path_, kept) && !platform::Files().copy(path_, kept)) return false;
  generation_ = name;
  return true;
}

bool SaveRecorder::BeforeReplace() {
  std::u16string folder = HistoryDirectory(directory_);
  folder.pop_back();
  if (!platform::Files().make_directory(folder)) return false;
  lock_ = platform::Files().lock(TrailLockPath(directory_), kTrailLockWaitMs);
  if (lock_ == platform::kInvalidFile) return false;
  if (ReadTrailTail(directory_, file_, &tail_) == ReadResult::kUnreadable || !ReadCurrent()) {
    Release();
    return false;
  }
  writer_.emplace(directory_, tail_.head, tail_.torn);
  const std::optional<std::string> after = DigestOfBytes(bytes_);
  if (!after || !SettlePending() || !RecordOutsideChange() || !KeepGeneration()) {
    AfterReplace(false);
    return false;
  }
  // The table the writer loaded serves when it came from the file on disk.
  const bool loaded_here = current_identity_ && changes_.LoadedFrom() == current_identity_;
  std::string bytes;
  if (current_ && !loaded_here && !current_bytes_) {
    if (ReadWholeFile(path_, &bytes) != ReadResult::kOk) return AfterReplace(false), false;
    current_bytes_ = std::move(bytes);
  }
  TrailLine record =
      NewRecord(author_, action_,
                loaded_here ? changes_.FromLoaded()
                            : changes_.FromFile(current_bytes_ ? &*current_bytes_ : nullptr));
  record.before = current_;
  record.after = after;
  if (!generation_.empty()) record.generation = generation_;
  // A record that may not be on the disk gets no outcome: if it is there,
  // the next save finds the file as before it and settles it so.
  record_appended_ = Append(record);
  seq_ = record.seq;
  if (!record_appended_) {
    AfterReplace(false);
    return false;
  }
  return true;
}

void SaveRecorder::AfterReplace(bool replaced) {
  if (!writer_) return;
  if (record_appended_) {
    std::optional<platform::FileIdentity> identity;
    platform::FileIdentity now{};
    if (replaced && platform::Files().identity(path_, &now)) identity = now;
    AppendOutcome(seq_, replaced ? kCommitted : kFailed, identity);
  }
  if (replaced) {
    DropOldGenerations();
  } else if (!generation_.empty()) {
    platform::Files().remove(HistoryDirectory(directory_) + platform::FromUtf8(generation_));
  }
  Release();
}

// The oldest generations beyond the limits go; each drop is recorded before
// its file is removed, so a file can outlive its drop but never the reverse.
void SaveRecorder::DropOldGenerations() {
  std::vector<std::string> names = tail_.generations;
  if (!generation_.empty()) names.push_back(generation_);
  std::vector<KeptGeneration> kept;
  for (const std::string& name : names) {
    platform::FileIdentity identity{};
    const std::u16string path = HistoryDirectory(directory_) + platform::FromUtf8(name);
    kept.push_back({name, platform::Files().identity(path, &identity) ? identity.size : 0});
  }
  for (const std::string& name : GenerationsToDrop(kept, ReadRetentionLimits(directory_))) {
    const platform::WallClock now = platform::Now();
    TrailLine drop;
    drop.kind = LineKind::kDropped;
    drop.generation = name;
    drop.time = FormatUtc(now.utc_ms);
    drop.offset = FormatOffset(now.offset_min);
    if (!Append(drop)) return;
    platform::Files().remove(HistoryDirectory(directory_) + platform::FromUtf8(name));
  }
}

}  // namespace warden::history
