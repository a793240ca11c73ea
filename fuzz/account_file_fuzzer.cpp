// The users.dat reader on arbitrary bytes. Whatever it accepts must come back
// unchanged through the writer and the reader again.
#include <cstdlib>

#include "accounts/account_file.h"
#include "storage/file_version.h"

using warden::Archive;
using Table = std::vector<warden::AccountRecord>;

static bool ReadFile(const std::uint8_t* data, std::size_t size, Table* table) {
  Archive archive = Archive::Reading(data, size);
  return warden::CVmNewFileVersion().Serialize(archive) && warden::ReadAccountTable(archive, table);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Table table, again;
  if (!ReadFile(data, size, &table)) {
    if (!table.empty()) std::abort();  // a failed read leaves no partial table
    return 0;
  }
  std::vector<std::uint8_t> written;
  Archive out = Archive::Writing(written);
  if (!warden::CVmNewFileVersion().Serialize(out) || !warden::WriteAccountTable(out, table) ||
      !ReadFile(written.data(), written.size(), &again) || again != table) {
    std::abort();
  }
  return 0;
}
