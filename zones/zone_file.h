// The 64 zone names and their file, section.dat, with its side files in
// the same directory (see storage/data_file.h).
#ifndef WARDEN_ZONES_ZONE_FILE_H
#define WARDEN_ZONES_ZONE_FILE_H

#include <array>
#include <string>

#include "storage/archive.h"
#include "storage/data_file.h"
#include "storage/zone_count.h"

namespace warden {

// Index = zone number; zone 0 stands for no zone.
using ZoneNames = std::array<std::u16string, kZoneCount>;

// Zone 0 is string 123 ("none"); then "A".."Z", "AA".."ZZ", "AAA".."KKK".
ZoneNames DefaultZoneNames();

// section.dat and its side files in `directory`.
DataFile ZoneFileIn(const std::u16string& directory, Access access, MissingFile missing);

// Loads `file` into `names`, as LoadAccountFile loads users.dat: a file not
// there gives the defaults, written first where `file` creates defaults.
// A read that fails part-way leaves the names read so far, the rest as they were.
// `creating` observes the save that writes the defaults.
FileFailure LoadZoneFile(ZoneNames& names, DataFile& file, SaveObserver* creating = nullptr);

// Saves `names` over `file`.
FileFailure SaveZoneFile(const ZoneNames& names, DataFile& file, SaveObserver* observer = nullptr);

// The body of section.dat after its header: 64 sealed names, zone 0 first.
[[nodiscard]] bool WriteZoneNames(Archive& archive, const ZoneNames& names);
// Stores each name as soon as it is read: on failure the names before the
// damage are new and the rest keep their values.
[[nodiscard]] bool ReadZoneNames(Archive& archive, ZoneNames& names);

}  // namespace warden

#endif
