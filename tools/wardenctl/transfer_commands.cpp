// export and import: the whole table and the zone names as JSON.
#include <filesystem>
#include <fstream>
#include <ostream>

#include "platform/text.h"
#include "tools/wardenctl/commands.h"
#include "tools/wardenctl/transfer.h"

namespace warden::ctl {

int ExportAll(Session& session, bool with_passwords) {
  if (const int code = session.LoadAccounts()) return code;
  if (const int code = session.LoadZones()) return code;
  Json document = DocumentJson();
  Json accounts = Json::array();
  for (const AccountRecord& record : session.store.Records()) {
    accounts.push_back(AccountJson(record, with_passwords));
  }
  document["accounts"] = std::move(accounts);
  document["zones"] = ZonesJson(session.store.m_strSection);
  session.io.out << Printed(document) << '\n';
  return kExitOk;
}

int ImportAll(Session& session, const std::string& path, bool dry_run) {
  if (const int code = session.LoadAccounts()) return code;
  if (const int code = session.LoadZones()) return code;
  std::ifstream file;
  if (path != "-") {
    file.open(std::filesystem::u8path(path), std::ios::binary);
    if (!file) {
      session.io.err << "cannot read " << path << '\n';
      return kExitFile;
    }
  }
  const Json document = Json::parse(path == "-" ? session.io.in : file, nullptr, false);
  if (document.is_discarded()) {
    session.io.err << path << ": not JSON\n";
    return kExitRefused;
  }
  ImportPlan plan;
  const std::vector<std::string> problems = ReadImport(document, session, &plan);
  for (const std::string& problem : problems) session.io.err << problem << '\n';
  if (!problems.empty()) return kExitRefused;
  if (dry_run) return kExitOk;
  // Zones first: a failure there leaves both files as they were; a failure
  // of the accounts after it puts the old zone names back.
  const ZoneNames old_zones = session.store.m_strSection;
  const bool zones_change = plan.zones && *plan.zones != old_zones;
  if (zones_change) {
    session.store.m_strSection = *plan.zones;
    if (const int code = session.SaveZones()) return code;
  }
  session.store.m_pUser = std::move(plan.table);
  const int code = session.SaveAccounts();
  if (code != kExitOk && zones_change) {
    session.store.m_strSection = old_zones;
    session.SaveZones();
  }
  return code;
}

}  // namespace warden::ctl
