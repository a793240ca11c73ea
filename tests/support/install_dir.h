// A fresh directory set as the host's install directory for one test, and
// the data files there as the component opens them.
#ifndef WARDEN_TESTS_SUPPORT_INSTALL_DIR_H
#define WARDEN_TESTS_SUPPORT_INSTALL_DIR_H

#include <filesystem>
#include <string>

#include "accounts/account_file.h"
#include "storage/installation.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"
#include "zones/zone_file.h"

namespace warden::testing {

// users.dat (section.dat) in `directory`, as the component opens the
// install directory's: read and written, made with its defaults when missing.
inline DataFile UsersFileIn(const std::u16string& directory = GetInstallDirectory()) {
  return AccountFileIn(directory, Access::kReadWrite, MissingFile::kCreateDefault);
}
inline DataFile ZonesFileIn(const std::u16string& directory = GetInstallDirectory()) {
  return ZoneFileIn(directory, Access::kReadWrite, MissingFile::kCreateDefault);
}

class InstallDir {
 public:
  InstallDir() { profile_.SetInstallDirectory(dir_.core() + u"\\"); }
  void Set(const std::u16string& directory) { profile_.SetInstallDirectory(directory); }
  const TempDir& dir() const { return dir_; }
  std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
  bool Has(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

 private:
  TempDir dir_;
  WindowsProfile profile_;
};

}  // namespace warden::testing

#endif
