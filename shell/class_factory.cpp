#include "shell/class_factory.h"

#include <new>

#include "shell/com_server.h"
#include "shell/config_object.h"
#include "shell/entry_guard.h"

namespace warden {

ConfigFactory* ConfigFactory::Create() { return new (std::nothrow) ConfigFactory(); }

HRESULT STDMETHODCALLTYPE ConfigFactory::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  *object = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE ConfigFactory::AddRef() {
  const long count = ++references_;
  if (count == 2) LockModule();
  return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE ConfigFactory::Release() {
  const long count = --references_;
  if (count == 1) UnlockModule();
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE ConfigFactory::CreateInstance(IUnknown* outer, REFIID riid,
                                                        void** object) {
  return GuardedEntry([&] {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && !IsEqualGUID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    IUnknown* inner = ConfigObject::Create(outer);
    if (!inner) return E_OUTOFMEMORY;
    const HRESULT result = inner->QueryInterface(riid, object);
    inner->Release();  // the query's reference keeps it, or it goes
    return result;
  });
}

HRESULT STDMETHODCALLTYPE ConfigFactory::LockServer(BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}

}  // namespace warden
