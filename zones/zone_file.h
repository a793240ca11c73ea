// Loading and saving a store's 64 zone names: section.dat, with section.111
// as the new file during a save and section.bak as the backup.
#ifndef WARDEN_ZONES_ZONE_FILE_H
#define WARDEN_ZONES_ZONE_FILE_H

#include <array>
#include <string>

#include "accounts/user_store.h"
#include "storage/archive.h"
#include "storage/data_file.h"
#include "storage/data_location.h"

namespace warden {

// Loads section.dat from `location`. Returns kFileOk, kFileDefaultNotWritable
// or kFileNotReadable.
int LoadSectionFile(CUser& store, const DataLocation& location);

// Writes the store's zone names to section.dat in `location`.
// Returns kFileOk or kFileNotWritable.
int SaveSectionFile(CUser& store, const DataLocation& location);

using ZoneNames = std::array<std::u16string, kZoneCount>;

// Zone 0 is string 123 ("none"); then "A".."Z", "AA".."ZZ", "AAA".."KKK".
ZoneNames DefaultZoneNames();

// The body of section.dat after its header: 64 sealed names, zone 0 first.
bool WriteZoneNames(Archive& archive, const ZoneNames& names);
// Stores each name as soon as it is read: on failure the names before the
// damage are new and the rest keep their values.
bool ReadZoneNames(Archive& archive, ZoneNames& names);

}  // namespace warden

#endif
