#include <gtest/gtest.h>

#include "platform/module_file.h"
#include "platform/text.h"
#include "shell/language.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"

namespace warden {
namespace {

using testing::TempDir;

// The module file name the tests pretend to have.
std::u16string g_fake_module;
std::u16string FakeModuleFileName(std::size_t, std::size_t) { return g_fake_module; }

class LanguageTest : public ::testing::Test {
 protected:
  LanguageTest() {
    std::filesystem::create_directories(dir_ / "Config");
    g_fake_module = dir_.core("Warden.dll");
    platform::OverrideModuleFileName(FakeModuleFileName);
  }
  ~LanguageTest() override { platform::OverrideModuleFileName(nullptr); }

  void SetLanguage(const std::string& value) {
    testing::WriteText(dir_ / "Config" / "Language.ini",
                       "[Language]\nVelmarisLanguage=" + value + "\n");
  }

  TempDir dir_;
  testing::WindowsProfile profile_;
};

TEST_F(LanguageTest, ModuleDirectoryIsTheFolderWithoutTrailingBackslash) {
  EXPECT_EQ(GetModuleDirectory(), dir_.core());
  g_fake_module = u"Warden.dll";
  EXPECT_EQ(GetModuleDirectory(), u"");
}

TEST_F(LanguageTest, LanguageCodeIsChineseOnlyForMissingOrExactChinese) {
  EXPECT_EQ(GetLanguageCode(), kLanguageChinese);  // no ini file
  SetLanguage("CHINESE");
  EXPECT_EQ(GetLanguageCode(), kLanguageChinese);
  SetLanguage("chinese");
  EXPECT_EQ(GetLanguageCode(), kLanguageOther);  // the comparison is case-sensitive
  SetLanguage("ENGLISH");
  EXPECT_EQ(GetLanguageCode(), kLanguageOther);
  testing::WriteText(dir_ / "Config" / "Language.ini", "[Other]\nVelmarisLanguage=ENGLISH\n");
  EXPECT_EQ(GetLanguageCode(), kLanguageChinese);
}

TEST_F(LanguageTest, LibraryPathUsesTheBaseNameUpToTheFirstDot) {
  EXPECT_EQ(GetLanguageLibraryPath(kLanguageChinese), dir_.core() + u"\\Lang\\CHS\\WardenCHS.dll");
  EXPECT_EQ(GetLanguageLibraryPath(kLanguageOther), dir_.core() + u"\\Lang\\EN\\WardenEN.dll");
  g_fake_module = dir_.core("Warden.x.dll");
  EXPECT_EQ(GetLanguageLibraryPath(kLanguageOther), dir_.core() + u"\\Lang\\EN\\WardenEN.dll");
  g_fake_module = dir_.core("Warden");
  EXPECT_EQ(GetLanguageLibraryPath(kLanguageChinese), dir_.core() + u"\\Lang\\CHS\\CHS.dll");
  EXPECT_EQ(GetLanguageLibraryPath(7), dir_.core() + u"\\Lang\\EN\\EN.dll");
}

TEST_F(LanguageTest, InstallDirectoryEndsInExactlyOneBackslash) {
  EXPECT_EQ(GetInstallDirectory(), u"");  // no entry
  struct Row {
    std::u16string stored, expected;
  };
  const Row rows[] = {
      {u"C:\\Velmaris", u"C:\\Velmaris\\"},
      {u"C:\\Velmaris\\ \\", u"C:\\Velmaris\\"},
      {u"C:\\Velmaris\\\\", u"C:\\Velmaris\\"},
      {u"\\ \\", u"\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(platform::ToUtf8(row.stored));
    profile_.Set(u"Velm50", u"ApplicationDirectory", row.stored);
    EXPECT_EQ(GetInstallDirectory(), row.expected);
  }
}

TEST_F(LanguageTest, InstallDirectorySectionFollowsTheLanguage) {
  profile_.Set(u"Velm50", u"ApplicationDirectory", u"C:\\Chinese");
  profile_.Set(u"Velm51", u"ApplicationDirectory", u"C:\\English");
  EXPECT_EQ(GetInstallDirectory(), u"C:\\Chinese\\");
  SetLanguage("ENGLISH");
  EXPECT_EQ(GetInstallDirectory(), u"C:\\English\\");
}

TEST(ModuleFileNameTest, RealNameIsAFullPathInLongForm) {
  const std::u16string name = platform::ModuleFileName(520, 260);
  ASSERT_FALSE(name.empty());
  EXPECT_NE(name.find(u"warden_tests"), std::u16string::npos) << platform::ToUtf8(name);
  EXPECT_NE(name.find(u'\\'), std::u16string::npos);
  EXPECT_EQ(platform::ModuleFileName(520, 4), u"");  // does not fit the long-form buffer
}

}  // namespace
}  // namespace warden
