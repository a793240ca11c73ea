// ZoneCheckList: the zone list. Item i is zone i of the store it is
// given, shown plainly or with a check box per zone.
#ifndef WARDEN_DIALOGS_ZONE_CHECK_LIST_H
#define WARDEN_DIALOGS_ZONE_CHECK_LIST_H

#include <cstdint>

#include "accounts/account_record.h"
#include "accounts/user_store.h"
#include "ui/ui.h"

namespace warden {

class ZoneCheckList : public ui::ListView {
 public:
  explicit ZoneCheckList(const CUser& store) : m_store(store) {}
  ~ZoneCheckList() override = default;

  // Rebuilds the list from the store's 64 zone names; ticks are lost.
  void FillZones(bool check_boxes);
  // Entry i becomes 1 if item i is ticked, else 0, for the items the array can hold.
  void GetZoneChecks(ZoneFlags& checks) const;
  // Ticks item i if and only if sectionid[i] of that record of the store is 1.
  // An index outside the table changes nothing.
  void SetZoneChecks(std::int16_t record_index);

 private:
  const CUser& m_store;
};

}  // namespace warden

#endif
