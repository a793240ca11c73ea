#include <windows.h>
#include <bcrypt.h>

#include "platform/digest.h"

namespace warden::platform {
namespace {

// One provider for the process, opened on first use; BCrypt's providers
// are safe to share between threads.
BCRYPT_ALG_HANDLE Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    return BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0) >= 0 ? handle
                                                                                          : nullptr;
  }();
  return provider;
}

}  // namespace

struct Sha256::State {
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool failed = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  const BCRYPT_ALG_HANDLE provider = Provider();
  state_->failed =
      !provider || BCryptCreateHash(provider, &state_->hash, nullptr, 0, nullptr, 0, 0) < 0;
}

Sha256::~Sha256() {
  if (state_->hash) BCryptDestroyHash(state_->hash);
}

void Sha256::Update(const void* data, std::size_t size) {
  // BCryptHashData takes at most 4 GiB - 1 at a time.
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (!state_->failed && size > 0) {
    const ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
    state_->failed = BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes), piece, 0) < 0;
    bytes += piece;
    size -= piece;
  }
}

bool Sha256::Finish(Sha256Digest* digest) {
  if (state_->failed ||
      BCryptFinishHash(state_->hash, digest->data(), static_cast<ULONG>(digest->size()), 0) < 0) {
    state_->failed = true;
    return false;
  }
  state_->failed = true;  // spent
  return true;
}

}  // namespace warden::platform
