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

using platform::RegistryKeyExists;
using platform::RegistryRoot;
constexpr RegistryRoot kHkcr = RegistryRoot::kClassesRoot, kHklm = RegistryRoot::kLocalMachine;

std::u16string Value(const std::u16string& path, const std::u16string& name = u"") {
  std::u16string value;
  return platform::RegistryGetString(kHkcr, path, name, &value) ? value : u"<missing>";
}

HRESULT Apply(const char* script, RegistrarMode mode = RegistrarMode::kRegister) {
  return RunRegistrarScript(script, {{u"A", u"C:\\x'y"}}, mode);
}

class RegistrarTest : public ::testing::Test {
 protected:
  ~RegistrarTest() override {
    for (const char16_t* key : {u"Warden.Config", u"Warden.Config.1", u"CLSID", u"Test", u"Kept"})
      platform::RegistryDeleteTree(kHkcr, key);
    platform::RegistryDeleteTree(kHklm, u"Test");
  }
};

// The class key is force-removed (a stale subkey from an older version
// goes); other classes under CLSID stay.
TEST_F(RegistrarTest, RegisteringDropsStaleSubkeysAndKeepsOtherClasses) {
  std::ifstream in(WARDEN_SOURCE_DIR "/resources/warden.rgs", std::ios::binary);
  const std::string script(std::istreambuf_iterator<char>(in), {});
  const std::u16string module = u"C:\\Program Files\\Velmaris\\Warden.dll";
  const std::u16string class_key = u"CLSID\\" + platform::GuidText(kClsidConfig);
  platform::RegistryCreateKey(kHkcr, u"CLSID\\{other}");
  platform::RegistryCreateKey(kHkcr, class_key + u"\\TypeLib");  // from an older version
  ASSERT_EQ(RegisterServer(script, module), S_OK);
  EXPECT_FALSE(RegistryKeyExists(kHkcr, class_key + u"\\TypeLib"));
  EXPECT_EQ(Value(class_key + u"\\InprocServer32"), module);
  EXPECT_EQ(platform::RegistrySubkeys(kHkcr, u"CLSID").size(), 2u);
  bool per_user = true;
  EXPECT_EQ(QueryPerUserRegistration(&per_user) + per_user, S_OK);
}

// Unregistering keeps NoRemove keys even when empty, and a plain key that
// another program's subkeys still use, less its listed values; Delete keys
// go on registration. A leading UTF-8 byte-order mark is skipped; a quoted
// word is a name, never a keyword; numbers go up to 32 bits; every root of a
// script is written.
TEST_F(RegistrarTest, KeysAndValuesThatStayAndThatGoAndBadScripts) {
  const char script[] =
      "\xEF\xBB\xBFHKCR { NoRemove Kept { Delete Old } Test = s 'it''s %A%, 100%%' { Mine "
      "val V = s 'v' NoRemove val W = s 'w' val N = d 0xfffFFFFF val M = d '4294967295' "
      "val X = d 0X1F 'Spaced Key' 'Delete' } } HKLM { Test }";
  platform::RegistryCreateKey(kHkcr, u"Kept\\Old\\Deep");
  ASSERT_EQ(Apply(script), S_OK);
  EXPECT_FALSE(RegistryKeyExists(kHkcr, u"Kept\\Old"));
  EXPECT_EQ(Value(u"Test") + Value(u"Test", u"V") + Value(u"Test", u"N"),
            u"it's C:\\x'y, 100%v<missing>");
  EXPECT_TRUE(RegistryKeyExists(kHkcr, u"Test\\Spaced Key") &&
              RegistryKeyExists(kHkcr, u"Test\\Delete"));
  EXPECT_TRUE(RegistryKeyExists(kHklm, u"Test"));
  platform::RegistryCreateKey(kHkcr, u"Test\\V");  // another program's
  ASSERT_EQ(Apply(script, RegistrarMode::kUnregister), S_OK);
  EXPECT_TRUE(RegistryKeyExists(kHkcr, u"Kept") && RegistryKeyExists(kHkcr, u"Test\\V") &&
              !RegistryKeyExists(kHkcr, u"Test\\Mine") && !RegistryKeyExists(kHklm, u"Test"));
  EXPECT_EQ(Value(u"Test", u"V") + Value(u"Test", u"W"), u"<missing>w");
  ASSERT_EQ(Apply(script, RegistrarMode::kUnregister), S_OK);  // what is not there is no failure

  // A damaged script is refused before anything is written.
  platform::RegistryDeleteTree(kHkcr, u"Test");
  for (const char* script :
       {"HKCR { Test = s 'unterminated }", "HKCR { Test { Inner }", "HKXX { Test }",
        "HKCR { Test = s '%UNKNOWN%' }", "HKCR { Test = q 'x' }", "HKCR { Test = d 'twelve' }",
        "HKCR { Test = d '4294967296' }", "HKCR { Test = d 0x100000000 }", "HKCR { val = s 'x' }",
        "HKCR Test", "HKCR { Test } }", "HKCR { Test = s '%A }"}) {
    EXPECT_EQ(Apply(script), DISP_E_EXCEPTION) << script;
    EXPECT_FALSE(RegistryKeyExists(kHkcr, u"Test")) << script;
  }
}

}  // namespace
}  // namespace warden
