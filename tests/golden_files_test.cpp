// The stored bytes, pinned by files under tests/data: every installation's
// users.dat and section.dat depends on the key, the field order and the
// encoding staying exactly as they are.
#include <gtest/gtest.h>

#include <fstream>

#include "accounts/account_file.h"
#include "platform/text.h"
#include "storage/field_cipher.h"
#include "tests/support/built_files.h"
#include "tests/support/install_dir.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

using testing::ReadBytes;
using testing::TestDataFile;

ZoneFlags Zones(std::initializer_list<std::pair<int, std::int16_t>> flags) {
  ZoneFlags zones{};
  for (const auto& [zone, flag] : flags) zones[zone] = flag;
  return zones;
}

// users.dat: a group, two users (every field set, then the empty ones), a record of another type.
const std::vector<AccountRecord> kTable = {
    {kTypeGroup, Zones({{0, 1}, {63, 1}}), u"Plant", {}, {}, {}, 0, 0, u"the plant crew"},
    {kTypeUser,
     Zones({{5, 1}, {6, -1}}),
     u"Plant",
     u"anna",
     u"s3cret",
     u"night shift",
     10,
     255,
     {}},
    {kTypeUser, {}, {}, u"\u738B\u5C0F\u660E", u"pw", {}, -2, 70000, {}},
    {7, {}, u"odd", {}, {}, {}, 0, 0, {}}};

ZoneNames Zones() {
  ZoneNames names;
  for (int zone = 0; zone < kZoneCount; ++zone) names[zone] = u"Zone " + platform::ToDecimal(zone);
  names[0] = u"\u65E0";
  names[2] = u"";
  names[3] = std::u16string(32, u'\u533A');
  return names;
}

TEST(GoldenSealedTextTest, SealedTexts) {
  std::ifstream in(TestDataFile("sealed.txt"), std::ios::binary);
  int rows = 0;
  for (std::string line; std::getline(in, line); ++rows) {
    SCOPED_TRACE(line);
    const std::size_t tab = line.find('\t');
    const std::u16string text = platform::FromUtf8(line.substr(0, tab));
    std::u16string sealed, back;
    ASSERT_TRUE(EncipherText(text, &sealed));
    EXPECT_EQ(platform::ToUtf8(sealed), line.substr(tab + 1));
    EXPECT_EQ(DecipherText(sealed, &back), 0);
    EXPECT_EQ(back, text);
  }
  EXPECT_EQ(rows, 4);
}

class GoldenFilesTest : public ::testing::Test {
 protected:
  void Put(const std::string& golden, const std::string& as) {
    testing::WriteBytes(install_ / as, ReadBytes(TestDataFile(golden)));
  }
  testing::InstallDir install_;
};

// users-narrow.dat holds the group's name in the narrow text form.
TEST_F(GoldenFilesTest, UsersDatReadsExactlyAndWritesByteForByte) {
  for (const char* golden : {"users.dat", "users-narrow.dat"}) {
    SCOPED_TRACE(golden);
    Put(golden, "users.dat");
    CUser store;
    ASSERT_EQ(LoadAccountFile(store, testing::InstallLocation()), kFileOk);
    EXPECT_EQ(store.m_pUser, kTable);
  }
  CUser store;
  store.m_pUser = kTable;
  ASSERT_EQ(SaveAccountFile(store, testing::InstallLocation()), kFileOk);
  EXPECT_TRUE(ReadBytes(install_ / "users.dat") == ReadBytes(TestDataFile("users.dat")));
}

TEST_F(GoldenFilesTest, SectionDatReadsExactlyAndWritesByteForByte) {
  Put("section.dat", "section.dat");
  CUser store;
  ASSERT_EQ(LoadSectionFile(store, testing::InstallLocation()), kFileOk);
  EXPECT_EQ(store.m_strSection, Zones());
  std::filesystem::remove(install_ / "section.dat");
  ASSERT_EQ(SaveSectionFile(store, testing::InstallLocation()), kFileOk);
  EXPECT_TRUE(ReadBytes(install_ / "section.dat") == ReadBytes(TestDataFile("section.dat")));
}

}  // namespace
}  // namespace warden
