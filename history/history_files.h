// The names of everything the history keeps, in History\ beside the data
// files: one function per name, so nobody spells one again.
#ifndef WARDEN_HISTORY_HISTORY_FILES_H
#define WARDEN_HISTORY_HISTORY_FILES_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace warden::history {

// The data files a trail speaks of, as its lines name them.
constexpr std::string_view kUsersFile = "users.dat";
constexpr std::string_view kSectionFile = "section.dat";
bool IsDataFileName(std::string_view file);

// `directory` ends in a backslash, as a data location's does.
std::u16string HistoryDirectory(const std::u16string& directory);
std::u16string TrailPath(const std::u16string& directory);
// Held while a writer reads the trail's end and appends to it.
std::u16string TrailLockPath(const std::u16string& directory);
std::u16string SettingsPath(const std::u16string& directory);

// "users.00000012.dat": the data file `file` as the save of record `seq`
// found it (8 digits at least).
std::string GenerationName(std::string_view file, std::uint64_t seq);
// The data file and record of a generation's name; none for any other name.
struct GenerationOf {
  std::string file;
  std::uint64_t seq = 0;
};
std::optional<GenerationOf> ParseGenerationName(std::string_view name);

}  // namespace warden::history

#endif
