// export and import: the whole table and the zone names as JSON.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "platform/text.h"
#include "tools/wardenctl/changes.h"
#include "tools/wardenctl/commands.h"
#include "tools/wardenctl/console.h"
#include "tools/wardenctl/transfer.h"

namespace warden::ctl {
namespace {

using platform::ToUtf8;

// The text of FILE (- : stdin); kExitOk or the code after the message.
int ReadInput(Session& session, const std::string& path, std::string* text) {
  if (path == "-") {
    text->assign(std::istreambuf_iterator<char>(session.io.in), {});
    return kExitOk;
  }
  const std::u16string core = CorePathFromArgument(path);
  const PathKind kind = KindOf(core);
  std::ifstream file;
  if (kind == PathKind::kOther) file.open(std::filesystem::u8path(path), std::ios::binary);
  if (!file.is_open()) {
    session.io.err << path
                   << (kind == PathKind::kDirectory ? " is a directory" : ": cannot be read")
                   << '\n';
    return kExitFile;
  }
  text->assign(std::istreambuf_iterator<char>(file), {});
  return file.bad() ? (session.io.err << path << ": cannot be read\n", kExitFile) : kExitOk;
}

// The document, or its syntax error with the line and column.
int ParseInput(Session& session, const std::string& path, const std::string& text, Json* document) {
  try {
    *document = Json::parse(text);
    return kExitOk;
  } catch (const Json::parse_error& error) {
    const std::string what = error.what();  // "[json.exception...] parse error at line L, ..."
    const std::size_t at = what.find("line ");
    session.io.err << path << ": not JSON: " << what.substr(at == std::string::npos ? 0 : at)
                   << '\n';
    return kExitRefused;
  }
}

// The zones a plan renames, as "~ zone N: name" lines.
bool PrintZoneChanges(Session& session, const ZoneNames& now, const ZoneNames& planned) {
  bool any = false;
  for (int zone = 0; zone < kZoneCount; ++zone) {
    if (now[zone] == planned[zone]) continue;
    session.io.out << "~ zone " << zone << ": " << ToUtf8(planned[zone]) << '\n';
    any = true;
  }
  return any;
}

// What an import changes, as listed.
struct Planned {
  bool accounts = false;
  bool zones = false;
  bool drops = false;  // records dropped, or a file that cannot be read replaced
};

Planned ListChanges(Session& session, const std::vector<AccountRecord>& loaded,
                    const ImportPlan& plan, const TableChanges& changes) {
  const std::u16string replaced = session.Text(ToolText::kUnreadableReplaced);
  if (!session.accounts_read()) {
    session.Say(session.io.out, platform::FormatText(replaced, session.users_file().names().dat));
  }
  PrintChanges(session, loaded, plan.table, changes);
  const bool zones_replaced = plan.zones && !session.zones_read();
  if (zones_replaced) {
    session.Say(session.io.out, platform::FormatText(replaced, session.zones_file().names().dat));
  }
  Planned planned;
  planned.accounts = changes.any() || !session.accounts_read();
  planned.zones =
      zones_replaced || (plan.zones && PrintZoneChanges(session, session.zones, *plan.zones));
  planned.drops = !changes.dropped.empty() || !session.accounts_read() || zones_replaced;
  return planned;
}

// Zones first: a failure there leaves both files as they were; a failure
// of the accounts after it puts the old zone names back.
int WritePlan(Session& session, ImportPlan& plan, const Planned& planned) {
  const ZoneNames old_zones = session.zones;
  if (planned.zones) {
    session.zones = *plan.zones;
    if (const int code = session.SaveZones()) return code;
  }
  if (!planned.accounts) return kExitOk;
  session.accounts.Replace(std::move(plan.table));
  const int code = session.SaveAccounts();
  if (code != kExitOk && planned.zones) {
    session.zones = old_zones;
    static_cast<void>(session.SaveZones());  // a failure here is printed all the same
  }
  return code;
}

}  // namespace

int ExportAll(Session& session, bool with_passwords) {
  if (const int code = session.LoadAccounts(Use::kRead)) return code;
  if (const int code = session.LoadZones(Use::kRead)) return code;
  Json document = DocumentJson(kAccountsFormat, kAccountsVersion);
  Json accounts = Json::array();
  for (const AccountRecord& record : session.accounts.records()) {
    accounts.push_back(AccountJson(record, with_passwords));
  }
  document["accounts"] = std::move(accounts);
  document["zones"] = ZonesJson(session.zones);
  session.io.out << Printed(document) << '\n';
  return kExitOk;
}

// A file that cannot be read is replaced only by a full import, never
// merged into; after its failed load no backup is taken, so users.bak
// keeps what it holds.
int ImportAll(Session& session, const std::string& path, const ImportOptions& options, bool dry_run,
              bool yes) {
  std::string text;
  Json document;
  if (const int code = ReadInput(session, path, &text)) return code;
  if (const int code = ParseInput(session, path, text, &document)) return code;
  const Use use = dry_run ? Use::kRead : Use::kWrite;
  const Unreadable unreadable = options.merge ? Unreadable::kRefuse : Unreadable::kReplace;
  if (const int code = session.LoadAccounts(use, unreadable)) return code;
  if (const int code = session.LoadZones(use, Unreadable::kReplace)) return code;
  ImportPlan plan;
  std::vector<std::string> problems = ReadImport(document, session, options, &plan);
  const std::vector<AccountRecord> loaded = session.accounts.records();
  const TableChanges changes = CompareTables(loaded, plan.table);
  // The changes are judged once the file itself is sound: a record refused
  // would otherwise count as dropped.
  if (problems.empty()) problems = JudgeChanges(session, loaded, plan.table, changes);
  for (const std::string& problem : problems) session.io.err << problem << '\n';
  if (!problems.empty()) return kExitRefused;
  const Planned planned = ListChanges(session, loaded, plan, changes);
  if (!planned.accounts && !planned.zones) {
    session.Say(session.io.out, session.Text(ToolText::kUnchanged));
    return kExitOk;
  }
  if (dry_run) return kExitOk;
  if (planned.drops) {
    if (const int code = session.Confirm(ToolText::kImportQuestion, yes)) return code;
  }
  return WritePlan(session, plan, planned);
}

}  // namespace warden::ctl
