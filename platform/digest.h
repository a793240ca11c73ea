// SHA-256 through the system's own cryptography: BCrypt on Windows,
// OpenSSL's libcrypto elsewhere.
#ifndef WARDEN_PLATFORM_DIGEST_H
#define WARDEN_PLATFORM_DIGEST_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace warden::platform {

using Sha256Digest = std::array<std::uint8_t, 32>;

// A digest computed piece by piece. A hasher whose system provider failed
// stays failed: Finish then returns false.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, std::size_t size);
  // The digest of everything given; the hasher is spent afterwards.
  [[nodiscard]] bool Finish(Sha256Digest* digest);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The digest of one buffer; false only when the system provider failed.
[[nodiscard]] bool DigestOf(const void* data, std::size_t size, Sha256Digest* digest);

// Lower-case hexadecimal, 64 characters.
std::string ToHex(const Sha256Digest& digest);

}  // namespace warden::platform

#endif
