#include <windows.h>

#include "platform/registry.h"
#include "platform/win32_text.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace warden::platform {
namespace {

HKEY RootHandle(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kClassesRoot:
      break;
  }
  return HKEY_CLASSES_ROOT;
}

// An open key that closes itself.
class OpenKey {
 public:
  OpenKey(RegistryRoot root, const std::u16string& path, REGSAM access) {
    error_ = RegOpenKeyExW(RootHandle(root), Wide(path), 0, access, &key_);
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  LONG error() const { return error_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
  LONG error_ = ERROR_SUCCESS;
};

HRESULT SetValue(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                 DWORD type, const void* data, DWORD size) {
  OpenKey key(root, path, KEY_SET_VALUE);
  if (key.error() != ERROR_SUCCESS) return HRESULT_FROM_WIN32(key.error());
  return HRESULT_FROM_WIN32(
      RegSetValueExW(key.get(), Wide(name), 0, type, static_cast<const BYTE*>(data), size));
}

bool IsMissing(LONG error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

HRESULT RegistryCreateKey(RegistryRoot root, const std::u16string& path) {
  HKEY key = nullptr;
  const LONG error = RegCreateKeyExW(RootHandle(root), Wide(path), 0, nullptr, 0,
                                     KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  if (key) RegCloseKey(key);
  return HRESULT_FROM_WIN32(error);
}

HRESULT RegistrySetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                          const std::u16string& value) {
  const DWORD size = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
  return SetValue(root, path, name, REG_SZ, value.c_str(), size);
}

HRESULT RegistrySetDword(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                         std::uint32_t value) {
  const DWORD data = value;
  return SetValue(root, path, name, REG_DWORD, &data, sizeof data);
}

HRESULT RegistryDeleteValue(RegistryRoot root, const std::u16string& path,
                            const std::u16string& name) {
  OpenKey key(root, path, KEY_SET_VALUE);
  if (IsMissing(key.error())) return S_OK;
  if (key.error() != ERROR_SUCCESS) return HRESULT_FROM_WIN32(key.error());
  const LONG error = RegDeleteValueW(key.get(), Wide(name));
  return IsMissing(error) ? S_OK : HRESULT_FROM_WIN32(error);
}

HRESULT RegistryDeleteTree(RegistryRoot root, const std::u16string& path) {
  if (path.empty()) return E_INVALIDARG;
  const LONG error = RegDeleteTreeW(RootHandle(root), Wide(path));
  return IsMissing(error) ? S_OK : HRESULT_FROM_WIN32(error);
}

bool RegistryKeyExists(RegistryRoot root, const std::u16string& path) {
  OpenKey key(root, path, KEY_READ);
  return key.error() == ERROR_SUCCESS;
}

std::vector<std::u16string> RegistrySubkeys(RegistryRoot root, const std::u16string& path) {
  std::vector<std::u16string> names;
  OpenKey key(root, path, KEY_READ);
  if (key.error() != ERROR_SUCCESS) return names;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(FromWide(name, length));
  }
  return names;
}

bool RegistryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value) {
  OpenKey key(root, path, KEY_READ);
  if (key.error() != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), Wide(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  std::u16string text(size / sizeof(char16_t) + 1, u'\0');
  if (RegQueryValueExW(key.get(), Wide(name), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  text.resize(size / sizeof(char16_t));
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  *value = text;
  return true;
}

bool ModuleRegistryScript(std::uint16_t id, std::string* text) {
  const auto module = reinterpret_cast<HMODULE>(&__ImageBase);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  text->assign(static_cast<const char*>(data), SizeofResource(module, found));
  return true;
}

}  // namespace warden::platform
