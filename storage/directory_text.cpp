#include "storage/directory_text.h"

#include "platform/text.h"

namespace warden {

std::u16string DirectoryWithSeparator(std::u16string text) {
  while (!text.empty() && (text.back() == u'\\' || text.back() == u' ')) text.pop_back();
  if (!text.empty()) text += u'\\';
  return text;
}

bool SameDirectory(const std::u16string& a, const std::u16string& b) {
  return platform::EqualsNoCase(DirectoryWithSeparator(a), DirectoryWithSeparator(b));
}

}  // namespace warden
