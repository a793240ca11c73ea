// A fresh directory set as the host's install directory for one test.
#ifndef WARDEN_TESTS_SUPPORT_INSTALL_DIR_H
#define WARDEN_TESTS_SUPPORT_INSTALL_DIR_H

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"

namespace warden::testing {

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

// Makes `directory` the current directory until the object goes.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& directory)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
  }
  ~CurrentDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

}  // namespace warden::testing

#endif
