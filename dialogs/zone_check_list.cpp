#include "dialogs/zone_check_list.h"

namespace warden {

void ZoneCheckList::FillZones(bool check_boxes) {
  ModifyStyle(kTypeMask | kShowSelAlways | kSortAscending | kSortDescending | kOwnerDrawFixed,
              kReport | kSingleSel | kShareImageLists | kNoColumnHeader);
  if (check_boxes) {
    SetExtendedStyle(kExCheckBoxes, kExCheckBoxes);
  } else {
    SetExtendedStyle(0, 0);
  }
  DeleteAllItems();
  if (!HasColumn(0)) InsertColumn(0, u"", kFormatLeft, kNoWidth);
  for (std::int16_t zone = 0; zone < kZoneCount; ++zone) {
    InsertItem(zone, names_[zone]);
  }
  SetColumnWidth(0, kAutosizeUseHeader);
}

void ZoneCheckList::GetZoneChecks(ZoneFlags& checks) const {
  const int count = ItemCount();
  for (int i = 0; i < count && i < kZoneCount; ++i) checks[i] = IsChecked(i) ? 1 : 0;
}

void ZoneCheckList::SetZoneChecks(const ZoneFlags& flags) {
  const int count = ItemCount();
  for (int i = 0; i < count && i < kZoneCount; ++i) SetChecked(i, flags[i] == 1);
}

}  // namespace warden
