// Config created through COM from a registered copy of Warden.dll: every
// IConfig method through the interface, unloading and aggregation.
#include <gtest/gtest.h>

#include <vector>

#include "resources/warden_interface.h"
#include "tests/support/windows_profile.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

std::wstring Text(const wchar_t* text) { return text ? text : L"<null>"; }

class ComObjectTest : public ::testing::Test {
 protected:
  ComObjectTest() {
    CoInitialize(nullptr);
    EXPECT_EQ(testing::RunRegsvr32(L"/s", copy_.DllPath()), 0u);
    profile_.SetInstallDirectory(data_.core());
  }
  ~ComObjectTest() override {
    SysFreeString(none_);
    testing::RunRegsvr32(L"/s /u", copy_.DllPath());
    CoUninitialize();
  }

  // Through the ProgID, as the host creates it.
  static HRESULT Create(IUnknown* outer, REFIID iid, void** object) {
    CLSID clsid{};
    const HRESULT found = CLSIDFromProgID(L"Warden.Config", &clsid);
    return FAILED(found) ? found
                         : CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER, iid, object);
  }
  IConfig* Create() {
    IConfig* config = nullptr;
    EXPECT_EQ(Create(nullptr, IID_IConfig, reinterpret_cast<void**>(&config)), S_OK);
    return config;
  }

  HRESULT CanUnloadNow() {
    HMODULE module = GetModuleHandleW(copy_.DllPath().c_str());
    if (!module) return E_FAIL;
    auto can_unload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    return can_unload ? can_unload() : E_FAIL;
  }

  testing::InstalledCopy copy_;
  testing::TempDir data_;
  testing::WindowsProfile profile_;
  BSTR none_ = SysAllocString(L"");
};

// What a second object reads back proves the saves reached the real files;
// the rules of each method are checked in the native suite.
TEST_F(ComObjectTest, SavesReadBackByASecondObjectThenUnloading) {
  IConfig* config = Create();
  ASSERT_NE(config, nullptr);
  short count = -1;
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  ASSERT_EQ(count, 4);  // a fresh install directory gets the default table
  std::vector<USER_idl> users(5);
  ASSERT_EQ(config->GetAllUser(count, users.data(), none_), S_OK);
  EXPECT_EQ(Text(users[1].username), L"系统管理员");
  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->GetAllSection(zones.data(), none_), S_OK);
  zones[1].sectionname = const_cast<wchar_t*>(L"Boiler");
  ASSERT_EQ(config->SaveAllSection(zones.data()), S_OK);
  users[4] = users[1];
  users[4].username = const_cast<wchar_t*>(L"Operator");
  ASSERT_EQ(config->SaveAllUsers(5, users.data()), S_OK);

  IConfig* other = Create();
  ASSERT_EQ(other->GetUserNum(&count, none_), S_OK);
  EXPECT_EQ(count, 5);
  ASSERT_EQ(other->GetAllUser(5, users.data(), none_), S_OK);
  EXPECT_EQ(Text(users[4].username), L"Operator");
  ASSERT_EQ(other->GetAllSection(zones.data(), none_), S_OK);
  EXPECT_EQ(Text(zones[1].sectionname), L"Boiler");
  other->Release();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // a live object holds the library
  config->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

// An outer object that counts its own references.
class Outer : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (IsEqualGUID(riid, IID_IUnknown)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return inner_ ? inner_->QueryInterface(riid, object) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }

  IUnknown* inner_ = nullptr;
  ULONG references_ = 1;
};

TEST_F(ComObjectTest, AggregationHandsOutTheInnerUnknownOnly) {
  Outer outer;
  IConfig* config = nullptr;
  EXPECT_EQ(Create(&outer, IID_IConfig, reinterpret_cast<void**>(&config)), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(config, nullptr);
  ASSERT_EQ(Create(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner_)), S_OK);
  EXPECT_EQ(outer.references_, 1u);  // creation does not hold the outer object
  ASSERT_EQ(outer.QueryInterface(IID_IConfig, reinterpret_cast<void**>(&config)), S_OK);
  EXPECT_EQ(outer.references_, 2u);  // the interface's references are the outer's
  IUnknown* identity = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  identity->Release();
  short error = -1;
  EXPECT_EQ(config->GetLastError(&error), S_OK);
  config->Release();
  EXPECT_EQ(outer.references_, 1u);
  EXPECT_EQ(outer.inner_->Release(), 0u);
}

}  // namespace
}  // namespace warden
