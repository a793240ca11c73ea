// AccountEditor: the editor for one group or user, in New or Modify mode.
// It opens on one record (none for New), checks every field in a fixed
// order, and hands back one finished record; it reads the table, the zone
// names and the logged-in user and never changes them.
#ifndef WARDEN_DIALOGS_ACCOUNT_EDITOR_H
#define WARDEN_DIALOGS_ACCOUNT_EDITOR_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "accounts/account_record.h"
#include "accounts/account_rules.h"
#include "dialogs/zone_check_list.h"
#include "ui/ui.h"
#include "zones/zone_file.h"

namespace warden {

// What the editor reads.
struct EditorSources {
  const std::vector<AccountRecord>& table;
  const ZoneNames& zones;
  const AccountRecord* logged_in;  // null: nobody logged in
};

// How the editor opens.
struct EditorOpening {
  bool is_new = true;
  std::int32_t type = kEditGroup;  // kEditGroup or kEditUser
  AccountRecord old_record;        // Modify: the record changed, whose fields are shown; New: empty
  ZoneFlags ticked{};              // the zones ticked at the start (1)
};

class AccountEditor : public ui::Dialog {
 public:
  AccountEditor(ui::WindowHandle parent, const EditorSources& sources,
                const EditorOpening& opening);

  // After OK: the finished record, the type chosen, and for a user whose
  // join box was ticked the group chosen.
  const AccountRecord& result() const { return result_; }
  std::int32_t type() const { return fields_.type; }
  const std::optional<std::u16string>& joined_group() const { return joined_group_; }

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void FillGroups();
  void ApplyEnablingRules();
  void OnTypeOrJoinClicked();
  // Focus on the name field of the current type, whole text selected.
  void SelectNameField();
  // A refusal's message in its box or prompt, then the focus it asks for.
  void ShowRefusal(std::uint16_t message, EditField focus);

  const EditorSources sources_;
  const EditorOpening opening_;
  AccountEdit fields_;  // as the controls last gave them; the join group is read on OK
  bool join_box_ = false;
  AccountRecord result_;
  std::optional<std::u16string> joined_group_;
  ui::ComboBox group_combo_;
  ui::Edit user_name_edit_;
  ZoneCheckList zone_list_;
};

}  // namespace warden

#endif
