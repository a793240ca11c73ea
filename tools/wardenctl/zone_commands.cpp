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
  if (const int code = session.LoadZones(Use::kRead)) return code;
  if (json) {
    Json document = DocumentJson(kZonesFormat);
    document["zones"] = ZonesJson(session.zones);
    session.io.out << Printed(document) << '\n';
    return kExitOk;
  }
  for (int zone = 0; zone < kZoneCount; ++zone) {
    session.io.out << zone << '\t' << platform::ToUtf8(session.zones[zone]) << '\n';
  }
  return kExitOk;
}

int RenameZone(Session& session, int zone, const std::string& name_utf8) {
  if (zone < 0 || zone >= kZoneCount) return session.Usage("N: not a zone number 0..63");
  if (const int code = session.LoadZones(Use::kWrite)) return code;
  const std::u16string name = platform::FromUtf8(name_utf8);
  // The rename dialog's edit stops typing at the limit.
  if (name.size() > kNameMaxChars) {
    return session.Refuse(IDS_TEXT_TOO_LONG, platform::ToDecimal(kNameMaxChars), "NAME");
  }
  const std::vector<std::u16string> names(session.zones.begin(), session.zones.end());
  const ZoneNameVerdict verdict = CheckZoneRename(names, static_cast<std::size_t>(zone), name);
  if (!verdict.accepted()) {
    const std::u16string& offending = verdict.offending;
    session.Say(session.io.err, u"NAME: " + session.Text(verdict.message()) +
                                    (offending.empty() ? u"" : u"\"" + offending + u"\""));
    return kExitRefused;
  }
  if (session.zones[zone] == name) {
    session.Say(session.io.out, session.Text(ToolText::kUnchanged));
    return kExitOk;
  }
  session.zones[zone] = name;
  return session.SaveZones();
}

}  // namespace warden::ctl
