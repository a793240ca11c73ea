// What replacing the account table by another changes, record by record:
// what import and restore-backup show before they write, and what the
// rights of a logged-in user are judged on.
#ifndef WARDEN_TOOLS_WARDENCTL_CHANGES_H
#define WARDEN_TOOLS_WARDENCTL_CHANGES_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "accounts/account_record.h"

namespace warden::ctl {

class Session;

// Records are matched by name, exactly: the k-th record of a name in the
// old table with the k-th of that name in the new one.
struct TableChanges {
  std::vector<std::size_t> added;                            // in the new table
  std::vector<std::size_t> dropped;                          // in the old table
  std::vector<std::pair<std::size_t, std::size_t>> changed;  // old, new
  bool reordered = false;                                    // matched records move

  bool any() const { return !added.empty() || !dropped.empty() || !changed.empty() || reordered; }
};

TableChanges CompareTables(const std::vector<AccountRecord>& old_table,
                           const std::vector<AccountRecord>& new_table);

// Why the session may not make the changes, one line each: a built-in
// account dropped (as Delete refuses it), and, acting as a logged-in user,
// each record added, changed or dropped judged as New, Modify and Delete
// judge it. Records that stay as they are pass.
std::vector<std::string> JudgeChanges(const Session& session,
                                      const std::vector<AccountRecord>& old_table,
                                      const std::vector<AccountRecord>& new_table,
                                      const TableChanges& changes);

// Lists the changes on stdout, if any: "+ name", "- name", "~ name", then the counts.
void PrintChanges(Session& session, const std::vector<AccountRecord>& old_table,
                  const std::vector<AccountRecord>& new_table, const TableChanges& changes);

}  // namespace warden::ctl

#endif
