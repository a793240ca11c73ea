// The registration script engine over the in-memory registry (the keys of
// the module's real script are checked after regsvr32 under Wine).
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
  RegistrarTest() { Clear(); }
  ~RegistrarTest() override { Clear(); }
  static void Clear() {
    for (const char16_t* key : {u"Warden.Config", u"Warden.Config.1", u"CLSID", u"Test", u"Kept"}) {
      platform::RegistryDeleteTree(kHkcr, key);
    }
  }
};

// The class key is force-removed: a stale subkey from an older version goes.
TEST_F(RegistrarTest, RegisteringTwiceLeavesOneSetAndDropsStaleSubkeys) {
  const std::u16string module = u"C:\\Program Files\\Velmaris\\Warden.dll";
  const std::u16string class_key = u"CLSID\\" + platform::GuidText(kClsidConfig);
  ASSERT_EQ(RegisterServer(ModuleScript(), u"C:\\old\\Warden.dll"), S_OK);
  platform::RegistryCreateKey(kHkcr, class_key + u"\\TypeLib");
  ASSERT_EQ(RegisterServer(ModuleScript(), module), S_OK);
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, class_key + u"\\TypeLib"));
  EXPECT_EQ(Value(class_key + u"\\InprocServer32"), module);
  EXPECT_EQ(platform::RegistrySubkeys(kHkcr, u"CLSID").size(), 1u);
}

// Unregistering keeps NoRemove keys even when empty and a plain key that
// another program's subkeys still use; Delete keys go on registration.
TEST_F(RegistrarTest, KeysThatStayAndKeysThatGo) {
  const char script[] = "HKCR { NoRemove Kept { Delete Old } Test = s 'x' { Mine = s 'y' } }";
  platform::RegistryCreateKey(kHkcr, u"Kept\\Old\\Deep");
  ASSERT_EQ(RunRegistrarScript(script, {}, RegistrarMode::kRegister), S_OK);
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, u"Kept\\Old"));
  platform::RegistryCreateKey(kHkcr, u"Test\\Theirs");
  ASSERT_EQ(RunRegistrarScript(script, {}, RegistrarMode::kUnregister), S_OK);
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"Kept"));
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"Test\\Theirs"));
  EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, u"Test\\Mine"));
  // Unregistering what is not there is no failure.
  ASSERT_EQ(RunRegistrarScript(script, {}, RegistrarMode::kUnregister), S_OK);
}

// A leading UTF-8 byte-order mark is skipped; numbers go up to 32 bits.
TEST_F(RegistrarTest, QuotesReplacementsAndNumbers) {
  const char script[] =
      "\xEF\xBB\xBFHKCR { Test = s 'it''s %A%, 100%%' { val N = d 0xfffFFFFF "
      "val M = d '4294967295' 'Spaced Key' } }";
  ASSERT_EQ(RunRegistrarScript(script, {{u"A", u"C:\\x'y"}}, RegistrarMode::kRegister), S_OK);
  EXPECT_EQ(Value(u"Test"), u"it's C:\\x'y, 100%");
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"Test\\Spaced Key"));
  EXPECT_EQ(Value(u"Test", u"N"), u"<missing>");  // a number, not a string
  ASSERT_EQ(RunRegistrarScript("HKLM { Test }", {}, RegistrarMode::kRegister), S_OK);
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::kLocalMachine, u"Test"));
  platform::RegistryDeleteTree(RegistryRoot::kLocalMachine, u"Test");
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
      "HKCR { Test = d '4294967296' }",
      "HKCR { Test = d 0x100000000 }",
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

TEST_F(RegistrarTest, PerUserRegistrationIsOff) {
  bool per_user = true;
  EXPECT_EQ(QueryPerUserRegistration(&per_user), S_OK);
  EXPECT_FALSE(per_user);
  EXPECT_EQ(QueryPerUserRegistration(nullptr), E_POINTER);
}

}  // namespace
}  // namespace warden
