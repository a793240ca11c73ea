// Where the module lives, which language it speaks, and where the host is
// installed. Nothing is cached: every call reads its files anew.
#ifndef WARDEN_STORAGE_INSTALLATION_H
#define WARDEN_STORAGE_INSTALLATION_H

#include <cstdint>
#include <string>

namespace warden {

constexpr std::int32_t kLanguageChinese = 1;
constexpr std::int32_t kLanguageOther = 4;

// The folder of the module's own file, without a trailing backslash.
std::u16string GetModuleDirectory();

// kLanguageChinese when Config\Language.ini below the module folder names
// "CHINESE" (or names nothing), else kLanguageOther.
std::int32_t GetLanguageCode();

// Full path of the language resource library for `code`.
std::u16string GetLanguageLibraryPath(std::int32_t code);
// The same for a module named `base_name` (a tool beside the component loads
// the component's libraries).
std::u16string GetLanguageLibraryPath(std::int32_t code, const std::u16string& base_name);

// The host's install directory from the Windows profile: empty, or a path
// ending in exactly one backslash.
std::u16string GetInstallDirectory();

}  // namespace warden

#endif
