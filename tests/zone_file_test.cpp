#include <gtest/gtest.h>

#include <tuple>

#include "platform/text.h"
#include "tests/support/install_dir.h"
#include "zones/zone_file.h"
#include "zones/zone_name_rules.h"

namespace warden {
namespace {

using F = FileFailure;

// The exact bytes a save of `names` must produce.
Bytes FileBytes(const ZoneNames& names) {
  Bytes bytes;
  EXPECT_EQ(MakeContent([&](Archive& archive) { return WriteZoneNames(archive, names); }, &bytes),
            F::kNone);
  return bytes;
}

ZoneNames Numbered(const std::u16string& prefix) {
  ZoneNames names;
  for (int zone = 0; zone < kZoneCount; ++zone) names[zone] = prefix + platform::ToDecimal(zone);
  return names;
}

// Loading stops at the end of the data; zones not read keep their names.
// Only a file that loaded whole is taken as the backup.
TEST(ZoneFileTest, DamagedAndDefaultFiles) {
  testing::InstallDir install;
  const ZoneNames kept = Numbered(u"kept "), names = Numbered(u"new ");
  const Bytes full = FileBytes(names);
  Bytes damaged = full;
  damaged[132 + 7 * 100 + 4] = 'G';  // zone 7's first digit: it reads as empty
  ZoneNames first_ten = kept, damaged_seven = names;
  std::copy_n(names.begin(), 10, first_ten.begin());
  damaged_seven[7] = u"";
  // Each: the case, the file, the result and the names it leaves.
  const std::tuple<const char*, Bytes, FileFailure, ZoneNames> rows[] = {
      {"zone 7 damaged", damaged, F::kNone, damaged_seven},
      {"exactly 132 bytes", Bytes(full.begin(), full.begin() + 132), F::kDamaged, kept},
      // "new 0" .. "new 9" seal to 48 digits: 100 bytes a record.
      {"ten records", Bytes(full.begin(), full.begin() + 1132), F::kDamaged, first_ten},
  };
  DataFile file = testing::ZonesFileIn();
  for (const auto& [name, bytes, result, expected] : rows) {
    SCOPED_TRACE(name);
    testing::WriteBytes(install / "section.dat", bytes);
    ZoneNames names = kept;
    EXPECT_EQ(LoadZoneFile(names, file), result);
    EXPECT_EQ(names, expected);
    EXPECT_EQ(file.backup_due(), result == F::kNone);
  }
  // No file: the defaults (none, A .. Z, AA .. KKK) are written and read; where none can be
  // written, the load fails; in a directory only read, the defaults and nothing written.
  std::filesystem::remove(install / "section.dat");
  ZoneNames read;
  EXPECT_EQ(LoadZoneFile(read, file), F::kNone);
  EXPECT_EQ(testing::ReadBytes(install / "section.dat"), FileBytes(DefaultZoneNames()));
  EXPECT_TRUE(file.backup_due());
  EXPECT_EQ(read[0] + read[26] + read[27] + read[63], u"\u65E0ZAAKKK");
  testing::TempDir project;
  DataFile project_file =
      ZoneFileIn(project.core() + u"\\", Access::kReadOnly, MissingFile::kLeave);
  read = Numbered(u"x");
  EXPECT_EQ(LoadZoneFile(read, project_file), F::kNotFound);
  EXPECT_EQ(read, DefaultZoneNames());
  EXPECT_TRUE(std::filesystem::is_empty(project.path()));
  DataFile missing = testing::ZonesFileIn(install.dir().core("missing") + u"\\");
  EXPECT_EQ(LoadZoneFile(read, missing), F::kNotWritable);
}

using P = ZoneNameProblem;

// Each row renames zone 3 of A..Z and expects a problem and an offending part.
TEST(ZoneNameRulesTest, RenameChecksInOrder) {
  std::vector<std::u16string> names;
  for (char16_t c = u'A'; c <= u'Z'; ++c) names.push_back(std::u16string(1, c));
  names[5] = u"F-1";  // a name the host stored
  // Each: the new name, its problem and the offending part.
  std::vector<std::tuple<std::u16string, P, std::u16string>> rows = {
      {std::u16string(32, u'k'), P::kNone, {}},
      {std::u16string(33, u' '), P::kTooLong, {}},  // length before blanks
      {std::u16string(32, u'-') + u"x", P::kTooLong, {}},
      {u"   ", P::kBlank, {}},
      {u"A-1 B", P::kIllegal, u"-1"},
      {u"Zone 1", P::kIllegal, {}},
      {u"Zone A-1", P::kIllegal, {}},  // only the first word is searched
      {u"   A B-1", P::kIllegal, {}},
      {u"f-1", P::kIllegal, u"-1"},  // illegal before repeated
      {u"a", P::kRepeated, {}},      // zone 0 counts too
      {u"c", P::kNone, {}},          // its own name in other case
      {u" G", P::kNone, {}},         // blanks make it another name
      {u"a_b:c?[d]", P::kNone, {}},
      {u"中央控制室", P::kNone, {}},
  };
  for (char16_t c : std::u16string(kIllegalZoneNameChars))
    rows.push_back({u"ab" + std::u16string(1, c) + u"z9", P::kIllegal, c + std::u16string(u"z9")});
  for (const auto& [name, problem, offending] : rows) {
    SCOPED_TRACE(platform::ToUtf8(name));
    const ZoneNameVerdict verdict = CheckZoneRename(names, 2, name);
    EXPECT_EQ(verdict.problem, problem);
    EXPECT_EQ(platform::ToUtf8(verdict.offending), platform::ToUtf8(offending));
  }
}

}  // namespace
}  // namespace warden
