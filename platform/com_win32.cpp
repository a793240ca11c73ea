#include "platform/com.h"

#include "platform/win32_text.h"

namespace warden::platform {
namespace {

using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

// The per-user functions are missing on old systems, so they are looked up
// in the already loaded OLEAUT32.DLL rather than linked.
template <typename Fn>
Fn OleAutFunction(const char* name) {
  HMODULE oleaut = GetModuleHandleW(L"OLEAUT32.DLL");
  if (!oleaut) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(oleaut, name)));
}

class TypeLibrary {
 public:
  explicit TypeLibrary(const std::u16string& module_path) {
    result_ = LoadTypeLibEx(Wide(module_path), REGKIND_NONE, &library_);
  }
  ~TypeLibrary() {
    if (library_) library_->Release();
  }
  TypeLibrary(const TypeLibrary&) = delete;
  TypeLibrary& operator=(const TypeLibrary&) = delete;

  HRESULT result() const { return result_; }
  ITypeLib* get() const { return library_; }

 private:
  ITypeLib* library_ = nullptr;
  HRESULT result_ = E_FAIL;
};

// The folder of the library's help file, or empty when it names none.
std::wstring HelpDirectory(ITypeLib* library) {
  BSTR help_file = nullptr;
  std::wstring directory;
  if (SUCCEEDED(library->GetDocumentation(-1, nullptr, nullptr, nullptr, &help_file)) &&
      help_file) {
    directory.assign(help_file, SysStringLen(help_file));
    const std::size_t slash = directory.rfind(L'\\');
    directory.resize(slash == std::wstring::npos ? 0 : slash);
    SysFreeString(help_file);
  }
  return directory;
}

}  // namespace

HRESULT RegisterTypeLibrary(const std::u16string& module_path, bool per_user) {
  TypeLibrary library(module_path);
  if (FAILED(library.result())) return library.result();
  std::wstring path(Wide(module_path));
  std::wstring help = HelpDirectory(library.get());
  OLECHAR* help_arg = help.empty() ? nullptr : help.data();
  if (per_user) {
    if (auto for_user = OleAutFunction<RegisterForUserFn>("RegisterTypeLibForUser")) {
      return for_user(library.get(), path.data(), help_arg);
    }
  }
  return RegisterTypeLib(library.get(), path.data(), help_arg);
}

HRESULT UnregisterTypeLibrary(const std::u16string& module_path, bool per_user) {
  TypeLibrary library(module_path);
  if (FAILED(library.result())) return library.result();
  TLIBATTR* attributes = nullptr;
  HRESULT result = library.get()->GetLibAttr(&attributes);
  if (FAILED(result)) return result;
  const TLIBATTR identity = *attributes;
  library.get()->ReleaseTLibAttr(attributes);
  if (per_user) {
    if (auto for_user = OleAutFunction<UnregisterForUserFn>("UnRegisterTypeLibForUser")) {
      return for_user(identity.guid, identity.wMajorVerNum, identity.wMinorVerNum, identity.lcid,
                      identity.syskind);
    }
  }
  return UnRegisterTypeLib(identity.guid, identity.wMajorVerNum, identity.wMinorVerNum,
                           identity.lcid, identity.syskind);
}

}  // namespace warden::platform
