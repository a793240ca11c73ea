#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/posix_path.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace warden::platform {
namespace {

std::u16string DecodeIniFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
  }
  const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  return FromUtf8(std::string_view(bytes).substr(bom ? 3 : 0));
}

std::u16string_view Trim(std::u16string_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The value of `key` in `section`, or false; names match without regard to case.
bool FindValue(const std::u16string& text, std::u16string_view section, std::u16string_view key,
               std::u16string* value) {
  bool in_section = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string_view line = Trim(std::u16string_view(text).substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.front() == u'[') {
      const std::size_t close = line.find(u']');
      in_section =
          EqualsNoCase(Trim(line.substr(1, close == line.npos ? line.npos : close - 1)), section);
      continue;
    }
    const std::size_t equals = line.find(u'=');
    if (!in_section || equals == line.npos || !EqualsNoCase(Trim(line.substr(0, equals)), key)) {
      continue;
    }
    std::u16string_view found = Trim(line.substr(equals + 1));
    if (found.size() >= 2 && (found.front() == u'"' || found.front() == u'\'') &&
        found.back() == found.front()) {
      found = found.substr(1, found.size() - 2);
    }
    *value = std::u16string(found);
    return true;
  }
  return false;
}

std::u16string ReadIni(const std::string& native_path, const std::u16string& section,
                       const std::u16string& key, const std::u16string& fallback,
                       std::size_t buffer_chars) {
  std::u16string value;
  std::ifstream in(native_path, std::ios::binary);
  if (!in || !FindValue(DecodeIniFile(std::string(std::istreambuf_iterator<char>(in), {})), section,
                        key, &value)) {
    // Trailing blanks of the default are dropped, leading ones kept.
    value = fallback.substr(0, fallback.find_last_not_of(u' ') + 1);
  }
  if (buffer_chars == 0) return {};
  if (value.size() >= buffer_chars) value.resize(buffer_chars - 1);
  return value;
}

}  // namespace

std::u16string ReadProfileString(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& fallback, std::size_t buffer_chars) {
  const char* path = std::getenv("WARDEN_WIN_INI");
  return ReadIni(path ? path : "", section, key, fallback, buffer_chars);
}

std::u16string ReadPrivateProfileString(const std::u16string& section, const std::u16string& key,
                                        const std::u16string& fallback, const std::u16string& path,
                                        std::size_t buffer_chars) {
  return ReadIni(NativePath(path), section, key, fallback, buffer_chars);
}

}  // namespace warden::platform
