// The module folder: Language.ini, the language library, the install
// directory, and start-up and shut-down of the application object.
#include <gtest/gtest.h>

#include "platform/module_file.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "shell/entry_guard.h"
#include "shell/warden_app.h"
#include "storage/installation.h"
#include "tests/support/built_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"

namespace warden {
namespace {

// The module file name the tests pretend to have.
std::u16string g_fake_module;
std::u16string FakeModuleFileName(std::size_t, std::size_t) { return g_fake_module; }

class LanguageTest : public ::testing::Test {
 protected:
  LanguageTest() { platform::OverrideModuleFileName(FakeModuleFileName); }
  ~LanguageTest() override { platform::OverrideModuleFileName(nullptr); }
  testing::TempDir dir_;
  testing::WindowsProfile profile_;
};

// Language.ini beside the module picks Chinese only when missing or exactly
// CHINESE; the language picks the library and the install directory's entry,
// which ends in exactly one backslash.
TEST_F(LanguageTest, LanguageIniPicksLibraryAndInstallDirectory) {
  const std::string ini = "[Language]\nVelmarisLanguage=";
  const struct {
    const char* module;
    std::string ini;                             // empty: none
    const char16_t *library, *stored, *install;  // stored in Velm50; Velm51 holds C:\E
  } rows[] = {
      {"W.dll", "", u"\\Lang\\CHS\\WCHS.dll", u"", u""},
      {"W.dll", ini + "CHINESE", u"\\Lang\\CHS\\WCHS.dll", u"C:\\V", u"C:\\V\\"},
      {"W.x.dll", ini + "chinese", u"\\Lang\\EN\\WEN.dll", u"C:\\V", u"C:\\E\\"},
      {"W", ini + "ENGLISH", u"\\Lang\\EN\\EN.dll", u"", u"C:\\E\\"},
      {"W", "[Other]\nVelmarisLanguage=ENGLISH", u"\\Lang\\CHS\\CHS.dll", u"C:\\V\\ \\",
       u"C:\\V\\"},
      {"W.dll", "", u"\\Lang\\CHS\\WCHS.dll", u"\\ \\", u"\\"},
  };
  std::filesystem::create_directories(dir_ / "Config");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.module + (" " + row.ini));
    g_fake_module = dir_.core(row.module);
    std::filesystem::remove(dir_ / "Config" / "Language.ini");
    if (!row.ini.empty()) testing::WriteText(dir_ / "Config" / "Language.ini", row.ini + "\n");
    profile_.Set(u"Velm50", u"ApplicationDirectory", row.stored);
    profile_.Set(u"Velm51", u"ApplicationDirectory", u"C:\\E");
    EXPECT_EQ(GetLanguageLibraryPath(GetLanguageCode()), dir_.core() + row.library);
    EXPECT_EQ(GetInstallDirectory(), row.install);
  }
  EXPECT_EQ(GetLanguageLibraryPath(7), dir_.core() + u"\\Lang\\EN\\WEN.dll");
  EXPECT_EQ(GetModuleDirectory(), dir_.core());
  g_fake_module = u"Warden.dll";
  EXPECT_EQ(GetModuleDirectory(), u"");
}

// What an entry point shows while the caller's own source is current.
std::u16string TextInEntry() {
  std::u16string text;
  platform::SetResourceSource(platform::OwnResources());
  GuardedEntry([&] { return text = platform::ResourceString(IDS_NONE), S_OK; });
  return text;
}

// The library the build produces is the module's source until shut-down; a
// damaged or missing one leaves the module's own Chinese texts. Start-up
// succeeds either way.
TEST_F(LanguageTest, LanguageLibraryIsTheSourceUntilShutDown) {
  platform::OverrideModuleFileName(nullptr);  // the built library is found from the real name
  const std::u16string name = platform::ModuleFileName(520, 260);  // a full path in long form
  EXPECT_NE(name.find(u"warden_tests"), std::u16string::npos) << platform::ToUtf8(name);
  EXPECT_NE(name.find(u'\\'), std::u16string::npos);
  EXPECT_EQ(platform::ModuleFileName(520, 4), u"");  // does not fit the long-form buffer
  const std::filesystem::path built = testing::BuiltInstallFile("Lang/EN/WardenEN.dll");
  platform::OverrideModuleFileName(FakeModuleFileName);
  const std::filesystem::path library = dir_ / "Lang/EN/WardenEN.dll";
  std::filesystem::create_directories(library.parent_path());
  std::filesystem::create_directories(dir_ / "Config");
  testing::WriteText(dir_ / "Config/Language.ini", "[Language]\nVelmarisLanguage=ENGLISH\n");
  g_fake_module = dir_.core("Warden.dll");
  WardenApp app;
  for (const std::string state : {"built", "damaged", "missing"}) {
    std::filesystem::remove(library);
    if (state == "built") std::filesystem::copy_file(built, library);
    if (state == "damaged") testing::WriteText(library, "not a library");
    EXPECT_TRUE(app.Start());
    EXPECT_EQ(TextInEntry(), state == "built" ? u"None" : u"无") << state;
    app.Stop();
    EXPECT_EQ(TextInEntry(), u"无") << state;
  }
  platform::ResourceBytes bytes;  // no module, no resources
  EXPECT_FALSE(platform::FindResourceBytes(nullptr, platform::kResourceTypeString, 8, &bytes));
}

}  // namespace
}  // namespace warden
