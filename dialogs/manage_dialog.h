// ManageDialog: the tree of groups and users of a store, with New, Modify,
// Delete and Edit zones. It loads the store's users and zones files when it
// opens and saves the users file on OK.
#ifndef WARDEN_DIALOGS_MANAGE_DIALOG_H
#define WARDEN_DIALOGS_MANAGE_DIALOG_H

#include <cstdint>
#include <optional>
#include <string>

#include "accounts/account_rules.h"
#include "accounts/account_table.h"
#include "dialogs/account_editor.h"
#include "history/history_observer.h"
#include "storage/data_file.h"
#include "ui/ui.h"
#include "zones/zone_file.h"

namespace warden {

// What the manage dialog and the dialogs it opens work on: a store's table
// and zone names with their files, what each was last loaded or saved as
// (the old side of the history's changes), and the logged-in user.
struct ManagedStore {
  AccountTable& accounts;
  ZoneNames& zones;
  DataFile& users_file;
  DataFile& zones_file;
  history::LoadedAccounts& accounts_loaded;
  history::LoadedZones& zones_loaded;
  const AccountRecord* logged_in;  // null: nobody logged in
};

class ManageDialog : public ui::Dialog {
 public:
  ManageDialog(ui::WindowHandle parent, const ManagedStore& store);

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
  // Opens the editor on `record`, a record of the table, and applies its OK.
  void Modify(const AccountRecord& record, std::int32_t type);
  void OnDelete();
  // The first record of `type` named exactly `name`, or null.
  const AccountRecord* FindRecord(std::int16_t type, const std::u16string& name) const;
  ui::TreeView::Item FindGroupItem(const std::u16string& name) const;
  // The selection rules for the entry `item` shows.
  Selection SelectItem(ui::TreeView::Item item) const;
  EditorSources Sources() const {
    return {store_.accounts.records(), store_.zones, store_.logged_in};
  }

  // The history's author of the dialog's saves: the logged-in user.
  history::Author Author() const;

  ManagedStore store_;
  // The writer's word for the history when an edit renamed an account.
  std::optional<history::RenameHint> rename_;
  // False after a failed load of either file: what is in memory is not the
  // file, so nothing may be edited and OK must not write users.dat.
  bool accounts_loaded_ = false;
  // True only when this opening read section.dat whole: Edit zones writes
  // all 64 names back.
  bool zones_loaded_ = false;
  std::int32_t last_type_ = kEditGroup;  // the type a New editor offers first
  ui::TreeView::Item selected_item_ = 0;
  std::int16_t selected_type_ = 0;
  ui::Button delete_button_;
  ui::Button modify_button_;
  ui::Button new_button_;
  ui::Button edit_zones_button_;
  ui::TreeView tree_;
};

// Runs the manage dialog modally over `parent`.
void RunManageDialog(ui::WindowHandle parent, const ManagedStore& store);

}  // namespace warden

#endif
