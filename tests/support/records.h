// Account records for tests: a user or a group with the fields that matter.
#ifndef WARDEN_TESTS_SUPPORT_RECORDS_H
#define WARDEN_TESTS_SUPPORT_RECORDS_H

#include <string>

#include "accounts/account_record.h"

namespace warden::testing {

inline AccountRecord UserRecord(const std::u16string& name, std::int16_t priority,
                                const std::u16string& group = u"") {
  AccountRecord record;
  record.type = kTypeUser;
  record.username = name;
  record.userpri = priority;
  record.groupname = group;
  return record;
}

inline AccountRecord GroupRecord(const std::u16string& name) {
  AccountRecord record;
  record.type = kTypeGroup;
  record.groupname = name;
  return record;
}

}  // namespace warden::testing

#endif
