// Start-up and shut-down of the application object in a fresh module folder
// whose Language.ini chooses English.
#include <gtest/gtest.h>

#include "platform/module_file.h"
#include "platform/module_state.h"
#include "platform/resources.h"
#include "resources/resource_ids.h"
#include "shell/entry_guard.h"
#include "shell/warden_app.h"
#include "tests/support/built_files.h"
#include "tests/support/temp_dir.h"

namespace warden {
namespace {

std::u16string g_fake_module;

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() {
    g_fake_module = dir_.core("Warden.dll");
    platform::OverrideModuleFileName([](std::size_t, std::size_t) { return g_fake_module; });
    std::filesystem::create_directories(dir_ / "Config");
    std::filesystem::create_directories(library_.parent_path());
    testing::WriteText(dir_ / "Config/Language.ini", "[Language]\nVelmarisLanguage=ENGLISH\n");
  }
  ~StartupTest() override {
    app_.ExitInstance();
    platform::OverrideModuleFileName(nullptr);
    platform::SetModuleResourceSource(nullptr);
  }
  // What an entry point shows while the caller's own source is current.
  static std::u16string TextInEntry() {
    std::u16string text;
    platform::SetResourceSource(platform::OwnResources());
    GuardedEntry([&] { return text = platform::ResourceString(IDS_NONE), S_OK; });
    EXPECT_EQ(platform::ResourceSource(), platform::OwnResources());
    return text;
  }

  const std::filesystem::path built_ = testing::BuiltInstallFile("Lang/EN/WardenEN.dll");
  testing::TempDir dir_;
  const std::filesystem::path library_ = dir_ / "Lang/EN/WardenEN.dll";
  CWardenApp app_;
};

// The library the build produces is the module's source until shut-down and
// translates every text (a missing one would show empty in the dialogs); a
// damaged or missing one leaves the module's own Chinese texts. Start-up
// succeeds either way.
TEST_F(StartupTest, LanguageLibraryIsTheSourceUntilShutDown) {
  for (const std::string library : {"built", "damaged", "missing"}) {
    SCOPED_TRACE(library);
    std::filesystem::remove(library_);
    if (library == "built") std::filesystem::copy_file(built_, library_);
    if (library == "damaged") testing::WriteText(library_, "not a library");
    ASSERT_TRUE(app_.InitInstance());
    EXPECT_EQ(TextInEntry(), library == "built" ? u"None" : u"无");
    for (std::uint16_t id = 100; library == "built" && id < 300; ++id) {
      const std::u16string own = platform::StringFrom(platform::OwnResources(), id);
      const std::u16string english = platform::StringFrom(app_.m_hLangDll, id);
      EXPECT_TRUE(own.empty() || (!english.empty() && english != own)) << id;
    }
    app_.ExitInstance();
    EXPECT_EQ(app_.m_hLangDll, nullptr);
    EXPECT_EQ(TextInEntry(), u"无");
  }
  // A throwing body becomes a result, and the caller's source still returns.
  EXPECT_EQ(GuardedEntry([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  EXPECT_EQ(platform::ResourceSource(), platform::OwnResources());
  platform::ResourceBytes bytes;  // no module, no resources
  EXPECT_FALSE(platform::FindResourceBytes(nullptr, platform::kResourceTypeString, 8, &bytes));
}

}  // namespace
}  // namespace warden
