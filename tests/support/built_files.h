// Files the build places beside the test executable's folder: the install
// layout in <build>/Warden (language libraries, sample Language.ini).
#ifndef WARDEN_TESTS_SUPPORT_BUILT_FILES_H
#define WARDEN_TESTS_SUPPORT_BUILT_FILES_H

#include <filesystem>
#include <string>

#include "platform/module_file.h"
#ifndef _WIN32
#include "platform/posix_path.h"
#endif

namespace warden::testing {

// The folder of the running test executable (so not while a test fakes the
// module file name).
inline std::filesystem::path ExecutableFolder() {
  const std::u16string executable = platform::ModuleFileName(1024, 1024);
#ifdef _WIN32
  return std::filesystem::path(executable).parent_path();
#else
  return std::filesystem::path(platform::NativePath(executable)).parent_path();
#endif
}

// <build>/Warden/`relative`, found from the running test executable.
inline std::filesystem::path BuiltInstallFile(const std::string& relative) {
  return ExecutableFolder().parent_path() / "Warden" / relative;
}

// tests/data/`name`, copied beside the test executable by the build.
inline std::filesystem::path TestDataFile(const std::string& name) {
  return ExecutableFolder() / "data" / name;
}

}  // namespace warden::testing

#endif
