// CConfig: the COM class Config, the component's whole outside face. It keeps
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

// A NetPath is copied into a path buffer of this many units, terminator included.
constexpr std::size_t kNetPathBuffer = 260;

class CConfig final : public IConfig {
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
  HRESULT STDMETHODCALLTYPE ManageDoModal(HWND pParentWnd) override;
  HRESULT STDMETHODCALLTYPE GetAllUser(short m_nUserNum, USER_idl* Array_User,
                                       BSTR NetPath) override;
  HRESULT STDMETHODCALLTYPE GetAllSection(Section_idl* Array_Section, BSTR NetPath) override;
  HRESULT STDMETHODCALLTYPE GetLastError(short* ErrNo) override;
  HRESULT STDMETHODCALLTYPE SaveAllSection(Section_idl* Array_Section) override;
  HRESULT STDMETHODCALLTYPE GetUserNum(short* m_nUserNum, BSTR NetPath) override;
  HRESULT STDMETHODCALLTYPE SaveAllUsers(short m_nUserNum, USER_idl* Array_User) override;
  HRESULT STDMETHODCALLTYPE SetCurUser(USER_idl* pCurUser) override;

 private:
  // The non-delegating IUnknown that owns the reference count.
  class Inner final : public IUnknown {
   public:
    explicit Inner(CConfig* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

   private:
    CConfig* owner_;
  };

  explicit CConfig(IUnknown* outer);
  ~CConfig();
  CConfig(const CConfig&) = delete;
  CConfig& operator=(const CConfig&) = delete;

  HRESULT Fail(std::int16_t code);

  Inner m_inner{this};
  IUnknown* m_outer;
  // Atomic: the class is registered for any apartment, so references may
  // come and go on several threads. The stores themselves take one call at a time.
  std::atomic<ULONG> m_nRef{0};
  std::int16_t m_nLastError = 0;
  std::array<std::unique_ptr<char16_t[]>, kZoneCount> m_pSectionName;
};

}  // namespace warden

#endif
