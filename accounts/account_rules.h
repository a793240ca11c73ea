// The rules of the account editor and of the manage dialog's buttons, as
// plain functions over the table, the logged-in user and the edit. Every
// front end (the dialogs, the command-line tool) calls these; they answer
// with a string-table id and leave showing it to the caller.
#ifndef WARDEN_ACCOUNTS_ACCOUNT_RULES_H
#define WARDEN_ACCOUNTS_ACCOUNT_RULES_H

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "accounts/account_record.h"
#include "accounts/builtin_names.h"

namespace warden {

// The editor's type index (the record's own type codes differ: 2 group, 1 user).
constexpr std::int32_t kEditGroup = 0;
constexpr std::int32_t kEditUser = 1;

constexpr std::int32_t kMaxLimitTime = 255;
constexpr std::int32_t kMaxPriority = 999;

// The names an account table has in use, without regard to letter case:
// a group contributes its group name, any other record its user name.
class NameIndex {
 public:
  explicit NameIndex(const std::vector<AccountRecord>& table);
  bool Contains(const std::u16string& name) const;
  void Add(const AccountRecord& record);

 private:
  std::unordered_set<std::u16string> folded_;
};

// The editor's fields as the operator left them.
struct AccountEdit {
  std::int32_t type = kEditGroup;
  std::u16string group_name;
  std::u16string group_comment;
  std::u16string user_name;
  std::u16string password;
  std::u16string user_comment;
  std::u16string limit_time;  // as typed
  std::u16string priority;    // as typed
  std::u16string join_group;  // the group a user joins; empty for none
  ZoneFlags zones{};          // 1 = ticked
};

// What the editor works against.
struct EditContext {
  const NameIndex& names_in_use;
  const AccountRecord* current_user;  // null: nobody logged in
  const BuiltInNames& builtin;
  bool is_new;
  const AccountRecord& old_record;  // the record being modified; empty when new
};

// Which field the operator is sent back to.
enum class EditField { kNone, kPassword, kName };

struct EditVerdict {
  std::uint16_t message = 0;  // 0: accepted; else the text id of the first failing step
  EditField focus = EditField::kNone;
  // The record as the steps leave it: finished when accepted; otherwise with
  // the ticked zones once they were read, or the old record again after
  // refusing zone 0 with others.
  AccountRecord result;
  // The numbers once read within their range.
  std::optional<std::int16_t> limit_time;
  std::optional<std::int16_t> priority;

  bool accepted() const { return message == 0; }
};

// Names and comments within kNameMaxChars, as the editor's edits take them:
// only text that never passed an edit (a file, a command line) can fail.
[[nodiscard]] bool EditFieldsFit(const AccountEdit& edit);

// The password check alone. The editor runs it before reading its fields,
// because reading an overlong password shows the framework's own message.
[[nodiscard]] std::uint16_t CheckPasswordLength(const std::u16string& password);

// The editor's confirmation steps in their order; the first that fails
// decides. `result` is the record the editor built so far: fields that the
// edit's type does not set keep its values.
[[nodiscard]] EditVerdict ConfirmAccountEdit(const EditContext& context, const AccountEdit& edit,
                                             AccountRecord result);

// The logged-in user's reach, for users and groups alike. `current` null:
// nobody logged in, everything allowed. kChange: may `target` (a table
// record) be opened and deleted — a user may always change himself, the
// administrator (by name) every user. kAssign: may `target` (the edited
// record) carry its priority — a user may keep his own (name in any letter
// case). Otherwise only a priority below the current user's is within reach;
// a group counts as priority 0.
enum class Reach { kChange, kAssign };
[[nodiscard]] bool WithinReach(const AccountRecord* current, const std::u16string& admin_name,
                               const AccountRecord& target, Reach reach);

// kChange for the account called `name` (exact): a user by user name, else
// the first record bearing it as group name; an unknown name counts as a group.
[[nodiscard]] bool MayModifyAccount(const std::vector<AccountRecord>& table,
                                    const AccountRecord* current, const std::u16string& admin_name,
                                    const std::u16string& name);

// Why Delete is refused for a name.
enum class DeleteBlock { kNone, kRights, kReservedName, kGroupHasMembers };

// The manage dialog's answer to selecting the entry called `name`.
struct Selection {
  std::int16_t type = 0;  // of the first record bearing the name exactly; 0 none
  bool can_modify = false;
  bool can_delete = false;
  DeleteBlock delete_block = DeleteBlock::kNone;
  // A double-click opens the editor only for what the current user may change.
  bool opens_on_double_click = false;
};

[[nodiscard]] Selection SelectAccount(const std::vector<AccountRecord>& table,
                                      const AccountRecord* current, const BuiltInNames& builtin,
                                      const std::u16string& name);

}  // namespace warden

#endif
