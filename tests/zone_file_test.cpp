#include <gtest/gtest.h>

#include "accounts/field_cipher.h"
#include "accounts/file_version.h"
#include "platform/text.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ReadBytes;
using testing::WriteBytes;

Bytes FileBytes(const ZoneNames& names) {
  Bytes bytes;
  Archive archive = Archive::Writing(bytes);
  CVmNewFileVersion header;
  EXPECT_TRUE(header.Serialize(archive));
  EXPECT_TRUE(WriteZoneNames(archive, names));
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
  void PutDat(const Bytes& bytes) { WriteBytes(install_ / "section.dat", bytes); }

  testing::InstallDir install_;
};

TEST(ZoneNamesTest, Defaults) {
  const ZoneNames names = DefaultZoneNames();
  const std::pair<int, std::u16string> rows[] = {{0, u"\u65E0"}, {1, u"A"},   {26, u"Z"},
                                                 {27, u"AA"},    {52, u"ZZ"}, {53, u"AAA"},
                                                 {63, u"KKK"}};
  for (const auto& [zone, name] : rows) {
    SCOPED_TRACE(zone);
    EXPECT_EQ(names[zone], name);
  }
}

TEST_F(ZoneFileTest, FileBytesAndRoundTrip) {
  ZoneNames names;  // all empty: 64 empty texts, none sealed
  Bytes expected = FileBytes(ZoneNames{});
  ASSERT_EQ(expected.size(), 132u + 64 * 4);
  for (int zone = 0; zone < kZoneCount; ++zone) {
    EXPECT_EQ(Bytes(expected.begin() + 132 + 4 * zone, expected.begin() + 136 + 4 * zone),
              (Bytes{0xFF, 0xFE, 0xFF, 0x00}));
  }
  names[1] = u"Boiler house";
  names[2] = std::u16string(57, u'\u533A');  // seals to 256 digits: longer prefix
  names[63] = u"last";
  CUser store;
  store.m_strSection = names;
  ASSERT_EQ(SaveSectionFile(store), kFileOk);
  const Bytes bytes = Dat();
  EXPECT_EQ(bytes, FileBytes(names));
  EXPECT_EQ(Bytes(bytes.begin() + 136, bytes.begin() + 140), (Bytes{0xFF, 0xFE, 0xFF, 0x40}));

  CUser reader;
  ASSERT_EQ(LoadSectionFile(reader, nullptr), kFileOk);
  EXPECT_EQ(reader.m_strSection, names);
  EXPECT_TRUE(reader.m_bSectionBackupDue);
}

TEST_F(ZoneFileTest, FreshInstallDirectoryGetsTheDefaults) {
  CUser store;
  ASSERT_EQ(LoadSectionFile(store, nullptr), kFileOk);
  EXPECT_EQ(store.m_strSection, DefaultZoneNames());
  EXPECT_EQ(Dat(), FileBytes(DefaultZoneNames()));
  EXPECT_FALSE(install_.Has("section.bak"));
  EXPECT_TRUE(store.m_bSectionBackupDue);
  ASSERT_EQ(SaveSectionFile(store), kFileOk);
  EXPECT_EQ(ReadBytes(install_ / "section.bak"), FileBytes(DefaultZoneNames()));
}

TEST_F(ZoneFileTest, SavesAfterLoadAndWithoutLoad) {
  const Bytes loaded = FileBytes(Numbered(u"old "));
  PutDat(loaded);
  CUser store;
  ASSERT_EQ(LoadSectionFile(store, nullptr), kFileOk);
  store.m_strSection[5] = u"first";
  ASSERT_EQ(SaveSectionFile(store), kFileOk);
  store.m_strSection[5] = u"second";
  ASSERT_EQ(SaveSectionFile(store), kFileOk);
  EXPECT_EQ(ReadBytes(install_ / "section.bak"), loaded);  // the second save left it alone
  EXPECT_EQ(Dat(), FileBytes(store.m_strSection));

  std::filesystem::remove(install_ / "section.bak");
  WriteBytes(install_ / "section.111", Bytes(10, 1));  // left by a failed save
  CUser fresh;
  fresh.m_strSection = Numbered(u"fresh ");
  ASSERT_EQ(SaveSectionFile(fresh), kFileOk);
  EXPECT_EQ(Dat(), FileBytes(fresh.m_strSection));
  EXPECT_FALSE(install_.Has("section.bak"));
  EXPECT_FALSE(install_.Has("section.111"));
}

TEST_F(ZoneFileTest, ShortFilesKeepWhatWasNotRead) {
  const Bytes full = FileBytes(Numbered(u"new "));
  // The end of the 10th record: header plus ten sealed names.
  Bytes first_ten;
  {
    ZoneNames names = Numbered(u"new ");
    Archive archive = Archive::Writing(first_ten);
    CVmNewFileVersion header;
    ASSERT_TRUE(header.Serialize(archive));
    std::u16string sealed;
    for (int zone = 0; zone < 10; ++zone) {
      ASSERT_TRUE(EncipherText(names[zone], &sealed));
      ASSERT_TRUE(archive.WriteText(sealed));
    }
  }
  struct Row {
    const char* name;
    Bytes bytes;
    int replaced;  // zones read before the end
    bool backup_due;
  };
  const Row rows[] = {
      {"exactly 132 bytes", Bytes(full.begin(), full.begin() + 132), 0, true},
      {"ends inside the version", Bytes(full.begin(), full.begin() + 3), 0, false},
      {"ten records", first_ten, 10, true},
      {"ends inside the last record", Bytes(full.begin(), full.end() - 1), 63, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PutDat(row.bytes);
    CUser store;
    store.m_strSection = Numbered(u"kept ");
    EXPECT_EQ(LoadSectionFile(store, nullptr), kFileNotReadable);
    for (int zone = 0; zone < kZoneCount; ++zone) {
      EXPECT_EQ(store.m_strSection[zone],
                std::u16string(zone < row.replaced ? u"new " : u"kept ") + platform::ToDecimal(zone));
    }
    EXPECT_EQ(store.m_bSectionBackupDue, row.backup_due);
  }
}

TEST_F(ZoneFileTest, ClearTextNameReadsAsEmpty) {
  Bytes bytes;
  Archive archive = Archive::Writing(bytes);
  CVmNewFileVersion header;
  ASSERT_TRUE(header.Serialize(archive));
  std::u16string sealed;
  for (int zone = 0; zone < kZoneCount; ++zone) {
    ASSERT_TRUE(EncipherText(u"Z" + platform::ToDecimal(zone), &sealed));
    ASSERT_TRUE(archive.WriteText(zone == 7 ? u"Zone seven" : sealed));
  }
  PutDat(bytes);
  CUser store;
  ASSERT_EQ(LoadSectionFile(store, nullptr), kFileOk);
  EXPECT_EQ(store.m_strSection[7], u"");
  EXPECT_EQ(store.m_strSection[6], u"Z6");
  EXPECT_EQ(store.m_strSection[8], u"Z8");
}

TEST_F(ZoneFileTest, DirectoriesAndLimits) {
  testing::TempDir project;
  WriteBytes(project / "section.dat", FileBytes(Numbered(u"p")));
  const std::u16string trailing = project.core() + u"\\\\ \\ ";
  CUser store;
  ASSERT_EQ(LoadSectionFile(store, &trailing), kFileOk);
  EXPECT_EQ(store.m_strSection, Numbered(u"p"));
  {
    testing::CurrentDirectory here(project.path());
    const std::u16string nothing = u" \\\\";
    CUser relative;
    ASSERT_EQ(LoadSectionFile(relative, &nothing), kFileOk);
    EXPECT_EQ(relative.m_strSection, Numbered(u"p"));
  }

  // A project directory without the file: defaults in memory, nothing written.
  testing::TempDir empty_project;
  const std::u16string other = empty_project.core();
  CUser project_store;
  EXPECT_EQ(LoadSectionFile(project_store, &other), kFileNotReadable);
  EXPECT_EQ(project_store.m_strSection, DefaultZoneNames());
  EXPECT_TRUE(std::filesystem::is_empty(empty_project.path()));
  EXPECT_FALSE(install_.Has("section.dat"));

  const std::u16string too_long(251, u'd');  // 251 + '\' + "section.dat" > 259
  EXPECT_EQ(LoadSectionFile(store, &too_long), kFileNotReadable);
  install_.Set(install_.dir().core() + u"\\" + too_long + u"\\");
  EXPECT_EQ(SaveSectionFile(store), kFileNotWritable);

  install_.Set(install_.dir().core("missing") + u"\\");
  CUser unwritable;
  EXPECT_EQ(LoadSectionFile(unwritable, nullptr), kFileDefaultNotWritable);
  EXPECT_EQ(unwritable.m_strSection, DefaultZoneNames());  // the defaults stay in memory
}

TEST_F(ZoneFileTest, SaveSurvivesAnyFailingFileCall) {
  const ZoneNames old_names = Numbered(u"old ");
  const ZoneNames new_names = Numbered(u"new ");
  for (bool backup_due : {true, false}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(backup_due ? "backup due" : "no backup due") + ", failing call " +
                   std::to_string(n));
      std::filesystem::remove(install_ / "section.bak");
      PutDat(FileBytes(old_names));
      CUser store;
      store.m_strSection = new_names;
      store.m_bSectionBackupDue = backup_due;
      int result;
      bool fired;
      {
        testing::FaultInjector faults;
        faults.FailNth(n);
        result = SaveSectionFile(store);
        fired = faults.fired();
      }
      EXPECT_TRUE(result == kFileOk || result == kFileNotWritable) << result;
      // Exactly the old or exactly the new bytes, and the result says which.
      EXPECT_EQ(Dat(), FileBytes(result == kFileOk ? new_names : old_names));
      EXPECT_FALSE(install_.Has("section.111"));
      EXPECT_FALSE(install_.Has("section.112"));
      CUser reader;
      ASSERT_EQ(LoadSectionFile(reader, nullptr), kFileOk);
      EXPECT_EQ(reader.m_strSection, result == kFileOk ? new_names : old_names);
      if (!fired) {
        EXPECT_GT(n, 4);
        break;
      }
    }
  }
}

TEST_F(ZoneFileTest, LoadSurvivesAnyFailingFileCall) {
  const ZoneNames existing = Numbered(u"zone ");
  for (bool file_exists : {true, false}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(file_exists ? "existing file" : "default creation") +
                   ", failing call " + std::to_string(n));
      std::filesystem::remove(install_ / "section.dat");
      if (file_exists) PutDat(FileBytes(existing));
      const ZoneNames& expected = file_exists ? existing : DefaultZoneNames();
      CUser store;
      int result;
      bool fired;
      {
        testing::FaultInjector faults;
        faults.FailNth(n);
        result = LoadSectionFile(store, nullptr);
        fired = faults.fired();
      }
      if (result == kFileOk) {
        EXPECT_EQ(store.m_strSection, expected);
      }
      if (file_exists) {
        EXPECT_EQ(Dat(), FileBytes(existing));  // never replaced by the defaults
      }
      if (install_.Has("section.dat")) {
        CUser reader;
        ASSERT_EQ(LoadSectionFile(reader, nullptr), kFileOk);
        EXPECT_EQ(reader.m_strSection, expected);
      }
      EXPECT_FALSE(install_.Has("section.111"));
      if (!fired) {
        EXPECT_GT(n, 4);
        break;
      }
    }
  }
}

}  // namespace
}  // namespace warden
