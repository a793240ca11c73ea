// Start-up and shut-down of the application object with the language
// libraries the build produces, copied into a fresh module folder.
#include <gtest/gtest.h>

#include "platform/module.h"
#include "platform/module_state.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "shell/entry_guard.h"
#include "shell/module.h"
#include "tests/support/built_files.h"
#include "tests/support/temp_dir.h"

namespace warden {
namespace {

using testing::TempDir;

std::u16string g_fake_module;
std::u16string FakeModuleFileName(std::size_t, std::size_t) { return g_fake_module; }

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() : built_(testing::BuiltInstallFile("Lang")) {
    std::filesystem::create_directories(dir_ / "Config");
    g_fake_module = dir_.core("Warden.dll");
    platform::OverrideModuleFileName(FakeModuleFileName);
  }
  ~StartupTest() override {
    app_.ExitInstance();
    platform::OverrideModuleFileName(nullptr);
    platform::SetModuleResourceSource(nullptr);
  }

  void Install(const std::string& folder, const std::string& name) {
    const std::filesystem::path target = dir_.path() / "Lang" / folder;
    std::filesystem::create_directories(target);
    std::filesystem::copy_file(built_ / folder / name, target / name);
  }
  void SetLanguage(const std::string& value) {
    testing::WriteText(dir_ / "Config" / "Language.ini",
                       "[Language]\nVelmarisLanguage=" + value + "\n");
  }

  const std::filesystem::path built_;  // found before the module name is faked
  TempDir dir_;
  CWardenApp app_;
};

TEST_F(StartupTest, EnglishLibraryBecomesTheResourceSourceUntilShutDown) {
  Install("EN", "WardenEN.dll");
  SetLanguage("ENGLISH");
  EXPECT_TRUE(app_.InitInstance());
  ASSERT_NE(app_.m_hLangDll, nullptr);
  EXPECT_EQ(platform::ResourceString(IDS_ADMIN_GROUP), u"System Administrators");
  EXPECT_EQ(platform::ResourceString(IDS_NONE), u"None");
  app_.ExitInstance();
  EXPECT_EQ(app_.m_hLangDll, nullptr);
  EXPECT_EQ(platform::ResourceString(IDS_ADMIN_GROUP), u"系统管理员组");
}

TEST_F(StartupTest, ChineseLibraryIsLoadedWhenTheIniNamesNothing) {
  Install("CHS", "WardenCHS.dll");
  Install("EN", "WardenEN.dll");
  EXPECT_TRUE(app_.InitInstance());
  ASSERT_NE(app_.m_hLangDll, nullptr);
  EXPECT_EQ(platform::ResourceString(IDS_ADMIN_USER), u"系统管理员");
}

// Start-up still succeeds and the module's own Chinese texts stay in use.
TEST_F(StartupTest, MissingOrDamagedLibraryLeavesTheOwnChineseTexts) {
  SetLanguage("ENGLISH");
  EXPECT_TRUE(app_.InitInstance());
  EXPECT_EQ(app_.m_hLangDll, nullptr);
  EXPECT_EQ(platform::ResourceString(IDS_NO_GROUP), u"无组");
  app_.ExitInstance();

  std::filesystem::create_directories(dir_.path() / "Lang" / "EN");
  testing::WriteText(dir_.path() / "Lang" / "EN" / "WardenEN.dll", "not a library");
  EXPECT_TRUE(app_.InitInstance());
  EXPECT_EQ(app_.m_hLangDll, nullptr);
  EXPECT_EQ(platform::ResourceString(IDS_NO_GROUP), u"无组");
}

// A missing translation would show an empty text in the English dialogs.
TEST_F(StartupTest, EnglishLibraryTranslatesEveryText) {
  Install("EN", "WardenEN.dll");
  const platform::ResourceModule english =
      platform::LoadResourceLibrary(dir_.core("Lang\\EN\\WardenEN.dll"));
  ASSERT_NE(english, nullptr);
  const std::uint16_t ids[] = {103, 104, 105, 106, 107, 108, 109, 110, 111, 114, 115, 116, 117,
                               118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 264, 265};
  for (const std::uint16_t id : ids) {
    SCOPED_TRACE(id);
    const std::u16string text = platform::StringFrom(english, id);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, platform::StringFrom(platform::OwnResources(), id));
  }
  // Format fields must survive translation.
  EXPECT_NE(platform::StringFrom(english, IDS_CONFIRM_DELETE).find(u"\"%s\""), std::u16string::npos);
  EXPECT_NE(platform::StringFrom(english, IDS_PASSWORD_TOO_LONG).find(u"%d"), std::u16string::npos);
  platform::FreeResourceLibrary(english);
}

TEST_F(StartupTest, EntryPointsSeeTheModuleSourceAndRestoreTheCallers) {
  Install("EN", "WardenEN.dll");
  SetLanguage("ENGLISH");
  ASSERT_TRUE(app_.InitInstance());
  platform::SetResourceSource(platform::OwnResources());  // the caller's state
  std::u16string seen;
  EXPECT_EQ(GuardedEntry([&] {
              seen = platform::ResourceString(IDS_NONE);
              return S_OK;
            }),
            S_OK);
  EXPECT_EQ(seen, u"None");
  EXPECT_EQ(platform::ResourceSource(), platform::OwnResources());
  // A throwing body becomes a result, and the caller's state still returns.
  EXPECT_EQ(GuardedEntry([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  EXPECT_EQ(platform::ResourceSource(), platform::OwnResources());
}

}  // namespace
}  // namespace warden
