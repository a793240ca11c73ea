// The language is chosen when the library loads, so each case loads its own
// copy of Warden.dll (a separate module) and asks its class object directly.
#include <gtest/gtest.h>

#include <vector>

#include "resources/warden_interface.h"
#include "tests/support/windows_profile.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The name of the first default group that a fresh install directory gets,
// as the copy of the library in `copy` writes it.
std::wstring DefaultGroupName(testing::InstalledCopy& copy) {
  testing::WindowsProfile profile;
  const std::wstring data = copy.DataDirectory();
  profile.SetInstallDirectory(std::u16string(data.begin(), data.end()));
  HMODULE module = LoadLibraryW(copy.DllPath().c_str());
  if (!module) return L"<not loaded>";
  std::wstring name = L"<failed>";
  auto get_class_object = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  IConfig* config = nullptr;
  if (get_class_object &&
      SUCCEEDED(get_class_object(CLSID_Config, IID_IClassFactory,
                                 reinterpret_cast<void**>(&factory))) &&
      SUCCEEDED(factory->CreateInstance(nullptr, IID_IConfig, reinterpret_cast<void**>(&config)))) {
    BSTR none = SysAllocString(L"");
    short count = 0;
    if (SUCCEEDED(config->GetUserNum(&count, none)) && count > 0) {
      std::vector<USER_idl> users(count);
      config->GetAllUser(count, users.data(), none);
      name = users[0].groupname ? users[0].groupname : L"<null>";
    }
    SysFreeString(none);
    config->Release();
  }
  if (factory) factory->Release();
  FreeLibrary(module);
  return name;
}

TEST(LanguageLibraryTest, EnglishAfterSwitchingLanguageIni) {
  testing::InstalledCopy copy;
  copy.SetLanguage("ENGLISH");
  EXPECT_EQ(DefaultGroupName(copy), L"System Administrators");
}

TEST(LanguageLibraryTest, ChineseFromTheChineseLibrary) {
  testing::InstalledCopy copy;
  EXPECT_EQ(DefaultGroupName(copy), L"系统管理员组");
}

// The module's own texts stand in; start-up still succeeds.
TEST(LanguageLibraryTest, ChineseWithoutAnyLanguageLibrary) {
  testing::InstalledCopy copy(testing::InstalledCopy::kWithoutLanguageLibraries);
  copy.SetLanguage("ENGLISH");
  EXPECT_EQ(DefaultGroupName(copy), L"系统管理员组");
}

}  // namespace
}  // namespace warden
