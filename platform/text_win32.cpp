#include <windows.h>

#include <vector>

#include "platform/text.h"
#include "platform/win32_text.h"

namespace warden::platform {

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()),
                              static_cast<int>(a.size()),
                              reinterpret_cast<const wchar_t*>(b.data()),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::u16string FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::vector<wchar_t> buffer(units);
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, buffer.data(), units);
  return FromWide(buffer.data(), buffer.size());
}

}  // namespace warden::platform
