// The users.dat and section.dat readers on the same arbitrary bytes. Whatever
// a reader accepts must come back unchanged through its writer and the
// reader again; a failed users.dat read leaves no partial table.
#include <cstdlib>

#include "accounts/account_file.h"
#include "storage/file_header.h"
#include "zones/zone_file.h"

using warden::Archive;
using Table = std::vector<warden::AccountRecord>;

static bool ReadUsers(const std::uint8_t* data, std::size_t size, Table* table) {
  Archive archive = Archive::Reading(data, size);
  return warden::FileHeader().Read(archive) && warden::ReadAccountTable(archive, table);
}

static bool ReadZones(const std::uint8_t* data, std::size_t size, warden::ZoneNames& names) {
  Archive archive = Archive::Reading(data, size);
  return warden::FileHeader().Read(archive) && warden::ReadZoneNames(archive, names);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Table table, table_again;
  if (ReadUsers(data, size, &table)) {
    std::vector<std::uint8_t> written;
    Archive out = Archive::Writing(written);
    if (!warden::FileHeader().Write(out) || !warden::WriteAccountTable(out, table) ||
        !ReadUsers(written.data(), written.size(), &table_again) || table_again != table) {
      std::abort();
    }
  } else if (!table.empty()) {
    std::abort();
  }
  warden::ZoneNames names, names_again;
  if (ReadZones(data, size, names)) {
    std::vector<std::uint8_t> written;
    Archive out = Archive::Writing(written);
    if (!warden::FileHeader().Write(out) || !warden::WriteZoneNames(out, names) ||
        !ReadZones(written.data(), written.size(), names_again) || names_again != names) {
      std::abort();
    }
  }
  return 0;
}
