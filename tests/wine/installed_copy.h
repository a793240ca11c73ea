// A copy of the built install folder (Warden.dll, Lang, Config) in a fresh
// directory, so each test controls the language and registers its own copy.
#ifndef WARDEN_TESTS_WINE_INSTALLED_COPY_H
#define WARDEN_TESTS_WINE_INSTALLED_COPY_H

#include <windows.h>

#include <string>

#include "resources/warden_interface.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"

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

// A registered copy whose data folder is the install directory, and one
// Config made through its ProgID as a host makes it; all undone at the end.
class RegisteredConfig {
 public:
  ~RegisteredConfig();
  // `language` names Config\Language.ini's language; empty keeps the default.
  void Create(const std::string& language = "");

  InstalledCopy copy;
  WindowsProfile profile;
  IConfig* config = nullptr;
};

std::wstring W(const std::u16string& text);
std::wstring Text(const wchar_t* text);  // "<null>" for none

}  // namespace warden::testing

#endif
