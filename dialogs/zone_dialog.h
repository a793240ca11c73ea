// The zone configuration dialog (ZoneDialog) and the rename dialog it opens
// for one zone (ZoneRenameDialog). Renames stay in the list until OK writes
// all 64 names into the zone names it was given and saves them to their file.
#ifndef WARDEN_DIALOGS_ZONE_DIALOG_H
#define WARDEN_DIALOGS_ZONE_DIALOG_H

#include <cstdint>
#include <string>

#include "dialogs/zone_check_list.h"
#include "history/history_observer.h"
#include "storage/data_file.h"
#include "ui/ui.h"
#include "zones/zone_file.h"
#include "zones/zone_name_rules.h"

namespace warden {

class ZoneRenameDialog : public ui::Dialog {
 public:
  // Opens with `name` in the edit; name() is what OK took from it.
  ZoneRenameDialog(ui::WindowHandle parent, std::u16string name);
  const std::u16string& name() const { return name_; }

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;

 private:
  std::u16string name_;
};

class ZoneDialog : public ui::Dialog {
 public:
  // OK saves `names` to `file` as `author`, recording the changes from
  // `loaded` (none: from the file on disk) and taking the names saved into it.
  ZoneDialog(ui::WindowHandle parent, ZoneNames& names, DataFile& file,
             history::Author author = {"dialog", std::nullopt},
             history::LoadedZones* loaded = nullptr);

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  // Renames the selected item through the rename dialog.
  void RenameSelected();
  void Select(const ui::Notification& notification);
  // The refusal's message in its box or prompt; true when accepted.
  bool ShowVerdict(const ZoneNameVerdict& verdict);

  ZoneNames& names_;
  DataFile& file_;
  history::Author author_;
  history::LoadedZones* loaded_;
  ui::Button modify_button_;
  ZoneCheckList zone_list_;
  std::u16string selected_name_;  // the item's text at its last click
  std::int32_t selected_index_ = -1;
};

}  // namespace warden

#endif
