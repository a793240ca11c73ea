#include <map>
#include <memory>

#include "platform/registry.h"
#include "platform/text.h"

namespace warden::platform {
namespace {

struct Value {
  bool is_string = true;
  std::u16string text;
  std::uint32_t number = 0;
};

struct NoCaseLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t x = FoldCase(a[i]);
      const char16_t y = FoldCase(b[i]);
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

struct Key {
  std::map<std::u16string, std::unique_ptr<Key>, NoCaseLess> subkeys;
  std::map<std::u16string, Value, NoCaseLess> values;
};

constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);

Key& RootKey(RegistryRoot root) {
  static Key roots[3];
  return roots[static_cast<int>(root)];
}

std::vector<std::u16string> SplitPath(const std::u16string& path) {
  std::vector<std::u16string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find(u'\\', start);
    const std::size_t end = slash == std::u16string::npos ? path.size() : slash;
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

Key* FindKey(RegistryRoot root, const std::u16string& path) {
  Key* key = &RootKey(root);
  for (const std::u16string& name : SplitPath(path)) {
    const auto found = key->subkeys.find(name);
    if (found == key->subkeys.end()) return nullptr;
    key = found->second.get();
  }
  return key;
}

}  // namespace

HRESULT RegistryCreateKey(RegistryRoot root, const std::u16string& path) {
  Key* key = &RootKey(root);
  for (const std::u16string& name : SplitPath(path)) {
    std::unique_ptr<Key>& child = key->subkeys[name];
    if (!child) child = std::make_unique<Key>();
    key = child.get();
  }
  return S_OK;
}

HRESULT RegistrySetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                          const std::u16string& value) {
  Key* key = FindKey(root, path);
  if (!key) return kFileNotFound;
  key->values[name] = Value{true, value, 0};
  return S_OK;
}

HRESULT RegistrySetDword(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                         std::uint32_t value) {
  Key* key = FindKey(root, path);
  if (!key) return kFileNotFound;
  key->values[name] = Value{false, u"", value};
  return S_OK;
}

HRESULT RegistryDeleteValue(RegistryRoot root, const std::u16string& path,
                            const std::u16string& name) {
  if (Key* key = FindKey(root, path)) key->values.erase(name);
  return S_OK;
}

HRESULT RegistryDeleteTree(RegistryRoot root, const std::u16string& path) {
  std::vector<std::u16string> names = SplitPath(path);
  if (names.empty()) return E_INVALIDARG;
  const std::u16string last = names.back();
  names.pop_back();
  Key* parent = &RootKey(root);
  for (const std::u16string& name : names) {
    const auto found = parent->subkeys.find(name);
    if (found == parent->subkeys.end()) return S_OK;
    parent = found->second.get();
  }
  parent->subkeys.erase(last);
  return S_OK;
}

bool RegistryKeyExists(RegistryRoot root, const std::u16string& path) {
  return FindKey(root, path) != nullptr;
}

std::vector<std::u16string> RegistrySubkeys(RegistryRoot root, const std::u16string& path) {
  std::vector<std::u16string> names;
  if (const Key* key = FindKey(root, path)) {
    for (const auto& entry : key->subkeys) names.push_back(entry.first);
  }
  return names;
}

bool RegistryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value) {
  const Key* key = FindKey(root, path);
  if (!key) return false;
  const auto found = key->values.find(name);
  if (found == key->values.end() || !found->second.is_string) return false;
  *value = found->second.text;
  return true;
}

bool ModuleRegistryScript(std::uint16_t, std::string*) { return false; }

}  // namespace warden::platform
