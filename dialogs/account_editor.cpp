#include "dialogs/account_editor.h"

#include "accounts/account_rules.h"
#include "accounts/builtin_names.h"
#include "accounts/name_text.h"
#include "dialogs/prompt_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"

namespace warden {
namespace {

constexpr std::size_t kNumberMaxChars = 3;

using ui::NotifyCode;

}  // namespace

AccountEditor::AccountEditor(ui::WindowHandle parent, const CUser& store)
    : Dialog(IDD_USER_EDITOR, parent), m_listZones(store), m_store(store) {
  for (std::int32_t id : {IDC_TYPE_GROUP, IDC_TYPE_USER, IDC_JOIN_GROUP}) {
    On(id, NotifyCode::kClick, [this](const ui::Notification&) { OnTypeOrJoinClicked(); });
  }
}

void AccountEditor::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Bind(IDC_JOIN_GROUP_COMBO, m_comboGroup);
  exchange.Bind(IDC_USER_NAME, m_editUserName);
  exchange.Bind(IDC_ZONE_LIST, m_listZones);
  exchange.Text(IDC_USER_COMMENT, m_strUserComment, kNameMaxChars);
  exchange.Text(IDC_USER_NAME, m_strUserName, kNameMaxChars);
  exchange.Text(IDC_PASSWORD, m_strPassword, kNameMaxChars);
  exchange.Text(IDC_GROUP_COMMENT, m_strGroupComment, kNameMaxChars);
  exchange.Text(IDC_GROUP_NAME, m_strGroupName, kNameMaxChars);
  exchange.Text(IDC_LOGIN_TIMEOUT, m_strLimitTime, kNumberMaxChars);
  exchange.Text(IDC_PRIORITY, m_strUserPri, kNumberMaxChars);
  int type = m_nType;
  exchange.Radio(IDC_TYPE_GROUP, type);
  m_nType = type;
  exchange.Check(IDC_JOIN_GROUP, m_bJoinGroup);
}

bool AccountEditor::OnInitDialog() {
  m_strLimitTime = platform::ToDecimal(m_nLimitTime);
  m_strUserPri = platform::ToDecimal(m_nUserPri);
  Dialog::OnInitDialog();
  FillGroups();
  m_listZones.FillZones(true);
  TickZonesOfOldRecord();
  UpdateData(false);
  ApplyEnablingRules();
  return true;
}

void AccountEditor::FillGroups() {
  int selection = -1;
  for (const AccountRecord& record : m_store.Records()) {
    if (record.type != kTypeGroup) continue;
    const int entry = m_comboGroup.AddString(record.groupname);
    if (platform::EqualsNoCase(record.groupname, m_strGroupName)) {
      selection = entry;
      m_bJoinGroup = true;
    }
  }
  if (m_comboGroup.Count() > 0) m_comboGroup.SetCurSel(selection == -1 ? 0 : selection);
}

void AccountEditor::TickZonesOfOldRecord() {
  const std::vector<AccountRecord>& table = m_store.Records();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const AccountRecord& record = table[i];
    const bool found = m_oldRecord.type == kTypeUser
                           ? record.type == kTypeUser && record.username == m_oldRecord.username
                           : record.type == kTypeGroup && record.groupname == m_oldRecord.groupname;
    if (found) {
      m_listZones.SetZoneChecks(static_cast<std::int16_t>(i));
      return;
    }
  }
}

void AccountEditor::ApplyEnablingRules() {
  const bool group = m_nType == kEditGroup;
  const bool user = m_nType == kEditUser;
  const auto enable = [this](std::initializer_list<std::int32_t> ids, bool on) {
    for (std::int32_t id : ids) {
      ui::Control control;
      control.Attach(this, id);
      control.Enable(on);
    }
  };
  enable({IDC_TYPE_GROUP, IDC_TYPE_USER}, m_bNew);
  enable({IDC_GROUP_BOX, IDC_GROUP_NAME, IDC_GROUP_NAME_LABEL, IDC_GROUP_COMMENT,
          IDC_GROUP_COMMENT_LABEL},
         group);
  enable({IDC_USER_BOX, IDC_USER_NAME, IDC_USER_NAME_LABEL, IDC_PASSWORD, IDC_PASSWORD_LABEL,
          IDC_USER_COMMENT, IDC_USER_COMMENT_LABEL, IDC_LOGIN_TIMEOUT, IDC_LOGIN_TIMEOUT_LABEL,
          IDC_PRIORITY, IDC_PRIORITY_LABEL},
         user);
  enable({IDC_JOIN_GROUP}, m_bNew && user);
  ui::Button join;
  join.Attach(this, IDC_JOIN_GROUP);
  m_comboGroup.Enable(m_bNew && user && join.IsChecked());
}

void AccountEditor::OnTypeOrJoinClicked() {
  UpdateData(true);
  ApplyEnablingRules();
}

void AccountEditor::SelectNameField() {
  ui::Edit name;
  name.Attach(this, m_nType == kEditUser ? IDC_USER_NAME : IDC_GROUP_NAME);
  name.SetFocus();
  name.SelectAll();
}

void AccountEditor::OnOK() {
  ui::Edit password;
  password.Attach(this, IDC_PASSWORD);
  if (CheckPasswordLength(password.Text()) != 0) {
    ShowRefusal(IDS_PASSWORD_TOO_LONG, EditField::kPassword);
    return;
  }
  UpdateData(true);  // a length message here does not stop the checks below

  AccountEdit edit;
  edit.type = m_nType;
  edit.group_name = m_strGroupName;
  edit.group_comment = m_strGroupComment;
  edit.user_name = m_strUserName;
  edit.password = m_strPassword;
  edit.user_comment = m_strUserComment;
  edit.limit_time = m_strLimitTime;
  edit.priority = m_strUserPri;
  if (m_bJoinGroup && m_comboGroup.CurSel() >= 0) {
    edit.join_group = m_comboGroup.ItemText(m_comboGroup.CurSel());
  }
  m_listZones.GetZoneChecks(edit.zones);
  const NameIndex names_in_use(m_store.Records());
  const BuiltInNames builtin = LoadBuiltInNames();
  const EditContext context{names_in_use, m_store.m_pCurUser.get(), builtin, m_bNew, m_oldRecord};
  EditVerdict verdict = ConfirmAccountEdit(context, edit, m_result);
  m_result = std::move(verdict.result);
  if (verdict.limit_time) m_nLimitTime = *verdict.limit_time;
  if (verdict.priority) m_nUserPri = *verdict.priority;
  if (!verdict.accepted()) {
    ShowRefusal(verdict.message, verdict.focus);
    return;
  }
  if (m_nType == kEditUser) m_strJoinGroup = edit.join_group;
  Dialog::OnOK();
}

void AccountEditor::ShowRefusal(std::uint16_t message, EditField focus) {
  using ui::ShowMessageBox;
  const std::u16string text = platform::ResourceString(message);
  switch (message) {
    case IDS_PASSWORD_TOO_LONG:
      ShowMessageBox(Handle(), platform::FormatText(text, platform::ToDecimal(kNameMaxChars)),
                     ui::kMbOk);
      break;
    case IDS_ENTER_NAME:
      ShowMessageBox(Handle(), text, ui::kMbOk | ui::kMbIconStop);
      break;
    case IDS_NAME_EXISTS:
      ShowMessageBox(Handle(), text, ui::kMbOk | ui::kMbIconInformation);
      break;
    default:
      ShowPrompt(Handle(), text);
  }
  if (focus == EditField::kPassword) {
    ui::Edit password;
    password.Attach(this, IDC_PASSWORD);
    password.SetFocus();
  } else if (focus == EditField::kName) {
    SelectNameField();
  }
}

}  // namespace warden
