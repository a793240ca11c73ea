#include "dialogs/manage_dialog.h"

#include "accounts/account_file.h"
#include "accounts/account_rules.h"
#include "accounts/account_tree.h"
#include "accounts/builtin_names.h"
#include "dialogs/account_editor.h"
#include "dialogs/prompt_dialog.h"
#include "dialogs/zone_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "zones/zone_file.h"

namespace warden {

using ui::NotifyCode;
using ui::TreeView;

ManageDialog::ManageDialog(ui::WindowHandle parent, const ManagedStore& store)
    : Dialog(IDD_MANAGE, parent), store_(store) {
  On(IDC_NEW, NotifyCode::kClick, [this](const ui::Notification&) { OnNew(); });
  On(IDC_MODIFY, NotifyCode::kClick, [this](const ui::Notification&) { OnModify(); });
  On(IDC_DELETE, NotifyCode::kClick, [this](const ui::Notification&) { OnDelete(); });
  On(IDC_EDIT_ZONES, NotifyCode::kClick, [this](const ui::Notification&) {
    if (!zones_loaded_) return;
    ZoneDialog(Handle(), store_.zones, store_.zones_file, Author(), &store_.zones_loaded).DoModal();
  });
  On(IDC_ACCOUNT_TREE, NotifyCode::kSelectionChanged,
     [this](const ui::Notification& n) { OnSelectionChanged(n.item); });
  On(IDC_ACCOUNT_TREE, NotifyCode::kDoubleClick,
     [this](const ui::Notification&) { OnDoubleClick(); });
}

void ManageDialog::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Bind(IDC_DELETE, delete_button_);
  exchange.Bind(IDC_MODIFY, modify_button_);
  exchange.Bind(IDC_NEW, new_button_);
  exchange.Bind(IDC_EDIT_ZONES, edit_zones_button_);
  exchange.Bind(IDC_ACCOUNT_TREE, tree_);
}

bool ManageDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  history::HistoryObserver creating(Author(), nullptr);
  accounts_loaded_ =
      LoadAccountFile(store_.accounts, store_.users_file, &creating) == FileFailure::kNone;
  if (accounts_loaded_) store_.accounts_loaded.Take(store_.accounts.records(), store_.users_file);
  zones_loaded_ = accounts_loaded_ &&
                  LoadZoneFile(store_.zones, store_.zones_file, &creating) == FileFailure::kNone;
  if (zones_loaded_) store_.zones_loaded.Take(store_.zones, store_.zones_file);
  if (!zones_loaded_) {
    const std::uint16_t text = accounts_loaded_ ? IDS_LOAD_ZONES_FAILED : IDS_LOAD_USERS_FAILED;
    accounts_loaded_ = false;
    for (ui::Button* button :
         {&new_button_, &modify_button_, &delete_button_, &edit_zones_button_}) {
      button->Enable(false);
    }
    ShowPrompt(Handle(), text);
    return true;
  }
  BuildTree();
  modify_button_.Enable(false);
  delete_button_.Enable(false);
  tree_.Redraw();
  return true;
}

// Every root item first, then the members of each group: a tree control
// may look a parent up among the items inserted before it, and the roots
// are few.
void ManageDialog::BuildTree() {
  const std::vector<AccountRecord>& table = store_.accounts.records();
  const std::vector<AccountTreeRoot> roots = BuildAccountTree(table);
  std::vector<TreeView::Item> items;
  items.reserve(roots.size());
  for (const AccountTreeRoot& root : roots) {
    const AccountRecord& record = table[root.record];
    items.push_back(
        tree_.InsertItem(root.value == kItemUser ? record.username : record.groupname, root.value));
  }
  for (std::size_t i = 0; i < roots.size(); ++i) {
    for (std::size_t member : roots[i].members) {
      tree_.InsertItem(table[member].username, kItemUser, items[i]);
    }
    tree_.Expand(items[i]);
  }
}

void ManageDialog::OnSelectionChanged(TreeView::Item item) {
  selected_item_ = item;
  if (!accounts_loaded_) return;
  const Selection selection = SelectItem(item);
  selected_type_ = selection.type;
  modify_button_.Enable(selection.can_modify);
  delete_button_.Enable(selection.can_delete);
}

void ManageDialog::OnDoubleClick() {
  if (!accounts_loaded_ || selected_item_ == 0) return;
  if (SelectItem(selected_item_).opens_on_double_click) {
    OnModify();
  } else {
    ShowPrompt(Handle(), IDS_ONLY_LOWER_PRIORITY);
  }
}

Selection ManageDialog::SelectItem(TreeView::Item item) const {
  return SelectAccount(store_.accounts.records(), store_.logged_in, LoadBuiltInNames(),
                       tree_.ItemText(item));
}

const AccountRecord* ManageDialog::FindRecord(std::int16_t type, const std::u16string& name) const {
  for (const AccountRecord& record : store_.accounts.records()) {
    if (record.type == type && record.Name() == name) return &record;
  }
  return nullptr;
}

TreeView::Item ManageDialog::FindGroupItem(const std::u16string& name) const {
  for (TreeView::Item item = tree_.FirstChild(TreeView::kRoot); item != 0;
       item = tree_.NextSibling(item)) {
    if (tree_.ItemData(item) == kItemGroup && tree_.ItemText(item) == name) return item;
  }
  return 0;
}

void ManageDialog::OnNew() {
  if (!accounts_loaded_) return;
  EditorOpening opening;
  opening.type = last_type_;
  // A new editor's empty old record names the first group without a name
  // (a host may store one), whose zones it has always ticked.
  if (const AccountRecord* unnamed = FindRecord(kTypeGroup, u""))
    opening.ticked = unnamed->sectionid;
  AccountEditor editor(Handle(), Sources(), opening);
  if (editor.DoModal() != ui::kIdOk) return;
  const AccountRecord& result = editor.result();
  const bool user = editor.type() == kEditUser;
  // The editor has refused names in use; a full table still refuses the record.
  if ((user || editor.type() == kEditGroup) && store_.accounts.AddAccount(result)) {
    if (!user) {
      tree_.InsertItem(result.groupname, kItemGroup);
    } else {
      const TreeView::Item group =
          editor.joined_group() ? FindGroupItem(*editor.joined_group()) : 0;
      tree_.InsertItem(result.username, kItemUser, group);
      if (group != 0) tree_.Expand(group);
    }
  }
  tree_.Redraw();
  last_type_ = editor.type();
}

void ManageDialog::OnModify() {
  if (!accounts_loaded_ || selected_item_ == 0) return;
  const bool user = selected_type_ == kTypeUser;
  const AccountRecord* record = user || selected_type_ == kTypeGroup
                                    ? FindRecord(selected_type_, tree_.ItemText(selected_item_))
                                    : nullptr;
  if (record) Modify(*record, user ? kEditUser : kEditGroup);
  tree_.Redraw();
}

void ManageDialog::Modify(const AccountRecord& record, std::int32_t type) {
  AccountEditor editor(Handle(), Sources(), {false, type, record, record.sectionid});
  if (editor.DoModal() != ui::kIdOk) return;
  const std::u16string old_name = record.Name();  // `record` is the table's, updated next
  store_.accounts.UpdateAccount(record, editor.result());
  const std::u16string& new_name = editor.result().Name();
  if (new_name != old_name) {
    // Renamed again: still one rename from the name the file holds.
    const bool again = rename_ && rename_->to == old_name;
    rename_ = history::RenameHint{again ? rename_->from : old_name, new_name};
  }
  tree_.SetItemText(selected_item_, new_name);
}

void ManageDialog::OnDelete() {
  if (!accounts_loaded_ || selected_item_ == 0) return;
  const std::u16string name = tree_.ItemText(selected_item_);
  const std::u16string question =
      platform::FormatText(platform::ResourceString(IDS_CONFIRM_DELETE), name);
  if (ui::ShowMessageBox(Handle(), question, ui::kMbOkCancel) != ui::kIdOk) {
    return;
  }
  if (!store_.accounts.DeleteAccount(name)) {
    ShowPrompt(Handle(), IDS_DELETE_FAILED);
    return;
  }
  tree_.DeleteItem(selected_item_);
  tree_.Redraw();
  // The deleted item's handle is gone: take the tree's new selection, if any.
  const TreeView::Item selected = tree_.Selected();
  if (selected != 0) {
    OnSelectionChanged(selected);
  } else {
    selected_item_ = 0;
    modify_button_.Enable(false);
    delete_button_.Enable(false);
  }
}

history::Author ManageDialog::Author() const {
  if (!store_.logged_in) return {"dialog", std::nullopt};
  return {"dialog", store_.logged_in->Name()};
}

void ManageDialog::OnOK() {
  if (accounts_loaded_) {
    const history::AccountChanges changes =
        history::ChangesOf(store_.accounts_loaded, store_.accounts.records(), rename_);
    history::HistoryObserver recording(Author(), &changes);
    if (SaveAccountFile(store_.accounts, store_.users_file, &recording) != FileFailure::kNone) {
      ShowPrompt(Handle(), IDS_SAVE_USERS_FAILED);
    } else {
      store_.accounts_loaded.Take(store_.accounts.records(), store_.users_file);
    }
  }
  Dialog::OnOK();
}

void RunManageDialog(ui::WindowHandle parent, const ManagedStore& store) {
  ManageDialog(parent, store).DoModal();
}

}  // namespace warden
