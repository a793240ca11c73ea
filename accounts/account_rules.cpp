#include "accounts/account_rules.h"

#include "accounts/name_text.h"
#include "platform/text.h"
#include "resources/resource_ids.h"

namespace warden {
namespace {

using platform::Folded;

// Empty gives 0; none when the value lies outside 0..max.
std::optional<std::int16_t> ReadNumber(const std::u16string& text, std::int32_t max) {
  const long long value = text.empty() ? 0 : ParseDecimal(text);
  if (value < 0 || value > max) return std::nullopt;
  return static_cast<std::int16_t>(value);
}

bool ZoneNoneWithOthers(const ZoneFlags& zones) {
  if (zones[0] != 1) return false;
  for (int zone = 1; zone < kZoneCount; ++zone) {
    if (zones[zone] == 1) return true;
  }
  return false;
}

// The two built-in users keep their names.
bool RenamesBuiltInUser(const BuiltInNames& builtin, const AccountRecord& old_record,
                        const std::u16string& user_name) {
  return (old_record.username == builtin.admin_user && user_name != builtin.admin_user) ||
         (old_record.username == builtin.none && user_name != builtin.none);
}

// In Modify mode only a changed name is tested; a change of letter case
// alone is no change.
bool NameNeedsUniqueTest(const EditContext& context, const std::u16string& group_name,
                         const std::u16string& user_name) {
  if (context.is_new) return true;
  const AccountRecord& old_record = context.old_record;
  return (old_record.type == kTypeUser &&
          !platform::EqualsNoCase(user_name, old_record.username)) ||
         (old_record.type == kTypeGroup &&
          !platform::EqualsNoCase(group_name, old_record.groupname));
}

void BuildResult(const AccountEdit& edit, const std::u16string& group_name,
                 const std::u16string& user_name, std::int16_t limit_time, std::int16_t priority,
                 AccountRecord& result) {
  if (edit.type == kEditUser) {
    result.type = kTypeUser;
    result.usercomment = edit.user_comment;
    result.username = user_name;
    result.userpri = priority;
    result.limitTime = limit_time;
    result.password = edit.password;
    result.groupname = edit.join_group;
  } else {
    result.groupcomment = edit.group_comment;
    result.groupname = group_name;
    result.type = kTypeGroup;
    result.limitTime = 0;
    result.userpri = 0;
  }
}

}  // namespace

NameIndex::NameIndex(const std::vector<AccountRecord>& table) {
  folded_.reserve(table.size());
  for (const AccountRecord& record : table) Add(record);
}

bool NameIndex::Contains(const std::u16string& name) const {
  return folded_.count(Folded(name)) != 0;
}

void NameIndex::Add(const AccountRecord& record) {
  folded_.insert(Folded(record.type == kTypeGroup ? record.groupname : record.username));
}

bool EditFieldsFit(const AccountEdit& edit) {
  for (const std::u16string* field :
       {&edit.group_name, &edit.group_comment, &edit.user_name, &edit.user_comment}) {
    if (field->size() > kNameMaxChars) return false;
  }
  return true;
}

std::uint16_t CheckPasswordLength(const std::u16string& password) {
  return password.size() > kNameMaxChars ? IDS_PASSWORD_TOO_LONG : 0;
}

EditVerdict ConfirmAccountEdit(const EditContext& context, const AccountEdit& edit,
                               AccountRecord result) {
  EditVerdict verdict;
  const auto refuse = [&verdict, &result](std::uint16_t message, EditField focus) {
    verdict.message = message;
    verdict.focus = focus;
    verdict.result = std::move(result);
    return verdict;
  };
  if (const std::uint16_t message = CheckPasswordLength(edit.password)) {
    return refuse(message, EditField::kPassword);
  }
  // Only the name of the edited type is trimmed; the other is taken as typed.
  const bool user = edit.type == kEditUser;
  const std::u16string group_name = user ? edit.group_name : TrimBlanks(edit.group_name);
  const std::u16string user_name = user ? TrimBlanks(edit.user_name) : edit.user_name;
  if ((user ? user_name : group_name).empty()) return refuse(IDS_ENTER_NAME, EditField::kName);

  result.sectionid = edit.zones;
  if (ZoneNoneWithOthers(edit.zones)) {
    result = context.old_record;
    return refuse(IDS_ZONE_NONE_WITH_OTHERS, EditField::kNone);
  }
  if (RenamesBuiltInUser(context.builtin, context.old_record, user_name)) {
    return refuse(IDS_CANNOT_RENAME_BUILTIN, EditField::kNone);
  }
  verdict.limit_time = ReadNumber(edit.limit_time, kMaxLimitTime);
  if (!verdict.limit_time) return refuse(IDS_TIMEOUT_RANGE, EditField::kNone);
  verdict.priority = ReadNumber(edit.priority, kMaxPriority);
  if (!verdict.priority) return refuse(IDS_PRIORITY_RANGE, EditField::kNone);

  AccountRecord assigned;
  assigned.type = user ? kTypeUser : kTypeGroup;
  assigned.username = user_name;
  assigned.userpri = user ? *verdict.priority : 0;
  if (!WithinReach(context.current_user, context.builtin.admin_user, assigned, Reach::kAssign)) {
    return refuse(IDS_PRIORITY_ABOVE_CURRENT, EditField::kNone);
  }
  if (NameNeedsUniqueTest(context, group_name, user_name) &&
      context.names_in_use.Contains(user ? user_name : group_name)) {
    return refuse(IDS_NAME_EXISTS, EditField::kName);
  }
  BuildResult(edit, group_name, user_name, *verdict.limit_time, *verdict.priority, result);
  verdict.result = std::move(result);
  return verdict;
}

bool WithinReach(const AccountRecord* current, const std::u16string& admin_name,
                 const AccountRecord& target, Reach reach) {
  if (!current) return true;
  if (target.type == kTypeUser) {
    if (reach == Reach::kChange &&
        (target.username == current->username || current->username == admin_name)) {
      return true;
    }
    if (reach == Reach::kAssign && target.userpri == current->userpri &&
        platform::EqualsNoCase(target.username, current->username)) {
      return true;
    }
  }
  return target.userpri < current->userpri;
}

bool MayModifyAccount(const std::vector<AccountRecord>& table, const AccountRecord* current,
                      const std::u16string& admin_name, const std::u16string& name) {
  AccountRecord target;
  target.type = kTypeGroup;
  for (const AccountRecord& record : table) {
    if (record.type == kTypeUser && record.username == name) {
      target = record;
      break;
    }
    if (record.groupname == name) {
      target.userpri = record.userpri;
      break;
    }
  }
  return WithinReach(current, admin_name, target, Reach::kChange);
}

Selection SelectAccount(const std::vector<AccountRecord>& table, const AccountRecord* current,
                        const BuiltInNames& builtin, const std::u16string& name) {
  Selection selection;
  for (const AccountRecord& record : table) {
    if (record.Name() == name) {
      selection.type = record.type;
      break;
    }
  }
  const bool reach = MayModifyAccount(table, current, builtin.admin_user, name);
  selection.opens_on_double_click = reach;
  selection.can_modify = reach || selection.type != kTypeUser;
  if (!reach) {
    selection.delete_block = DeleteBlock::kRights;
  } else if (builtin.IsReserved(name)) {
    selection.delete_block = DeleteBlock::kReservedName;
  } else if (selection.type != kTypeUser) {
    for (const AccountRecord& record : table) {
      if (record.type == kTypeUser && platform::EqualsNoCase(record.groupname, name)) {
        selection.delete_block = DeleteBlock::kGroupHasMembers;
        break;
      }
    }
  }
  selection.can_delete = selection.delete_block == DeleteBlock::kNone;
  return selection;
}

}  // namespace warden
