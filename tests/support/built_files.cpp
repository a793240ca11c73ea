#include "tests/support/built_files.h"

#include "platform/module_file.h"
#include "platform/text.h"

#ifndef _WIN32
#include "platform/posix_path.h"
#endif

namespace warden::testing {

std::filesystem::path FileSystemPath(const std::u16string& core_path) {
#ifdef _WIN32
  return std::filesystem::path(core_path);
#else
  return std::filesystem::path(platform::NativePath(core_path));
#endif
}

std::filesystem::path BuiltInstallFile(const std::string& relative) {
  const std::filesystem::path executable = FileSystemPath(platform::ModuleFileName(1024, 1024));
  return executable.parent_path().parent_path() / "Warden" / relative;
}

std::filesystem::path TestDataFile(const std::string& name) {
  return FileSystemPath(platform::ModuleFileName(1024, 1024)).parent_path() / "data" / name;
}

}  // namespace warden::testing
