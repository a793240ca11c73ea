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

}  // namespace warden::ctl
