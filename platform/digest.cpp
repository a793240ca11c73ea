#include "platform/digest.h"

namespace warden::platform {

bool DigestOf(const void* data, std::size_t size, Sha256Digest* digest) {
  Sha256 hasher;
  hasher.Update(data, size);
  return hasher.Finish(digest);
}

std::string ToHex(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * digest.size());
  for (std::uint8_t byte : digest) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0x0F]);
  }
  return hex;
}

}  // namespace warden::platform
