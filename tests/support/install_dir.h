// A fresh directory set as the host's install directory for one test.
#ifndef WARDEN_TESTS_SUPPORT_INSTALL_DIR_H
#define WARDEN_TESTS_SUPPORT_INSTALL_DIR_H

#include <filesystem>
#include <string>

#include "storage/data_location.h"
#include "storage/installation.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"

namespace warden::testing {

// Where the component reads and writes without a directory of the host's:
// the install directory the profile names.
inline DataLocation InstallLocation() { return DataLocation::Install(GetInstallDirectory()); }
// A directory the host names, resolved as the COM object resolves it.
inline DataLocation LocationOf(const std::u16string& directory) {
  return DataLocation::Named(directory, GetInstallDirectory());
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
