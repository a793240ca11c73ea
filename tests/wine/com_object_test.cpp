// Config created through COM from a registered copy of Warden.dll,
// aggregated by a host's object, and the library's unloading. Saves reaching
// the real files are checked by the manage dialog's run.
#include <gtest/gtest.h>

#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

using testing::RegisteredConfig;

HRESULT CanUnloadNow(const std::wstring& dll) {
  HMODULE module = GetModuleHandleW(dll.c_str());
  auto can_unload = module ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                                 reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")))
                           : nullptr;
  return can_unload ? can_unload() : E_FAIL;
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

TEST(ComObjectTest, AggregationHandsOutTheInnerUnknownOnlyThenUnloading) {
  RegisteredConfig registered;
  ASSERT_NO_FATAL_FAILURE(registered.Create());
  registered.config->Release();
  registered.config = nullptr;
  const std::wstring dll = registered.copy.DllPath();
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
  EXPECT_EQ(CanUnloadNow(dll), S_FALSE);  // a live object holds the library
  EXPECT_EQ(outer.inner_->Release(), 0u);
  EXPECT_EQ(CanUnloadNow(dll), S_OK);
}

}  // namespace
}  // namespace warden
