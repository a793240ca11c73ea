#include <windows.h>

#include <vector>

#include "platform/profile.h"
#include "platform/win32_text.h"

namespace warden::platform {

std::u16string ReadProfileString(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& fallback, std::size_t buffer_chars) {
  std::vector<wchar_t> buffer(buffer_chars + 1, L'\0');
  const DWORD length = GetProfileStringW(Wide(section), Wide(key), Wide(fallback), buffer.data(),
                                         static_cast<DWORD>(buffer_chars));
  return FromWide(buffer.data(), length);
}

std::u16string ReadPrivateProfileString(const std::u16string& section, const std::u16string& key,
                                        const std::u16string& fallback, const std::u16string& path,
                                        std::size_t buffer_chars) {
  std::vector<wchar_t> buffer(buffer_chars + 1, L'\0');
  const DWORD length =
      GetPrivateProfileStringW(Wide(section), Wide(key), Wide(fallback), buffer.data(),
                               static_cast<DWORD>(buffer_chars), Wide(path));
  return FromWide(buffer.data(), length);
}

}  // namespace warden::platform
