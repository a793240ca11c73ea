#include <gtest/gtest.h>

#include "platform/text.h"
#include "storage/field_cipher.h"
#include "storage/file_version.h"
#include "tests/support/data_file_checks.h"
#include "tests/support/install_dir.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ReadBytes;

// A header and one text per zone; `clear_zone` gets its name unsealed.
Bytes FileBytes(const ZoneNames& names, int clear_zone = -1) {
  Bytes bytes;
  Archive archive = Archive::Writing(bytes);
  CVmNewFileVersion header;
  EXPECT_TRUE(header.Serialize(archive));
  for (int zone = 0; zone < kZoneCount; ++zone) {
    std::u16string text = names[zone];
    EXPECT_TRUE(zone == clear_zone || CipherField(text, CipherDirection::kEncipher));
    EXPECT_TRUE(archive.WriteText(text));
  }
  return bytes;
}

ZoneNames Numbered(const std::u16string& prefix) {
  ZoneNames names;
  for (int zone = 0; zone < kZoneCount; ++zone) names[zone] = prefix + platform::ToDecimal(zone);
  return names;
}

class ZoneFileTest : public ::testing::Test {
 protected:
  Bytes Dat() const { return ReadBytes(install_ / "section.dat"); }
  void PutDat(const Bytes& bytes) { testing::WriteBytes(install_ / "section.dat", bytes); }

  testing::InstallDir install_;
};

TEST(ZoneNamesTest, Defaults) {
  const ZoneNames names = DefaultZoneNames();
  const std::pair<int, std::u16string> rows[] = {
      {0, u"\u65E0"}, {1, u"A"}, {26, u"Z"}, {27, u"AA"}, {52, u"ZZ"}, {53, u"AAA"}, {63, u"KKK"}};
  for (const auto& [zone, name] : rows) {
    SCOPED_TRACE(zone);
    EXPECT_EQ(names[zone], name);
  }
}

// Loading stops at the end of the data; zones not read keep their names.
TEST_F(ZoneFileTest, ShortAndDamagedFiles) {
  const ZoneNames kept = Numbered(u"kept "), names = Numbered(u"new ");
  const Bytes full = FileBytes(names);
  ZoneNames first_ten = kept, clear_seven = names;
  std::copy_n(names.begin(), 10, first_ten.begin());
  clear_seven[7] = u"";  // a clear text where a sealed one belongs reads as empty
  const struct {
    const char* name;
    Bytes bytes;
    int result;
    ZoneNames names;
  } rows[] = {
      {"exactly 132 bytes", Bytes(full.begin(), full.begin() + 132), kFileNotReadable, kept},
      // "new 0" .. "new 9" seal to 48 digits: 100 bytes a record.
      {"ten records", Bytes(full.begin(), full.begin() + 1132), kFileNotReadable, first_ten},
      {"zone 7 in clear text", FileBytes(names, 7), kFileOk, clear_seven},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PutDat(row.bytes);
    CUser store;
    store.m_strSection = kept;
    store.m_bSectionBackupDue = true;
    EXPECT_EQ(LoadSectionFile(store, testing::InstallLocation()), row.result);
    EXPECT_EQ(store.m_strSection, row.names);
    // Only a file that loaded whole is taken as the backup.
    EXPECT_EQ(store.m_bSectionBackupDue, row.result == kFileOk);
  }
}

testing::DataFile SectionDat() {
  const auto fill = [](CUser& store, testing::Content content) {
    store.m_strSection = content == testing::Content::kDefault ? DefaultZoneNames()
                         : content == testing::Content::kOld   ? Numbered(u"old ")
                                                               : Numbered(u"new ");
  };
  return {"section",
          LoadSectionFile,
          SaveSectionFile,
          fill,
          [](const CUser& store) { return FileBytes(store.m_strSection); },
          [](CUser& store) -> bool& { return store.m_bSectionBackupDue; }};
}

TEST_F(ZoneFileTest, SaveProtocol) { testing::ExpectSaveProtocol(SectionDat(), install_); }
TEST_F(ZoneFileTest, DirectoryRule) { testing::ExpectDirectoryRule(SectionDat(), install_); }
TEST_F(ZoneFileTest, SaveSurvivesAnyFailingFileCall) {
  testing::ExpectSaveSurvivesAnyFailingFileCall(SectionDat(), install_);
}
TEST_F(ZoneFileTest, LoadSurvivesAnyFailingFileCall) {
  testing::ExpectLoadSurvivesAnyFailingFileCall(SectionDat(), install_);
}

}  // namespace
}  // namespace warden
