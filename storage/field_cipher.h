// The field cipher: every text field of users.dat and section.dat is stored
// sealed, as the upper-case hexadecimal form of a TEA-enciphered buffer
// "ENCK" + 32-bit length + UTF-16LE units, zero-filled to whole 8-byte blocks.
#ifndef WARDEN_STORAGE_FIELD_CIPHER_H
#define WARDEN_STORAGE_FIELD_CIPHER_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace warden {

// Failure codes of DecipherText (and -9 of the TEA buffer functions).
constexpr int kCipherInvalidArgument = -9;  // bad length or a non-hex character
constexpr int kCipherOutOfMemory = -3;      // no work buffer
constexpr int kCipherBadMarker = -15;       // wrong marker or length: damaged, or another key

// k[0]..k[3], each from four key bytes, little-endian.
using TeaKey = std::array<std::uint32_t, 4>;

TeaKey TeaKeyFromBytes(const std::array<std::uint8_t, 16>& bytes);
// The one key of both files.
const TeaKey& FieldKey();

// Enciphers (deciphers) `length` bytes in place, each 8-byte block on its
// own. Returns `length`; 0 for a length below 1; -9 when it is not a
// multiple of 8.
std::int32_t TeaEncryptBuffer(std::uint8_t* buffer, std::int32_t length, const TeaKey& key);
std::int32_t TeaDecryptBuffer(std::uint8_t* buffer, std::int32_t length, const TeaKey& key);

// Seals `text` into `*sealed` (empty text: empty result). False only when
// memory ran out.
[[nodiscard]] bool EncipherText(std::u16string_view text, std::u16string* sealed);
// Unseals; 0 with the text, or one of the failure codes with `*text` empty.
int DecipherText(std::u16string_view sealed, std::u16string* text);

enum class CipherDirection { kEncipher, kDecipher };

// Seals or unseals `text` in place; an empty text stays as it is. A text
// that cannot be unsealed becomes empty. False only when enciphering ran
// out of memory (the text is then unchanged).
bool CipherField(std::u16string& text, CipherDirection direction);

}  // namespace warden

#endif
