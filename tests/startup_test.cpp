// Start-up and shut-down of the application object with the language
// libraries the build produces, copied into a fresh module folder.
#include <gtest/gtest.h>

#include "platform/module_file.h"
#include "platform/module_state.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "shell/entry_guard.h"
#include "shell/warden_app.h"
#include "tests/support/built_files.h"
#include "tests/support/temp_dir.h"

namespace warden {
namespace {

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

  // Installs the English library (or a damaged file in its place) and
  // makes Language.ini choose English.
  void InstallEnglish(bool damaged = false) {
    const std::filesystem::path library = dir_ / "Lang/EN/WardenEN.dll";
    std::filesystem::create_directories(library.parent_path());
    if (damaged) {
      testing::WriteText(library, "not a library");
    } else {
      std::filesystem::copy_file(built_ / "EN/WardenEN.dll", library);
    }
    testing::WriteText(dir_ / "Config/Language.ini", "[Language]\nVelmarisLanguage=ENGLISH\n");
  }

  const std::filesystem::path built_;  // found before the module name is faked
  testing::TempDir dir_;
  CWardenApp app_;
};

// A missing translation would show an empty text in the English dialogs.
TEST_F(StartupTest, EnglishLibraryTranslatesEveryTextAndIsTheSourceUntilShutDown) {
  InstallEnglish();
  EXPECT_TRUE(app_.InitInstance());
  const platform::ResourceModule english = app_.m_hLangDll;
  ASSERT_NE(english, nullptr);
  EXPECT_EQ(platform::ResourceString(IDS_ADMIN_GROUP), u"System Administrators");
  const std::uint16_t ids[] = {103, 104, 105, 106, 107, 108, 109, 110, 111, 114, 115, 116, 117,
                               118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 264, 265};
  for (const std::uint16_t id : ids) {
    SCOPED_TRACE(id);
    const std::u16string text = platform::StringFrom(english, id);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, platform::StringFrom(platform::OwnResources(), id));
  }
  // Format fields must survive translation.
  EXPECT_NE(platform::StringFrom(english, IDS_CONFIRM_DELETE).find(u"\"%s\""),
            std::u16string::npos);
  EXPECT_NE(platform::StringFrom(english, IDS_PASSWORD_TOO_LONG).find(u"%d"), std::u16string::npos);
  app_.ExitInstance();
  EXPECT_EQ(app_.m_hLangDll, nullptr);
  EXPECT_EQ(platform::ResourceString(IDS_ADMIN_GROUP), u"系统管理员组");
}

// A library that is damaged or missing leaves the module's own Chinese
// texts, and start-up still succeeds.
TEST_F(StartupTest, DamagedOrMissingLibraryLeavesTheOwnChineseTexts) {
  for (const bool damaged : {true, false}) {
    SCOPED_TRACE(damaged ? "damaged" : "missing");
    InstallEnglish(/*damaged=*/true);
    if (!damaged) std::filesystem::remove(dir_ / "Lang/EN/WardenEN.dll");
    EXPECT_TRUE(app_.InitInstance());
    EXPECT_EQ(app_.m_hLangDll, nullptr);
    EXPECT_EQ(platform::ResourceString(IDS_NO_GROUP), u"无组");
    app_.ExitInstance();
  }
}

TEST_F(StartupTest, EntryPointsSeeTheModuleSourceAndRestoreTheCallers) {
  InstallEnglish();
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
