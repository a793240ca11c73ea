// The Windows profile (WIN.INI) and private ini files, with the semantics of
// GetProfileStringW and GetPrivateProfileStringW: a missing file, section or
// key gives the default; the value is cut to `buffer_chars` - 1 characters.
//
// On POSIX the Windows profile is the ini file named by the environment
// variable WARDEN_WIN_INI (no profile when it is unset). Ini files are read
// as UTF-8 there, or UTF-16LE when they start with its byte-order mark.
#ifndef WARDEN_PLATFORM_PROFILE_H
#define WARDEN_PLATFORM_PROFILE_H

#include <cstddef>
#include <string>

namespace warden::platform {

std::u16string ReadProfileString(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& fallback, std::size_t buffer_chars);

std::u16string ReadPrivateProfileString(const std::u16string& section, const std::u16string& key,
                                        const std::u16string& fallback, const std::u16string& path,
                                        std::size_t buffer_chars);

}  // namespace warden::platform

#endif
