// The class object and the module lock count, without files (aggregation
// and unloading are checked on the real DLL under Wine).
#include <gtest/gtest.h>

#include "shell/com_server.h"
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

class ComModuleTest : public ::testing::Test {
 protected:
  ~ComModuleTest() override { EXPECT_EQ(ModuleLockCount(), 0); }
};

TEST_F(ComModuleTest, ClassObjectAndObjectAnswerOnlyTheirInterfaces) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(GetClassObject(kIidIConfig, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(GetClassObject(kClsidConfig, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(GetClassObject(kClsidConfig, kIidIConfig, &object), E_NOINTERFACE);
  IClassFactory* factory = Factory();
  IClassFactory* second = Factory();
  EXPECT_EQ(factory, second);
  second->Release();

  object = reinterpret_cast<void*>(1);
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

// Live objects are checked on the real DLL under Wine.
TEST_F(ComModuleTest, HeldFactoryAndLockServerKeepTheModule) {
  EXPECT_EQ(CanUnloadNow(), S_OK);
  IClassFactory* factory = Factory();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // a host holds the class object
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  factory = Factory();
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace warden
