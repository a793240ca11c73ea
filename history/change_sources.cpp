#include "history/change_sources.h"

#include <new>

#include "accounts/account_file.h"
#include "storage/file_header.h"
#include "zones/zone_file.h"

namespace warden::history {
namespace {

// The body of a data file's bytes after its header, read by `body`; false
// when the bytes are no such file.
template <typename Body>
bool ReadBody(std::string_view bytes, Body&& body) {
  Archive archive =
      Archive::Reading(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  FileHeader header;
  try {
    return header.Read(archive) && body(archive);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::vector<AccountRecord> TableOf(const std::string_view* bytes) {
  std::vector<AccountRecord> table;
  if (bytes && !ReadBody(*bytes, [&table](Archive& a) { return ReadAccountTable(a, &table); })) {
    table.clear();  // an unreadable file counts as an empty table: all is new
  }
  return table;
}

ZoneNames NamesOf(const std::string_view* bytes) {
  ZoneNames names;
  if (bytes && !ReadBody(*bytes, [&names](Archive& a) { return ReadZoneNames(a, names); })) {
    names = ZoneNames();
  }
  return names;
}

std::vector<AccountRecord> TableOf(const std::string* bytes) {
  const std::string_view view = bytes ? std::string_view(*bytes) : std::string_view();
  return TableOf(bytes ? &view : nullptr);
}

ZoneNames NamesOf(const std::string* bytes) {
  const std::string_view view = bytes ? std::string_view(*bytes) : std::string_view();
  return NamesOf(bytes ? &view : nullptr);
}

}  // namespace

std::string DiffAccountFiles(const std::string* old_bytes, std::string_view new_bytes) {
  return DiffAccounts(TableOf(old_bytes), TableOf(&new_bytes));
}

std::string DiffZoneFiles(const std::string* old_bytes, std::string_view new_bytes) {
  return DiffZones(NamesOf(old_bytes), NamesOf(&new_bytes));
}

std::string AccountChanges::FromFile(const std::string* old_bytes) const {
  return DiffAccounts(TableOf(old_bytes), saved_, rename_);
}

std::string AccountChanges::LoadedToFile(const std::string& new_bytes) const {
  return loaded_ ? DiffAccounts(*loaded_, TableOf(&new_bytes)) : "[]";
}

std::string ZoneChanges::FromFile(const std::string* old_bytes) const {
  return DiffZones(NamesOf(old_bytes), saved_);
}

std::string ZoneChanges::LoadedToFile(const std::string& new_bytes) const {
  return loaded_ ? DiffZones(*loaded_, NamesOf(&new_bytes)) : "[]";
}

}  // namespace warden::history
