// The registration script engine over the in-memory registry, with the
// module's real script.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/registry.h"
#include "platform/text.h"
#include "shell/config_ids.h"
#include "shell/registrar.h"
#include "shell/registration.h"

namespace warden {
namespace {

using platform::RegistryRoot;
constexpr RegistryRoot kHkcr = RegistryRoot::kClassesRoot;

std::string ModuleScript() {
  std::ifstream in(WARDEN_SOURCE_DIR "/resources/warden.rgs", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::u16string Value(const std::u16string& path, const std::u16string& name = u"") {
  std::u16string value;
  return platform::RegistryGetString(kHkcr, path, name, &value) ? value : u"<missing>";
}

class RegistrarTest : public ::testing::Test {
 protected:
  RegistrarTest() : clsid_key_(u"CLSID\\" + platform::GuidText(kClsidConfig)) { Clear(); }
  ~RegistrarTest() override { Clear(); }

  static void Clear() {
    for (const char16_t* key : {u"Warden.Config", u"Warden.Config.1", u"CLSID", u"Test"}) {
      platform::RegistryDeleteTree(kHkcr, key);
    }
  }

  const std::u16string module_ = u"C:\\Program Files\\Velmaris\\Warden.dll";
  const std::u16string clsid_key_;
};

TEST_F(RegistrarTest, RegisterWritesExactlyTheScriptedKeys) {
  ASSERT_EQ(RegisterServer(ModuleScript(), module_), S_OK);
  const std::u16string clsid = platform::GuidText(kClsidConfig);
  struct Row { std::u16string path, name, value; };
  const Row rows[] = {
      {u"Warden.Config.1", u"", u"Config Class"},
      {u"Warden.Config.1\\CLSID", u"", clsid},
      {u"Warden.Config", u"", u"Config Class"},
      {u"Warden.Config\\CLSID", u"", clsid},
      {clsid_key_, u"", u"Config Class"},
      {clsid_key_ + u"\\ProgID", u"", u"Warden.Config.1"},
      {clsid_key_ + u"\\VersionIndependentProgID", u"", u"Warden.Config"},
      {clsid_key_ + u"\\InprocServer32", u"", module_},
      {clsid_key_ + u"\\InprocServer32", u"ThreadingModel", u"both"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(platform::ToUtf8(row.path + u" " + row.name));
    EXPECT_EQ(Value(row.path, row.name), row.value);
  }
  using Names = std::vector<std::u16string>;
  EXPECT_EQ(platform::RegistrySubkeys(kHkcr, clsid_key_),
            (Names{u"InprocServer32", u"ProgID", u"VersionIndependentProgID"}));
  EXPECT_EQ(platform::RegistrySubkeys(kHkcr, u"Warden.Config"), Names{u"CLSID"});  // no CurVer
}

// The class key is force-removed: a stale subkey from an older version goes.
TEST_F(RegistrarTest, RegisteringTwiceLeavesOneSetAndDropsStaleSubkeys) {
  ASSERT_EQ(RegisterServer(ModuleScript(), u"C:\\old\\Warden.dll"), S_OK);
  platform::RegistryCreateKey(kHkcr, clsid_key_ + u"\\TypeLib");
  ASSERT_EQ(RegisterServer(ModuleScript(), module_), S_OK);
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, clsid_key_ + u"\\TypeLib"));
  EXPECT_EQ(Value(clsid_key_ + u"\\InprocServer32"), module_);
  EXPECT_EQ(platform::RegistrySubkeys(kHkcr, u"CLSID").size(), 1u);
}

TEST_F(RegistrarTest, UnregisterRemovesTheKeysButKeepsClsid) {
  platform::RegistryCreateKey(kHkcr, u"CLSID\\{00000000-0000-0000-0000-000000000001}");
  ASSERT_EQ(RegisterServer(ModuleScript(), module_), S_OK);
  ASSERT_EQ(UnregisterServer(ModuleScript(), module_), S_OK);
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, u"Warden.Config"));
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, u"Warden.Config.1"));
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, clsid_key_));
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"CLSID\\{00000000-0000-0000-0000-000000000001}"));
  // Unregistering what is not there is no failure.
  EXPECT_EQ(UnregisterServer(ModuleScript(), module_), S_OK);
}

// CLSID is never removed, even when nothing else lies below it.
TEST_F(RegistrarTest, NoRemoveKeyStaysWhenEmpty) {
  ASSERT_EQ(RegisterServer(ModuleScript(), module_), S_OK);
  ASSERT_EQ(UnregisterServer(ModuleScript(), module_), S_OK);
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"CLSID"));
}

// A key that another program also uses keeps that program's subkeys.
TEST_F(RegistrarTest, PlainKeyWithForeignSubkeysStays) {
  const char script[] = "HKCR { Test = s 'x' { Mine = s 'y' } }";
  ASSERT_EQ(RunRegistrarScript(script, {}, RegistrarMode::kRegister), S_OK);
  platform::RegistryCreateKey(kHkcr, u"Test\\Theirs");
  ASSERT_EQ(RunRegistrarScript(script, {}, RegistrarMode::kUnregister), S_OK);
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"Test\\Theirs"));
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, u"Test\\Mine"));
}

TEST_F(RegistrarTest, QuotesReplacementsAndNumbers) {
  const char script[] =
      "HKCR { Test = s 'it''s %A%, 100%%' { val N = d 0x10 val M = d '7' 'Spaced Key' } }";
  ASSERT_EQ(RunRegistrarScript(script, {{u"A", u"C:\\x'y"}}, RegistrarMode::kRegister), S_OK);
  EXPECT_EQ(Value(u"Test"), u"it's C:\\x'y, 100%");
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"Test\\Spaced Key"));
  EXPECT_EQ(Value(u"Test", u"N"), u"<missing>");  // a number, not a string
}

// A damaged script is refused before anything is written.
TEST_F(RegistrarTest, BadScriptsChangeNothing) {
  const char* scripts[] = {
      "HKCR { Test = s 'unterminated }",
      "HKCR { Test { Inner }",
      "HKXX { Test }",
      "HKCR { Test = s '%UNKNOWN%' }",
      "HKCR { Test = q 'x' }",
      "HKCR { Test = d 'twelve' }",
      "HKCR { val = s 'x' }",
      "HKCR Test",
      "HKCR { Test } }",
      "HKCR { Test = s '%MODULE }",
  };
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    EXPECT_EQ(RunRegistrarScript(script, {{u"MODULE", u"m"}}, RegistrarMode::kRegister),
              DISP_E_EXCEPTION);
    EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, u"Test"));
  }
}

TEST_F(RegistrarTest, DeleteKeysGoOnRegistration) {
  platform::RegistryCreateKey(kHkcr, u"Test\\Old\\Deep");
  ASSERT_EQ(RunRegistrarScript("HKCR { NoRemove Test { Delete Old } }", {},
                               RegistrarMode::kRegister),
            S_OK);
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, u"Test\\Old"));
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"Test"));
}

TEST_F(RegistrarTest, PerUserRegistrationIsOff) {
  bool per_user = true;
  EXPECT_EQ(QueryPerUserRegistration(&per_user), S_OK);
  EXPECT_FALSE(per_user);
  EXPECT_EQ(QueryPerUserRegistration(nullptr), E_POINTER);
}

}  // namespace
}  // namespace warden
