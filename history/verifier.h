// Checks a data directory's history: the chain of the trail, the order of its
// records, every outcome paired with its record, the generations against the
// digests their records give, and the data files against the last record of
// each. A record left without outcome (the saving program died) is told
// apart as in place or not in place.
#ifndef WARDEN_HISTORY_VERIFIER_H
#define WARDEN_HISTORY_VERIFIER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace warden::history {

enum class VerifyStatus { kClean = 0, kFound = 1, kUnreadable = 2 };

// What a data file holds, as the trail explains it.
enum class FileState {
  kUnrecorded,         // no record speaks of it
  kAsRecorded,         // what record `seq` left
  kPendingInPlace,     // record `seq` has no outcome; its new content is in place
  kPendingNotInPlace,  // record `seq` has no outcome; the file is as before it
  kChangedOutside,     // neither: written by something else since record `seq`
  kMissing,            // records speak of it, but it is not there
};

struct FileVerdict {
  std::string file;  // "users.dat", "section.dat"
  FileState state = FileState::kUnrecorded;
  std::uint64_t seq = 0;
};

struct VerifyReport {
  VerifyStatus status = VerifyStatus::kClean;
  std::size_t lines = 0, records = 0;
  std::vector<std::string> findings;  // one sentence each, English
  std::vector<FileVerdict> files;
};

// `directory` ends in a backslash; History\ lies in it.
VerifyReport VerifyHistory(const std::u16string& directory);

// One line on a file's state, e.g. "users.dat: as record 12 left it".
std::string DescribeVerdict(const FileVerdict& verdict);

}  // namespace warden::history

#endif
