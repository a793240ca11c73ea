// Config created through COM from a registered copy of Warden.dll, every
// IConfig method through the interface, unloading and aggregation.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "resources/warden_interface.h"
#include "tests/support/windows_profile.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

using testing::W;

// A BSTR that frees itself.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : text_(SysAllocString(text.c_str())) {}
  ~Bstr() { SysFreeString(text_); }
  operator BSTR() const { return text_; }

 private:
  BSTR text_;
};

std::wstring Text(const wchar_t* text) { return text ? text : L"<null>"; }

class ComObjectTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    copy_ = new testing::InstalledCopy();
    ASSERT_EQ(testing::RunRegsvr32(L"/s", copy_->DllPath()), 0u);
  }
  static void TearDownTestSuite() {
    testing::RunRegsvr32(L"/s /u", copy_->DllPath());
    delete copy_;
  }

  ComObjectTest() {
    CoInitialize(nullptr);
    profile_.SetInstallDirectory(data_.core());
  }
  ~ComObjectTest() override { CoUninitialize(); }

  IConfig* Create() {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(L"Warden.Config", &clsid), S_OK);
    IConfig* config = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IConfig,
                               reinterpret_cast<void**>(&config)),
              S_OK);
    return config;
  }

  static HRESULT CanUnloadNow() {
    HMODULE module = GetModuleHandleW(copy_->DllPath().c_str());
    if (!module) return E_FAIL;
    auto can_unload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    return can_unload ? can_unload() : E_FAIL;
  }

  static testing::InstalledCopy* copy_;
  testing::TempDir data_;
  testing::WindowsProfile profile_;
};

testing::InstalledCopy* ComObjectTest::copy_ = nullptr;

TEST_F(ComObjectTest, EveryMethodThroughTheInterface) {
  IConfig* config = Create();
  ASSERT_NE(config, nullptr);
  Bstr none(L"");

  // A fresh install directory gets the default table (Chinese texts).
  short count = -1;
  ASSERT_EQ(config->GetUserNum(&count, none), S_OK);
  ASSERT_EQ(count, 4);
  std::vector<USER_idl> users(4);
  ASSERT_EQ(config->GetAllUser(0, users.data(), none), S_OK);
  EXPECT_EQ(users[0].type, 2);
  EXPECT_EQ(Text(users[0].groupname), L"系统管理员组");
  EXPECT_EQ(users[1].type, 1);
  EXPECT_EQ(Text(users[1].username), L"系统管理员");
  EXPECT_EQ(users[1].userpri, 999);

  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->GetAllSection(zones.data(), none), S_OK);
  EXPECT_EQ(Text(zones[0].sectionname), L"无");
  EXPECT_EQ(Text(zones[1].sectionname), L"A");
  zones[1].sectionname = const_cast<wchar_t*>(L"Boiler");
  ASSERT_EQ(config->SaveAllSection(zones.data()), S_OK);

  USER_idl operator_user = users[1];
  operator_user.username = const_cast<wchar_t*>(L"Operator");
  operator_user.userpri = 10;
  users.push_back(operator_user);
  ASSERT_EQ(config->SaveAllUsers(5, users.data()), S_OK);
  ASSERT_EQ(config->SetCurUser(&operator_user), S_OK);

  // A second object reads back what the first saved.
  IConfig* other = Create();
  ASSERT_EQ(other->GetUserNum(&count, none), S_OK);
  EXPECT_EQ(count, 5);
  std::vector<USER_idl> reread(5);
  ASSERT_EQ(other->GetAllUser(5, reread.data(), none), S_OK);
  EXPECT_EQ(Text(reread[4].username), L"Operator");
  std::vector<Section_idl> rezones(64);
  ASSERT_EQ(other->GetAllSection(rezones.data(), none), S_OK);
  EXPECT_EQ(Text(rezones[1].sectionname), L"Boiler");

  short error = -1;
  ASSERT_EQ(config->GetLastError(&error), S_OK);
  EXPECT_EQ(error, 0);
  other->Release();
  config->Release();
}

TEST_F(ComObjectTest, FailuresReportLastErrorAndBadArgumentsAreRefused) {
  IConfig* config = Create();
  ASSERT_NE(config, nullptr);
  short count = 77;
  Bstr missing(W(data_.core("no such project")));
  EXPECT_EQ(config->GetUserNum(&count, missing), E_FAIL);
  EXPECT_EQ(count, 77);
  short error = 0;
  ASSERT_EQ(config->GetLastError(&error), S_OK);
  EXPECT_EQ(error, 1);

  Bstr too_long(L"C:\\" + std::wstring(300, L'x'));
  EXPECT_EQ(config->GetUserNum(&count, too_long), E_FAIL);
  std::vector<Section_idl> zones(64);
  EXPECT_EQ(config->GetAllSection(zones.data(), too_long), E_FAIL);
  ASSERT_EQ(config->GetLastError(&error), S_OK);
  EXPECT_EQ(error, 2);

  Bstr none(L"");
  EXPECT_EQ(config->GetUserNum(nullptr, none), E_POINTER);
  EXPECT_EQ(config->GetAllSection(nullptr, none), E_POINTER);
  EXPECT_EQ(config->GetLastError(nullptr), E_POINTER);
  EXPECT_EQ(config->SaveAllSection(nullptr), E_POINTER);
  EXPECT_EQ(config->SaveAllUsers(1, nullptr), E_POINTER);
  EXPECT_EQ(config->SaveAllUsers(-1, nullptr), E_INVALIDARG);
  EXPECT_EQ(config->SetCurUser(nullptr), E_POINTER);
  config->Release();
}

TEST_F(ComObjectTest, LibraryCanUnloadOnlyWithoutLiveObjects) {
  IConfig* config = Create();
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
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
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"Warden.Config", &clsid), S_OK);
  Outer outer;
  IConfig* refused = nullptr;
  EXPECT_EQ(CoCreateInstance(clsid, &outer, CLSCTX_INPROC_SERVER, IID_IConfig,
                             reinterpret_cast<void**>(&refused)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(refused, nullptr);

  ASSERT_EQ(CoCreateInstance(clsid, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&outer.inner_)),
            S_OK);
  IConfig* config = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IConfig, reinterpret_cast<void**>(&config)), S_OK);
  // The interface's references are the outer object's.
  EXPECT_EQ(outer.references_, 2u);
  IUnknown* identity = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  identity->Release();
  short error = -1;
  EXPECT_EQ(config->GetLastError(&error), S_OK);
  EXPECT_EQ(error, 0);
  config->Release();
  EXPECT_EQ(outer.references_, 1u);
  EXPECT_EQ(outer.inner_->Release(), 0u);
}

}  // namespace
}  // namespace warden
