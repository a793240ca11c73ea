#include "dialogs/zone_dialog.h"

#include "accounts/name_text.h"
#include "dialogs/prompt_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "zones/zone_name_rules.h"

namespace warden {

using ui::NotifyCode;

ZoneRenameDialog::ZoneRenameDialog(ui::WindowHandle parent, std::u16string name)
    : Dialog(IDD_RENAME_ZONE, parent), name_(std::move(name)) {}

void ZoneRenameDialog::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Text(IDC_NEW_ZONE_NAME, name_, kNameMaxChars);
}

bool ZoneRenameDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  ui::Edit edit;
  edit.Attach(this, IDC_NEW_ZONE_NAME);
  edit.SetFocus();
  edit.SelectAll();
  return false;
}

ZoneDialog::ZoneDialog(ui::WindowHandle parent, ZoneNames& names, DataFile& file,
                       history::Author author, history::LoadedZones* loaded)
    : Dialog(IDD_ZONES, parent),
      names_(names),
      file_(file),
      author_(std::move(author)),
      loaded_(loaded),
      zone_list_(names) {
  On(IDC_MODIFY, NotifyCode::kClick, [this](const ui::Notification&) { RenameSelected(); });
  On(IDC_ZONE_LIST, NotifyCode::kClick, [this](const ui::Notification& n) { Select(n); });
  On(IDC_ZONE_LIST, NotifyCode::kDoubleClick, [this](const ui::Notification& n) {
    selected_index_ = static_cast<std::int32_t>(n.item);
    selected_name_ = selected_index_ == -1 ? u"" : zone_list_.ItemText(selected_index_);
    if (selected_index_ != -1) RenameSelected();
  });
}

void ZoneDialog::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Bind(IDC_MODIFY, modify_button_);
  exchange.Bind(IDC_ZONE_LIST, zone_list_);
}

bool ZoneDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  modify_button_.Enable(false);
  zone_list_.FillZones(false);
  return true;
}

void ZoneDialog::Select(const ui::Notification& notification) {
  selected_index_ = static_cast<std::int32_t>(notification.item);
  selected_name_ = selected_index_ == -1 ? u"" : zone_list_.ItemText(selected_index_);
  modify_button_.Enable(selected_index_ != -1);
}

bool ZoneDialog::ShowVerdict(const ZoneNameVerdict& verdict) {
  if (verdict.accepted()) return true;
  const std::u16string text = platform::ResourceString(verdict.message());
  if (verdict.problem == ZoneNameProblem::kBlank) {
    ui::ShowMessageBox(Handle(), text, ui::kMbOk | ui::kMbIconExclamation);
  } else {
    ShowPrompt(Handle(), text + verdict.offending);
  }
  return false;
}

void ZoneDialog::RenameSelected() {
  ZoneRenameDialog rename(Handle(), selected_name_);
  if (rename.DoModal() != ui::kIdOk) return;
  std::vector<std::u16string> names(zone_list_.ItemCount());
  for (std::size_t i = 0; i < names.size(); ++i) {
    names[i] = zone_list_.ItemText(static_cast<int>(i));
  }
  const std::u16string& name = rename.name();
  if (!ShowVerdict(CheckZoneRename(names, static_cast<std::size_t>(selected_index_), name))) return;
  zone_list_.SetItemText(selected_index_, name);
}

void ZoneDialog::OnOK() {
  for (int zone = 0; zone < kZoneCount; ++zone) names_[zone] = zone_list_.ItemText(zone);
  const history::LoadedZones none;
  const history::ZoneChanges changes = history::ChangesOf(loaded_ ? *loaded_ : none, names_);
  history::HistoryObserver recording(author_, &changes);
  if (SaveZoneFile(names_, file_, &recording) != FileFailure::kNone) {
    ShowPrompt(Handle(), IDS_SAVE_ZONES_FAILED);
  } else if (loaded_) {
    loaded_->Take(names_, file_);
  }
  Dialog::OnOK();
}

}  // namespace warden
