#include "dialogs/zone_dialog.h"

#include "accounts/name_text.h"
#include "dialogs/prompt_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "zones/zone_file.h"
#include "zones/zone_name_rules.h"

namespace warden {

using ui::NotifyCode;

ZoneRenameDialog::ZoneRenameDialog(ui::WindowHandle parent) : Dialog(IDD_RENAME_ZONE, parent) {}

void ZoneRenameDialog::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Text(IDC_NEW_ZONE_NAME, m_strNewName, kNameMaxChars);
}

bool ZoneRenameDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  ui::Edit edit;
  edit.Attach(this, IDC_NEW_ZONE_NAME);
  edit.SetFocus();
  edit.SelectAll();
  return false;
}

ZoneDialog::ZoneDialog(ui::WindowHandle parent, CUser& store, DataLocation location)
    : Dialog(IDD_ZONES, parent),
      m_listSection(store),
      m_store(store),
      m_location(std::move(location)) {
  On(IDC_MODIFY, NotifyCode::kClick, [this](const ui::Notification&) { RenameSection(); });
  On(IDC_ZONE_LIST, NotifyCode::kClick, [this](const ui::Notification& n) { Select(n); });
  On(IDC_ZONE_LIST, NotifyCode::kDoubleClick, [this](const ui::Notification& n) {
    m_nSelIndex = static_cast<std::int32_t>(n.item);
    m_strSelName = m_nSelIndex == -1 ? u"" : m_listSection.ItemText(m_nSelIndex);
    if (m_nSelIndex != -1) RenameSection();
  });
}

void ZoneDialog::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Bind(IDC_MODIFY, m_btnModify);
  exchange.Bind(IDC_ZONE_LIST, m_listSection);
}

bool ZoneDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  m_btnModify.Enable(false);
  m_listSection.FillZones(false);
  return true;
}

void ZoneDialog::Select(const ui::Notification& notification) {
  m_nSelIndex = static_cast<std::int32_t>(notification.item);
  m_strSelName = m_nSelIndex == -1 ? u"" : m_listSection.ItemText(m_nSelIndex);
  m_btnModify.Enable(m_nSelIndex != -1);
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

void ZoneDialog::RenameSection() {
  ZoneRenameDialog rename(Handle());
  rename.m_strNewName = m_strSelName;
  if (rename.DoModal() != ui::kIdOk) return;
  std::vector<std::u16string> names(m_listSection.ItemCount());
  for (std::size_t i = 0; i < names.size(); ++i) {
    names[i] = m_listSection.ItemText(static_cast<int>(i));
  }
  const std::u16string& name = rename.m_strNewName;
  if (!ShowVerdict(CheckZoneRename(names, static_cast<std::size_t>(m_nSelIndex), name))) return;
  m_listSection.SetItemText(m_nSelIndex, name);
}

void ZoneDialog::OnOK() {
  for (int zone = 0; zone < kZoneCount; ++zone) {
    m_store.m_strSection[zone] = m_listSection.ItemText(zone);
  }
  if (SaveSectionFile(m_store, m_location) != kFileOk) ShowPrompt(Handle(), IDS_SAVE_ZONES_FAILED);
  Dialog::OnOK();
}

}  // namespace warden
