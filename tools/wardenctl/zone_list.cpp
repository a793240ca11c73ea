#include "tools/wardenctl/zone_list.h"

#include <sstream>

namespace warden::ctl {
namespace {

std::optional<int> ParseZone(const std::string& text) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != text.npos) {
    return std::nullopt;
  }
  const int zone = std::stoi(text);
  if (zone >= kZoneCount) return std::nullopt;
  return zone;
}

}  // namespace

std::optional<ZoneFlags> ParseZoneList(const std::string& text) {
  ZoneFlags flags{};
  std::istringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    const std::size_t dash = item.find('-');
    const std::optional<int> first = ParseZone(item.substr(0, dash));
    const std::optional<int> last =
        dash == std::string::npos ? first : ParseZone(item.substr(dash + 1));
    if (!first || !last || *last < *first) return std::nullopt;
    for (int zone = *first; zone <= *last; ++zone) flags[zone] = 1;
  }
  if (!text.empty() && text.back() == ',') return std::nullopt;
  return flags;
}

std::string FormatZoneList(const ZoneFlags& flags) {
  std::string text;
  for (int zone = 0; zone < kZoneCount; ++zone) {
    if (flags[zone] != 1) continue;
    int last = zone;
    while (last + 1 < kZoneCount && flags[last + 1] == 1) ++last;
    if (!text.empty()) text += ',';
    text += std::to_string(zone);
    if (last > zone) text += '-' + std::to_string(last);
    zone = last;
  }
  return text;
}

}  // namespace warden::ctl
