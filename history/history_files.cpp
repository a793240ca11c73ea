#include "history/history_files.h"

#include <cstdio>

namespace warden::history {

bool IsDataFileName(std::string_view file) { return file == kUsersFile || file == kSectionFile; }

std::u16string HistoryDirectory(const std::u16string& directory) {
  return directory + u"History\\";
}

std::u16string TrailPath(const std::u16string& directory) {
  return HistoryDirectory(directory) + u"trail.jsonl";
}

std::u16string TrailLockPath(const std::u16string& directory) {
  return HistoryDirectory(directory) + u"trail.lck";
}

std::u16string SettingsPath(const std::u16string& directory) {
  return HistoryDirectory(directory) + u"history.ini";
}

std::string GenerationName(std::string_view file, std::uint64_t seq) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%08llu", static_cast<unsigned long long>(seq));
  const std::string_view base = file.substr(0, file.find('.'));
  return std::string(base) + '.' + digits + ".dat";
}

std::optional<GenerationOf> ParseGenerationName(std::string_view name) {
  for (std::string_view file : {kUsersFile, kSectionFile}) {
    const std::string_view base = file.substr(0, file.find('.'));
    if (name.size() < base.size() + 13 || name.substr(0, base.size()) != base ||
        name[base.size()] != '.' || name.substr(name.size() - 4) != ".dat") {
      continue;
    }
    const std::string_view digits = name.substr(base.size() + 1, name.size() - base.size() - 5);
    std::uint64_t seq = 0;
    for (char c : digits) {
      if (c < '0' || c > '9' || seq > (UINT64_MAX - 9) / 10) return std::nullopt;
      seq = seq * 10 + static_cast<std::uint64_t>(c - '0');
    }
    // Only the one spelling GenerationName gives: no other name reaches a file.
    if (GenerationName(file, seq) != name) return std::nullopt;
    return GenerationOf{std::string(file), seq};
  }
  return std::nullopt;
}

}  // namespace warden::history
