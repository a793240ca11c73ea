// The rules a zone's new name must pass, as plain functions over the name
// and the zone names in use. They answer with a problem and its text id and
// leave showing it to the caller.
#ifndef WARDEN_ZONES_ZONE_NAME_RULES_H
#define WARDEN_ZONES_ZONE_NAME_RULES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace warden {

// Characters a zone name must not hold, in the order they are looked for.
inline constexpr char16_t kIllegalZoneNameChars[] = u",;+-*/%&!~|^<>={}().\"\\";

// A stored zone name may be one longer than the rename edit lets anyone type.
constexpr std::size_t kZoneNameMaxChars = 32;

enum class ZoneNameProblem {
  kNone,
  kEmpty,     // nothing typed
  kTooLong,   // more than kZoneNameMaxChars
  kBlank,     // nothing but spaces
  kIllegal,   // a second word, or an illegal character in the first
  kRepeated,  // another zone has the name in some letter case
};

struct ZoneNameVerdict {
  ZoneNameProblem problem = ZoneNameProblem::kNone;
  std::u16string offending;  // kIllegal: the first word from its first illegal character on

  bool accepted() const { return problem == ZoneNameProblem::kNone; }
  // The text id that tells the operator; 0 when accepted.
  std::uint16_t message() const;
};

// Length, blanks and illegal characters, in that order. Words are separated
// by spaces only; leading and trailing spaces pass and stay in the name.
[[nodiscard]] ZoneNameVerdict CheckZoneName(const std::u16string& name);

// A rename of zone `index` among `names` (the names as they stand): empty,
// then CheckZoneName, then a duplicate of another zone in any letter case.
[[nodiscard]] ZoneNameVerdict CheckZoneRename(const std::vector<std::u16string>& names,
                                              std::size_t index, const std::u16string& name);

}  // namespace warden

#endif
