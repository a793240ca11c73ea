// ZoneCheckList: the zone list. Item i is zone i of the names it is given,
// shown plainly or with a check box per zone.
#ifndef WARDEN_DIALOGS_ZONE_CHECK_LIST_H
#define WARDEN_DIALOGS_ZONE_CHECK_LIST_H

#include "accounts/account_record.h"
#include "ui/ui.h"
#include "zones/zone_file.h"

namespace warden {

class ZoneCheckList : public ui::ListView {
 public:
  explicit ZoneCheckList(const ZoneNames& names) : names_(names) {}
  ~ZoneCheckList() override = default;

  // Rebuilds the list from the 64 zone names; ticks are lost.
  void FillZones(bool check_boxes);
  // Entry i becomes 1 if item i is ticked, else 0, for the items the array can hold.
  void GetZoneChecks(ZoneFlags& checks) const;
  // Ticks item i if and only if flags[i] is 1.
  void SetZoneChecks(const ZoneFlags& flags);

 private:
  const ZoneNames& names_;
};

}  // namespace warden

#endif
