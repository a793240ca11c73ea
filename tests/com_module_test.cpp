// The class object, the module lock count and aggregation, without files.
#include <gtest/gtest.h>

#include "shell/com_module.h"
#include "shell/config_ids.h"
#include "shell/config_object.h"

namespace warden {
namespace {

IClassFactory* Factory() {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(GetClassObject(kClsidConfig, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  return factory;
}

// An outer object that counts its own references and hands IConfig
// requests to the inner object, as aggregating hosts do.
class Outer final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (IsEqualGUID(riid, IID_IUnknown)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(riid, object) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }

  IUnknown* inner = nullptr;
  ULONG references = 1;
};

class ComModuleTest : public ::testing::Test {
 protected:
  ~ComModuleTest() override { EXPECT_EQ(ModuleLockCount(), 0); }
};

TEST_F(ComModuleTest, ClassObjectOnlyForConfigAndCachedOnce) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(GetClassObject(kIidIConfig, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(GetClassObject(kClsidConfig, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(GetClassObject(kClsidConfig, kIidIConfig, &object), E_NOINTERFACE);
  IClassFactory* first = Factory();
  IClassFactory* second = Factory();
  EXPECT_EQ(first, second);
  first->Release();
  second->Release();
}

TEST_F(ComModuleTest, LiveObjectsLockServerAndHeldFactoryKeepTheModule) {
  EXPECT_EQ(CanUnloadNow(), S_OK);
  IClassFactory* factory = Factory();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // a host holds the class object
  IConfig* config = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, kIidIConfig, reinterpret_cast<void**>(&config)), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  config->Release();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // still locked
  factory = Factory();
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ComModuleTest, ObjectAnswersOnlyItsInterfaces) {
  IClassFactory* factory = Factory();
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, kIidIConfig, nullptr), E_POINTER);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)),
            S_OK);
  factory->Release();
  IConfig* config = nullptr;
  ASSERT_EQ(unknown->QueryInterface(kIidIConfig, reinterpret_cast<void**>(&config)), S_OK);
  IUnknown* identity = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, unknown);  // one identity whichever interface asks
  EXPECT_EQ(config->QueryInterface(IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(config->QueryInterface(kIidIConfig, nullptr), E_POINTER);
  identity->Release();
  config->Release();
  EXPECT_EQ(unknown->Release(), 0u);
}

TEST_F(ComModuleTest, AggregationGivesTheInnerUnknownOnly) {
  IClassFactory* factory = Factory();
  Outer outer;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, kIidIConfig, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK);
  factory->Release();
  EXPECT_EQ(outer.references, 1u);  // creation does not hold the outer object

  IConfig* config = nullptr;
  ASSERT_EQ(outer.QueryInterface(kIidIConfig, reinterpret_cast<void**>(&config)), S_OK);
  EXPECT_EQ(outer.references, 2u);  // the interface's references are the outer's
  IUnknown* identity = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, &outer);
  identity->Release();
  config->Release();
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(ModuleLockCount(), 1);  // the inner object lives until the outer releases it
  EXPECT_EQ(outer.inner->Release(), 0u);
}

}  // namespace
}  // namespace warden
