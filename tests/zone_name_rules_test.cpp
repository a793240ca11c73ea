// The zone-name rules as a table over plain functions.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "zones/zone_name_rules.h"

namespace warden {
namespace {

using P = ZoneNameProblem;

// Each row renames zone 3 of A..Z and expects a problem and an offending part.
TEST(ZoneNameRulesTest, RenameChecksInOrder) {
  std::vector<std::u16string> names;
  for (char16_t c = u'A'; c <= u'Z'; ++c) names.push_back(std::u16string(1, c));
  names[5] = u"F-1";  // a name the host stored
  struct Row {
    std::u16string name;
    P problem;
    std::u16string offending;
  };
  std::vector<Row> rows = {
      {u"", P::kEmpty, {}},
      {std::u16string(32, u'k'), P::kNone, {}},
      {std::u16string(33, u' '), P::kTooLong, {}},  // length before blanks
      {std::u16string(32, u'-') + u"x", P::kTooLong, {}},
      {u"   ", P::kBlank, {}},
      {u"A-1", P::kIllegal, u"-1"},
      {u"A-1 B", P::kIllegal, u"-1"},
      {u"Zone 1", P::kIllegal, {}},
      {u"Zone A-1", P::kIllegal, {}},  // only the first word is searched
      {u"   A B-1", P::kIllegal, {}},
      {u"f-1", P::kIllegal, u"-1"},  // illegal before repeated
      {u"a", P::kRepeated, {}},      // zone 0 counts too
      {u"g", P::kRepeated, {}},      // another zone in other case
      {u"c", P::kNone, {}},          // its own name in other case
      {u" G", P::kNone, {}},         // blanks make it another name
      {u" Clean ", P::kNone, {}},
      {u"a_b:c?[d]", P::kNone, {}},
      {u"tab\tname", P::kNone, {}},
      {u"中央控制室", P::kNone, {}},
  };
  for (char16_t c : std::u16string(kIllegalZoneNameChars)) {
    rows.push_back({u"ab" + std::u16string(1, c) + u"z9", P::kIllegal, c + std::u16string(u"z9")});
  }
  ASSERT_EQ(std::u16string(kIllegalZoneNameChars).size(), 22u);
  for (const Row& row : rows) {
    SCOPED_TRACE(platform::ToUtf8(row.name));
    const ZoneNameVerdict verdict = CheckZoneRename(names, 2, row.name);
    EXPECT_EQ(verdict.problem, row.problem);
    EXPECT_EQ(platform::ToUtf8(verdict.offending), platform::ToUtf8(row.offending));
  }
}

}  // namespace
}  // namespace warden
