// How the editors read what an operator typed: the length limit of names,
// the white space trimmed from them, and numbers typed as text.
#ifndef WARDEN_ACCOUNTS_NAME_TEXT_H
#define WARDEN_ACCOUNTS_NAME_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace warden {

// Names, passwords and comments: the edits stop typing at 31 UTF-16 units.
constexpr std::size_t kNameMaxChars = 31;

// Space, tab to carriage return, and the ideographic space U+3000.
bool IsBlank(char16_t c);

// `text` without leading and trailing blanks.
std::u16string TrimBlanks(std::u16string_view text);

// `text` read as a decimal integer as far as it goes: leading blanks and a
// sign allowed, nothing readable gives 0; saturates instead of overflowing.
long long ParseDecimal(std::u16string_view text);

}  // namespace warden

#endif
