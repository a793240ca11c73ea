#include "storage/file_header.h"

namespace warden {

bool FileHeader::Write(Archive& archive) const {
  return archive.WriteFloat(version) && archive.WriteBlock(info.data(), info.size());
}

bool FileHeader::Read(Archive& archive) {
  std::size_t got = 0;
  return archive.ReadFloat(&version) && archive.ReadBlock(info.data(), info.size(), &got);
}

}  // namespace warden
