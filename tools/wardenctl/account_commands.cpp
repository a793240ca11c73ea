// list, show, add-user, add-group, set, delete: the manage dialog's tree and
// buttons, and the editor's fields, without the windows.
#include <iostream>

#include "accounts/account_rules.h"
#include "accounts/account_tree.h"
#include "accounts/name_text.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tools/wardenctl/commands.h"
#include "tools/wardenctl/transfer.h"
#include "tools/wardenctl/zone_list.h"

namespace warden::ctl {
namespace {

using platform::FromUtf8;
using platform::ToUtf8;

// The first record of `type` named exactly `name`, as the manage dialog finds it.
const AccountRecord* FindRecord(const AccountTable& table, std::int16_t type,
                                const std::u16string& name) {
  for (const AccountRecord& record : table.records()) {
    if (record.type == type && record.Name() == name) return &record;
  }
  return nullptr;
}

// Users the tree leaves out: a group name that no group bears exactly.
std::vector<std::size_t> UsersOfUnknownGroups(const std::vector<AccountRecord>& table) {
  std::vector<bool> shown(table.size(), false);
  for (const AccountTreeRoot& root : BuildAccountTree(table)) {
    shown[root.record] = true;
    for (std::size_t member : root.members) shown[member] = true;
  }
  std::vector<std::size_t> hidden;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (!shown[i] && table[i].type == kTypeUser) hidden.push_back(i);
  }
  return hidden;
}

// The option a field's refusal is about, as the command line names it.
std::string OptionOf(const char* field, bool renaming) {
  if (std::string(field) == "name") return renaming ? "--name" : "NAME";
  return std::string("--") + field;
}

// A line typed on the terminal without showing it.
std::string TypedUnseen(Session& session, ToolText prompt) {
  session.io.err << ToUtf8(session.Text(prompt)) << std::flush;
  if (session.io.echo) session.io.echo(false);
  std::string line;
  std::getline(session.io.in, line);
  if (session.io.echo) session.io.echo(true);
  session.io.err << '\n';
  return line;
}

// What the options give without the table: the zones, and the password.
// Both come before the load, so that no lock is held while a person types.
struct Given {
  std::optional<ZoneFlags> zones;
  std::optional<std::u16string> password;
};

// The password: --password as given, a line of stdin, or typed twice on
// the terminal (asked for, or for a new user on a terminal when no other
// source is named). Only --password gives an empty password without
// --allow-empty-passwords; `set` without a source keeps the one in place.
int ReadPassword(Session& session, const AccountOptions& options, bool is_new, Given& given) {
  if (options.password) {
    given.password = FromUtf8(*options.password);
    return kExitOk;
  }
  const bool prompt =
      options.password_prompt || (is_new && session.io.in_is_terminal && !options.password_stdin &&
                                  !options.allow_empty_passwords);
  std::string line;
  std::string option = "--password";
  if (options.password_stdin) {
    option += "-stdin";
    std::getline(session.io.in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
  } else if (prompt) {
    option += "-prompt";
    if (!session.io.in_is_terminal) return session.Usage(option + ": not on a terminal");
    line = TypedUnseen(session, ToolText::kPasswordPrompt);
    if (TypedUnseen(session, ToolText::kPasswordAgain) != line) {
      return session.Refuse(ToolText::kPasswordsDiffer, {}, option);
    }
  } else if (!is_new) {
    return kExitOk;
  }
  if (line.empty() && !options.allow_empty_passwords) {
    return session.Refuse(ToolText::kEmptyPassword, {}, option);
  }
  given.password = FromUtf8(line);
  return kExitOk;
}

// `user`: the account is a user, or may be one (set).
int ReadGiven(Session& session, const AccountOptions& options, bool is_new, bool user,
              Given& given) {
  if (options.zones) {
    given.zones = ParseZoneList(*options.zones);
    if (!given.zones) {
      return session.Usage("--zones: not a list of zones 0..63 such as 1,3,5-9: " + *options.zones);
    }
  }
  return user ? ReadPassword(session, options, is_new, given) : kExitOk;
}

// Fills the edit's fields from the options; kExitOk, or the code after the message.
int ApplyOptions(Session& session, const AccountOptions& options, const Given& given,
                 AccountEdit& edit) {
  const bool user = edit.type == kEditUser;
  if (!user && (options.password || options.password_stdin || options.password_prompt ||
                options.timeout || options.priority || options.group || options.no_group)) {
    session.Refuse(ToolText::kNotForGroups, u"--group/--password/--timeout/--priority");
    return kExitUsage;
  }
  if (options.new_name) (user ? edit.user_name : edit.group_name) = FromUtf8(*options.new_name);
  if (options.comment) (user ? edit.user_comment : edit.group_comment) = FromUtf8(*options.comment);
  if (given.password) edit.password = *given.password;
  if (options.timeout) edit.limit_time = platform::ToDecimal(*options.timeout);
  if (options.priority) edit.priority = platform::ToDecimal(*options.priority);
  if (given.zones) edit.zones = *given.zones;
  if (options.no_group) edit.join_group.clear();
  if (options.group) {
    const std::u16string group = FromUtf8(*options.group);
    if (!FindRecord(session.accounts, kTypeGroup, group)) {
      return session.Refuse(ToolText::kNoGroup, group, "--group");
    }
    edit.join_group = group;
  }
  return kExitOk;
}

// Runs the editor's confirmation; a refusal printed as the editor shows it,
// after the option it is about.
std::optional<AccountRecord> Confirm(Session& session, const AccountEdit& edit, bool is_new,
                                     const AccountRecord& old_record, bool renaming) {
  const std::u16string limit = platform::ToDecimal(kNameMaxChars);
  if (const std::uint16_t message = CheckPasswordLength(edit.password)) {
    session.Refuse(message, limit, "--password");
    return std::nullopt;
  }
  if (const char* field = OverlongField(edit)) {  // the editor's edits stop typing at the limit
    session.Refuse(IDS_TEXT_TOO_LONG, limit, OptionOf(field, renaming));
    return std::nullopt;
  }
  const NameIndex names(session.accounts.records());
  const EditContext context{names, session.acting_as(), session.builtin, is_new, old_record};
  EditVerdict verdict = ConfirmAccountEdit(context, edit, AccountRecord{});
  if (!verdict.accepted()) {
    session.Refuse(verdict.message, limit, OptionOf(FieldOfMessage(verdict.message), renaming));
    return std::nullopt;
  }
  return std::move(verdict.result);
}

// Saves the store unless its table is still `loaded`.
int SaveIfChanged(Session& session, const std::vector<AccountRecord>& loaded,
                  std::optional<history::RenameHint> rename) {
  if (session.accounts.records() == loaded) {
    session.Say(session.io.out, session.Text(ToolText::kUnchanged));
    return kExitOk;
  }
  return session.SaveAccounts("save", std::move(rename));
}

void PrintAccount(Session& session, const AccountRecord& record, bool show_password) {
  std::ostream& out = session.io.out;
  const Json json = AccountJson(record, true);
  out << "type: " << json["type"].dump() << '\n' << "name: " << ToUtf8(record.Name()) << '\n';
  if (record.type == kTypeUser) out << "group: " << ToUtf8(record.groupname) << '\n';
  if (record.type == kTypeUser || record.type == kTypeGroup) {
    out << "comment: "
        << ToUtf8(record.type == kTypeUser ? record.usercomment : record.groupcomment) << '\n';
  }
  if (record.type == kTypeUser) {
    out << "password: "
        << (show_password             ? ToUtf8(record.password)
            : record.password.empty() ? "(empty)"
                                      : "(set)")
        << '\n'
        << "priority: " << record.userpri << '\n'
        << "timeout: " << record.limitTime << '\n';
  }
  out << "zones:";
  for (int zone = 0; zone < kZoneCount; ++zone) {
    if (record.sectionid[zone] == 1) {
      out << ' ' << zone << '=' << ToUtf8(session.zones[zone]);
    }
  }
  out << '\n';
}

}  // namespace

int ListAccounts(Session& session, bool json) {
  if (const int code = session.LoadAccounts(Use::kRead)) return code;
  const std::vector<AccountRecord>& table = session.accounts.records();
  Json accounts = Json::array();
  std::ostream& out = session.io.out;
  // Text lines, or the same entries as JSON.
  const auto entry = [&](const AccountRecord& record, const char* indent) {
    if (json) {
      accounts.push_back(AccountJson(record, false));
    } else {
      out << indent << ToUtf8(record.Name()) << '\n';
    }
  };
  for (const AccountTreeRoot& root : BuildAccountTree(table)) {
    entry(table[root.record], "");
    for (std::size_t member : root.members) entry(table[member], "  ");
  }
  for (std::size_t i : UsersOfUnknownGroups(table)) {
    Json account = AccountJson(table[i], false);
    account["unknown_group"] = true;
    accounts.push_back(account);
    if (!json) {
      out << ToUtf8(table[i].username) << "  [" << ToUtf8(table[i].groupname) << "] "
          << ToUtf8(session.Text(ToolText::kUnknownGroupMark)) << '\n';
    }
  }
  if (json) {
    Json document = DocumentJson(kAccountTreeFormat);
    document["accounts"] = accounts;
    out << Printed(document) << '\n';
  }
  return kExitOk;
}

int ShowAccount(Session& session, const std::string& name_utf8, bool json, bool show_password) {
  if (const int code = session.LoadAccounts(Use::kRead)) return code;
  if (const int code = session.LoadZones(Use::kRead)) return code;
  const std::u16string name = FromUtf8(name_utf8);
  const AccountRecord* record = nullptr;
  for (const AccountRecord& candidate : session.accounts.records()) {
    if (candidate.Name() == name) {
      record = &candidate;
      break;
    }
  }
  if (!record) return session.Refuse(ToolText::kNoAccount, name);
  if (json) {
    Json document = DocumentJson(kAccountFormat);
    document["accounts"] = Json::array({AccountJson(*record, show_password)});
    session.io.out << Printed(document) << '\n';
  } else {
    PrintAccount(session, *record, show_password);
  }
  return kExitOk;
}

int AddAccount(Session& session, bool user, const std::string& name,
               const AccountOptions& options) {
  Given given;
  if (const int code = ReadGiven(session, options, true, user, given)) return code;
  if (const int code = session.LoadAccounts(Use::kWrite)) return code;
  AccountEdit edit;
  edit.type = user ? kEditUser : kEditGroup;
  (user ? edit.user_name : edit.group_name) = FromUtf8(name);
  // A new editor shows timeout 0 and priority 999.
  edit.limit_time = u"0";
  edit.priority = u"999";
  if (const int code = ApplyOptions(session, options, given, edit)) return code;
  const std::optional<AccountRecord> result = Confirm(session, edit, true, AccountRecord{}, false);
  if (!result) return kExitRefused;
  if (!session.accounts.AddAccount(*result)) return session.Refuse(IDS_NAME_EXISTS, {}, "NAME");
  return session.SaveAccounts();
}

int SetAccount(Session& session, const std::string& name_utf8, const AccountOptions& options) {
  Given given;
  if (const int code = ReadGiven(session, options, false, true, given)) return code;
  if (const int code = session.LoadAccounts(Use::kWrite)) return code;
  const std::u16string name = FromUtf8(name_utf8);
  const Selection selection =
      SelectAccount(session.accounts.records(), session.acting_as(), session.builtin, name);
  const std::int16_t type = selection.type == kTypeUser ? kTypeUser : kTypeGroup;
  const AccountRecord* found = FindRecord(session.accounts, type, name);
  if (!found) return session.Refuse(ToolText::kNoAccount, name);
  if (!selection.can_modify) return session.Refuse(IDS_ONLY_LOWER_PRIORITY);
  const AccountRecord old_record = *found;
  // The editor opened for Modify: the record's fields, a group's priority
  // field at the editor's 999, a user's timeout in its low 16 bits.
  AccountEdit edit;
  edit.type = type == kTypeUser ? kEditUser : kEditGroup;
  edit.group_name = old_record.groupname;
  edit.group_comment = old_record.groupcomment;
  edit.user_name = old_record.username;
  edit.password = old_record.password;
  edit.user_comment = old_record.usercomment;
  edit.limit_time = platform::ToDecimal(static_cast<std::int16_t>(old_record.limitTime & 0xFFFF));
  edit.priority = platform::ToDecimal(type == kTypeUser ? old_record.userpri : 999);
  edit.join_group = type == kTypeUser ? old_record.groupname : u"";
  edit.zones = old_record.sectionid;
  for (std::int16_t& flag : edit.zones) flag = flag == 1 ? 1 : 0;  // only a 1 ticks
  if (const int code = ApplyOptions(session, options, given, edit)) return code;
  const std::optional<AccountRecord> result =
      Confirm(session, edit, false, old_record, options.new_name.has_value());
  if (!result) return kExitRefused;
  const std::vector<AccountRecord> loaded = session.accounts.records();
  session.accounts.UpdateAccount(old_record, *result);
  std::optional<history::RenameHint> rename;
  if (result->Name() != old_record.Name()) rename = {{old_record.Name(), result->Name()}};
  return SaveIfChanged(session, loaded, std::move(rename));
}

int DeleteAccount(Session& session, const std::string& name_utf8) {
  if (const int code = session.LoadAccounts(Use::kWrite)) return code;
  const std::u16string name = FromUtf8(name_utf8);
  const std::vector<AccountRecord>& table = session.accounts.records();
  const Selection selection = SelectAccount(table, session.acting_as(), session.builtin, name);
  if (selection.type == 0) return session.Refuse(ToolText::kNoAccount, name);
  switch (selection.delete_block) {
    case DeleteBlock::kNone:
      break;
    case DeleteBlock::kRights:
      return session.Refuse(IDS_ONLY_LOWER_PRIORITY);
    case DeleteBlock::kReservedName:
      return session.Refuse(ToolText::kReservedName, name);
    case DeleteBlock::kGroupHasMembers:
      return session.Refuse(ToolText::kGroupHasMembers, name);
  }
  // Every record the delete removes must be within reach, not only the first.
  for (std::size_t i : RecordsNamed(table, name)) {
    if (!WithinReach(session.acting_as(), session.builtin.admin_user, table[i], Reach::kChange)) {
      return session.Refuse(IDS_ONLY_LOWER_PRIORITY);
    }
  }
  if (!session.accounts.DeleteAccount(name)) return session.Refuse(IDS_DELETE_FAILED);
  return session.SaveAccounts();
}

}  // namespace warden::ctl
