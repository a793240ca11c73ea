#include "dialogs/user_dialog.h"

#include <climits>

#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "dialogs/prompt_dialog.h"

namespace warden {
namespace {

constexpr std::size_t kFieldMaxChars = 31;
constexpr std::size_t kNumberMaxChars = 3;
constexpr std::int32_t kMaxLimitTime = 255;
constexpr std::int32_t kMaxPriority = 999;

using platform::NotifyCode;

bool IsBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u3000';
}

void Trim(std::u16string& text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  std::size_t start = 0;
  while (start < end && IsBlank(text[start])) ++start;
  text = text.substr(start, end - start);
}

// The text read as a decimal integer as far as it goes: leading blanks and a
// sign allowed, nothing readable gives 0; saturates instead of overflowing.
long long ParseDecimal(const std::u16string& text) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
  long long value = 0;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
    if (value < INT_MAX) value = value * 10 + (text[at] - u'0');
  }
  return negative ? -value : value;
}

// Empty gives 0. False when the value lies outside 0..max.
bool ReadNumber(const std::u16string& text, std::int32_t max, std::int16_t* value) {
  const long long parsed = text.empty() ? 0 : ParseDecimal(text);
  if (parsed < 0 || parsed > max) return false;
  *value = static_cast<std::int16_t>(parsed);
  return true;
}

}  // namespace

CUserDialog::CUserDialog(platform::WindowHandle parent, const CUser& store)
    : Dialog(IDD_USER_EDITOR, parent), m_listZones(store), m_store(store) {
  for (std::int32_t id : {IDC_TYPE_GROUP, IDC_TYPE_USER, IDC_JOIN_GROUP}) {
    On(id, NotifyCode::kClick, [this](const platform::Notification&) { OnTypeOrJoinClicked(); });
  }
}

const std::vector<AccountRecord>& CUserDialog::Table() const {
  static const std::vector<AccountRecord> kNone;
  return m_store.m_pUser ? *m_store.m_pUser : kNone;
}

void CUserDialog::DoDataExchange(platform::DataExchange& exchange) {
  exchange.Bind(IDC_JOIN_GROUP_COMBO, m_comboGroup);
  exchange.Bind(IDC_USER_NAME, m_editUserName);
  exchange.Bind(IDC_ZONE_LIST, m_listZones);
  exchange.Text(IDC_USER_COMMENT, m_strUserComment, kFieldMaxChars);
  exchange.Text(IDC_USER_NAME, m_strUserName, kFieldMaxChars);
  exchange.Text(IDC_PASSWORD, m_strPassword, kFieldMaxChars);
  exchange.Text(IDC_GROUP_COMMENT, m_strGroupComment, kFieldMaxChars);
  exchange.Text(IDC_GROUP_NAME, m_strGroupName, kFieldMaxChars);
  exchange.Text(IDC_LOGIN_TIMEOUT, m_strLimitTime, kNumberMaxChars);
  exchange.Text(IDC_PRIORITY, m_strUserPri, kNumberMaxChars);
  int type = m_nType;
  exchange.Radio(IDC_TYPE_GROUP, type);
  m_nType = type;
  exchange.Check(IDC_JOIN_GROUP, m_bJoinGroup);
}

bool CUserDialog::OnInitDialog() {
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

void CUserDialog::FillGroups() {
  int selection = -1;
  for (const AccountRecord& record : Table()) {
    if (record.type != kTypeGroup) continue;
    const int entry = m_comboGroup.AddString(record.groupname);
    if (platform::EqualsNoCase(record.groupname, m_strGroupName)) {
      selection = entry;
      m_bJoinGroup = true;
    }
  }
  if (m_comboGroup.Count() > 0) m_comboGroup.SetCurSel(selection == -1 ? 0 : selection);
}

void CUserDialog::TickZonesOfOldRecord() {
  const std::vector<AccountRecord>& table = Table();
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

void CUserDialog::ApplyEnablingRules() {
  const bool group = m_nType == kEditGroup;
  const bool user = m_nType == kEditUser;
  const auto enable = [this](std::initializer_list<std::int32_t> ids, bool on) {
    for (std::int32_t id : ids) {
      platform::Control control;
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
  platform::Button join;
  join.Attach(this, IDC_JOIN_GROUP);
  m_comboGroup.Enable(m_bNew && user && join.IsChecked());
}

void CUserDialog::OnTypeOrJoinClicked() {
  UpdateData(true);
  ApplyEnablingRules();
}

void CUserDialog::SelectNameField() {
  platform::Edit name;
  name.Attach(this, m_nType == kEditUser ? IDC_USER_NAME : IDC_GROUP_NAME);
  name.SetFocus();
  name.SelectAll();
}

void CUserDialog::OnOK() {
  platform::Edit password;
  password.Attach(this, IDC_PASSWORD);
  if (password.Text().size() > kFieldMaxChars) {
    platform::ShowMessageBox(Handle(),
                             platform::FormatText(platform::ResourceString(IDS_PASSWORD_TOO_LONG),
                                                  platform::ToDecimal(kFieldMaxChars)),
                             platform::kMbOk);
    password.SetFocus();
    return;
  }
  UpdateData(true);  // a length message here does not stop the checks below

  std::u16string& name = m_nType == kEditUser ? m_strUserName : m_strGroupName;
  Trim(name);
  if (name.empty()) {
    platform::ShowMessageBox(Handle(), platform::ResourceString(IDS_ENTER_NAME),
                             platform::kMbOk | platform::kMbIconStop);
    SelectNameField();
    return;
  }

  m_listZones.GetZoneChecks(m_result.sectionid);
  bool other_zone = false;
  for (int zone = 1; zone < kZoneCount; ++zone) other_zone |= m_result.sectionid[zone] == 1;
  if (m_result.sectionid[0] == 1 && other_zone) {
    m_result = m_oldRecord;
    ShowPrompt(Handle(), IDS_ZONE_NONE_WITH_OTHERS);
    return;
  }

  const std::u16string admin = platform::ResourceString(IDS_ADMIN_USER);
  const std::u16string nobody = platform::ResourceString(IDS_NONE);
  if ((m_oldRecord.username == admin && m_strUserName != admin) ||
      (m_oldRecord.username == nobody && m_strUserName != nobody)) {
    ShowPrompt(Handle(), IDS_CANNOT_RENAME_BUILTIN);
    return;
  }

  if (!CheckNumbers() || !CheckCurrentUser() || !CheckUniqueName()) return;
  BuildResult();
  Dialog::OnOK();
}

bool CUserDialog::CheckNumbers() {
  if (!ReadNumber(m_strLimitTime, kMaxLimitTime, &m_nLimitTime)) {
    ShowPrompt(Handle(), IDS_TIMEOUT_RANGE);
    return false;
  }
  if (!ReadNumber(m_strUserPri, kMaxPriority, &m_nUserPri)) {
    ShowPrompt(Handle(), IDS_PRIORITY_RANGE);
    return false;
  }
  return true;
}

// A user may not get a priority above the logged-in user's, nor equal to it
// unless he is that user. A group counts with priority 0, so a logged-in user
// of priority 0 may neither create nor change a group.
bool CUserDialog::CheckCurrentUser() {
  const AccountRecord* current = m_store.m_pCurUser.get();
  if (!current) return true;
  const bool accepted =
      m_nType == kEditUser
          ? m_nUserPri < current->userpri ||
                (m_nUserPri == current->userpri &&
                 platform::EqualsNoCase(m_strUserName, current->username))
          : 0 < current->userpri;
  if (!accepted) ShowPrompt(Handle(), IDS_PRIORITY_ABOVE_CURRENT);
  return accepted;
}

// Groups and users share one name space; a change of letter case alone is
// not a new name.
bool CUserDialog::CheckUniqueName() {
  const std::u16string& name = m_nType == kEditUser ? m_strUserName : m_strGroupName;
  const bool renamed =
      (m_oldRecord.type == kTypeUser &&
       !platform::EqualsNoCase(m_strUserName, m_oldRecord.username)) ||
      (m_oldRecord.type == kTypeGroup &&
       !platform::EqualsNoCase(m_strGroupName, m_oldRecord.groupname));
  if (!m_bNew && !renamed) return true;
  for (const AccountRecord& record : Table()) {
    const std::u16string& taken = record.type == kTypeGroup ? record.groupname : record.username;
    if (platform::EqualsNoCase(taken, name)) {
      platform::ShowMessageBox(Handle(), platform::ResourceString(IDS_NAME_EXISTS),
                               platform::kMbOk | platform::kMbIconInformation);
      SelectNameField();
      return false;
    }
  }
  return true;
}

void CUserDialog::BuildResult() {
  if (m_nType == kEditUser) {
    m_strJoinGroup = m_bJoinGroup && m_comboGroup.CurSel() >= 0
                         ? m_comboGroup.ItemText(m_comboGroup.CurSel())
                         : u"";
    m_result.type = kTypeUser;
    m_result.usercomment = m_strUserComment;
    m_result.username = m_strUserName;
    m_result.userpri = m_nUserPri;
    m_result.limitTime = m_nLimitTime;
    m_result.password = m_strPassword;
    m_result.groupname = m_strJoinGroup;
  } else {
    m_result.groupcomment = m_strGroupComment;
    m_result.groupname = m_strGroupName;
    m_result.type = kTypeGroup;
    m_result.limitTime = 0;
    m_result.userpri = 0;
  }
}

}  // namespace warden
