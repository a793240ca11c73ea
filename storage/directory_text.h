// Directory texts as the component is given them by the host, the Windows
// profile or a command line.
#ifndef WARDEN_STORAGE_DIRECTORY_TEXT_H
#define WARDEN_STORAGE_DIRECTORY_TEXT_H

#include <string>

namespace warden {

// `text` without trailing backslashes and spaces, plus one backslash unless
// nothing is left.
std::u16string DirectoryWithSeparator(std::u16string text);

// Whether two directory texts name the same folder, in any letter case (as
// Windows paths do), whatever trailing backslashes and spaces they carry.
bool SameDirectory(const std::u16string& a, const std::u16string& b);

}  // namespace warden

#endif
