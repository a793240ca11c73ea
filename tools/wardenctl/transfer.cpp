#include "tools/wardenctl/transfer.h"

#include <set>
#include <stdexcept>
#include <unordered_map>

#include "accounts/account_rules.h"
#include "accounts/name_text.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tools/wardenctl/session.h"
#include "zones/zone_name_rules.h"

namespace warden::ctl {
namespace {

using platform::FromUtf8;
using platform::ToUtf8;

constexpr const char* kFormat = "warden-accounts";
constexpr int kVersion = 1;

// A shape error at a JSON path; caught within this file.
struct ShapeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw ShapeError(path + ": " + what);
}

void OnlyKeys(const Json& object, const std::string& path, const std::set<std::string>& keys) {
  if (!object.is_object()) Fail(path, "not an object");
  for (const auto& [key, value] : object.items()) {
    if (keys.count(key) == 0) Fail(path + "/" + key, "unknown field");
  }
}

std::u16string Text(const Json& object, const std::string& path, const char* key,
                    bool required = false) {
  if (!object.contains(key)) {
    if (required) Fail(path + "/" + key, "missing");
    return {};
  }
  const Json& value = object.at(key);
  if (!value.is_string()) Fail(path + "/" + key, "not a string");
  return FromUtf8(value.get<std::string>());
}

// A number as the editor's text field would hold it; absent: empty, which reads as 0.
std::u16string NumberText(const Json& object, const std::string& path, const char* key) {
  if (!object.contains(key)) return {};
  const Json& value = object.at(key);
  if (!value.is_number_integer()) Fail(path + "/" + key, "not an integer");
  return platform::ToDecimal(value.get<long long>());
}

ZoneFlags Zones(const Json& object, const std::string& path) {
  ZoneFlags flags{};
  if (!object.contains("zones")) return flags;
  const Json& zones = object.at("zones");
  if (!zones.is_array()) Fail(path + "/zones", "not an array");
  for (std::size_t i = 0; i < zones.size(); ++i) {
    const Json& zone = zones[i];
    if (!zone.is_number_integer() || zone.get<long long>() < 0 ||
        zone.get<long long>() >= kZoneCount) {
      Fail(path + "/zones/" + std::to_string(i), "not a zone number 0..63");
    }
    flags[zone.get<int>()] = 1;
  }
  return flags;
}

std::int16_t RecordType(const Json& object, const std::string& path) {
  if (!object.contains("type")) Fail(path + "/type", "missing");
  const Json& type = object.at("type");
  if (type == "user") return kTypeUser;
  if (type == "group") return kTypeGroup;
  if (type.is_number_integer() && type.get<long long>() >= INT16_MIN &&
      type.get<long long>() <= INT16_MAX) {
    return type.get<std::int16_t>();
  }
  Fail(path + "/type", "not \"user\", \"group\" or a 16-bit number");
}

class Importer {
 public:
  Importer(const Session& session, std::vector<std::string>* problems)
      : session_(session), problems_(*problems), names_in_use_(std::vector<AccountRecord>()) {
    for (const AccountRecord& record : session.store.Records()) {
      if (record.type == kTypeUser) passwords_.emplace(record.username, record.password);
    }
  }

  void Account(const Json& object, const std::string& path, std::vector<AccountRecord>* table);
  void GroupsOfUsersExist(const std::vector<AccountRecord>& table);
  void ChangesWithinReach(const std::vector<AccountRecord>& table);

 private:
  void Problem(const std::string& path, const std::u16string& name, const std::u16string& text) {
    problems_.push_back(path + " (" + ToUtf8(name) + "): " + ToUtf8(text));
  }
  std::optional<AccountRecord> CheckEdit(const AccountEdit& edit, const std::string& path);

  const Session& session_;
  std::vector<std::string>& problems_;
  NameIndex names_in_use_;
  std::unordered_map<std::u16string, std::u16string> passwords_;
};

std::optional<AccountRecord> Importer::CheckEdit(const AccountEdit& edit, const std::string& path) {
  const std::u16string& name = edit.type == kEditUser ? edit.user_name : edit.group_name;
  // The editor's edits stop typing at the limit; a file can hold more. The
  // password is checked first, as in the editor.
  if (!CheckPasswordLength(edit.password) && !EditFieldsFit(edit)) {
    Problem(
        path, name,
        platform::FormatText(session_.Text(IDS_TEXT_TOO_LONG), platform::ToDecimal(kNameMaxChars)));
    return std::nullopt;
  }
  const AccountRecord none;
  const EditContext context{names_in_use_, session_.store.m_pCurUser.get(), session_.builtin, true,
                            none};
  EditVerdict verdict = ConfirmAccountEdit(context, edit, AccountRecord{});
  if (!verdict.accepted()) {
    Problem(
        path, name,
        platform::FormatText(session_.Text(verdict.message), platform::ToDecimal(kNameMaxChars)));
    return std::nullopt;
  }
  names_in_use_.Add(verdict.result);
  return verdict.result;
}

void Importer::Account(const Json& object, const std::string& path,
                       std::vector<AccountRecord>* table) {
  const std::int16_t type = RecordType(object, path);
  AccountEdit edit;
  edit.zones = Zones(object, path);
  if (type == kTypeUser) {
    OnlyKeys(object, path,
             {"type", "name", "comment", "zones", "group", "password", "priority", "timeout"});
    edit.type = kEditUser;
    edit.user_name = Text(object, path, "name", true);
    edit.user_comment = Text(object, path, "comment");
    edit.join_group = Text(object, path, "group");
    edit.priority = NumberText(object, path, "priority");
    edit.limit_time = NumberText(object, path, "timeout");
    if (object.contains("password")) {
      edit.password = Text(object, path, "password");
    } else {  // an export without passwords keeps the ones in place
      const auto kept = passwords_.find(edit.user_name);
      if (kept != passwords_.end()) edit.password = kept->second;
    }
  } else if (type == kTypeGroup) {
    OnlyKeys(object, path, {"type", "name", "comment", "zones"});
    edit.group_name = Text(object, path, "name", true);
    edit.group_comment = Text(object, path, "comment");
  } else {  // other types carry a name and zones only, unchecked
    OnlyKeys(object, path, {"type", "name", "zones"});
    AccountRecord record;
    record.type = type;
    record.groupname = Text(object, path, "name", true);
    record.sectionid = edit.zones;
    table->push_back(record);
    return;
  }
  if (std::optional<AccountRecord> record = CheckEdit(edit, path)) table->push_back(*record);
}

// A user's group is one of the file's groups, spelt exactly, or none.
void Importer::GroupsOfUsersExist(const std::vector<AccountRecord>& table) {
  std::set<std::u16string> groups;
  for (const AccountRecord& record : table) {
    if (record.type == kTypeGroup) groups.insert(record.groupname);
  }
  for (std::size_t i = 0; i < table.size(); ++i) {
    const AccountRecord& record = table[i];
    if (record.type == kTypeUser && !record.groupname.empty() && !groups.count(record.groupname)) {
      Problem("/accounts/" + std::to_string(i), record.username,
              platform::FormatText(session_.Text(ToolText::kNoGroup), record.groupname));
    }
  }
}

// Acting as a logged-in user, every account that changes or goes must be
// one that user may change (judged on the record itself: linear in the table).
void Importer::ChangesWithinReach(const std::vector<AccountRecord>& table) {
  const AccountRecord* current = session_.store.m_pCurUser.get();
  if (!current) return;
  std::unordered_map<std::u16string, const AccountRecord*> incoming;
  for (const AccountRecord& record : table) incoming.emplace(record.Name(), &record);
  const std::vector<AccountRecord>& old_table = session_.store.Records();
  for (const AccountRecord& record : old_table) {
    const auto found = incoming.find(record.Name());
    if (found != incoming.end() && *found->second == record) continue;
    if (!WithinReach(current, session_.builtin.admin_user, record, Reach::kChange)) {
      Problem("/accounts", record.Name(), session_.Text(IDS_ONLY_LOWER_PRIORITY));
    }
  }
}

ZoneNames ImportZones(const Json& zones, const Session& session,
                      std::vector<std::string>* problems) {
  if (!zones.is_array() || zones.size() != kZoneCount) Fail("/zones", "not an array of 64 names");
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < zones.size(); ++i) {
    if (!zones[i].is_string()) Fail("/zones/" + std::to_string(i), "not a string");
    names.push_back(FromUtf8(zones[i].get<std::string>()));
  }
  ZoneNames result;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const ZoneNameVerdict verdict = CheckZoneRename(names, i, names[i]);
    if (!verdict.accepted()) {
      problems->push_back("/zones/" + std::to_string(i) + " (" + ToUtf8(names[i]) +
                          "): " + ToUtf8(session.Text(verdict.message()) + verdict.offending));
    }
    result[i] = names[i];
  }
  return result;
}

}  // namespace

Json DocumentJson() { return Json{{"format", kFormat}, {"version", kVersion}}; }

std::string Printed(const Json& document) {
  return document.dump(2, ' ', false, Json::error_handler_t::replace);
}

Json AccountJson(const AccountRecord& record, bool with_password) {
  Json account;
  if (record.type == kTypeUser) {
    account["type"] = "user";
  } else if (record.type == kTypeGroup) {
    account["type"] = "group";
  } else {
    account["type"] = record.type;
  }
  account["name"] = ToUtf8(record.Name());
  if (record.type == kTypeUser) account["comment"] = ToUtf8(record.usercomment);
  if (record.type == kTypeGroup) account["comment"] = ToUtf8(record.groupcomment);
  Json zones = Json::array();
  for (int zone = 0; zone < kZoneCount; ++zone) {
    if (record.sectionid[zone] == 1) zones.push_back(zone);
  }
  account["zones"] = zones;
  if (record.type == kTypeUser) {
    account["group"] = ToUtf8(record.groupname);
    if (with_password) account["password"] = ToUtf8(record.password);
    account["priority"] = record.userpri;
    account["timeout"] = record.limitTime;
  }
  return account;
}

Json ZonesJson(const ZoneNames& names) {
  Json zones = Json::array();
  for (const std::u16string& name : names) zones.push_back(ToUtf8(name));
  return zones;
}

std::vector<std::string> ReadImport(const Json& document, const Session& session,
                                    ImportPlan* plan) {
  std::vector<std::string> problems;
  try {
    OnlyKeys(document, "", {"format", "version", "accounts", "zones"});
    if (!document.contains("format") || document.at("format") != kFormat) {
      Fail("/format", std::string("not \"") + kFormat + "\"");
    }
    if (!document.contains("version") || document.at("version") != kVersion) {
      Fail("/version", "not 1");
    }
    if (!document.contains("accounts") || !document.at("accounts").is_array()) {
      Fail("/accounts", "not an array");
    }
    const Json& accounts = document.at("accounts");
    if (accounts.size() > static_cast<std::size_t>(kMaxAccounts)) {
      Fail("/accounts", "more than " + std::to_string(kMaxAccounts) + " accounts");
    }
    Importer importer(session, &problems);
    plan->table.reserve(accounts.size());
    for (std::size_t i = 0; i < accounts.size(); ++i) {
      importer.Account(accounts[i], "/accounts/" + std::to_string(i), &plan->table);
    }
    if (problems.empty()) importer.GroupsOfUsersExist(plan->table);
    if (problems.empty()) importer.ChangesWithinReach(plan->table);
    if (document.contains("zones")) {
      plan->zones = ImportZones(document.at("zones"), session, &problems);
    }
  } catch (const ShapeError& error) {
    problems.push_back(error.what());
  }
  return problems;
}

}  // namespace warden::ctl
