// verify and restore-backup: looking at the files themselves.
#include <algorithm>
#include <iostream>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "accounts/account_file.h"
#include "history/history_files.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "storage/data_file.h"
#include "tools/wardenctl/changes.h"
#include "tools/wardenctl/commands.h"
#include "tools/wardenctl/history_commands.h"
#include "tools/wardenctl/transfer.h"
#include "zones/zone_file.h"

namespace warden::ctl {
namespace {

using platform::ToUtf8;

struct TableRead {
  FileFailure failure = FileFailure::kNone;
  std::vector<AccountRecord> table;
  std::vector<SealedFieldDamage> damaged;

  bool exists() const { return failure != FileFailure::kNotFound; }
  // As the reports give it: 0 read, else the component's code for a file not read.
  int result() const { return failure == FileFailure::kNone ? 0 : IDS_READ_USERS_FAILED; }
};

// Reads users.dat, or its backup, without creating or changing anything;
// the session holds the lock of users.dat when there is one.
TableRead ReadTable(DataFile& file, bool backup) {
  TableRead read;
  const ContentReader reader = [&read](Archive& archive) {
    return ReadAccountTable(archive, &read.table, &read.damaged);
  };
  read.failure = backup ? file.ReadBackup(reader) : file.Read(reader);
  return read;
}

// What verify finds, as JSON; "clean" tells whether anything was found. A
// missing users.dat or section.dat reads as the defaults, as for every
// command.
Json Inspect(Session& session) {
  DataFile& users_file = session.users_file();
  const TableRead users = ReadTable(users_file, false);
  Json report = DocumentJson(kReportFormat);
  Json& file = report["users"];
  file = {{"path", session.FilePath(users_file.paths().dat)},
          {"exists", users.exists()},
          {"result", users.exists() ? users.result() : 0},
          {"records", users.table.size()}};
  bool clean = file["result"] == 0;
  file["over_limit"] = users.table.size() > static_cast<std::size_t>(kMaxAccounts);
  clean = clean && !file["over_limit"].get<bool>();
  Json& unsealed = file["unsealed"] = Json::array();
  for (const SealedFieldDamage& damage : users.damaged) {
    unsealed.push_back({{"record", damage.record}, {"field", damage.field}});
  }
  std::unordered_set<std::u16string> groups;
  // Names equal but for letter case: the other records, by the first one's index.
  std::unordered_map<std::u16string, std::size_t> first_of_name;
  std::map<std::size_t, std::vector<std::size_t>> same_name;
  first_of_name.reserve(users.table.size());
  for (std::size_t i = 0; i < users.table.size(); ++i) {
    const AccountRecord& record = users.table[i];
    if (record.type == kTypeGroup) groups.insert(record.groupname);
    if (record.type != kTypeGroup && record.type != kTypeUser) continue;
    const auto [first, added] = first_of_name.emplace(platform::Folded(record.Name()), i);
    if (!added) same_name[first->second].push_back(i);
  }
  Json& unknown = file["unknown_groups"] = Json::array();
  for (std::size_t i = 0; i < users.table.size(); ++i) {
    const AccountRecord& record = users.table[i];
    if (record.type == kTypeUser && !record.groupname.empty() && !groups.count(record.groupname)) {
      unknown.push_back(
          {{"record", i}, {"name", ToUtf8(record.username)}, {"group", ToUtf8(record.groupname)}});
    }
  }
  Json& same = file["case_duplicates"] = Json::array();
  for (const auto& [first, others] : same_name) {
    Json names = Json::array({ToUtf8(users.table[first].Name())});
    for (std::size_t other : others) names.push_back(ToUtf8(users.table[other].Name()));
    same.push_back(names);
  }
  clean = clean && unsealed.empty() && unknown.empty() && same.empty();

  const TableRead backup = ReadTable(users_file, true);
  report["backup"] = {{"path", session.FilePath(users_file.paths().backup)},
                      {"exists", backup.exists()},
                      {"result", backup.exists() ? backup.result() : 0},
                      {"records", backup.table.size()}};
  clean = clean && (!backup.exists() || backup.failure == FileFailure::kNone);

  ZoneNames names;
  const FileFailure zones_failure = LoadZoneFile(names, session.zones_file());
  const bool zones_exist = zones_failure != FileFailure::kNotFound;
  const bool zones_read = zones_failure == FileFailure::kNone;
  report["zones"] = {{"path", session.FilePath(session.zones_file().paths().dat)},
                     {"exists", zones_exist},
                     {"result", !zones_exist || zones_read ? 0 : IDS_READ_USERS_FAILED}};
  report["clean"] = clean && report["zones"]["result"] == 0;
  return report;
}

void PrintReport(std::ostream& out, const Json& report) {
  const Json& users = report["users"];
  out << "users.dat: " << users["path"].get<std::string>() << '\n';
  if (!users["exists"].get<bool>()) {
    out << "  missing: the defaults apply\n";
  } else if (users["result"] != 0) {
    out << "  not readable (" << users["result"] << ")\n";
  } else {
    out << "  records: " << users["records"] << (users["over_limit"] ? " (over 32767)" : "")
        << '\n';
  }
  for (const Json& damage : users["unsealed"]) {
    out << "  record " << damage["record"] << ": " << damage["field"].get<std::string>()
        << " could not be unsealed\n";
  }
  for (const Json& user : users["unknown_groups"]) {
    out << "  record " << user["record"] << ": user " << user["name"].get<std::string>()
        << " of unknown group " << user["group"].get<std::string>() << '\n';
  }
  for (const Json& names : users["case_duplicates"]) {
    out << "  names differing only in case:";
    for (const Json& name : names) out << ' ' << name.get<std::string>();
    out << '\n';
  }
  const Json& backup = report["backup"];
  out << "users.bak: "
      << (!backup["exists"].get<bool>() ? "none"
          : backup["result"] == 0       ? "loads, " + backup["records"].dump() + " records"
                                        : "not readable (" + backup["result"].dump() + ")")
      << '\n';
  const Json& zones = report["zones"];
  out << "section.dat: "
      << (!zones["exists"].get<bool>() ? "missing: the defaults apply"
          : zones["result"] == 0       ? "loads"
                                       : "not readable (" + zones["result"].dump() + ")")
      << '\n';
  out << (report["clean"].get<bool>() ? "clean" : "problems found") << '\n';
}

}  // namespace

int Verify(Session& session, bool json) {
  if (const int code = session.LockAccounts(Use::kRead)) return code;
  if (const int code = session.LockZones(Use::kRead)) return code;
  Json report = Inspect(session);
  const int history = json ? VerifyHistoryIfKept(session, &report) : -1;
  if (json) {
    session.io.out << Printed(report) << '\n';
  } else {
    PrintReport(session.io.out, report);
  }
  const bool unreadable = report["users"]["result"] != 0 || report["zones"]["result"] != 0;
  const int code = report["clean"].get<bool>() ? kExitOk : unreadable ? kExitFile : kExitRefused;
  return std::max(code, json ? history : VerifyHistoryIfKept(session, nullptr));
}

// Works without a readable users.dat too: that is when it is needed. The
// failed load keeps users.bak from being taken over at the save.
int RestoreBackup(Session& session, bool yes, std::uint64_t generation) {
  if (generation && !GenerationFile(session, history::kUsersFile, generation).Exists()) {
    return RestoreZoneGeneration(session, yes, generation);
  }
  if (const int code = session.LoadAccounts(Use::kWrite, Unreadable::kReplace)) return code;
  std::optional<DataFile> generation_file;
  if (generation) generation_file.emplace(GenerationFile(session, history::kUsersFile, generation));
  DataFile& kept = generation ? *generation_file : session.users_file();
  TableRead backup = ReadTable(kept, !generation);
  if (backup.failure != FileFailure::kNone) {
    const std::u16string missing =
        generation ? platform::FormatText(session.Text(ToolText::kNoGeneration),
                                          platform::ToDecimal(static_cast<long long>(generation)))
                   : session.Text(ToolText::kNoBackup);
    const std::u16string& path = generation ? kept.paths().dat : kept.paths().backup;
    session.io.err << ToUtf8(missing) << " (" << IDS_READ_USERS_FAILED << ": "
                   << session.FilePath(path) << ")\n";
    return kExitFile;
  }
  const std::vector<AccountRecord>& now = session.accounts.records();
  const TableChanges changes = CompareTables(now, backup.table);
  const std::vector<std::string> problems = JudgeChanges(session, now, backup.table, changes);
  for (const std::string& problem : problems) session.io.err << problem << '\n';
  if (!problems.empty()) return kExitRefused;
  if (session.accounts_read() && !changes.any()) {
    session.Say(session.io.out, session.Text(ToolText::kUnchanged));
    return kExitOk;
  }
  if (!session.accounts_read()) {
    session.Say(session.io.out, platform::FormatText(session.Text(ToolText::kUnreadableReplaced),
                                                     session.users_file().names().dat));
  }
  PrintChanges(session, now, backup.table, changes);
  const ToolText question =
      generation ? ToolText::kRestoreGenerationQuestion : ToolText::kRestoreQuestion;
  if (const int code = session.Confirm(question, yes)) return code;
  session.accounts.Replace(std::move(backup.table));
  return session.SaveAccounts("restore");
}

}  // namespace warden::ctl
