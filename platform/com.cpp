#include "platform/com.h"

namespace warden::platform {

std::size_t BoundedLength(const OLECHAR* text, std::size_t limit) {
  if (!text) return 0;
  std::size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  return length;
}

std::u16string GuidText(REFGUID guid) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text = u"{";
  const auto hex = [&text](std::uint32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
      text += kDigits[(value >> shift) & 0xF];
    }
  };
  hex(guid.Data1, 8);
  text += u'-';
  hex(guid.Data2, 4);
  text += u'-';
  hex(guid.Data3, 4);
  text += u'-';
  for (int i = 0; i < 8; ++i) {
    if (i == 2) text += u'-';
    hex(guid.Data4[i], 2);
  }
  return text + u'}';
}

}  // namespace warden::platform
