#include <windows.h>
#define SECURITY_WIN32
#include <security.h>

#include <vector>

#include "platform/system_info.h"
#include "platform/win32_text.h"

namespace warden::platform {

// FILETIME counts 100 ns from 1601-01-01; 11644473600 s lie before 1970.
WallClock Now() {
  FILETIME utc{}, local{};
  GetSystemTimeAsFileTime(&utc);
  const auto ticks = [](const FILETIME& time) {
    return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) |
                                     time.dwLowDateTime);
  };
  const std::int64_t offset_ticks =
      FileTimeToLocalFileTime(&utc, &local) ? ticks(local) - ticks(utc) : 0;
  return WallClock{ticks(utc) / 10000 - 11644473600000LL,
                   static_cast<std::int32_t>(offset_ticks / 600000000LL)};
}

std::u16string MachineName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &length) ? FromWide(name, length) : std::u16string();
}

std::u16string OsUserName() {
  std::vector<wchar_t> name(512);
  ULONG length = static_cast<ULONG>(name.size());
  if (GetUserNameExW(NameSamCompatible, name.data(), &length)) return FromWide(name.data(), length);
  DWORD plain = static_cast<DWORD>(name.size());
  return GetUserNameW(name.data(), &plain) && plain > 0 ? FromWide(name.data(), plain - 1)
                                                        : std::u16string();
}

std::u16string ImageName() {
  std::vector<wchar_t> path(32768);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  const std::u16string full = FromWide(path.data(), length);
  return full.substr(full.rfind(u'\\') + 1);
}

std::uint32_t ProcessId() { return GetCurrentProcessId(); }

}  // namespace warden::platform
