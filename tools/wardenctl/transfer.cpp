#include "tools/wardenctl/transfer.h"

#include <climits>
#include <unordered_map>
#include <unordered_set>

#include "accounts/account_table.h"
#include "accounts/name_text.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tools/wardenctl/session.h"
#include "zones/zone_name_rules.h"

namespace warden::ctl {
namespace {

using platform::FromUtf8;
using platform::ToUtf8;

bool ValidUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (text[i] >= 0xD800 && text[i] <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

// A JSON integer as a long long; numbers past its range saturate.
std::optional<long long> Integer(const Json& value) {
  if (value.is_number_unsigned() && value.get<unsigned long long>() > LLONG_MAX) return LLONG_MAX;
  if (!value.is_number_integer()) return std::nullopt;
  return value.get<long long>();
}

// A text: a string, or (when the document may hold them) {"utf16": [code units]}.
bool ReadText(const Json& value, bool escapes, std::u16string* text) {
  if (value.is_string()) {
    *text = FromUtf8(value.get<std::string>());
    return true;
  }
  if (!escapes || !value.is_object() || value.size() != 1 || !value.contains("utf16") ||
      !value.at("utf16").is_array()) {
    return false;
  }
  for (const Json& unit : value.at("utf16")) {
    const std::optional<long long> code = Integer(unit);
    if (!code || *code < 0 || *code > 0xFFFF) return false;
    *text += static_cast<char16_t>(*code);
  }
  return true;
}

// One object of the document: every problem of its fields is noted, with
// its path, and a record with any problem is not taken.
class Fields {
 public:
  Fields(const Json& object, std::string path, std::vector<std::string>& problems, bool escapes)
      : object_(object), path_(std::move(path)), problems_(problems), escapes_(escapes) {}

  bool ok() const { return ok_; }
  void Problem(const std::string& key, const std::string& what) {
    problems_.push_back(path_ + (key.empty() ? "" : "/" + key) + ": " + what);
    ok_ = false;
  }
  bool IsObject() {
    if (!object_.is_object()) Problem("", "not an object");
    return ok_;
  }
  void OnlyKeys(const std::unordered_set<std::string>& keys) {
    for (const auto& [key, value] : object_.items()) {
      if (keys.count(key) == 0) Problem(key, "unknown field");
    }
  }
  bool Has(const char* key) const { return object_.contains(key); }
  std::u16string Text(const char* key, bool required = false) {
    std::u16string text;
    if (!object_.contains(key)) {
      if (required) Problem(key, "missing");
    } else if (!ReadText(object_.at(key), escapes_, &text)) {
      Problem(key, escapes_ ? "not a string or {\"utf16\": [code units]}" : "not a string");
    }
    return text;
  }
  // A number as the editor's text field would hold it; absent: empty, which reads as 0.
  std::u16string Number(const char* key) {
    if (!object_.contains(key)) return {};
    const std::optional<long long> value = Integer(object_.at(key));
    if (!value) Problem(key, "not an integer");
    return value ? platform::ToDecimal(*value) : u"";
  }
  ZoneFlags Zones();
  std::optional<std::int16_t> Type();

 private:
  const Json& object_;
  const std::string path_;
  std::vector<std::string>& problems_;
  const bool escapes_;
  bool ok_ = true;
};

ZoneFlags Fields::Zones() {
  ZoneFlags flags{};
  if (!object_.contains("zones")) return flags;
  const Json& zones = object_.at("zones");
  if (!zones.is_array()) {
    Problem("zones", "not an array");
    return flags;
  }
  for (std::size_t i = 0; i < zones.size(); ++i) {
    const std::optional<long long> zone = Integer(zones[i]);
    if (!zone || *zone < 0 || *zone >= kZoneCount) {
      Problem("zones/" + std::to_string(i), "not a zone number 0..63");
    } else {
      flags[*zone] = 1;
    }
  }
  return flags;
}

std::optional<std::int16_t> Fields::Type() {
  if (!object_.contains("type")) {
    Problem("type", "missing");
    return std::nullopt;
  }
  const Json& type = object_.at("type");
  if (type == "user") return kTypeUser;
  if (type == "group") return kTypeGroup;
  const std::optional<long long> number = Integer(type);
  if (number && *number >= INT16_MIN && *number <= INT16_MAX) {
    return static_cast<std::int16_t>(*number);
  }
  Problem("type", "not \"user\", \"group\" or a number -32768..32767");
  return std::nullopt;
}

class Importer {
 public:
  Importer(const Session& session, const ImportOptions& options, bool escapes,
           std::vector<std::string>* problems)
      : session_(session), options_(options), escapes_(escapes), problems_(*problems) {
    for (const AccountRecord& record : session.accounts.records()) {
      if (record.type == kTypeUser) passwords_.emplace(record.username, record.password);
    }
  }

  void Account(const Json& object, std::size_t index);
  // `kept`: the table written, when records of the one in place stay.
  void GroupsOfUsersExist(const std::vector<AccountRecord>& kept);
  std::vector<AccountRecord> Merged();
  std::vector<AccountRecord>& table() { return table_; }

 private:
  void Problem(std::size_t index, const char* key, const std::u16string& name,
               const std::u16string& text) {
    problems_.push_back("/accounts/" + std::to_string(index) + "/" + key + " (" + ToUtf8(name) +
                        "): " + ToUtf8(text));
  }
  std::u16string TooLong() const {
    return platform::FormatText(session_.Text(IDS_TEXT_TOO_LONG),
                                platform::ToDecimal(kNameMaxChars));
  }
  void CheckEdit(const AccountEdit& edit, std::size_t index);

  const Session& session_;
  const ImportOptions options_;
  const bool escapes_;
  std::vector<std::string>& problems_;
  NameIndex names_in_use_{std::vector<AccountRecord>()};
  std::unordered_map<std::u16string, std::u16string> passwords_;
  std::unordered_set<std::u16string> groups_;  // every group the file names, taken or not
  std::vector<AccountRecord> table_;           // the records taken
  std::vector<std::size_t> origin_;            // the index in the file of each
};

// Checked as New in the editor, nobody logged in: the rights are judged on
// what changes, once the whole table is known.
void Importer::CheckEdit(const AccountEdit& edit, std::size_t index) {
  const std::u16string& name = edit.type == kEditUser ? edit.user_name : edit.group_name;
  // The editor's edits stop typing at the limit; a file can hold more. The
  // password is checked first, as in the editor.
  const char* overlong = CheckPasswordLength(edit.password) ? nullptr : OverlongField(edit);
  if (overlong) return Problem(index, overlong, name, TooLong());
  const AccountRecord none;
  const EditContext context{names_in_use_, nullptr, session_.builtin, true, none};
  EditVerdict verdict = ConfirmAccountEdit(context, edit, AccountRecord{});
  if (!verdict.accepted()) {
    return Problem(
        index, FieldOfMessage(verdict.message), name,
        platform::FormatText(session_.Text(verdict.message), platform::ToDecimal(kNameMaxChars)));
  }
  names_in_use_.Add(verdict.result);
  table_.push_back(std::move(verdict.result));
  origin_.push_back(index);
}

void Importer::Account(const Json& object, std::size_t index) {
  Fields fields(object, "/accounts/" + std::to_string(index), problems_, escapes_);
  if (!fields.IsObject()) return;
  const std::optional<std::int16_t> type = fields.Type();
  if (!type) return;
  AccountEdit edit;
  edit.zones = fields.Zones();
  if (*type == kTypeUser) {
    fields.OnlyKeys(
        {"type", "name", "comment", "zones", "group", "password", "priority", "timeout"});
    edit.type = kEditUser;
    edit.user_name = fields.Text("name", true);
    edit.user_comment = fields.Text("comment");
    edit.join_group = fields.Text("group");
    edit.priority = fields.Number("priority");
    edit.limit_time = fields.Number("timeout");
    // An export without passwords keeps the ones in place; a new user gets
    // an empty one only when that is asked for.
    const auto kept = passwords_.find(edit.user_name);
    if (fields.Has("password")) {
      edit.password = fields.Text("password");
    } else if (kept != passwords_.end()) {
      edit.password = kept->second;
    } else if (!options_.allow_empty_passwords) {
      fields.Problem("password (" + ToUtf8(edit.user_name) + ")",
                     ToUtf8(session_.Text(ToolText::kEmptyPassword)));
    }
  } else if (*type == kTypeGroup) {
    fields.OnlyKeys({"type", "name", "comment", "zones"});
    edit.group_name = fields.Text("name", true);
    edit.group_comment = fields.Text("comment");
    groups_.insert(TrimBlanks(edit.group_name));
  } else {  // other types carry a name and zones only, within the editor's limit
    fields.OnlyKeys({"type", "name", "zones"});
    AccountRecord record;
    record.type = *type;
    record.groupname = fields.Text("name", true);
    record.sectionid = edit.zones;
    if (record.groupname.size() > kNameMaxChars) fields.Problem("name", ToUtf8(TooLong()));
    if (fields.ok()) table_.push_back(record), origin_.push_back(index);
    return;
  }
  if (fields.ok()) CheckEdit(edit, index);
}

// A user's group is one of the groups of the table written, spelt exactly,
// or none. Groups the file names but that were refused count, so that one
// refusal is not reported again for each member.
void Importer::GroupsOfUsersExist(const std::vector<AccountRecord>& kept) {
  for (const AccountRecord& record : kept) {
    if (record.type == kTypeGroup) groups_.insert(record.groupname);
  }
  for (std::size_t i = 0; i < table_.size(); ++i) {
    const AccountRecord& record = table_[i];
    if (record.type == kTypeUser && !record.groupname.empty() && !groups_.count(record.groupname)) {
      Problem(origin_[i], "group", record.username,
              platform::FormatText(session_.Text(ToolText::kNoGroup), record.groupname));
    }
  }
}

// The table in place with each record of the file put over the first
// record of exactly its name, or added at the end; a name added must not be
// in use, in any letter case, by a record that stays.
std::vector<AccountRecord> Importer::Merged() {
  std::vector<AccountRecord> merged = session_.accounts.records();
  std::unordered_map<std::u16string, std::vector<std::size_t>> by_name;
  for (std::size_t i = merged.size(); i-- > 0;) by_name[merged[i].Name()].push_back(i);
  std::vector<bool> replaced(merged.size(), false);
  std::vector<std::size_t> added;
  for (std::size_t i = 0; i < table_.size(); ++i) {
    std::vector<std::size_t>& same = by_name[table_[i].Name()];
    if (same.empty()) {
      added.push_back(i);
      continue;
    }
    merged[same.back()] = table_[i];
    replaced[same.back()] = true;
    same.pop_back();
  }
  std::vector<AccountRecord> kept;
  for (std::size_t i = 0; i < replaced.size(); ++i) {
    if (!replaced[i]) kept.push_back(merged[i]);
  }
  const NameIndex kept_names(kept);
  for (std::size_t i : added) {
    if (kept_names.Contains(table_[i].Name())) {
      Problem(origin_[i], "name", table_[i].Name(), session_.Text(IDS_NAME_EXISTS));
    }
    merged.push_back(table_[i]);
  }
  return merged;
}

// Only the names that change are judged, as the rename dialog judges each.
ZoneNames ImportZones(const Json& zones, const Session& session, bool escapes,
                      std::vector<std::string>* problems) {
  ZoneNames result = session.zones;
  if (!zones.is_array() || zones.size() != kZoneCount) {
    problems->push_back("/zones: not an array of 64 names");
    return result;
  }
  std::vector<std::u16string> names(kZoneCount);
  std::vector<bool> read(kZoneCount, false);
  for (std::size_t i = 0; i < zones.size(); ++i) {
    read[i] = ReadText(zones[i], escapes, &names[i]);
    if (!read[i]) problems->push_back("/zones/" + std::to_string(i) + ": not a string");
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!read[i] || (session.zones_read() && names[i] == result[i])) continue;
    const ZoneNameVerdict verdict = CheckZoneRename(names, i, names[i]);
    std::u16string text;
    if (names[i].size() > kNameMaxChars) {  // the rename dialog's edit stops typing there
      text =
          platform::FormatText(session.Text(IDS_TEXT_TOO_LONG), platform::ToDecimal(kNameMaxChars));
    } else if (!verdict.accepted()) {
      text = session.Text(verdict.message());
      if (!verdict.offending.empty()) text += u"\"" + verdict.offending + u"\"";
    }
    if (!text.empty()) {
      problems->push_back("/zones/" + std::to_string(i) + " (" + ToUtf8(names[i]) +
                          "): " + ToUtf8(TrimBlanks(text)));
    }
  }
  for (std::size_t i = 0; i < names.size(); ++i) result[i] = names[i];
  return result;
}

// Shapes that are not the import's, by their format name.
std::string WrongFormat(const Json& document) {
  const std::string expected =
      std::string("not \"") + kAccountsFormat + "\", the format export writes";
  if (!document.contains("format") || !document.at("format").is_string()) return expected;
  const std::string format = document.at("format").get<std::string>();
  for (const char* other : {kAccountFormat, kAccountTreeFormat, kZonesFormat, kReportFormat}) {
    if (format == other) return "\"" + format + "\" is not for import; " + expected;
  }
  return expected;
}

}  // namespace

Json DocumentJson(const char* format, int version) {
  return Json{{"format", format}, {"version", version}};
}

std::string Printed(const Json& document) { return document.dump(2); }

Json TextJson(std::u16string_view text) {
  if (ValidUtf16(text)) return ToUtf8(text);
  Json units = Json::array();
  for (char16_t unit : text) units.push_back(static_cast<int>(unit));
  return Json{{"utf16", units}};
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
  account["name"] = TextJson(record.Name());
  if (record.type == kTypeUser) account["comment"] = TextJson(record.usercomment);
  if (record.type == kTypeGroup) account["comment"] = TextJson(record.groupcomment);
  Json zones = Json::array();
  for (int zone = 0; zone < kZoneCount; ++zone) {
    if (record.sectionid[zone] == 1) zones.push_back(zone);
  }
  account["zones"] = zones;
  if (record.type == kTypeUser) {
    account["group"] = TextJson(record.groupname);
    if (with_password) account["password"] = TextJson(record.password);
    account["priority"] = record.userpri;
    account["timeout"] = record.limitTime;
  }
  return account;
}

Json ZonesJson(const ZoneNames& names) {
  Json zones = Json::array();
  for (const std::u16string& name : names) zones.push_back(TextJson(name));
  return zones;
}

const char* FieldOfMessage(std::uint16_t message) {
  switch (message) {
    case IDS_PASSWORD_TOO_LONG:
      return "password";
    case IDS_ZONE_NONE_WITH_OTHERS:
      return "zones";
    case IDS_TIMEOUT_RANGE:
      return "timeout";
    case IDS_PRIORITY_RANGE:
    case IDS_PRIORITY_ABOVE_CURRENT:
      return "priority";
    default:  // no name, a name in use, a built-in user renamed
      return "name";
  }
}

const char* OverlongField(const AccountEdit& edit) {
  const bool user = edit.type == kEditUser;
  const std::pair<const std::u16string*, const char*> fields[] = {
      {user ? &edit.user_name : &edit.group_name, "name"},
      {user ? &edit.user_comment : &edit.group_comment, "comment"},
      {&edit.join_group, "group"}};
  for (const auto& [text, key] : fields) {
    if (text->size() > kNameMaxChars) return key;
  }
  return nullptr;
}

std::vector<std::string> ReadImport(const Json& document, const Session& session,
                                    const ImportOptions& options, ImportPlan* plan) {
  std::vector<std::string> problems;
  Fields head(document, "", problems, false);
  if (!head.IsObject()) return problems;
  head.OnlyKeys({"format", "version", "accounts", "zones"});
  if (!document.contains("format") || document.at("format") != kAccountsFormat) {
    head.Problem("format", WrongFormat(document));
  }
  const Json version = document.contains("version") ? document.at("version") : Json();
  if (version != 1 && version != kAccountsVersion) head.Problem("version", "not 1 or 2");
  if (!document.contains("accounts") || !document.at("accounts").is_array()) {
    head.Problem("accounts", "not an array");
  }
  if (!head.ok()) return problems;
  const bool escapes = version == kAccountsVersion;
  const Json& accounts = document.at("accounts");
  Importer importer(session, options, escapes, &problems);
  for (std::size_t i = 0; i < accounts.size(); ++i) importer.Account(accounts[i], i);
  if (options.merge) {
    plan->table = importer.Merged();
    importer.GroupsOfUsersExist(plan->table);
  } else {
    importer.GroupsOfUsersExist({});
    plan->table = std::move(importer.table());
  }
  if (plan->table.size() > static_cast<std::size_t>(kMaxAccounts)) {
    head.Problem("accounts", "more than " + std::to_string(kMaxAccounts) + " accounts");
  }
  if (document.contains("zones")) {
    plan->zones = ImportZones(document.at("zones"), session, escapes, &problems);
  }
  return problems;
}

}  // namespace warden::ctl
