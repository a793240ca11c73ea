// The section.dat reader on arbitrary bytes, with a write-and-read-back check.
#include <cstdint>
#include <cstdlib>

#include "storage/file_version.h"
#include "zones/zone_file.h"

namespace {

bool ReadFile(const std::uint8_t* data, std::size_t size, warden::ZoneNames& names) {
  warden::Archive archive = warden::Archive::Reading(data, size);
  warden::CVmNewFileVersion header;
  return header.Serialize(archive) && warden::ReadZoneNames(archive, names);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  warden::ZoneNames names;
  if (!ReadFile(data, size, names)) return 0;
  std::vector<std::uint8_t> written;
  warden::Archive out = warden::Archive::Writing(written);
  warden::CVmNewFileVersion header;
  if (!header.Serialize(out) || !warden::WriteZoneNames(out, names)) std::abort();
  warden::ZoneNames again;
  if (!ReadFile(written.data(), written.size(), again) || again != names) std::abort();
  return 0;
}
