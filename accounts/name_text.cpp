#include "accounts/name_text.h"

#include <climits>

namespace warden {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u3000'; }

std::u16string TrimBlanks(std::u16string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  std::size_t start = 0;
  while (start < end && IsBlank(text[start])) ++start;
  return std::u16string(text.substr(start, end - start));
}

long long ParseDecimal(std::u16string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
  long long value = 0;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
    if (value < INT_MAX) value = value * 10 + (text[at] - u'0');
  }
  return negative ? -value : value;
}

}  // namespace warden
