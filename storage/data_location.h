// Where a store's files live. The boundary (COM object, command-line tool)
// works this out once and hands it down; storage never asks the profile.
#ifndef WARDEN_STORAGE_DATA_LOCATION_H
#define WARDEN_STORAGE_DATA_LOCATION_H

#include <string>

namespace warden {

// `text` without trailing backslashes and spaces, plus one backslash unless
// nothing is left.
std::u16string DirectoryWithSeparator(std::u16string text);

struct DataLocation {
  // Empty, or a path ending in exactly one backslash.
  std::u16string directory;
  // The install directory is the one the component writes: a missing file is
  // created there with its defaults, and saves go there. Any other directory
  // is only read.
  bool is_install_directory = false;
  // The caller holds the lock file of the data file it reads or saves here,
  // for longer than one read or save (a tool holds it from its load to its
  // save): the read or save does not take it again.
  bool caller_holds_lock = false;

  // The install directory as the profile names it.
  static DataLocation Install(const std::u16string& install_directory) {
    return {DirectoryWithSeparator(install_directory), true};
  }
  // A directory the caller names: the install directory too when it names
  // the same folder, in any letter case.
  static DataLocation Named(const std::u16string& directory,
                            const std::u16string& install_directory);
};

}  // namespace warden

#endif
