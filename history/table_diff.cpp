#include "history/table_diff.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "history/json.h"

namespace warden::history {
namespace {

enum class Kind { kUser, kGroup, kOther };

Kind KindOf(const AccountRecord& record) {
  return record.type == kTypeUser    ? Kind::kUser
         : record.type == kTypeGroup ? Kind::kGroup
                                     : Kind::kOther;
}

// What a password change may say; empty when there is none.
std::string_view PasswordChange(const std::u16string& before, const std::u16string& after) {
  if (before == after) return {};
  return before.empty() ? "set" : after.empty() ? "cleared" : "changed";
}

// The fields the file keeps for each kind, each with its value in a record.
// A field differs when the record's stored value differs.
struct Field {
  const char* name;
  enum { kText, kNumber, kZones, kPassword } form;
  std::u16string AccountRecord::*text;
  std::int64_t (*number)(const AccountRecord&);
};
constexpr Field kUserFields[] = {
    {"group", Field::kText, &AccountRecord::groupname, nullptr},
    {"password", Field::kPassword, &AccountRecord::password, nullptr},
    {"comment", Field::kText, &AccountRecord::usercomment, nullptr},
    {"timeout", Field::kNumber, nullptr,
     [](const AccountRecord& r) -> std::int64_t { return r.limitTime; }},
    {"priority", Field::kNumber, nullptr,
     [](const AccountRecord& r) -> std::int64_t { return r.userpri; }},
    {"zones", Field::kZones, nullptr, nullptr},
};
constexpr Field kGroupFields[] = {
    {"comment", Field::kText, &AccountRecord::groupcomment, nullptr},
    {"zones", Field::kZones, nullptr, nullptr},
};
constexpr Field kOtherFields[] = {
    {"type", Field::kNumber, nullptr,
     [](const AccountRecord& r) -> std::int64_t { return r.type; }},
    {"group", Field::kText, &AccountRecord::groupname, nullptr},
    {"zones", Field::kZones, nullptr, nullptr},
};

struct FieldList {
  const Field* begin;
  const Field* end;
};

FieldList FieldsOf(Kind kind) {
  if (kind == Kind::kUser) return {std::begin(kUserFields), std::end(kUserFields)};
  if (kind == Kind::kGroup) return {std::begin(kGroupFields), std::end(kGroupFields)};
  return {std::begin(kOtherFields), std::end(kOtherFields)};
}

bool Differs(const Field& field, const AccountRecord& a, const AccountRecord& b) {
  switch (field.form) {
    case Field::kText:
    case Field::kPassword:
      return a.*field.text != b.*field.text;
    case Field::kNumber:
      return field.number(a) != field.number(b);
    case Field::kZones:
      return a.sectionid != b.sectionid;
  }
  return false;
}

void WriteValue(JsonWriter& json, const Field& field, const AccountRecord& record) {
  switch (field.form) {
    case Field::kText:
      json.String(record.*field.text);
      break;
    case Field::kNumber:
      json.Integer(field.number(record));
      break;
    case Field::kZones:
      json.String(ZoneSetText(record.sectionid));
      break;
    case Field::kPassword:
      json.String(record.password.empty() ? "" : "set");
      break;
  }
}

// An added or deleted record: every field it has (an empty password left out).
void WriteAllFields(JsonWriter& json, Kind kind, const AccountRecord& record) {
  json.Key("fields").BeginObject();
  const FieldList fields = FieldsOf(kind);
  for (const Field* field = fields.begin; field != fields.end; ++field) {
    if (field->form == Field::kPassword && record.password.empty()) continue;
    WriteValue(json.Key(field->name), *field, record);
  }
  json.EndObject();
}

// A changed record: [old, new] for each field that differs.
void WriteChangedFields(JsonWriter& json, Kind kind, const AccountRecord& before,
                        const AccountRecord& after) {
  json.Key("fields").BeginObject();
  const FieldList fields = FieldsOf(kind);
  for (const Field* field = fields.begin; field != fields.end; ++field) {
    if (!Differs(*field, before, after)) continue;
    json.Key(field->name);
    if (field->form == Field::kPassword) {
      json.String(PasswordChange(before.password, after.password));
      continue;
    }
    json.BeginArray();
    WriteValue(json, *field, before);
    WriteValue(json, *field, after);
    json.EndArray();
  }
  json.EndObject();
}

bool SameStoredFields(Kind kind, const AccountRecord& a, const AccountRecord& b) {
  const FieldList fields = FieldsOf(kind);
  for (const Field* field = fields.begin; field != fields.end; ++field) {
    if (Differs(*field, a, b)) return false;
  }
  return true;
}

const char* KindName(Kind kind) { return kind == Kind::kUser ? "user" : "group"; }

void WriteAccountChange(JsonWriter& json, const char* op, Kind kind, const std::u16string& name) {
  json.BeginObject().Key("op").String(op).Key("account").String(name);
  json.Key("type").String(KindName(kind));
}

void WriteRecordChange(JsonWriter& json, const char* op, std::size_t ordinal,
                       const AccountRecord& record) {
  json.BeginObject().Key("op").String(op).Key("record").Integer(static_cast<std::int64_t>(ordinal));
  json.Key("type").Integer(record.type);
}

// The records of one table by kind and name, each name's records in table
// order: the k-th of a name pairs with the k-th of the same name.
class NameIndex {
 public:
  // The records [begin, end) of `table`.
  NameIndex(const std::vector<AccountRecord>& table, std::size_t begin, std::size_t end)
      : next_(table.size(), kNone) {
    for (std::size_t i = begin; i < end; ++i) {
      const Kind kind = KindOf(table[i]);
      if (kind == Kind::kOther) continue;
      auto [slot, added] = MapOf(kind).emplace(table[i].Name(), Chain{i, i});
      if (!added) next_[slot->second.last] = i, slot->second.last = i;
    }
  }
  // The next unpaired record of that kind and name, or kNone.
  std::size_t Take(Kind kind, std::u16string_view name) {
    auto found = MapOf(kind).find(name);
    if (found == MapOf(kind).end() || found->second.first == kNone) return kNone;
    const std::size_t taken = found->second.first;
    found->second.first = next_[taken];
    return taken;
  }
  bool Has(Kind kind, std::u16string_view name) const {
    return (kind == Kind::kUser ? users_ : groups_).count(name) > 0;
  }
  // Files `name` (of `kind`) under `alias` instead.
  void Alias(Kind kind, std::u16string_view name, std::u16string_view alias) {
    auto& map = MapOf(kind);
    auto found = map.find(name);
    const Chain chain = found->second;
    map.erase(found);
    map.emplace(alias, chain);
  }

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

 private:
  struct Chain {
    std::size_t first, last;
  };
  using Map = std::unordered_map<std::u16string_view, Chain>;
  Map& MapOf(Kind kind) { return kind == Kind::kUser ? users_ : groups_; }

  Map users_, groups_;
  std::vector<std::size_t> next_;
};

// The kind under which the hint's rename pairs records, when it applies:
// `from` was there and is gone, `to` is new.
std::optional<Kind> RenamedKind(const std::optional<RenameHint>& rename, const NameIndex& before,
                                const std::vector<AccountRecord>& after) {
  if (!rename || rename->from == rename->to) return std::nullopt;
  for (Kind kind : {Kind::kUser, Kind::kGroup}) {
    if (!before.Has(kind, rename->from) || before.Has(kind, rename->to)) continue;
    bool to_found = false, from_found = false;
    for (const AccountRecord& record : after) {
      if (KindOf(record) != kind) continue;
      to_found = to_found || record.Name() == rename->to;
      from_found = from_found || record.Name() == rename->from;
    }
    if (to_found && !from_found) return kind;
  }
  return std::nullopt;
}

void DiffOthers(JsonWriter& json, const std::vector<AccountRecord>& before,
                const std::vector<AccountRecord>& after) {
  std::vector<const AccountRecord*> old_others, new_others;
  for (const AccountRecord& record : before) {
    if (KindOf(record) == Kind::kOther) old_others.push_back(&record);
  }
  for (const AccountRecord& record : after) {
    if (KindOf(record) == Kind::kOther) new_others.push_back(&record);
  }
  for (std::size_t k = 0; k < std::max(old_others.size(), new_others.size()); ++k) {
    if (k >= old_others.size()) {
      WriteRecordChange(json, "added", k, *new_others[k]);
      WriteAllFields(json, Kind::kOther, *new_others[k]);
    } else if (k >= new_others.size()) {
      WriteRecordChange(json, "deleted", k, *old_others[k]);
      WriteAllFields(json, Kind::kOther, *old_others[k]);
    } else if (!SameStoredFields(Kind::kOther, *old_others[k], *new_others[k])) {
      WriteRecordChange(json, "changed", k, *new_others[k]);
      WriteChangedFields(json, Kind::kOther, *old_others[k], *new_others[k]);
    } else {
      continue;
    }
    json.EndObject();
  }
}

}  // namespace

std::string DiffAccounts(const std::vector<AccountRecord>& before,
                         const std::vector<AccountRecord>& after,
                         const std::optional<RenameHint>& rename) {
  std::string text;
  JsonWriter json(&text);
  json.BeginArray();
  // Tables mostly keep their order: records of one kind and name where they
  // stand at both ends pair without an index; only those between are
  // matched by name.
  const auto same_key = [](const AccountRecord& a, const AccountRecord& b) {
    return KindOf(a) == KindOf(b) && (KindOf(a) == Kind::kOther || a.Name() == b.Name());
  };
  const std::size_t shorter = std::min(before.size(), after.size());
  std::size_t head = 0, tail = 0;
  while (head < shorter && same_key(before[head], after[head])) ++head;
  while (tail < shorter - head &&
         same_key(before[before.size() - 1 - tail], after[after.size() - 1 - tail])) {
    ++tail;
  }
  NameIndex old_index(before, head, before.size() - tail);
  const std::optional<Kind> renamed = RenamedKind(rename, old_index, after);
  if (renamed) old_index.Alias(*renamed, rename->from, rename->to);
  std::vector<bool> paired(before.size(), false);
  for (std::size_t i = 0; i < after.size(); ++i) {
    const AccountRecord& record = after[i];
    const Kind kind = KindOf(record);
    if (kind == Kind::kOther) continue;
    const std::size_t old = i < head                   ? i
                            : i >= after.size() - tail ? i + before.size() - after.size()
                                                       : old_index.Take(kind, record.Name());
    if (old == NameIndex::kNone) {
      WriteAccountChange(json, "added", kind, record.Name());
      WriteAllFields(json, kind, record);
      json.EndObject();
      continue;
    }
    paired[old] = true;
    const bool is_rename =
        renamed == kind && record.Name() == rename->to && before[old].Name() == rename->from;
    if (!is_rename && SameStoredFields(kind, before[old], record)) continue;
    WriteAccountChange(json, "changed", kind, record.Name());
    if (is_rename) json.Key("renamed_from").String(rename->from);
    WriteChangedFields(json, kind, before[old], record);
    json.EndObject();
  }
  for (std::size_t i = 0; i < before.size(); ++i) {
    const Kind kind = KindOf(before[i]);
    if (kind == Kind::kOther || paired[i]) continue;
    WriteAccountChange(json, "deleted", kind, before[i].Name());
    WriteAllFields(json, kind, before[i]);
    json.EndObject();
  }
  DiffOthers(json, before, after);
  json.EndArray();
  return text;
}

std::string DiffZones(const ZoneNames& before, const ZoneNames& after) {
  std::string text;
  JsonWriter json(&text);
  json.BeginArray();
  for (int zone = 0; zone < kZoneCount; ++zone) {
    if (before[zone] == after[zone]) continue;
    json.BeginObject().Key("op").String("renamed").Key("zone").Integer(zone);
    json.Key("from").String(before[zone]).Key("to").String(after[zone]).EndObject();
  }
  json.EndArray();
  return text;
}

std::string ZoneSetText(const ZoneFlags& zones) {
  std::string text;
  const auto add = [&text](const std::string& item) {
    if (!text.empty()) text += ',';
    text += item;
  };
  for (int zone = 0; zone < kZoneCount; ++zone) {
    if (zones[zone] == 0) continue;
    if (zones[zone] != 1) {
      add(std::to_string(zone) + ':' + std::to_string(zones[zone]));
      continue;
    }
    int last = zone;
    while (last + 1 < kZoneCount && zones[last + 1] == 1) ++last;
    add(last == zone ? std::to_string(zone) : std::to_string(zone) + '-' + std::to_string(last));
    zone = last;
  }
  return text;
}

}  // namespace warden::history
