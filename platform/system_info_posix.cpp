#include <limits.h>
#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include "platform/system_info.h"
#include "platform/text.h"

namespace warden::platform {

WallClock Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return WallClock{std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000,
                   static_cast<std::int32_t>(local.tm_gmtoff / 60)};
}

std::u16string MachineName() {
  char name[HOST_NAME_MAX + 1] = {};
  return gethostname(name, sizeof name - 1) == 0 ? FromUtf8(name) : std::u16string();
}

std::u16string OsUserName() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return {};
  }
  return FromUtf8(found->pw_name);
}

std::u16string ImageName() {
  char path[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  const std::string full(path, static_cast<std::size_t>(length));
  return FromUtf8(full.substr(full.rfind('/') + 1));
}

std::uint32_t ProcessId() { return static_cast<std::uint32_t>(getpid()); }

}  // namespace warden::platform
