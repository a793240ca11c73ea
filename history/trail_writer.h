// Appends lines to History\trail.jsonl, each chained to the line before it,
// each written in one call and forced to the disk before Append returns, and
// each told to the event log. The caller holds the trail's lock.
#ifndef WARDEN_HISTORY_TRAIL_WRITER_H
#define WARDEN_HISTORY_TRAIL_WRITER_H

#include <string>

#include "history/trail_line.h"
#include "platform/files.h"

namespace warden::history {

class TrailWriter {
 public:
  // `head`: the hash of the trail's last line (kFirstPrev when there is
  // none); `torn`: the trail ends in a line without its line break, which
  // the first append closes so that no line is ever glued to it.
  TrailWriter(const std::u16string& directory, std::string head, bool torn = false)
      : directory_(directory), head_(std::move(head)), torn_(torn) {}

  // Sets `line.prev` and appends the line; History\ is made when missing.
  // False when the line may not be on the disk.
  [[nodiscard]] bool Append(TrailLine& line);
  const std::string& head() const { return head_; }

 private:
  std::u16string directory_;
  std::string head_;
  bool torn_;
  platform::File file_;
};

}  // namespace warden::history

#endif
