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

// The fields as the editor opens: those of the record modified (a group's
// priority field at 999, a user's timeout in its low 16 bits), or empty
// with timeout 0 and priority 999 for New.
AccountEdit FieldsOf(const EditorOpening& opening) {
  AccountEdit fields;
  fields.type = opening.type;
  const AccountRecord& record = opening.old_record;
  fields.group_name = record.groupname;
  fields.group_comment = record.groupcomment;
  std::int16_t limit_time = 0, priority = 999;
  if (!opening.is_new && opening.type == kEditUser) {
    fields.user_name = record.username;
    fields.password = record.password;
    fields.user_comment = record.usercomment;
    limit_time = static_cast<std::int16_t>(record.limitTime & 0xFFFF);
    priority = record.userpri;
  }
  fields.limit_time = platform::ToDecimal(limit_time);
  fields.priority = platform::ToDecimal(priority);
  return fields;
}

}  // namespace

AccountEditor::AccountEditor(ui::WindowHandle parent, const EditorSources& sources,
                             const EditorOpening& opening)
    : Dialog(IDD_USER_EDITOR, parent),
      sources_(sources),
      opening_(opening),
      fields_(FieldsOf(opening)),
      join_box_(!opening.is_new && opening.type == kEditUser &&
                !opening.old_record.groupname.empty()),
      zone_list_(sources.zones) {
  for (std::int32_t id : {IDC_TYPE_GROUP, IDC_TYPE_USER, IDC_JOIN_GROUP}) {
    On(id, NotifyCode::kClick, [this](const ui::Notification&) { OnTypeOrJoinClicked(); });
  }
}

void AccountEditor::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Bind(IDC_JOIN_GROUP_COMBO, group_combo_);
  exchange.Bind(IDC_USER_NAME, user_name_edit_);
  exchange.Bind(IDC_ZONE_LIST, zone_list_);
  exchange.Text(IDC_USER_COMMENT, fields_.user_comment, kNameMaxChars);
  exchange.Text(IDC_USER_NAME, fields_.user_name, kNameMaxChars);
  exchange.Text(IDC_PASSWORD, fields_.password, kNameMaxChars);
  exchange.Text(IDC_GROUP_COMMENT, fields_.group_comment, kNameMaxChars);
  exchange.Text(IDC_GROUP_NAME, fields_.group_name, kNameMaxChars);
  exchange.Text(IDC_LOGIN_TIMEOUT, fields_.limit_time, kNumberMaxChars);
  exchange.Text(IDC_PRIORITY, fields_.priority, kNumberMaxChars);
  exchange.Radio(IDC_TYPE_GROUP, fields_.type);
  exchange.Check(IDC_JOIN_GROUP, join_box_);
}

bool AccountEditor::OnInitDialog() {
  Dialog::OnInitDialog();
  FillGroups();
  zone_list_.FillZones(true);
  zone_list_.SetZoneChecks(opening_.ticked);
  UpdateData(false);
  ApplyEnablingRules();
  return true;
}

void AccountEditor::FillGroups() {
  int selection = -1;
  for (const AccountRecord& record : sources_.table) {
    if (record.type != kTypeGroup) continue;
    const int entry = group_combo_.AddString(record.groupname);
    if (platform::EqualsNoCase(record.groupname, fields_.group_name)) {
      selection = entry;
      join_box_ = true;
    }
  }
  if (group_combo_.Count() > 0) group_combo_.SetCurSel(selection == -1 ? 0 : selection);
}

void AccountEditor::ApplyEnablingRules() {
  const bool group = fields_.type == kEditGroup;
  const bool user = fields_.type == kEditUser;
  const bool is_new = opening_.is_new;
  const auto enable = [this](std::initializer_list<std::int32_t> ids, bool on) {
    for (std::int32_t id : ids) {
      ui::Control control;
      control.Attach(this, id);
      control.Enable(on);
    }
  };
  enable({IDC_TYPE_GROUP, IDC_TYPE_USER}, is_new);
  enable({IDC_GROUP_BOX, IDC_GROUP_NAME, IDC_GROUP_NAME_LABEL, IDC_GROUP_COMMENT,
          IDC_GROUP_COMMENT_LABEL},
         group);
  enable({IDC_USER_BOX, IDC_USER_NAME, IDC_USER_NAME_LABEL, IDC_PASSWORD, IDC_PASSWORD_LABEL,
          IDC_USER_COMMENT, IDC_USER_COMMENT_LABEL, IDC_LOGIN_TIMEOUT, IDC_LOGIN_TIMEOUT_LABEL,
          IDC_PRIORITY, IDC_PRIORITY_LABEL},
         user);
  enable({IDC_JOIN_GROUP}, is_new && user);
  ui::Button join;
  join.Attach(this, IDC_JOIN_GROUP);
  group_combo_.Enable(is_new && user && join.IsChecked());
}

void AccountEditor::OnTypeOrJoinClicked() {
  UpdateData(true);
  ApplyEnablingRules();
}

void AccountEditor::SelectNameField() {
  ui::Edit name;
  name.Attach(this, fields_.type == kEditUser ? IDC_USER_NAME : IDC_GROUP_NAME);
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

  AccountEdit edit = fields_;
  if (join_box_ && group_combo_.CurSel() >= 0) {
    edit.join_group = group_combo_.ItemText(group_combo_.CurSel());
  }
  zone_list_.GetZoneChecks(edit.zones);
  const NameIndex names_in_use(sources_.table);
  const BuiltInNames builtin = LoadBuiltInNames();
  const EditContext context{names_in_use, sources_.logged_in, builtin, opening_.is_new,
                            opening_.old_record};
  EditVerdict verdict = ConfirmAccountEdit(context, edit, result_);
  result_ = std::move(verdict.result);
  if (!verdict.accepted()) {
    ShowRefusal(verdict.message, verdict.focus);
    return;
  }
  joined_group_.reset();
  if (fields_.type == kEditUser && join_box_) joined_group_ = edit.join_group;
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
