// zones and rename-zone: the zone configuration dialog without the window.
#include <ostream>

#include "accounts/name_text.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tools/wardenctl/commands.h"
#include "tools/wardenctl/transfer.h"
#include "zones/zone_name_rules.h"

namespace warden::ctl {

int ListZones(Session& session, bool json) {
  if (const int code = session.LoadZones()) return code;
  if (json) {
    Json document = DocumentJson();
    document["zones"] = ZonesJson(session.store.m_strSection);
    session.io.out << Printed(document) << '\n';
    return kExitOk;
  }
  for (int zone = 0; zone < kZoneCount; ++zone) {
    session.io.out << zone << '\t' << platform::ToUtf8(session.store.m_strSection[zone]) << '\n';
  }
  return kExitOk;
}

int RenameZone(Session& session, int zone, const std::string& name_utf8) {
  if (zone < 0 || zone >= kZoneCount) return session.Usage("zone: a number 0..63");
  if (const int code = session.LoadZones()) return code;
  const std::u16string name = platform::FromUtf8(name_utf8);
  // The rename dialog's edit stops typing at the limit.
  if (name.size() > kNameMaxChars) {
    return session.Refuse(IDS_TEXT_TOO_LONG, platform::ToDecimal(kNameMaxChars));
  }
  const std::vector<std::u16string> names(session.store.m_strSection.begin(),
                                          session.store.m_strSection.end());
  const ZoneNameVerdict verdict = CheckZoneRename(names, static_cast<std::size_t>(zone), name);
  if (!verdict.accepted()) {
    session.io.err << platform::ToUtf8(session.Text(verdict.message()) + verdict.offending) << '\n';
    return kExitRefused;
  }
  session.store.m_strSection[zone] = name;
  return session.SaveZones();
}

}  // namespace warden::ctl
