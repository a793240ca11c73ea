#include "history/trail_writer.h"

#include "history/event_report.h"
#include "history/history_files.h"

namespace warden::history {

bool TrailWriter::Append(TrailLine& line) {
  if (!file_.IsOpen()) {
    std::u16string folder = HistoryDirectory(directory_);
    folder.pop_back();
    if (!platform::Files().make_directory(folder)) return false;
    file_ = platform::File::OpenAppend(TrailPath(directory_));
    if (!file_.IsOpen()) return false;
  }
  line.prev = head_;
  const std::string text = FormatLine(line);
  const std::string hash = LineHash(text);
  if (hash.empty()) return false;
  const std::string written = (torn_ ? "\n" : "") + text + '\n';
  if (!file_.Write(written.data(), written.size()) || !file_.Flush()) return false;
  torn_ = false;
  head_ = hash;
  const LineEvent event = EventFor(line, head_);
  platform::ReportToEventLog(event.id, event.type, event.text);
  return true;
}

}  // namespace warden::history
