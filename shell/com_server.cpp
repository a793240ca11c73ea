#include "shell/com_server.h"

#include <atomic>

#include "shell/class_factory.h"
#include "shell/config_ids.h"

namespace warden {
namespace {

std::atomic<long> g_lock_count{0};
ConfigFactory* g_factory = nullptr;

}  // namespace

void LockModule() { ++g_lock_count; }
void UnlockModule() { --g_lock_count; }
long ModuleLockCount() { return g_lock_count.load(); }

void InitComModule() {}

void TermComModule() {
  if (g_factory) {
    ConfigFactory* factory = g_factory;
    g_factory = nullptr;
    factory->Release();
  }
}

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualGUID(clsid, kClsidConfig)) return CLASS_E_CLASSNOTAVAILABLE;
  if (!g_factory) g_factory = ConfigFactory::Create();
  if (!g_factory) return E_OUTOFMEMORY;
  return g_factory->QueryInterface(riid, object);
}

HRESULT CanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

}  // namespace warden
