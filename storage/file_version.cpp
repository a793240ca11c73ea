#include "storage/file_version.h"

namespace warden {

CVmNewFileVersion::CVmNewFileVersion() : m_fVersion(7.5f), m_abInfo{} {
  m_abInfo[2] = 0x31;  // the 16-bit word 0031 at bytes 2-3
}

bool CVmNewFileVersion::Serialize(Archive& archive) {
  if (!archive.IsLoading()) {
    return archive.WriteFloat(m_fVersion) && archive.WriteBlock(m_abInfo.data(), m_abInfo.size());
  }
  std::size_t got = 0;
  return archive.ReadFloat(&m_fVersion) &&
         archive.ReadBlock(m_abInfo.data(), m_abInfo.size(), &got);
}

}  // namespace warden
