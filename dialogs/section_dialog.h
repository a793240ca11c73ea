// The zone configuration dialog (CSectionDialog) and the rename dialog it
// opens for one zone (CDialog2). Renames stay in the list until OK writes all
// 64 names into the store and saves section.dat to its location.
#ifndef WARDEN_DIALOGS_SECTION_DIALOG_H
#define WARDEN_DIALOGS_SECTION_DIALOG_H

#include <cstdint>
#include <string>

#include "accounts/user_store.h"
#include "dialogs/drive_picker_list.h"
#include "platform/ui.h"
#include "storage/data_location.h"
#include "zones/zone_name_rules.h"

namespace warden {

class CDialog2 : public platform::Dialog {
 public:
  explicit CDialog2(platform::WindowHandle parent);

  std::u16string m_strNewName;

 protected:
  void DoDataExchange(platform::DataExchange& exchange) override;
  bool OnInitDialog() override;
};

class CSectionDialog : public platform::Dialog {
 public:
  CSectionDialog(platform::WindowHandle parent, CUser& store, DataLocation location);

  // Renames item m_nSelIndex of the list through the rename dialog.
  void RenameSection();

  platform::Button m_btnModify;
  CDrivePickerListCtrl m_listSection;
  std::u16string m_strSelName;
  std::int32_t m_nSelIndex = -1;

 protected:
  void DoDataExchange(platform::DataExchange& exchange) override;
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void Select(const platform::Notification& notification);
  // The refusal's message in its box or prompt; true when accepted.
  bool ShowVerdict(const ZoneNameVerdict& verdict);

  CUser& m_store;
  const DataLocation m_location;
};

}  // namespace warden

#endif
