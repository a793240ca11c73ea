// A copy of the built install folder (Warden.dll, Lang, Config) in a fresh
// directory, so each test controls the language and registers its own copy.
#ifndef WARDEN_TESTS_WINE_INSTALLED_COPY_H
#define WARDEN_TESTS_WINE_INSTALLED_COPY_H

#include <windows.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace warden::testing {

class InstalledCopy {
 public:
  InstalledCopy();

  void SetLanguage(const std::string& value);
  std::wstring DllPath() const;
  // The folder the Windows profile names as the host's install directory.
  std::wstring DataDirectory() const;

 private:
  TempDir dir_;
};

// Runs regsvr32 silently with `arguments` and the DLL path; its exit code.
DWORD RunRegsvr32(const std::wstring& arguments, const std::wstring& dll);

std::wstring W(const std::u16string& text);

}  // namespace warden::testing

#endif
