#include "history/retention.h"

#include <optional>

#include "history/history_files.h"
#include "platform/profile.h"

namespace warden::history {
namespace {

std::optional<std::uint64_t> PlainNumber(const std::u16string& text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  std::uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

}  // namespace

RetentionLimits ReadRetentionLimits(const std::u16string& directory) {
  RetentionLimits limits;
  const std::u16string ini = SettingsPath(directory);
  const auto read = [&ini](const char16_t* key) {
    return PlainNumber(platform::ReadPrivateProfileString(u"History", key, u"", ini, 64));
  };
  if (const auto count = read(u"KeepGenerations")) limits.generations = *count;
  if (const auto megabytes = read(u"KeepMegabytes")) limits.bytes = *megabytes << 20;
  return limits;
}

std::vector<std::string> GenerationsToDrop(const std::vector<KeptGeneration>& kept,
                                           const RetentionLimits& limits) {
  std::uint64_t total = 0;
  for (const KeptGeneration& generation : kept) total += generation.bytes;
  std::vector<std::string> dropped;
  std::uint64_t count = kept.size();
  for (const KeptGeneration& generation : kept) {
    if (count <= limits.generations && total <= limits.bytes) break;
    dropped.push_back(generation.name);
    --count;
    total -= generation.bytes;
  }
  return dropped;
}

}  // namespace warden::history
