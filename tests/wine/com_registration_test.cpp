// regsvr32 over a copy of Warden.dll: the registry entries, the ProgIDs and
// the registered type library, then unregistration.
#include <gtest/gtest.h>

#include <initguid.h>

#include "platform/registry.h"
#include "platform/text.h"
#include "resources/warden_interface.h"
#include "shell/config_ids.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

using platform::RegistryRoot;
using testing::RunRegsvr32;
constexpr RegistryRoot kHkcr = RegistryRoot::kClassesRoot;

std::u16string Value(const std::u16string& path, const std::u16string& name = u"") {
  std::u16string value;
  return platform::RegistryGetString(kHkcr, path, name, &value) ? value : u"<missing>";
}

// The class a ProgID names, or all zeros.
CLSID ClassOf(const wchar_t* prog_id) {
  CLSID clsid{};
  return SUCCEEDED(CLSIDFromProgID(prog_id, &clsid)) ? clsid : CLSID{};
}

class RegistrationTest : public ::testing::Test {
 protected:
  RegistrationTest()
      : clsid_(platform::GuidText(kClsidConfig)),
        class_key_(u"CLSID\\" + clsid_),
        dll_(copy_.DllPath()) {
    CoInitialize(nullptr);
  }
  ~RegistrationTest() override {
    RunRegsvr32(L"/s /u", dll_);
    CoUninitialize();
  }

  void ExpectRegistered() {
    struct Row {
      std::u16string path, name, value;
    };
    const Row rows[] = {
        {u"Warden.Config.1", u"", u"Config Class"},
        {u"Warden.Config.1\\CLSID", u"", clsid_},
        {u"Warden.Config", u"", u"Config Class"},
        {u"Warden.Config\\CLSID", u"", clsid_},
        {class_key_, u"", u"Config Class"},
        {class_key_ + u"\\ProgID", u"", u"Warden.Config.1"},
        {class_key_ + u"\\VersionIndependentProgID", u"", u"Warden.Config"},
        {class_key_ + u"\\InprocServer32", u"", std::u16string(dll_.begin(), dll_.end())},
        {class_key_ + u"\\InprocServer32", u"ThreadingModel", u"both"},
    };
    for (const Row& row : rows) {
      SCOPED_TRACE(platform::ToUtf8(row.path + u" " + row.name));
      EXPECT_EQ(Value(row.path, row.name), row.value);
    }
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(platform::RegistrySubkeys(kHkcr, class_key_).size(), 3u);
    EXPECT_EQ(platform::RegistrySubkeys(kHkcr, u"Warden.Config"), Names{u"CLSID"});  // no CurVer
    EXPECT_EQ(platform::RegistrySubkeys(kHkcr, u"Warden.Config.1"), Names{u"CLSID"});
    EXPECT_TRUE(IsEqualGUID(ClassOf(L"Warden.Config"), CLSID_Config));
    EXPECT_TRUE(IsEqualGUID(ClassOf(L"Warden.Config.1"), CLSID_Config));
  }

  testing::InstalledCopy copy_;
  const std::u16string clsid_;
  const std::u16string class_key_;
  const std::wstring dll_;
};

TEST_F(RegistrationTest, RegisterTwiceThenUnregister) {
  ASSERT_EQ(RunRegsvr32(L"/s", dll_), 0u);
  ExpectRegistered();
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_WARDENLib, 1, 0, 0x409, &library), S_OK);
  library->Release();

  ASSERT_EQ(RunRegsvr32(L"/s", dll_), 0u);  // one set, not two
  ExpectRegistered();

  ASSERT_EQ(RunRegsvr32(L"/s /u", dll_), 0u);
  const std::u16string gone[] = {u"Warden.Config", u"Warden.Config.1", class_key_};
  for (const std::u16string& key : gone) {
    EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, key));
  }
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"CLSID"));
  EXPECT_TRUE(IsEqualGUID(ClassOf(L"Warden.Config"), CLSID{}));
  library = nullptr;
  EXPECT_NE(LoadRegTypeLib(LIBID_WARDENLib, 1, 0, 0x409, &library), S_OK);
  if (library) library->Release();
}

}  // namespace
}  // namespace warden
