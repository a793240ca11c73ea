// The names of the four default accounts, as the loaded language has them.
// Rules compare against these; they are read from the string table in one
// place so that no rule reaches for resources itself.
#ifndef WARDEN_ACCOUNTS_BUILTIN_NAMES_H
#define WARDEN_ACCOUNTS_BUILTIN_NAMES_H

#include <string>

namespace warden {

struct BuiltInNames {
  std::u16string admin_group;  // the system administrators group
  std::u16string admin_user;   // the system administrator
  std::u16string no_group;     // the group of accounts without one
  std::u16string none;         // the user of no group, also zone 0's default name

  // One of the four, exactly (case-sensitive).
  bool IsReserved(const std::u16string& name) const {
    return name == admin_group || name == admin_user || name == no_group || name == none;
  }
};

// The four names from the current resource source.
BuiltInNames LoadBuiltInNames();

}  // namespace warden

#endif
