#include "dialogs/section_dialog.h"

#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "dialogs/prompt_dialog.h"
#include "zones/zone_file.h"

namespace warden {

namespace {
constexpr std::size_t kNewNameMaxChars = 31;
constexpr std::size_t kZoneNameMaxChars = 32;
}  // namespace

using platform::NotifyCode;

CDialog2::CDialog2(platform::WindowHandle parent) : Dialog(IDD_RENAME_ZONE, parent) {}

void CDialog2::DoDataExchange(platform::DataExchange& exchange) {
  exchange.Text(IDC_NEW_ZONE_NAME, m_strNewName, kNewNameMaxChars);
}

bool CDialog2::OnInitDialog() {
  Dialog::OnInitDialog();
  platform::Edit edit;
  edit.Attach(this, IDC_NEW_ZONE_NAME);
  edit.SetFocus();
  edit.SelectAll();
  return false;
}

CSectionDialog::CSectionDialog(platform::WindowHandle parent, CUser& store, DataLocation location)
    : Dialog(IDD_ZONES, parent),
      m_listSection(store),
      m_store(store),
      m_location(std::move(location)) {
  On(IDC_MODIFY, NotifyCode::kClick, [this](const platform::Notification&) { RenameSection(); });
  On(IDC_ZONE_LIST, NotifyCode::kClick, [this](const platform::Notification& n) { Select(n); });
  On(IDC_ZONE_LIST, NotifyCode::kDoubleClick, [this](const platform::Notification& n) {
    m_nSelIndex = static_cast<std::int32_t>(n.item);
    m_strSelName = m_nSelIndex == -1 ? u"" : m_listSection.ItemText(m_nSelIndex);
    if (m_nSelIndex != -1) RenameSection();
  });
}

void CSectionDialog::DoDataExchange(platform::DataExchange& exchange) {
  exchange.Bind(IDC_MODIFY, m_btnModify);
  exchange.Bind(IDC_ZONE_LIST, m_listSection);
}

bool CSectionDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  m_btnModify.Enable(false);
  m_listSection.FillZones(false);
  return true;
}

void CSectionDialog::Select(const platform::Notification& notification) {
  m_nSelIndex = static_cast<std::int32_t>(notification.item);
  m_strSelName = m_nSelIndex == -1 ? u"" : m_listSection.ItemText(m_nSelIndex);
  m_btnModify.Enable(m_nSelIndex != -1);
}

bool CSectionDialog::CheckSectionName(const std::u16string& name) {
  if (name.size() > kZoneNameMaxChars) {
    ShowPrompt(Handle(), IDS_ZONE_NAME_TOO_LONG);
    return false;
  }
  const std::size_t first = name.find_first_not_of(u' ');
  if (first == std::u16string::npos) {
    platform::ShowMessageBox(Handle(), platform::ResourceString(IDS_ZONE_NAME_EMPTY),
                             platform::kMbOk | platform::kMbIconExclamation);
    return false;
  }
  std::size_t first_end = name.find(u' ', first);
  if (first_end == std::u16string::npos) first_end = name.size();
  bool bad = name.find_first_not_of(u' ', first_end) != std::u16string::npos;
  const std::u16string first_word = name.substr(first, first_end - first);
  const std::size_t illegal = first_word.find_first_of(kIllegalZoneNameChars);
  std::u16string offending;
  if (illegal != std::u16string::npos) {
    bad = true;
    offending = first_word.substr(illegal);
  }
  if (bad) {
    ShowPrompt(Handle(), platform::ResourceString(IDS_ZONE_NAME_ILLEGAL) + offending);
    return false;
  }
  return true;
}

void CSectionDialog::RenameSection() {
  CDialog2 rename(Handle());
  rename.m_strNewName = m_strSelName;
  if (rename.DoModal() != platform::kIdOk) return;
  const std::u16string& name = rename.m_strNewName;
  if (name.empty()) {
    ShowPrompt(Handle(), IDS_ZONE_NAME_EMPTY);
    return;
  }
  if (!CheckSectionName(name)) return;
  const int count = m_listSection.ItemCount();
  for (int i = 0; i < count; ++i) {
    if (i != m_nSelIndex && platform::EqualsNoCase(m_listSection.ItemText(i), name)) {
      ShowPrompt(Handle(), IDS_ZONE_NAME_REPEATED);
      return;
    }
  }
  m_listSection.SetItemText(m_nSelIndex, name);
}

void CSectionDialog::OnOK() {
  for (int zone = 0; zone < kZoneCount; ++zone) {
    m_store.m_strSection[zone] = m_listSection.ItemText(zone);
  }
  if (SaveSectionFile(m_store, m_location) != kFileOk) ShowPrompt(Handle(), IDS_SAVE_ZONES_FAILED);
  Dialog::OnOK();
}

}  // namespace warden
