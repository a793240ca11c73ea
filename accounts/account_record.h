// One group or one user of the account table.
#ifndef WARDEN_ACCOUNTS_ACCOUNT_RECORD_H
#define WARDEN_ACCOUNTS_ACCOUNT_RECORD_H

#include <array>
#include <cstdint>
#include <string>

#include "storage/zone_count.h"

namespace warden {

constexpr std::int16_t kTypeUser = 1;
constexpr std::int16_t kTypeGroup = 2;

using ZoneFlags = std::array<std::int16_t, kZoneCount>;

// Fields in the order of the exchange record. Copying copies every field.
struct AccountRecord {
  std::int16_t type = 0;        // kTypeUser, kTypeGroup; others carried as they are
  ZoneFlags sectionid{};        // 1 = member of that zone; only 1 counts
  std::u16string groupname;     // a group's own name, or a user's group
  std::u16string username;      // users only
  std::u16string password;      // users only, plain text in memory
  std::u16string usercomment;   // users only
  std::int16_t userpri = 0;     // users only
  std::int32_t limitTime = 0;   // users only, login timeout in minutes
  std::u16string groupcomment;  // groups only

  // A user's name is its username; any other record is named by groupname.
  const std::u16string& Name() const { return type == kTypeUser ? username : groupname; }

  friend bool operator==(const AccountRecord& a, const AccountRecord& b) {
    return a.type == b.type && a.sectionid == b.sectionid && a.groupname == b.groupname &&
           a.username == b.username && a.password == b.password && a.usercomment == b.usercomment &&
           a.userpri == b.userpri && a.limitTime == b.limitTime && a.groupcomment == b.groupcomment;
  }
  friend bool operator!=(const AccountRecord& a, const AccountRecord& b) { return !(a == b); }
};

}  // namespace warden

#endif
