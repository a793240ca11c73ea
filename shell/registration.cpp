#include "shell/registration.h"

#include "platform/module_file.h"
#include "platform/registry.h"
#include "shell/registrar.h"

namespace warden {
namespace {

constexpr HRESULT kResourceNotFound = static_cast<HRESULT>(0x80070716);

HRESULT Run(std::string_view script, const std::u16string& module_path, RegistrarMode mode) {
  const HRESULT scripted = RunRegistrarScript(script, {{u"MODULE", module_path}}, mode);
  if (FAILED(scripted)) return scripted;
  bool per_user = false;
  const HRESULT queried = QueryPerUserRegistration(&per_user);
  if (FAILED(queried)) return queried;
  return mode == RegistrarMode::kRegister ? platform::RegisterTypeLibrary(module_path, per_user)
                                          : platform::UnregisterTypeLibrary(module_path, per_user);
}

HRESULT RunForThisModule(RegistrarMode mode) {
  std::string script;
  if (!platform::ModuleRegistryScript(kRegistryScriptId, &script)) return kResourceNotFound;
  const std::u16string module_path = platform::ModuleFileName(520, 520);
  if (module_path.empty()) return E_UNEXPECTED;
  return Run(script, module_path, mode);
}

}  // namespace

HRESULT QueryPerUserRegistration(bool* per_user) {
  if (!per_user) return E_POINTER;
  *per_user = false;
  return S_OK;
}

HRESULT RegisterServer(std::string_view script, const std::u16string& module_path) {
  return Run(script, module_path, RegistrarMode::kRegister);
}

HRESULT UnregisterServer(std::string_view script, const std::u16string& module_path) {
  return Run(script, module_path, RegistrarMode::kUnregister);
}

HRESULT RegisterThisModule() { return RunForThisModule(RegistrarMode::kRegister); }
HRESULT UnregisterThisModule() { return RunForThisModule(RegistrarMode::kUnregister); }

}  // namespace warden
