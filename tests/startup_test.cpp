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
TEST(StartupTest, LanguageLibraryIsTheSourceUntilShutDown) {
  const std::filesystem::path built = testing::BuiltInstallFile("Lang/EN/WardenEN.dll");
  testing::TempDir dir;
  const std::filesystem::path library = dir / "Lang/EN/WardenEN.dll";
  std::filesystem::create_directories(library.parent_path());
  std::filesystem::create_directories(dir / "Config");
  testing::WriteText(dir / "Config/Language.ini", "[Language]\nVelmarisLanguage=ENGLISH\n");
  g_fake_module = dir.core("Warden.dll");
  platform::OverrideModuleFileName([](std::size_t, std::size_t) { return g_fake_module; });
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
  platform::OverrideModuleFileName(nullptr);
  platform::ResourceBytes bytes;  // no module, no resources
  EXPECT_FALSE(platform::FindResourceBytes(nullptr, platform::kResourceTypeString, 8, &bytes));
}

}  // namespace
}  // namespace warden
