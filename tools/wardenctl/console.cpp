#include "tools/wardenctl/console.h"

#include "platform/text.h"

namespace warden::ctl {
namespace {

// Lines are handed on once this much has gathered.
constexpr std::size_t kBlock = 4096;

// The length of `text` without a character cut short at its end.
std::size_t WholeCharacters(const std::string& text) {
  for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) != 0x80) {  // the lead byte of the last character
      const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      return length > back ? text.size() - back : text.size();
    }
  }
  return text.size();
}

}  // namespace

bool LineBuffer::HandOn(std::size_t size) {
  if (size == 0) return true;
  const bool ok = sink_(platform::FromUtf8(std::string_view(pending_).substr(0, size)));
  pending_.erase(0, size);
  return ok;
}

std::streamsize LineBuffer::xsputn(const char* text, std::streamsize size) {
  pending_.append(text, static_cast<std::size_t>(size));
  if (pending_.size() < kBlock) return size;
  const std::size_t line_end = pending_.rfind('\n');
  return line_end == std::string::npos || HandOn(line_end + 1) ? size : 0;
}

LineBuffer::int_type LineBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

int LineBuffer::sync() { return HandOn(WholeCharacters(pending_)) ? 0 : -1; }

}  // namespace warden::ctl
