// DecipherText on arbitrary UTF-16 text (the input's bytes, little-endian
// pairs). A text it unseals must seal and unseal to itself again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "storage/field_cipher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string sealed(size / 2, u'\0');
  for (std::size_t i = 0; i < sealed.size(); ++i) {
    sealed[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  std::u16string text = u"sentinel";
  const int result = warden::DecipherText(sealed, &text);
  if (result != 0) {
    if (!text.empty()) std::abort();  // every failure reads as empty
    return 0;
  }
  std::u16string resealed;
  std::u16string back;
  if (!warden::EncipherText(text, &resealed) || warden::DecipherText(resealed, &back) != 0 ||
      back != text) {
    std::abort();
  }
  return 0;
}
