// AccountEditor: the editor for one group or user, in New or Modify mode. It
// reads the account table and the current user, checks every field in a
// fixed order, and hands back one finished record in m_result; it never
// changes the table itself.
#ifndef WARDEN_DIALOGS_ACCOUNT_EDITOR_H
#define WARDEN_DIALOGS_ACCOUNT_EDITOR_H

#include <cstdint>
#include <string>

#include "accounts/account_record.h"
#include "accounts/account_rules.h"
#include "accounts/user_store.h"
#include "dialogs/zone_check_list.h"
#include "ui/ui.h"

namespace warden {

class AccountEditor : public ui::Dialog {
 public:
  // Reads the table and the current user of `store`, never changes them.
  AccountEditor(ui::WindowHandle parent, const CUser& store);

  bool m_bNew = true;
  std::u16string m_strJoinGroup;
  AccountRecord m_result;
  AccountRecord m_oldRecord;
  ui::ComboBox m_comboGroup;
  ui::Edit m_editUserName;
  ZoneCheckList m_listZones;
  std::u16string m_strUserComment;
  std::u16string m_strUserName;
  std::u16string m_strPassword;
  std::u16string m_strGroupComment;
  std::u16string m_strGroupName;
  std::u16string m_strLimitTime;
  std::u16string m_strUserPri;
  std::int32_t m_nType = kEditGroup;
  bool m_bJoinGroup = false;
  std::int16_t m_nUserPri = 999;
  std::int16_t m_nLimitTime = 0;

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void FillGroups();
  void TickZonesOfOldRecord();
  void ApplyEnablingRules();
  void OnTypeOrJoinClicked();
  // Focus on the name field of the current type, whole text selected.
  void SelectNameField();
  // A refusal's message in its box or prompt, then the focus it asks for.
  void ShowRefusal(std::uint16_t message, EditField focus);

  const CUser& m_store;
};

}  // namespace warden

#endif
