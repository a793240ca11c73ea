// Glue between the core's std::u16string and the wide strings of Win32.
// Included only by the Win32 platform files.
#ifndef WARDEN_PLATFORM_WIN32_TEXT_H
#define WARDEN_PLATFORM_WIN32_TEXT_H

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text is UTF-16");

namespace warden::platform {

inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace warden::platform

#endif
