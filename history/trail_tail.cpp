#include "history/trail_tail.h"

#include <map>
#include <set>

#include "history/history_files.h"
#include "platform/files.h"

namespace warden::history {
namespace {

constexpr std::size_t kPiece = 1 << 16;

// Takes the lines of the trail from the last to the first; Done() says when
// enough is known.
class BackwardScan {
 public:
  BackwardScan(std::string_view file, TrailTail* tail) : file_(file), tail_(*tail) {}

  void Take(std::string_view text, bool last) {
    if (last) tail_.head = LineHash(text);
    const std::optional<TrailLine> line = ParseLine(text);
    if (!line) return;
    if (line->kind == LineKind::kOutcome) {
      outcomes_.emplace(line->of, *line);
    } else if (line->kind == LineKind::kDropped) {
      dropped_.insert(*line->generation);
    } else {
      TakeRecord(*line);
    }
  }
  // The file's last record and last commit are found, and its generations
  // reach back to one already dropped.
  bool Done() const { return tail_.last_record && tail_.any_committed && generations_done_; }

 private:
  void TakeRecord(const TrailLine& record) {
    if (tail_.last_seq == 0) tail_.last_seq = record.seq;
    if (record.file != file_) return;
    const auto outcome = outcomes_.find(record.seq);
    if (!tail_.last_record) {
      tail_.last_record = record;
      if (outcome != outcomes_.end()) tail_.last_outcome = outcome->second.outcome;
    }
    if (!tail_.any_committed && outcome != outcomes_.end() && PutInPlace(outcome->second.outcome)) {
      tail_.any_committed = true;
      tail_.committed_after = record.after;
      tail_.committed_identity = outcome->second.identity;
    }
    if (record.generation && !generations_done_) {
      if (dropped_.count(*record.generation)) {
        generations_done_ = true;  // the older ones went before it
      } else {
        tail_.generations.insert(tail_.generations.begin(), *record.generation);
      }
    }
  }

  std::string_view file_;
  TrailTail& tail_;
  std::map<std::uint64_t, TrailLine> outcomes_;
  std::set<std::string> dropped_;
  bool generations_done_ = false;
};

}  // namespace

ReadResult ReadTrailTail(const std::u16string& directory, std::string_view file, TrailTail* tail) {
  *tail = TrailTail();
  const std::u16string path = TrailPath(directory);
  platform::File trail = platform::File::OpenReadAppended(path);
  if (!trail.IsOpen()) {
    return platform::Files().exists(path) ? ReadResult::kUnreadable : ReadResult::kMissing;
  }
  std::uint64_t end = 0;
  if (!trail.Size(&end)) return ReadResult::kUnreadable;
  BackwardScan scan(file, tail);
  std::string carried;  // the start of a line whose beginning lies further back
  bool last = true;
  for (std::uint64_t start = end; start > 0 && !scan.Done();) {
    const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(start, kPiece));
    start -= size;
    std::string piece(size, '\0');
    std::size_t got = 0, at = 0;
    if (!trail.Seek(start)) return ReadResult::kUnreadable;
    while (at < size && trail.Read(&piece[at], size - at, &got) && got > 0) at += got;
    if (at != size) return ReadResult::kUnreadable;
    piece += carried;
    if (last) {
      tail->torn = piece.back() != '\n';
      if (!tail->torn) piece.pop_back();
    }
    // Whole lines from the end; what precedes the first break waits for the next piece.
    for (std::size_t cut; (cut = piece.rfind('\n')) != std::string::npos && !scan.Done();) {
      scan.Take(std::string_view(piece).substr(cut + 1), last);
      last = false;
      piece.resize(cut);
    }
    carried = std::move(piece);
    if (start == 0 && !scan.Done() && !carried.empty()) scan.Take(carried, last);
  }
  return ReadResult::kOk;
}

}  // namespace warden::history
