// Sets values of the Windows profile for a test: WIN.INI through
// WriteProfileStringW on Windows, the WARDEN_WIN_INI file on POSIX. Values
// set are removed again when the object goes. One object at a time.
#ifndef WARDEN_TESTS_SUPPORT_WINDOWS_PROFILE_H
#define WARDEN_TESTS_SUPPORT_WINDOWS_PROFILE_H

#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace warden::testing {

class WindowsProfile {
 public:
  WindowsProfile();
  ~WindowsProfile();
  void Set(const std::u16string& section, const std::u16string& key, const std::u16string& value);
  // Points the install directory (both language sections) at `directory`.
  void SetInstallDirectory(const std::u16string& directory) {
    Set(u"Velm50", u"ApplicationDirectory", directory);
    Set(u"Velm51", u"ApplicationDirectory", directory);
  }

 private:
  std::vector<std::pair<std::u16string, std::u16string>> written_;  // Windows: to remove
  TempDir dir_;                                                     // POSIX: holds the file
  std::string text_;                                                // POSIX: newest first
};

}  // namespace warden::testing

#endif
