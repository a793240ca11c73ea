// What the registration script engine needs from the registry: keys and
// values below a root. Real on Windows; on POSIX an in-memory registry of
// the process (keys compared without regard to case, as on Windows).
// Paths are relative to the root, with '\' between key names.
#ifndef WARDEN_PLATFORM_REGISTRY_H
#define WARDEN_PLATFORM_REGISTRY_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com.h"

namespace warden::platform {

enum class RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine };

// Creates the key and any missing parents.
HRESULT RegistryCreateKey(RegistryRoot root, const std::u16string& path);
// Sets a value of an existing key; an empty name is the key's default value.
HRESULT RegistrySetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                          const std::u16string& value);
HRESULT RegistrySetDword(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                         std::uint32_t value);
// Removes a value; a missing key or value is not an error.
HRESULT RegistryDeleteValue(RegistryRoot root, const std::u16string& path,
                            const std::u16string& name);
// Removes the key with everything below it; a missing key is not an error.
HRESULT RegistryDeleteTree(RegistryRoot root, const std::u16string& path);

bool RegistryKeyExists(RegistryRoot root, const std::u16string& path);
// Names of the direct subkeys (empty for a missing key).
std::vector<std::u16string> RegistrySubkeys(RegistryRoot root, const std::u16string& path);
// A string value, or false when the key or value is missing or not a string.
bool RegistryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value);

// The text of the module's resource (type "REGISTRY", `id`), or false.
// POSIX modules carry no registration scripts.
bool ModuleRegistryScript(std::uint16_t id, std::string* text);

}  // namespace warden::platform

#endif
