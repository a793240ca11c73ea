#include "zones/zone_name_rules.h"

#include "platform/text.h"
#include "resources/resource_ids.h"

namespace warden {

std::uint16_t ZoneNameVerdict::message() const {
  switch (problem) {
    case ZoneNameProblem::kNone:
      return 0;
    case ZoneNameProblem::kEmpty:
    case ZoneNameProblem::kBlank:
      return IDS_ZONE_NAME_EMPTY;
    case ZoneNameProblem::kTooLong:
      return IDS_ZONE_NAME_TOO_LONG;
    case ZoneNameProblem::kIllegal:
      return IDS_ZONE_NAME_ILLEGAL;
    case ZoneNameProblem::kRepeated:
      return IDS_ZONE_NAME_REPEATED;
  }
  return 0;
}

ZoneNameVerdict CheckZoneName(const std::u16string& name) {
  if (name.size() > kZoneNameMaxChars) return {ZoneNameProblem::kTooLong, {}};
  const std::size_t first = name.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {ZoneNameProblem::kBlank, {}};
  const std::size_t first_end = name.find(u' ', first);  // npos: the name ends the word
  const bool second_word = name.find_first_not_of(u' ', first_end) != std::u16string::npos;
  const std::u16string first_word = name.substr(first, first_end - first);
  const std::size_t illegal = first_word.find_first_of(kIllegalZoneNameChars);
  if (illegal != std::u16string::npos) {
    return {ZoneNameProblem::kIllegal, first_word.substr(illegal)};
  }
  if (second_word) return {ZoneNameProblem::kIllegal, {}};
  return {};
}

ZoneNameVerdict CheckZoneRename(const std::vector<std::u16string>& names, std::size_t index,
                                const std::u16string& name) {
  if (name.empty()) return {ZoneNameProblem::kEmpty, {}};
  ZoneNameVerdict verdict = CheckZoneName(name);
  if (!verdict.accepted()) return verdict;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i != index && platform::EqualsNoCase(names[i], name)) {
      return {ZoneNameProblem::kRepeated, {}};
    }
  }
  return verdict;
}

}  // namespace warden
