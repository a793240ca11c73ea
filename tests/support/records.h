// Account records for tests: a user or a group with the fields that matter.
#ifndef WARDEN_TESTS_SUPPORT_RECORDS_H
#define WARDEN_TESTS_SUPPORT_RECORDS_H

#include <string>

#include "accounts/account_record.h"

namespace warden::testing {

inline AccountRecord UserRecord(const std::u16string& name, std::int16_t priority,
                                const std::u16string& group = u"") {
  return {kTypeUser, {}, group, name, u"", u"", priority, 0, u""};
}

inline AccountRecord GroupRecord(const std::u16string& name) {
  return {kTypeGroup, {}, name, u"", u"", u"", 0, 0, u""};
}

}  // namespace warden::testing

#endif
