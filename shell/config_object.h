// ConfigObject: the COM class Config, the component's whole outside face. It keeps
// only its last-error code and the zone-name copies it handed out; accounts,
// zone names and the logged-in user live in the two module-wide stores.
#ifndef WARDEN_SHELL_CONFIG_OBJECT_H
#define WARDEN_SHELL_CONFIG_OBJECT_H

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "accounts/account_record.h"
#include "platform/com.h"
#include "resources/warden_interface.h"

namespace warden {

// Last-error codes of IConfig; each failure also returns E_FAIL.
constexpr std::int16_t kErrorLoadUsers = 1;
constexpr std::int16_t kErrorLoadZones = 2;
constexpr std::int16_t kErrorSaveUsers = 3;
constexpr std::int16_t kErrorSaveZones = 4;

// A net_path is copied into a path buffer of this many units, terminator included.
constexpr std::size_t kNetPathBuffer = 260;

class ConfigObject final : public IConfig {
 public:
  // A new object, stand-alone (null `outer`) or aggregated by `outer`. It
  // answers through its non-delegating IUnknown, returned with one reference;
  // null when memory ran out.
  static IUnknown* Create(IUnknown* outer);

  // IUnknown: delegates to the outer object when aggregated.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IConfig.
  HRESULT STDMETHODCALLTYPE ManageDoModal(HWND parent) override;
  HRESULT STDMETHODCALLTYPE GetAllUser(short array_size, USER_idl* entries, BSTR net_path) override;
  HRESULT STDMETHODCALLTYPE GetAllSection(Section_idl* zone_entries, BSTR net_path) override;
  HRESULT STDMETHODCALLTYPE GetLastError(short* code) override;
  HRESULT STDMETHODCALLTYPE SaveAllSection(Section_idl* zone_entries) override;
  HRESULT STDMETHODCALLTYPE GetUserNum(short* count, BSTR net_path) override;
  HRESULT STDMETHODCALLTYPE SaveAllUsers(short count, USER_idl* entries) override;
  HRESULT STDMETHODCALLTYPE SetCurUser(USER_idl* user) override;

 private:
  // The non-delegating IUnknown that owns the reference count.
  class Inner final : public IUnknown {
   public:
    explicit Inner(ConfigObject* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

   private:
    ConfigObject* owner_;
  };

  explicit ConfigObject(IUnknown* outer);
  ~ConfigObject();
  ConfigObject(const ConfigObject&) = delete;
  ConfigObject& operator=(const ConfigObject&) = delete;

  HRESULT Fail(std::int16_t code);

  Inner inner_{this};
  IUnknown* outer_;
  // Atomic: the class is registered for any apartment, so references may
  // come and go on several threads. The stores themselves take one call at a time.
  std::atomic<ULONG> references_{0};
  std::int16_t last_error_ = 0;
  std::array<std::unique_ptr<char16_t[]>, kZoneCount> handed_out_names_;
};

}  // namespace warden

#endif
