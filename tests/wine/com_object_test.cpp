// Config created through COM from a registered copy of Warden.dll: saves
// reaching the real files, unloading, and aggregation by a host's object.
#include <gtest/gtest.h>

#include <vector>

#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

using testing::RegisteredConfig;
using testing::Text;

HRESULT CanUnloadNow(const std::wstring& dll) {
  HMODULE module = GetModuleHandleW(dll.c_str());
  auto can_unload = module ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                                 reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")))
                           : nullptr;
  return can_unload ? can_unload() : E_FAIL;
}

// What a second object reads back proves the saves reached the real files;
// the rules of each method are checked in the native suite.
TEST(ComObjectTest, SavesReadBackByASecondObjectThenUnloading) {
  RegisteredConfig registered;
  ASSERT_NO_FATAL_FAILURE(registered.Create());
  IConfig* config = registered.config;
  BSTR none = SysAllocString(L"");
  short count = -1;
  ASSERT_EQ(config->GetUserNum(&count, none), S_OK);
  ASSERT_EQ(count, 4);  // a fresh install directory gets the default table
  std::vector<USER_idl> users(5);
  ASSERT_EQ(config->GetAllUser(count, users.data(), none), S_OK);
  EXPECT_EQ(Text(users[1].username), L"系统管理员");
  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->GetAllSection(zones.data(), none), S_OK);
  zones[1].sectionname = const_cast<wchar_t*>(L"Boiler");
  ASSERT_EQ(config->SaveAllSection(zones.data()), S_OK);
  users[4] = users[1];
  users[4].username = const_cast<wchar_t*>(L"Operator");
  ASSERT_EQ(config->SaveAllUsers(5, users.data()), S_OK);

  IConfig* other = nullptr;
  ASSERT_EQ(RegisteredConfig::CreateObject(nullptr, IID_IConfig, reinterpret_cast<void**>(&other)),
            S_OK);
  ASSERT_EQ(other->GetUserNum(&count, none), S_OK);
  EXPECT_EQ(count, 5);
  ASSERT_EQ(other->GetAllUser(5, users.data(), none), S_OK);
  EXPECT_EQ(Text(users[4].username), L"Operator");
  ASSERT_EQ(other->GetAllSection(zones.data(), none), S_OK);
  EXPECT_EQ(Text(zones[1].sectionname), L"Boiler");
  SysFreeString(none);
  other->Release();
  EXPECT_EQ(CanUnloadNow(registered.copy.DllPath()), S_FALSE);  // a live object holds it
  config->Release();
  registered.config = nullptr;
  EXPECT_EQ(CanUnloadNow(registered.copy.DllPath()), S_OK);
}

// An outer object that counts its own references.
class Outer : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!IsEqualGUID(riid, IID_IUnknown)) return inner_->QueryInterface(riid, object);
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }

  IUnknown* inner_ = nullptr;
  ULONG references_ = 1;
};

TEST(ComObjectTest, AggregationHandsOutTheInnerUnknownOnly) {
  RegisteredConfig registered;
  ASSERT_NO_FATAL_FAILURE(registered.Create());
  Outer outer;
  IConfig* config = nullptr;
  const auto as = [](auto** pointer) { return reinterpret_cast<void**>(pointer); };
  EXPECT_EQ(RegisteredConfig::CreateObject(&outer, IID_IConfig, as(&config)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(config, nullptr);
  ASSERT_EQ(RegisteredConfig::CreateObject(&outer, IID_IUnknown, as(&outer.inner_)), S_OK);
  EXPECT_EQ(outer.references_, 1u);  // creation does not hold the outer object
  ASSERT_EQ(outer.QueryInterface(IID_IConfig, as(&config)), S_OK);
  EXPECT_EQ(outer.references_, 2u);  // the interface's references are the outer's
  IUnknown* identity = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, as(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  identity->Release();
  config->Release();
  EXPECT_EQ(outer.references_, 1u);
  EXPECT_EQ(outer.inner_->Release(), 0u);
}

}  // namespace
}  // namespace warden
