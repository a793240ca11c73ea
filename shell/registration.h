// DllRegisterServer and DllUnregisterServer: the registration script of the
// object map's one class, then the type library.
#ifndef WARDEN_SHELL_REGISTRATION_H
#define WARDEN_SHELL_REGISTRATION_H

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com.h"

namespace warden {

// The id of the registration script resource (type "REGISTRY").
constexpr std::uint16_t kRegistryScriptId = 103;

// Whether the type library is registered per user: off, as no host of this
// component asks for it. Registration returns a failure of this query as its
// own result.
HRESULT QueryPerUserRegistration(bool* per_user);

// Runs `script` with %MODULE% = `module_path`, then (un)registers the type
// library of that module file; stops at and returns the first failure.
HRESULT RegisterServer(std::string_view script, const std::u16string& module_path);
HRESULT UnregisterServer(std::string_view script, const std::u16string& module_path);

// The same for this module, with its own script resource and file name.
HRESULT RegisterThisModule();
HRESULT UnregisterThisModule();

}  // namespace warden

#endif
