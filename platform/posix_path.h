// Paths in the core use '\' as separator, as on Windows; the POSIX layer
// turns them into native UTF-8 paths with '/'. A file name that itself
// holds a backslash cannot be named.
#ifndef WARDEN_PLATFORM_POSIX_PATH_H
#define WARDEN_PLATFORM_POSIX_PATH_H

#include <string>

#include "platform/text.h"

namespace warden::platform {

inline std::string NativePath(const std::u16string& path) {
  std::string native = ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

inline std::u16string CorePath(const std::string& native) {
  std::u16string path = FromUtf8(native);
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}

}  // namespace warden::platform

#endif
