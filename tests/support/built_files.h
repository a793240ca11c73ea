// Files the build places beside the test executable's folder: the install
// layout in <build>/Warden (language libraries, sample Language.ini).
#ifndef WARDEN_TESTS_SUPPORT_BUILT_FILES_H
#define WARDEN_TESTS_SUPPORT_BUILT_FILES_H

#include <filesystem>
#include <string>

namespace warden::testing {

// A core path ('\' separators) as a path of the file system.
std::filesystem::path FileSystemPath(const std::u16string& core_path);

// <build>/Warden/`relative`, found from the running test executable (so not
// while a test fakes the module file name).
std::filesystem::path BuiltInstallFile(const std::string& relative);

// tests/data/`name`, copied beside the test executable by the build.
std::filesystem::path TestDataFile(const std::string& name);

}  // namespace warden::testing

#endif
