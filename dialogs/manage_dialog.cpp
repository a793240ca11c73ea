#include "dialogs/manage_dialog.h"

#include "accounts/account_file.h"
#include "accounts/account_rules.h"
#include "accounts/account_tree.h"
#include "accounts/builtin_names.h"
#include "accounts/user_store.h"
#include "dialogs/account_editor.h"
#include "dialogs/prompt_dialog.h"
#include "dialogs/zone_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

using ui::NotifyCode;
using ui::TreeView;

// The first record of `type` named exactly `name`, or null.
const AccountRecord* FindRecord(const CUser& store, std::int16_t type, const std::u16string& name) {
  if (!store.m_pUser) return nullptr;
  for (const AccountRecord& record : *store.m_pUser) {
    if (record.type == type && record.Name() == name) return &record;
  }
  return nullptr;
}

}  // namespace

ManageDialog::ManageDialog(ui::WindowHandle parent, CUser& store, DataLocation location)
    : Dialog(IDD_MANAGE, parent), m_store(store), m_location(std::move(location)) {
  On(IDC_NEW, NotifyCode::kClick, [this](const ui::Notification&) { OnNew(); });
  On(IDC_MODIFY, NotifyCode::kClick, [this](const ui::Notification&) { OnModify(); });
  On(IDC_DELETE, NotifyCode::kClick, [this](const ui::Notification&) { OnDelete(); });
  On(IDC_EDIT_ZONES, NotifyCode::kClick, [this](const ui::Notification&) {
    if (m_bZonesLoaded) ZoneDialog(Handle(), m_store, m_location).DoModal();
  });
  On(IDC_ACCOUNT_TREE, NotifyCode::kSelectionChanged,
     [this](const ui::Notification& n) { OnSelectionChanged(n.item); });
  On(IDC_ACCOUNT_TREE, NotifyCode::kDoubleClick,
     [this](const ui::Notification&) { OnDoubleClick(); });
}

void ManageDialog::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Bind(IDC_DELETE, m_btnDelete);
  exchange.Bind(IDC_MODIFY, m_btnModify);
  exchange.Bind(IDC_NEW, m_btnNew);
  exchange.Bind(IDC_EDIT_ZONES, m_btnEditZones);
  exchange.Bind(IDC_ACCOUNT_TREE, m_tree);
}

bool ManageDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  m_bAccountsLoaded = LoadAccountFile(m_store, m_location) == kFileOk;
  m_bZonesLoaded = m_bAccountsLoaded && LoadSectionFile(m_store, m_location) == kFileOk;
  if (!m_bZonesLoaded) {
    const std::uint16_t text = m_bAccountsLoaded ? IDS_LOAD_ZONES_FAILED : IDS_LOAD_USERS_FAILED;
    m_bAccountsLoaded = false;
    for (ui::Button* button : {&m_btnNew, &m_btnModify, &m_btnDelete, &m_btnEditZones}) {
      button->Enable(false);
    }
    ShowPrompt(Handle(), text);
    return true;
  }
  BuildTree();
  m_btnModify.Enable(false);
  m_btnDelete.Enable(false);
  m_tree.Redraw();
  return true;
}

// Every root item first, then the members of each group: a tree control
// may look a parent up among the items inserted before it, and the roots
// are few.
void ManageDialog::BuildTree() {
  if (!m_store.m_pUser) return;  // a file without records: an empty tree
  const std::vector<AccountRecord>& table = *m_store.m_pUser;
  const std::vector<AccountTreeRoot> roots = BuildAccountTree(table);
  std::vector<TreeView::Item> items;
  items.reserve(roots.size());
  for (const AccountTreeRoot& root : roots) {
    const AccountRecord& record = table[root.record];
    items.push_back(m_tree.InsertItem(root.value == kItemUser ? record.username : record.groupname,
                                      root.value));
  }
  for (std::size_t i = 0; i < roots.size(); ++i) {
    for (std::size_t member : roots[i].members) {
      m_tree.InsertItem(table[member].username, kItemUser, items[i]);
    }
    m_tree.Expand(items[i]);
  }
}

void ManageDialog::OnSelectionChanged(TreeView::Item item) {
  m_hSelItem = item;
  if (!m_bAccountsLoaded) return;
  const Selection selection = SelectItem(item);
  m_nSelType = selection.type;
  m_btnModify.Enable(selection.can_modify);
  m_btnDelete.Enable(selection.can_delete);
}

void ManageDialog::OnDoubleClick() {
  if (!m_bAccountsLoaded || m_hSelItem == 0) return;
  if (SelectItem(m_hSelItem).opens_on_double_click) {
    OnModify();
  } else {
    ShowPrompt(Handle(), IDS_ONLY_LOWER_PRIORITY);
  }
}

Selection ManageDialog::SelectItem(TreeView::Item item) const {
  return SelectAccount(m_store.Records(), m_store.m_pCurUser.get(), LoadBuiltInNames(),
                       m_tree.ItemText(item));
}

TreeView::Item ManageDialog::FindGroupItem(const std::u16string& name) const {
  for (TreeView::Item item = m_tree.FirstChild(TreeView::kRoot); item != 0;
       item = m_tree.NextSibling(item)) {
    if (m_tree.ItemData(item) == kItemGroup && m_tree.ItemText(item) == name) return item;
  }
  return 0;
}

void ManageDialog::OnNew() {
  if (!m_bAccountsLoaded) return;
  AccountEditor editor(Handle(), m_store);
  editor.m_nType = m_nLastType;
  if (editor.DoModal() != ui::kIdOk) return;
  const AccountRecord& result = editor.m_result;
  const bool user = editor.m_nType == kEditUser;
  // The editor has refused names in use; a full table still refuses the record.
  if ((user || editor.m_nType == kEditGroup) && m_store.AddAccount(result)) {
    if (!user) {
      m_tree.InsertItem(result.groupname, kItemGroup);
    } else {
      const TreeView::Item group = editor.m_bJoinGroup ? FindGroupItem(editor.m_strJoinGroup) : 0;
      m_tree.InsertItem(result.username, kItemUser, group);
      if (group != 0) m_tree.Expand(group);
    }
  }
  m_tree.Redraw();
  m_nLastType = editor.m_nType;
}

void ManageDialog::OnModify() {
  if (!m_bAccountsLoaded || m_hSelItem == 0) return;
  const std::u16string name = m_tree.ItemText(m_hSelItem);
  AccountEditor editor(Handle(), m_store);
  editor.m_bNew = false;
  if (m_nSelType == kTypeGroup) {
    ModifyGroup(editor, name);
  } else if (m_nSelType == kTypeUser) {
    ModifyUser(editor, name);
  }
  m_tree.Redraw();
}

void ManageDialog::ModifyGroup(AccountEditor& editor, const std::u16string& name) {
  editor.m_nType = kEditGroup;
  if (const AccountRecord* record = FindRecord(m_store, kTypeGroup, name)) {
    editor.m_strGroupComment = record->groupcomment;
    editor.m_strGroupName = record->groupname;
    editor.m_oldRecord = *record;
  }
  if (editor.DoModal() != ui::kIdOk) return;
  m_store.UpdateAccount(editor.m_oldRecord, editor.m_result);
  m_tree.SetItemText(m_hSelItem, editor.m_result.groupname);
}

void ManageDialog::ModifyUser(AccountEditor& editor, const std::u16string& name) {
  editor.m_nType = kEditUser;
  if (const AccountRecord* record = FindRecord(m_store, kTypeUser, name)) {
    editor.m_strGroupComment = record->groupcomment;
    editor.m_strGroupName = record->groupname;
    editor.m_strUserComment = record->usercomment;
    editor.m_strUserName = record->username;
    editor.m_strPassword = record->password;
    editor.m_nUserPri = record->userpri;
    editor.m_nLimitTime = static_cast<std::int16_t>(record->limitTime & 0xFFFF);
    editor.m_bJoinGroup = !record->groupname.empty();
    editor.m_oldRecord = *record;
  }
  if (editor.DoModal() != ui::kIdOk) return;
  m_store.UpdateAccount(editor.m_oldRecord, editor.m_result);
  m_tree.SetItemText(m_hSelItem, editor.m_result.username);
}

void ManageDialog::OnDelete() {
  if (!m_bAccountsLoaded || m_hSelItem == 0) return;
  const std::u16string name = m_tree.ItemText(m_hSelItem);
  const std::u16string question =
      platform::FormatText(platform::ResourceString(IDS_CONFIRM_DELETE), name);
  if (ui::ShowMessageBox(Handle(), question, ui::kMbOkCancel) != ui::kIdOk) {
    return;
  }
  if (!m_store.DeleteAccount(name)) {
    ShowPrompt(Handle(), IDS_DELETE_FAILED);
    return;
  }
  m_tree.DeleteItem(m_hSelItem);
  m_tree.Redraw();
  // The deleted item's handle is gone: take the tree's new selection, if any.
  const TreeView::Item selected = m_tree.Selected();
  if (selected != 0) {
    OnSelectionChanged(selected);
  } else {
    m_hSelItem = 0;
    m_btnModify.Enable(false);
    m_btnDelete.Enable(false);
  }
}

void ManageDialog::OnOK() {
  if (m_bAccountsLoaded && SaveAccountFile(m_store, m_location) != kFileOk) {
    ShowPrompt(Handle(), IDS_SAVE_USERS_FAILED);
  }
  Dialog::OnOK();
}

void RunManageDialog(ui::WindowHandle parent, CUser& store, const DataLocation& location) {
  ManageDialog(parent, store, location).DoModal();
}

}  // namespace warden
