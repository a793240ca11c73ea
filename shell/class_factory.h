// The class object of Config: one per module, cached from the first request
// until the module terminates.
#ifndef WARDEN_SHELL_CLASS_FACTORY_H
#define WARDEN_SHELL_CLASS_FACTORY_H

#include <atomic>

#include "platform/com.h"

namespace warden {

class ConfigFactory final : public IClassFactory {
 public:
  // A new factory holding one reference, the module's; null when memory ran out.
  static ConfigFactory* Create();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  // References beyond the module's own lock the module, so a host holding
  // the class object keeps the library loaded.
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // With an outer unknown only IUnknown may be asked for (aggregation).
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ConfigFactory() = default;
  ~ConfigFactory() = default;

  std::atomic<long> references_{1};
};

}  // namespace warden

#endif
