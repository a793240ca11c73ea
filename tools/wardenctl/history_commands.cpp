#include "tools/wardenctl/history_commands.h"

#include <map>
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>

#include "history/history_files.h"
#include "history/json.h"
#include "history/timestamp.h"
#include "history/trail_file.h"
#include "history/trail_line.h"
#include "history/verifier.h"
#include "platform/files.h"
#include "platform/text.h"
#include "storage/data_file.h"
#include "tools/wardenctl/console.h"
#include "tools/wardenctl/session.h"
#include "tools/wardenctl/transfer.h"
#include "zones/zone_file.h"

namespace warden::ctl {
namespace {

using history::JsonValue;
using history::TrailLine;

struct HistoryOptions {
  std::string since, until, user, account;
  bool json = false;
  bool csv = false;
};

// A record with its outcome, or a drop.
struct Entry {
  TrailLine line;
  std::string outcome;  // empty: none (yet)
};

// One field of one change, as a row of the CSV and a phrase of the text.
struct ChangeRow {
  std::string op, target, field, old_value, new_value;
  bool pair = false;  // an old and a new value, not one value of an added or deleted account
};

bool SameName(const std::string& a, const std::string& b) {
  return platform::EqualsNoCase(platform::FromUtf8(a), platform::FromUtf8(b));
}

std::string ValueText(const JsonValue& value) {
  return value.kind == JsonValue::Kind::kInteger ? std::to_string(value.integer) : value.text;
}

std::string Member(const JsonValue& change, std::string_view key) {
  const JsonValue* value = change.Find(key);
  return value ? ValueText(*value) : std::string();
}

// The rows of one change: one per field, or one for a change without fields.
std::vector<ChangeRow> RowsOf(const JsonValue& change) {
  const std::string op = Member(change, "op");
  std::string target = Member(change, "account");
  if (change.Find("zone")) target = "zone " + Member(change, "zone");
  if (change.Find("record")) target = "record " + Member(change, "record");
  std::vector<ChangeRow> rows;
  if (change.Find("from"))
    rows.push_back({op, target, "name", Member(change, "from"), Member(change, "to"), true});
  if (change.Find("renamed_from")) {
    rows.push_back({op, target, "name", Member(change, "renamed_from"), target, true});
  }
  const JsonValue* fields = change.Find("fields");
  for (std::size_t i = 0; fields && i < fields->keys.size(); ++i) {
    const JsonValue& value = fields->items[i];
    ChangeRow row{op, target, fields->keys[i], {}, {}, false};
    if (value.kind == JsonValue::Kind::kArray && value.items.size() == 2) {
      row.old_value = ValueText(value.items[0]);
      row.new_value = ValueText(value.items[1]);
      row.pair = true;
    } else {
      (op == "deleted" ? row.old_value : row.new_value) = ValueText(value);
    }
    rows.push_back(row);
  }
  if (rows.empty()) rows.push_back({op, target, {}, {}, {}});
  return rows;
}

bool Touches(const JsonValue& change, const std::string& account) {
  return SameName(Member(change, "account"), account) ||
         SameName(Member(change, "renamed_from"), account);
}

// The record's local wall-clock time, as its maker saw it.
std::string LocalTime(const TrailLine& line) {
  const auto utc = history::ParseUtc(line.time);
  const auto offset = history::ParseOffset(line.offset);
  if (!utc || !offset) return line.time;
  std::string text = history::FormatUtc(*utc + *offset * 60000LL);
  text[10] = ' ';
  text.pop_back();
  return text + ' ' + line.offset;
}

class HistoryReader {
 public:
  HistoryReader(Session& session, const HistoryOptions& options)
      : session_(session), options_(options) {}

  int Run();

 private:
  bool ReadBounds();
  bool Selected(const Entry& entry) const;
  std::vector<JsonValue> Changes(const Entry& entry) const;
  void PrintText(const Entry& entry, const std::vector<JsonValue>& changes);
  void PrintCsv(const Entry& entry, const std::vector<JsonValue>& changes);
  Json EntryJson(const Entry& entry) const;

  Session& session_;
  const HistoryOptions& options_;
  std::optional<history::TimeBound> since_, until_;
};

bool HistoryReader::ReadBounds() {
  for (const auto& [text, bound] :
       {std::pair{&options_.since, &since_}, {&options_.until, &until_}}) {
    if (text->empty()) continue;
    *bound = history::ParseTimeBound(*text);
    if (!*bound) return false;
  }
  return true;
}

bool HistoryReader::Selected(const Entry& entry) const {
  const TrailLine& line = entry.line;
  const auto utc = history::ParseUtc(line.time);
  const auto offset = history::ParseOffset(line.offset);
  const auto at = [&](const history::TimeBound& bound) {
    return *utc + (bound.local ? *offset * 60000LL : 0);
  };
  if (since_ && at(*since_) < since_->ms) return false;
  if (until_ && at(*until_) >= until_->ms) return false;
  if (line.kind == history::LineKind::kDropped) {
    return options_.user.empty() && options_.account.empty();
  }
  return options_.user.empty() || (line.user && SameName(*line.user, options_.user));
}

// The changes to show: all, or those of the account asked for.
std::vector<JsonValue> HistoryReader::Changes(const Entry& entry) const {
  std::vector<JsonValue> shown;
  std::optional<JsonValue> all = history::ParseJson(entry.line.changes);
  if (!all) return shown;
  for (JsonValue& change : all->items) {
    if (options_.account.empty() || Touches(change, options_.account)) {
      shown.push_back(std::move(change));
    }
  }
  return shown;
}

void HistoryReader::PrintText(const Entry& entry, const std::vector<JsonValue>& changes) {
  std::ostream& out = session_.io.out;
  const TrailLine& line = entry.line;
  if (line.kind == history::LineKind::kDropped) {
    out << LocalTime(line) << "  generation " << *line.generation << " dropped\n";
    return;
  }
  out << '#' << line.seq << "  " << LocalTime(line) << "  " << line.file << "  " << line.action
      << "  " << (entry.outcome.empty() ? "no outcome" : entry.outcome) << '\n';
  // An outside change names the program that found it, not its author.
  if (line.front_end == "outside") {
    out << "    by a program outside Warden, found by ";
  } else {
    out << "    by " << line.user.value_or("(nobody logged in)") << " through " << line.front_end
        << ", ";
  }
  out << line.image << " (pid " << line.pid << ") as " << line.os_user << " on " << line.machine
      << '\n';
  for (const JsonValue& change : changes) {
    const std::vector<ChangeRow> rows = RowsOf(change);
    out << "    " << rows[0].op << ' ' << Member(change, "type") << (change.Find("type") ? " " : "")
        << rows[0].target;
    const char* separator = ": ";
    for (const ChangeRow& row : rows) {
      const std::string value =
          row.pair ? row.old_value + " -> " + row.new_value : row.old_value + row.new_value;
      if (row.field.empty() || value.empty()) continue;
      out << separator << row.field << ' ' << value;
      separator = ", ";
    }
    out << '\n';
  }
}

// A cell as a spreadsheet takes it: quoted when needed, and never read as a formula.
std::string Cell(std::string text) {
  const bool sign = !text.empty() && (text[0] == '+' || text[0] == '-');
  const bool number_follows = text.size() > 1 && text[1] >= '0' && text[1] <= '9';
  if (!text.empty() && (text[0] == '=' || text[0] == '@' || (sign && !number_follows))) {
    text.insert(0, 1, '\'');
  }
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + '"';
}

void HistoryReader::PrintCsv(const Entry& entry, const std::vector<JsonValue>& changes) {
  const TrailLine& line = entry.line;
  std::vector<ChangeRow> rows;
  for (const JsonValue& change : changes) {
    for (ChangeRow& row : RowsOf(change)) rows.push_back(std::move(row));
  }
  if (line.kind == history::LineKind::kDropped)
    rows.push_back({"dropped", *line.generation, {}, {}, {}});
  if (rows.empty()) rows.push_back({});
  const bool record = line.kind == history::LineKind::kRecord;
  for (const ChangeRow& row : rows) {
    const std::string cells[] = {record ? std::to_string(line.seq) : "",
                                 line.time,
                                 line.offset,
                                 line.file,
                                 line.action,
                                 entry.outcome,
                                 line.user.value_or(""),
                                 line.front_end,
                                 line.image,
                                 record ? std::to_string(line.pid) : "",
                                 line.os_user,
                                 line.machine,
                                 row.op,
                                 row.target,
                                 row.field,
                                 row.old_value,
                                 row.new_value};
    const char* separator = "";
    for (const std::string& cell : cells) {
      session_.io.out << separator << Cell(cell);
      separator = ",";
    }
    session_.io.out << "\r\n";
  }
}

// The line as stored, less its chain link, with its outcome; only the
// changes of the account asked for.
Json HistoryReader::EntryJson(const Entry& entry) const {
  Json json = Json::parse(history::FormatLine(entry.line), nullptr, false);
  json.erase("prev");
  if (entry.line.kind != history::LineKind::kRecord) return json;
  Json& changes = json["changes"];
  for (auto change = changes.begin(); !options_.account.empty() && change != changes.end();) {
    const auto name = [&change](const char* key) {
      const auto found = change->find(key);
      return found != change->end() && found->is_string() ? found->get<std::string>()
                                                          : std::string();
    };
    const bool kept = SameName(name("account"), options_.account) ||
                      SameName(name("renamed_from"), options_.account);
    change = kept ? change + 1 : changes.erase(change);
  }
  json["outcome"] = entry.outcome.empty() ? Json() : Json(entry.outcome);
  return json;
}

int HistoryReader::Run() {
  if (!ReadBounds()) {
    return session_.Usage(
        "history: a time is YYYY-MM-DD, or YYYY-MM-DDTHH:MM[:SS[.mmm]] with "
        "or without Z or an offset such as +08:00");
  }
  std::string bytes;
  const std::u16string path = history::TrailPath(session_.directory);
  const history::ReadResult read = history::ReadWholeFile(path, &bytes);
  if (read != history::ReadResult::kOk) {
    session_.io.err << "history: " << DisplayPath(path)
                    << (read == history::ReadResult::kMissing ? ": no history is kept here"
                                                              : ": cannot be read")
                    << '\n';
    return kExitFile;
  }
  history::TrailLines trail = history::SplitLines(bytes);
  if (trail.cut_off) trail.lines.pop_back();  // being written, or cut: not shown
  std::vector<Entry> entries;
  std::map<std::uint64_t, std::size_t> record_at;
  for (std::string_view text : trail.lines) {
    std::optional<TrailLine> line = history::ParseLine(text);
    if (!line) continue;
    if (line->kind == history::LineKind::kOutcome) {
      const auto found = record_at.find(line->of);
      if (found != record_at.end()) entries[found->second].outcome = line->outcome;
      continue;
    }
    if (line->kind == history::LineKind::kRecord) record_at[line->seq] = entries.size();
    entries.push_back(Entry{std::move(*line), {}});
  }
  Json all = Json::array();
  for (const Entry& entry : entries) {
    if (!Selected(entry)) continue;
    const std::vector<JsonValue> changes = Changes(entry);
    if (!options_.account.empty() && changes.empty()) continue;
    if (options_.json) {
      all.push_back(EntryJson(entry));
    } else if (options_.csv) {
      PrintCsv(entry, changes);
    } else {
      PrintText(entry, changes);
    }
  }
  if (options_.json) session_.io.out << Printed(all) << '\n';
  return kExitOk;
}

int PrintVerify(Session& session, const history::VerifyReport& report) {
  std::ostream& out = session.io.out;
  out << "history: " << DisplayPath(history::TrailPath(session.directory)) << ", " << report.lines
      << " lines, " << report.records << " records\n";
  for (const history::FileVerdict& verdict : report.files) {
    if (verdict.state == history::FileState::kAsRecorded) {
      out << "  " << history::DescribeVerdict(verdict) << '\n';
    }
  }
  for (const std::string& finding : report.findings) out << "  " << finding << '\n';
  out << (report.status == history::VerifyStatus::kClean ? "history: clean"
                                                         : "history: problems found")
      << '\n';
  return static_cast<int>(report.status);
}

// The zone names of a section.dat-shaped file, read under section.dat's
// lock, which the session holds.
bool ReadZoneFile(DataFile& file, ZoneNames* names) {
  *names = ZoneNames();
  return file.Read([names](Archive& archive) { return ReadZoneNames(archive, *names); }) ==
         FileFailure::kNone;
}

}  // namespace

DataFile GenerationFile(const Session& session, std::string_view file, std::uint64_t seq) {
  std::u16string name = platform::FromUtf8(history::GenerationName(file, seq));
  name.resize(name.size() - 4);  // DataFile adds ".dat" again
  return DataFile(session.directory + u"History\\", name, Access::kReadOnly, MissingFile::kLeave);
}

int RestoreZoneGeneration(Session& session, bool yes, std::uint64_t generation) {
  if (const int code = session.LoadZones(Use::kWrite, Unreadable::kReplace)) return code;
  DataFile source = GenerationFile(session, history::kSectionFile, generation);
  ZoneNames kept;
  if (!source.Exists() || !ReadZoneFile(source, &kept)) {
    session.io.err << platform::ToUtf8(platform::FormatText(
                          session.Text(ToolText::kNoGeneration),
                          platform::ToDecimal(static_cast<long long>(generation))))
                   << '\n';
    return kExitFile;
  }
  const ZoneNames& now = session.zones;
  bool any = false;
  for (int zone = 0; zone < kZoneCount; ++zone) {
    if (now[zone] == kept[zone]) continue;
    session.io.out << "~ " << zone << ": " << platform::ToUtf8(now[zone]) << " -> "
                   << platform::ToUtf8(kept[zone]) << '\n';
    any = true;
  }
  if (!any) {
    session.Say(session.io.out, session.Text(ToolText::kUnchanged));
    return kExitOk;
  }
  if (const int code = session.Confirm(ToolText::kRestoreGenerationQuestion, yes)) return code;
  session.zones = kept;
  return session.SaveZones("restore");
}

void DefineHistoryCommands(CLI::App& app, std::function<int(Session&)>* run) {
  auto options = std::make_shared<HistoryOptions>();
  auto* history = app.add_subcommand(
      "history", "every save of users.dat and section.dat: who, when, what changed");
  history->add_option("--since", options->since,
                      "from this time on (YYYY-MM-DD[THH:MM[:SS]][Z|+HH:MM])");
  history->add_option("--until", options->until, "before this time");
  history->add_option("--user", options->user, "saves by this Warden user");
  history->add_option("--account", options->account, "changes of this account");
  auto* json = history->add_flag("--json", options->json, "as JSON");
  history->add_flag("--csv", options->csv, "as CSV, one row per changed field")->excludes(json);
  // Runs after its subcommand's callback: verify, when given, has chosen already.
  history->callback([run, options, history] {
    if (history->got_subcommand("verify")) return;
    *run = [options](Session& session) { return HistoryReader(session, *options).Run(); };
  });
  auto* verify = history->add_subcommand(
      "verify", "check the trail's chain and order, the generations and the data files against it");
  verify->callback([run] {
    *run = [](Session& session) {
      return PrintVerify(session, history::VerifyHistory(session.directory));
    };
  });
}

int VerifyHistoryIfKept(Session& session, Json* report) {
  std::u16string folder = history::HistoryDirectory(session.directory);
  folder.pop_back();
  if (!platform::Files().exists(folder)) return -1;
  const history::VerifyReport verified = history::VerifyHistory(session.directory);
  if (!report) return PrintVerify(session, verified);
  Json& json = (*report)["history"] = {{"clean", verified.status == history::VerifyStatus::kClean},
                                       {"lines", verified.lines},
                                       {"records", verified.records}};
  json["findings"] = verified.findings;
  (*report)["clean"] = (*report)["clean"].get<bool>() && json["clean"].get<bool>();
  return static_cast<int>(verified.status);
}

}  // namespace warden::ctl
