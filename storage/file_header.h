// The 132-byte header at the head of users.dat and section.dat: a version
// and an information block. Readers take it in and never look at it.
#ifndef WARDEN_STORAGE_FILE_HEADER_H
#define WARDEN_STORAGE_FILE_HEADER_H

#include <array>
#include <cstdint>

#include "storage/archive.h"

namespace warden {

struct FileHeader {
  static constexpr std::size_t kSize = 132;

  FileHeader() { info[2] = 0x31; }  // the 16-bit word 0031 at bytes 2-3

  [[nodiscard]] bool Write(Archive& archive) const;
  // A short information block is no failure (the next read fails).
  [[nodiscard]] bool Read(Archive& archive);

  float version = 7.5f;
  std::array<std::uint8_t, 128> info{};
};

}  // namespace warden

#endif
