#include "storage/data_location.h"

#include "platform/text.h"

namespace warden {

std::u16string DirectoryWithSeparator(std::u16string text) {
  while (!text.empty() && (text.back() == u'\\' || text.back() == u' ')) text.pop_back();
  if (!text.empty()) text += u'\\';
  return text;
}

// Windows paths ignore letter case.
DataLocation DataLocation::Named(const std::u16string& directory,
                                 const std::u16string& install_directory) {
  DataLocation location{DirectoryWithSeparator(directory), false};
  location.is_install_directory =
      platform::EqualsNoCase(location.directory, DirectoryWithSeparator(install_directory));
  return location;
}

}  // namespace warden
