#include <gtest/gtest.h>

#include <tuple>

#include "platform/module_file.h"
#include "platform/text.h"
#include "shell/language.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"

namespace warden {
namespace {

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

  void SetLanguage(const std::string& value, const std::string& section = "Language") {
    testing::WriteText(dir_ / "Config" / "Language.ini",
                       "[" + section + "]\nVelmarisLanguage=" + value + "\n");
  }

  testing::TempDir dir_;
  testing::WindowsProfile profile_;
};

// Chinese without the ini file or its entry, or for exactly CHINESE.
TEST_F(LanguageTest, LanguageCodeIsChineseOnlyForMissingOrExactChinese) {
  EXPECT_EQ(GetLanguageCode(), kLanguageChinese);
  const std::tuple<const char*, const char*, std::int32_t> rows[] = {
      {"Language", "CHINESE", kLanguageChinese},
      {"Language", "chinese", kLanguageOther},
      {"Language", "ENGLISH", kLanguageOther},
      {"Other", "ENGLISH", kLanguageChinese}};
  for (const auto& [section, value, code] : rows) {
    SetLanguage(value, section);
    EXPECT_EQ(GetLanguageCode(), code) << section << " " << value;
  }
}

// The library's name is the module's base name up to its first dot.
TEST_F(LanguageTest, LibraryPathUsesTheBaseNameUpToTheFirstDot) {
  const std::tuple<const char*, std::int32_t, std::u16string> rows[] = {
      {"Warden.dll", kLanguageChinese, u"\\Lang\\CHS\\WardenCHS.dll"},
      {"Warden.dll", kLanguageOther, u"\\Lang\\EN\\WardenEN.dll"},
      {"Warden.x.dll", kLanguageOther, u"\\Lang\\EN\\WardenEN.dll"},
      {"Warden", kLanguageChinese, u"\\Lang\\CHS\\CHS.dll"},
      {"Warden", 7, u"\\Lang\\EN\\EN.dll"}};
  for (const auto& [module, code, path] : rows) {
    g_fake_module = dir_.core(module);
    EXPECT_EQ(GetLanguageLibraryPath(code), dir_.core() + path) << module << " " << code;
  }
  EXPECT_EQ(GetModuleDirectory(), dir_.core());
  g_fake_module = u"Warden.dll";
  EXPECT_EQ(GetModuleDirectory(), u"");
}

// The install directory comes from the language's section and ends in one backslash.
TEST_F(LanguageTest, InstallDirectoryEndsInExactlyOneBackslash) {
  EXPECT_EQ(GetInstallDirectory(), u"");  // no entry
  const std::pair<std::u16string, std::u16string> rows[] = {
      {u"C:\\Velmaris", u"C:\\Velmaris\\"},
      {u"C:\\Velmaris\\ \\", u"C:\\Velmaris\\"},
      {u"C:\\Velmaris\\\\", u"C:\\Velmaris\\"},
      {u"\\ \\", u"\\"}};
  for (const auto& [stored, expected] : rows) {
    profile_.Set(u"Velm50", u"ApplicationDirectory", stored);
    EXPECT_EQ(GetInstallDirectory(), expected) << platform::ToUtf8(stored);
  }
  profile_.Set(u"Velm51", u"ApplicationDirectory", u"C:\\English");
  SetLanguage("ENGLISH");
  EXPECT_EQ(GetInstallDirectory(), u"C:\\English\\");
}

TEST(ModuleFileNameTest, RealNameIsAFullPathInLongForm) {
  const std::u16string name = platform::ModuleFileName(520, 260);
  EXPECT_NE(name.find(u"warden_tests"), std::u16string::npos) << platform::ToUtf8(name);
  EXPECT_NE(name.find(u'\\'), std::u16string::npos);
  EXPECT_EQ(platform::ModuleFileName(520, 4), u"");  // does not fit the long-form buffer
}

}  // namespace
}  // namespace warden
