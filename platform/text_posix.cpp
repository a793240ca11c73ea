#include <iconv.h>

#include <cerrno>
#include <cstdlib>

#include "platform/text.h"

namespace warden::platform {

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

// The ANSI code page is named by WARDEN_ANSI_CODEPAGE (an iconv name);
// Windows-1252 when unset, as on a Western Windows system.
std::u16string FromAnsi(std::string_view bytes) {
  const char* name = std::getenv("WARDEN_ANSI_CODEPAGE");
  iconv_t cd = iconv_open("UTF-16LE", name && *name ? name : "WINDOWS-1252");
  std::u16string out;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
    return out;
  }
  std::string in(bytes);
  std::string buffer(in.size() * 4 + 4, '\0');
  char* src = in.data();
  std::size_t src_left = in.size();
  char* dst = buffer.data();
  std::size_t dst_left = buffer.size();
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // An unmappable byte becomes '?', as the Windows conversion does.
    ++src;
    --src_left;
    *dst++ = '?';
    *dst++ = '\0';
    dst_left -= 2;
  }
  iconv_close(cd);
  const std::size_t units = (buffer.size() - dst_left) / 2;
  for (std::size_t i = 0; i < units; ++i) {
    out += static_cast<char16_t>(static_cast<unsigned char>(buffer[2 * i]) |
                                 (static_cast<unsigned char>(buffer[2 * i + 1]) << 8));
  }
  return out;
}

}  // namespace warden::platform
