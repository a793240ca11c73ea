#include "storage/field_cipher.h"
#include "platform/little_endian.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace warden {
namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9;
constexpr std::uint32_t kDecipherSum = 0xC6EF3720;  // kDelta * 32
constexpr std::uint8_t kMarker[4] = {'E', 'N', 'C', 'K'};
constexpr std::size_t kHeaderBytes = 8;  // marker + length
// Work buffers up to this size live on the stack; the usual field is 72 bytes.
constexpr std::size_t kStackBytes = 512;

using platform::LoadU16;
using platform::LoadU32;
using platform::StoreU16;
using platform::StoreU32;

void EncipherBlock(std::uint8_t* block, const TeaKey& k) {
  std::uint32_t y = LoadU32(block);
  std::uint32_t z = LoadU32(block + 4);
  std::uint32_t sum = 0;
  for (int cycle = 0; cycle < 32; ++cycle) {
    sum += kDelta;
    y += ((z << 4) + k[0]) ^ (z + sum) ^ ((z >> 5) + k[1]);
    z += ((y << 4) + k[2]) ^ (y + sum) ^ ((y >> 5) + k[3]);
  }
  StoreU32(block, y);
  StoreU32(block + 4, z);
}

void DecipherBlock(std::uint8_t* block, const TeaKey& k) {
  std::uint32_t y = LoadU32(block);
  std::uint32_t z = LoadU32(block + 4);
  std::uint32_t sum = kDecipherSum;
  for (int cycle = 0; cycle < 32; ++cycle) {
    z -= ((y << 4) + k[2]) ^ (y + sum) ^ ((y >> 5) + k[3]);
    y -= ((z << 4) + k[0]) ^ (z + sum) ^ ((z >> 5) + k[1]);
    sum -= kDelta;
  }
  StoreU32(block, y);
  StoreU32(block + 4, z);
}

template <typename BlockFunction>
std::int32_t ForEachBlock(std::uint8_t* buffer, std::int32_t length, const TeaKey& key,
                          BlockFunction block_function) {
  if (length < 1) return 0;
  if (length % 8 != 0) return kCipherInvalidArgument;
  for (std::int32_t at = 0; at < length; at += 8) block_function(buffer + at, key);
  return length;
}

// A work buffer of `size` bytes: on the stack when small.
class WorkBuffer {
 public:
  explicit WorkBuffer(std::size_t size) {
    if (size > kStackBytes) {
      heap_.reset(new std::uint8_t[size]);
      data_ = heap_.get();
    }
  }
  std::uint8_t* data() { return data_; }

 private:
  alignas(8) std::uint8_t stack_[kStackBytes];
  std::unique_ptr<std::uint8_t[]> heap_;
  std::uint8_t* data_ = stack_;
};

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// Value of a hex digit of either case, or 0xFF.
struct HexTable {
  std::uint8_t value[128];
  constexpr HexTable() : value{} {
    for (int c = 0; c < 128; ++c) {
      value[c] = c >= '0' && c <= '9'   ? c - '0'
                 : c >= 'A' && c <= 'F' ? c - 'A' + 10
                 : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                        : 0xFF;
    }
  }
};
constexpr HexTable kHex;

std::uint8_t HexValue(char16_t c) { return c < 128 ? kHex.value[c] : 0xFF; }

}  // namespace

TeaKey TeaKeyFromBytes(const std::array<std::uint8_t, 16>& bytes) {
  return {LoadU32(&bytes[0]), LoadU32(&bytes[4]), LoadU32(&bytes[8]), LoadU32(&bytes[12])};
}

// Built at run time from two byte tables, so the key itself never appears
// as one run of bytes in the module.
const TeaKey& FieldKey() {
  static const TeaKey key = [] {
    static const std::uint8_t kLeft[16] = {0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x04, 0x6B, 0xD8,
                                           0x3F, 0xA2, 0x7C, 0x15, 0xE9, 0x40, 0xB6, 0x8D};
    static const std::uint8_t kRight[16] = {0x1D, 0x76, 0xA4, 0x58, 0xF3, 0x29, 0x0E, 0xB1,
                                            0x64, 0xCB, 0x32, 0x97, 0x8F, 0x1A, 0xD5, 0x6C};
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = kLeft[i] ^ kRight[i];
    return TeaKeyFromBytes(bytes);
  }();
  return key;
}

std::int32_t TeaEncryptBuffer(std::uint8_t* buffer, std::int32_t length, const TeaKey& key) {
  return ForEachBlock(buffer, length, key, EncipherBlock);
}

std::int32_t TeaDecryptBuffer(std::uint8_t* buffer, std::int32_t length, const TeaKey& key) {
  return ForEachBlock(buffer, length, key, DecipherBlock);
}

bool EncipherText(std::u16string_view text, std::u16string* sealed) {
  try {
    if (text.empty()) {
      sealed->clear();
      return true;
    }
    const std::size_t n = text.size();
    const std::size_t size = kHeaderBytes + (2 * n + 7) / 8 * 8;
    // The length travels as 32 bits and TEA takes a 32-bit byte count.
    if (size > 0x7FFFFFF8u) throw std::bad_alloc();
    WorkBuffer work(size);
    std::uint8_t* buffer = work.data();
    std::copy(kMarker, kMarker + 4, buffer);
    StoreU32(buffer + 4, static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < n; ++i) StoreU16(buffer + kHeaderBytes + 2 * i, text[i]);
    std::fill(buffer + kHeaderBytes + 2 * n, buffer + size, 0);
    TeaEncryptBuffer(buffer, static_cast<std::int32_t>(size), FieldKey());
    sealed->resize(2 * size);  // a reused string of the same size is not refilled
    char16_t* out = sealed->data();
    for (std::size_t i = 0; i < size; ++i) {
      out[2 * i] = kHexDigits[buffer[i] >> 4];
      out[2 * i + 1] = kHexDigits[buffer[i] & 0x0F];
    }
    return true;
  } catch (const std::bad_alloc&) {
    sealed->clear();
    return false;
  }
}

int DecipherText(std::u16string_view sealed, std::u16string* text) {
  text->clear();
  const std::size_t m = sealed.size();
  if (m == 0) return 0;
  if (m % 16 != 0 || m / 2 > 0x7FFFFFF8u) return kCipherInvalidArgument;
  const std::size_t size = m / 2;
  try {
    WorkBuffer work(size);
    std::uint8_t* buffer = work.data();
    for (std::size_t i = 0; i < size; ++i) {
      const std::uint8_t high = HexValue(sealed[2 * i]);
      const std::uint8_t low = HexValue(sealed[2 * i + 1]);
      if ((high | low) > 0x0F) return kCipherInvalidArgument;
      buffer[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    TeaDecryptBuffer(buffer, static_cast<std::int32_t>(size), FieldKey());
    const std::uint32_t n = LoadU32(buffer + 4);
    if (!std::equal(kMarker, kMarker + 4, buffer) || n > (size - kHeaderBytes) / 2) {
      return kCipherBadMarker;
    }
    // The units are turned in place into char16_t order, then copied once.
    char16_t* units = reinterpret_cast<char16_t*>(buffer + kHeaderBytes);
    for (std::uint32_t i = 0; i < n; ++i) {
      const char16_t unit = LoadU16(buffer + kHeaderBytes + 2 * i);
      std::memcpy(units + i, &unit, sizeof unit);
    }
    text->assign(units, n);
    return 0;
  } catch (const std::bad_alloc&) {
    text->clear();
    return kCipherOutOfMemory;
  }
}

bool CipherField(std::u16string& text, CipherDirection direction) {
  if (text.empty()) return true;
  std::u16string result;
  if (direction == CipherDirection::kEncipher) {
    if (!EncipherText(text, &result)) return false;
  } else {
    DecipherText(text, &result);  // any failure leaves `result` empty
  }
  text = std::move(result);
  return true;
}

}  // namespace warden
