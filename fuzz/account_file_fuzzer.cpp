// The users.dat reader on arbitrary bytes. Whatever it accepts must come back
// unchanged through the writer and the reader again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "accounts/account_file.h"
#include "storage/file_version.h"

namespace {

bool ReadFile(const std::uint8_t* data, std::size_t size,
              std::vector<warden::AccountRecord>* table) {
  warden::Archive archive = warden::Archive::Reading(data, size);
  warden::CVmNewFileVersion header;
  return header.Serialize(archive) && warden::ReadAccountTable(archive, table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<warden::AccountRecord> table;
  if (!ReadFile(data, size, &table)) {
    if (!table.empty()) std::abort();  // a failed read leaves no partial table
    return 0;
  }
  std::vector<std::uint8_t> written;
  warden::Archive out = warden::Archive::Writing(written);
  warden::CVmNewFileVersion header;
  if (!header.Serialize(out) || !warden::WriteAccountTable(out, table)) std::abort();
  std::vector<warden::AccountRecord> again;
  if (!ReadFile(written.data(), written.size(), &again) || again != table) std::abort();
  return 0;
}
