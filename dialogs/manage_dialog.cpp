#include "dialogs/manage_dialog.h"

#include "accounts/account_file.h"
#include "accounts/user_store.h"
#include "dialogs/account_tree.h"
#include "dialogs/user_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "zones/prompt_dialog.h"
#include "zones/section_dialog.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

using platform::NotifyCode;
using platform::TreeView;

bool IsReservedName(const std::u16string& name) {
  for (std::uint16_t id : {IDS_ADMIN_GROUP, IDS_ADMIN_USER, IDS_NO_GROUP, IDS_NONE}) {
    if (name == platform::ResourceString(id)) return true;
  }
  return false;
}

bool GroupHasMembers(const CUser& store, const std::u16string& name) {
  if (!store.m_pUser) return false;
  for (const AccountRecord& record : *store.m_pUser) {
    if (record.type == kTypeUser && platform::EqualsNoCase(record.groupname, name)) return true;
  }
  return false;
}

// The first record of `type` named exactly `name`, or null.
const AccountRecord* FindRecord(const CUser& store, std::int16_t type, const std::u16string& name) {
  if (!store.m_pUser) return nullptr;
  for (const AccountRecord& record : *store.m_pUser) {
    if (record.type == type && record.Name() == name) return &record;
  }
  return nullptr;
}

}  // namespace

CManageDialog::CManageDialog(platform::WindowHandle parent) : Dialog(IDD_MANAGE, parent) {
  On(IDC_NEW, NotifyCode::kClick, [this](const platform::Notification&) { OnNew(); });
  On(IDC_MODIFY, NotifyCode::kClick, [this](const platform::Notification&) { OnModify(); });
  On(IDC_DELETE, NotifyCode::kClick, [this](const platform::Notification&) { OnDelete(); });
  On(IDC_EDIT_ZONES, NotifyCode::kClick, [this](const platform::Notification&) {
    CSectionDialog(Handle()).DoModal();
  });
  On(IDC_ACCOUNT_TREE, NotifyCode::kSelectionChanged,
     [this](const platform::Notification& n) { OnSelectionChanged(n.item); });
  On(IDC_ACCOUNT_TREE, NotifyCode::kDoubleClick,
     [this](const platform::Notification&) { OnDoubleClick(); });
}

void CManageDialog::DoDataExchange(platform::DataExchange& exchange) {
  exchange.Bind(IDC_DELETE, m_btnDelete);
  exchange.Bind(IDC_MODIFY, m_btnModify);
  exchange.Bind(IDC_NEW, m_btnNew);
  exchange.Bind(IDC_ACCOUNT_TREE, m_tree);
}

bool CManageDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  CUser& store = ApplicationStore();
  m_bAccountsLoaded = LoadAccountFile(store, nullptr) == kFileOk;
  if (!m_bAccountsLoaded) {
    for (platform::Button* button : {&m_btnNew, &m_btnModify, &m_btnDelete}) button->Enable(false);
    ShowPrompt(Handle(), IDS_LOAD_USERS_FAILED);
    return true;
  }
  if (LoadSectionFile(store, nullptr) != kFileOk) {
    ShowPrompt(Handle(), IDS_LOAD_ZONES_FAILED);
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
void CManageDialog::BuildTree() {
  const std::vector<AccountRecord>& table = *ApplicationStore().m_pUser;
  const std::vector<AccountTreeRoot> roots = BuildAccountTree(table);
  std::vector<TreeView::Item> items;
  items.reserve(roots.size());
  for (const AccountTreeRoot& root : roots) {
    const AccountRecord& record = table[root.record];
    items.push_back(m_tree.InsertItem(
        root.value == kItemUser ? record.username : record.groupname, root.value));
  }
  for (std::size_t i = 0; i < roots.size(); ++i) {
    if (roots[i].value == kItemUser) continue;
    for (std::size_t member : roots[i].members) {
      m_tree.InsertItem(table[member].username, kItemUser, items[i]);
    }
    m_tree.Expand(items[i]);
  }
}

void CManageDialog::OnSelectionChanged(TreeView::Item item) {
  m_hSelItem = item;
  if (!m_bAccountsLoaded) return;
  const CUser& store = ApplicationStore();
  const std::u16string name = m_tree.ItemText(item);
  m_nSelType = store.AccountTypeByName(name);
  m_btnModify.Enable(true);
  m_btnDelete.Enable(true);
  if (m_nSelType == kTypeUser) {
    if (!store.CanModifyAccount(name)) {
      m_btnDelete.Enable(false);
      m_btnModify.Enable(false);
    }
  } else if (GroupHasMembers(store, name) || !store.CanModifyAccount(name)) {
    m_btnDelete.Enable(false);  // a group with members, or one the logged-in user may not change
  }
  if (IsReservedName(name)) m_btnDelete.Enable(false);
}

void CManageDialog::OnDoubleClick() {
  if (!m_bAccountsLoaded || m_hSelItem == 0) return;
  if (ApplicationStore().CanModifyAccount(m_tree.ItemText(m_hSelItem))) {
    OnModify();
  } else {
    ShowPrompt(Handle(), IDS_ONLY_LOWER_PRIORITY);
  }
}

TreeView::Item CManageDialog::FindGroupItem(const std::u16string& name) const {
  for (TreeView::Item item = m_tree.FirstChild(TreeView::kRoot); item != 0;
       item = m_tree.NextSibling(item)) {
    if (m_tree.ItemData(item) == kItemGroup && m_tree.ItemText(item) == name) return item;
  }
  return 0;
}

void CManageDialog::OnNew() {
  if (!m_bAccountsLoaded) return;
  CUserDialog editor(Handle());
  editor.m_nType = m_nLastType;
  if (editor.DoModal() != platform::kIdOk) return;
  const AccountRecord& result = editor.m_result;
  const bool user = editor.m_nType == kEditUser;
  // The editor has refused names in use; a full table still refuses the record.
  if ((user || editor.m_nType == kEditGroup) && ApplicationStore().AddAccount(result)) {
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

void CManageDialog::OnModify() {
  if (!m_bAccountsLoaded || m_hSelItem == 0) return;
  const std::u16string name = m_tree.ItemText(m_hSelItem);
  CUserDialog editor(Handle());
  editor.m_bNew = false;
  if (m_nSelType == kTypeGroup) {
    ModifyGroup(editor, name);
  } else if (m_nSelType == kTypeUser) {
    ModifyUser(editor, name);
  }
  m_tree.Redraw();
}

void CManageDialog::ModifyGroup(CUserDialog& editor, const std::u16string& name) {
  editor.m_nType = kEditGroup;
  if (const AccountRecord* record = FindRecord(ApplicationStore(), kTypeGroup, name)) {
    editor.m_strGroupComment = record->groupcomment;
    editor.m_strGroupName = record->groupname;
    editor.m_oldRecord = *record;
  }
  if (editor.DoModal() != platform::kIdOk) return;
  ApplicationStore().UpdateAccount(editor.m_oldRecord, editor.m_result);
  m_tree.SetItemText(m_hSelItem, editor.m_result.groupname);
}

void CManageDialog::ModifyUser(CUserDialog& editor, const std::u16string& name) {
  editor.m_nType = kEditUser;
  if (const AccountRecord* record = FindRecord(ApplicationStore(), kTypeUser, name)) {
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
  if (editor.DoModal() != platform::kIdOk) return;
  ApplicationStore().UpdateAccount(editor.m_oldRecord, editor.m_result);
  m_tree.SetItemText(m_hSelItem, editor.m_result.username);
}

void CManageDialog::OnDelete() {
  if (!m_bAccountsLoaded || m_hSelItem == 0) return;
  const std::u16string name = m_tree.ItemText(m_hSelItem);
  const std::u16string question =
      platform::FormatText(platform::ResourceString(IDS_CONFIRM_DELETE), name);
  if (platform::ShowMessageBox(Handle(), question, platform::kMbOkCancel) != platform::kIdOk) {
    return;
  }
  if (!ApplicationStore().DeleteAccount(name)) {
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

void CManageDialog::OnOK() {
  if (m_bAccountsLoaded && SaveAccountFile(ApplicationStore()) != kFileOk) {
    ShowPrompt(Handle(), IDS_SAVE_USERS_FAILED);
  }
  m_hSelItem = 0;
  Dialog::OnOK();
}

void CManageDialog::OnCancel() {
  m_hSelItem = 0;
  Dialog::OnCancel();
}

void RunManageDialog(platform::WindowHandle parent) { CManageDialog(parent).DoModal(); }

}  // namespace warden
