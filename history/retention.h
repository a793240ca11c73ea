// How many earlier files the history keeps: per data file, at most
// KeepGenerations generations and KeepMegabytes of them, the oldest going
// first. Set in History\history.ini, section [History].
#ifndef WARDEN_HISTORY_RETENTION_H
#define WARDEN_HISTORY_RETENTION_H

#include <cstdint>
#include <string>
#include <vector>

namespace warden::history {

struct RetentionLimits {
  std::uint64_t generations = 20;
  std::uint64_t bytes = 100ull << 20;
};

// The limits `directory`'s history.ini sets; a missing file, key or a value
// that is not a plain number leaves the default.
RetentionLimits ReadRetentionLimits(const std::u16string& directory);

struct KeptGeneration {
  std::string name;
  std::uint64_t bytes = 0;
};
// Which of one data file's generations (oldest first) go so that the rest
// stay within the limits: the oldest, as many as need to.
std::vector<std::string> GenerationsToDrop(const std::vector<KeptGeneration>& kept,
                                           const RetentionLimits& limits);

}  // namespace warden::history

#endif
