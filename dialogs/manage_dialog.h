// ManageDialog: the tree of groups and users of a store, with New, Modify,
// Delete and Edit zones. It loads users.dat and section.dat of its location
// into the store when it opens and writes users.dat on OK.
#ifndef WARDEN_DIALOGS_MANAGE_DIALOG_H
#define WARDEN_DIALOGS_MANAGE_DIALOG_H

#include <cstdint>
#include <string>

#include "accounts/account_rules.h"
#include "accounts/user_store.h"
#include "storage/data_location.h"
#include "ui/ui.h"

namespace warden {

class AccountEditor;

class ManageDialog : public ui::Dialog {
 public:
  ManageDialog(ui::WindowHandle parent, CUser& store, DataLocation location);

  std::int32_t m_nLastType = 0;
  ui::TreeView::Item m_hSelItem = 0;
  ui::Button m_btnDelete;
  ui::Button m_btnModify;
  ui::Button m_btnNew;
  ui::Button m_btnEditZones;
  ui::TreeView m_tree;
  std::int16_t m_nSelType = 0;

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void BuildTree();
  void OnSelectionChanged(ui::TreeView::Item item);
  void OnDoubleClick();
  void OnNew();
  void OnModify();
  void OnDelete();
  void ModifyGroup(AccountEditor& editor, const std::u16string& name);
  void ModifyUser(AccountEditor& editor, const std::u16string& name);
  ui::TreeView::Item FindGroupItem(const std::u16string& name) const;
  // The selection rules for the entry `item` shows.
  Selection SelectItem(ui::TreeView::Item item) const;

  // False after a failed load of either file: what is in memory is not the
  // file, so nothing may be edited and OK must not write users.dat.
  bool m_bAccountsLoaded = false;
  // True only when this opening read section.dat whole: Edit zones writes
  // all 64 names back.
  bool m_bZonesLoaded = false;
  CUser& m_store;
  const DataLocation m_location;
};

// Runs the manage dialog modally over `parent`.
void RunManageDialog(ui::WindowHandle parent, CUser& store, const DataLocation& location);

}  // namespace warden

#endif
