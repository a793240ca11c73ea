// CVmNewFileVersion: the 132-byte header at the head of users.dat and
// section.dat. Readers take it in and never look at it.
#ifndef WARDEN_STORAGE_FILE_VERSION_H
#define WARDEN_STORAGE_FILE_VERSION_H

#include <array>
#include <cstdint>

#include "storage/archive.h"

namespace warden {

class CVmNewFileVersion {
 public:
  static constexpr std::size_t kSize = 132;

  CVmNewFileVersion();
  virtual ~CVmNewFileVersion() = default;

  // Writes, or reads, the version and then the information block. A short
  // information block on reading is no failure (the next read fails).
  virtual bool Serialize(Archive& archive);

  float m_fVersion;
  std::array<std::uint8_t, 128> m_abInfo;
};

}  // namespace warden

#endif
