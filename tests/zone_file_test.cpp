#include <gtest/gtest.h>

#include "platform/text.h"
#include "storage/file_version.h"
#include "tests/support/install_dir.h"
#include "zones/zone_file.h"
#include "zones/zone_name_rules.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The exact bytes a save of `names` must produce.
Bytes FileBytes(const ZoneNames& names) {
  Bytes bytes;
  Archive archive = Archive::Writing(bytes);
  EXPECT_TRUE(CVmNewFileVersion().Serialize(archive) && WriteZoneNames(archive, names));
  return bytes;
}

ZoneNames Numbered(const std::u16string& prefix) {
  ZoneNames names;
  for (int zone = 0; zone < kZoneCount; ++zone) names[zone] = prefix + platform::ToDecimal(zone);
  return names;
}

class ZoneFileTest : public ::testing::Test {
 protected:
  testing::InstallDir install_;
};

// Loading stops at the end of the data; zones not read keep their names.
// Only a file that loaded whole is taken as the backup.
TEST_F(ZoneFileTest, ShortAndDamagedFiles) {
  const ZoneNames kept = Numbered(u"kept "), names = Numbered(u"new ");
  const Bytes full = FileBytes(names);
  Bytes damaged = full;
  damaged[132 + 7 * 100 + 4] = 'G';  // zone 7's first digit: it reads as empty
  ZoneNames first_ten = kept, damaged_seven = names;
  std::copy_n(names.begin(), 10, first_ten.begin());
  damaged_seven[7] = u"";
  const struct {
    const char* name;
    Bytes bytes;
    int result;
    ZoneNames names;
  } rows[] = {
      {"exactly 132 bytes", Bytes(full.begin(), full.begin() + 132), kFileNotReadable, kept},
      // "new 0" .. "new 9" seal to 48 digits: 100 bytes a record.
      {"ten records", Bytes(full.begin(), full.begin() + 1132), kFileNotReadable, first_ten},
      {"zone 7 damaged", damaged, kFileOk, damaged_seven},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::WriteBytes(install_ / "section.dat", row.bytes);
    CUser store;
    store.m_strSection = kept;
    store.m_bSectionBackupDue = true;
    EXPECT_EQ(LoadSectionFile(store, testing::InstallLocation()), row.result);
    EXPECT_EQ(store.m_strSection, row.names);
    EXPECT_EQ(store.m_bSectionBackupDue, row.result == kFileOk);
  }
}

// No file: the defaults (none, A .. Z, AA .. KKK) are written and read; where none can be written,
// 103; in a project directory, 104 with the defaults and nothing written.
TEST_F(ZoneFileTest, DefaultFile) {
  CUser store;
  EXPECT_EQ(LoadSectionFile(store, testing::InstallLocation()), kFileOk);
  EXPECT_EQ(testing::ReadBytes(install_ / "section.dat"), FileBytes(DefaultZoneNames()));
  EXPECT_TRUE(store.m_bSectionBackupDue);
  EXPECT_EQ(store.m_strSection[0] + store.m_strSection[26] + store.m_strSection[27] +
                store.m_strSection[63],
            u"\u65E0ZAAKKK");
  testing::TempDir project;
  store.m_strSection = Numbered(u"x");
  EXPECT_EQ(LoadSectionFile(store, testing::LocationOf(project.core())), kFileNotReadable);
  EXPECT_EQ(store.m_strSection, DefaultZoneNames());
  EXPECT_TRUE(std::filesystem::is_empty(project.path()));
  install_.Set(install_.dir().core("missing") + u"\\");
  EXPECT_EQ(LoadSectionFile(store, testing::InstallLocation()), kFileDefaultNotWritable);
}

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
  for (char16_t c : std::u16string(kIllegalZoneNameChars)) {
    rows.push_back({u"ab" + std::u16string(1, c) + u"z9", P::kIllegal, c + std::u16string(u"z9")});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(platform::ToUtf8(row.name));
    const ZoneNameVerdict verdict = CheckZoneRename(names, 2, row.name);
    EXPECT_EQ(verdict.problem, row.problem);
    EXPECT_EQ(platform::ToUtf8(verdict.offending), platform::ToUtf8(row.offending));
  }
}

}  // namespace
}  // namespace warden
