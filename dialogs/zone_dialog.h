// The zone configuration dialog (ZoneDialog) and the rename dialog it
// opens for one zone (ZoneRenameDialog). Renames stay in the list until OK writes all
// 64 names into the store and saves section.dat to its location.
#ifndef WARDEN_DIALOGS_ZONE_DIALOG_H
#define WARDEN_DIALOGS_ZONE_DIALOG_H

#include <cstdint>
#include <string>

#include "accounts/user_store.h"
#include "dialogs/zone_check_list.h"
#include "storage/data_location.h"
#include "ui/ui.h"
#include "zones/zone_name_rules.h"

namespace warden {

class ZoneRenameDialog : public ui::Dialog {
 public:
  explicit ZoneRenameDialog(ui::WindowHandle parent);

  std::u16string m_strNewName;

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;
};

class ZoneDialog : public ui::Dialog {
 public:
  ZoneDialog(ui::WindowHandle parent, CUser& store, DataLocation location);

  // Renames item m_nSelIndex of the list through the rename dialog.
  void RenameSection();

  ui::Button m_btnModify;
  ZoneCheckList m_listSection;
  std::u16string m_strSelName;
  std::int32_t m_nSelIndex = -1;

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void Select(const ui::Notification& notification);
  // The refusal's message in its box or prompt; true when accepted.
  bool ShowVerdict(const ZoneNameVerdict& verdict);

  CUser& m_store;
  const DataLocation m_location;
};

}  // namespace warden

#endif
