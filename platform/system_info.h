// Facts about the running program and the machine that a record of who did
// what needs: the time, the machine, the account and the program.
#ifndef WARDEN_PLATFORM_SYSTEM_INFO_H
#define WARDEN_PLATFORM_SYSTEM_INFO_H

#include <cstdint>
#include <string>

namespace warden::platform {

// The current time in UTC, and how far local time was from it then.
struct WallClock {
  std::int64_t utc_ms = 0;      // milliseconds since 1970-01-01T00:00:00Z
  std::int32_t offset_min = 0;  // local time minus UTC, in minutes
};
WallClock Now();

// The computer's name; empty when it cannot be had.
std::u16string MachineName();
// The operating-system account the program runs as (Windows: DOMAIN\user
// where the domain is known); empty when it cannot be had.
std::u16string OsUserName();
// The file name of the program's executable, without its folder.
std::u16string ImageName();
std::uint32_t ProcessId();

}  // namespace warden::platform

#endif
