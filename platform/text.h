// UTF-16 text helpers. The core keeps all text as std::u16string; lengths are
// UTF-16 code units.
#ifndef WARDEN_PLATFORM_TEXT_H
#define WARDEN_PLATFORM_TEXT_H

#include <string>
#include <string_view>

namespace warden::platform {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Upper-case form of one code unit, the same on every platform: ASCII,
// Latin-1, Latin Extended-A, Greek, Cyrillic and full-width Latin letters.
char16_t FoldCase(char16_t c);

// `text` with every letter folded as FoldCase does: equal for names that
// differ only in letter case.
std::u16string Folded(std::u16string_view text);

// Equality without regard to letter case (Chinese has no case).
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// Converts text in the system's ANSI code page to UTF-16.
std::u16string FromAnsi(std::string_view bytes);

// Decimal text of a number.
std::u16string ToDecimal(long long value);

// `pattern` with its first %d or %s replaced by `argument`.
std::u16string FormatText(const std::u16string& pattern, const std::u16string& argument);

}  // namespace warden::platform

#endif
