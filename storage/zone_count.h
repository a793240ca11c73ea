// Both data files are laid out by security zone: users.dat holds one flag a
// zone in every record, section.dat one name a zone.
#ifndef WARDEN_STORAGE_ZONE_COUNT_H
#define WARDEN_STORAGE_ZONE_COUNT_H

namespace warden {

constexpr int kZoneCount = 64;

}  // namespace warden

#endif
