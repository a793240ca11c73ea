// End to end through COM: the host sets the current user and opens the
// manage dialog; a second thread works the real dialogs with window messages
// (a new group, a new user in it with zones, a zone renamed through Edit
// zones, OK); the host then reads everything back through the interface.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "resources/warden_interface.h"
#include "tests/wine/dialog_automation.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

using testing::Click;
using testing::SetText;
using testing::Text;
using testing::WaitForClose;
using testing::WaitForDialogWith;

struct Scenario {
  std::wstring group = L"Line 2";
  std::wstring user = L"Operator7";
  // Typed key by key into the real edit, which takes the first 31 characters.
  std::wstring zone = L"\u4E1C\u533A_Boiler_0123456789_abcdefghijkl";
  bool completed = false;
};

// Closes whatever dialog is left open, so a failed run cannot hang the host.
void CloseEveryDialog() {
  for (int round = 0; round < 10; ++round) {
    HWND dialog = WaitForDialogWith(IDOK);
    if (!dialog) return;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitForClose(dialog);
  }
}

bool NewGroup(HWND manage, const Scenario& scenario) {
  Click(manage, IDC_NEW);
  HWND editor = WaitForDialogWith(IDC_TYPE_USER);
  if (!editor) return false;
  SetText(editor, IDC_GROUP_NAME, scenario.group);
  SetText(editor, IDC_GROUP_COMMENT, L"second line");
  testing::TickListItem(editor, IDC_ZONE_LIST, 3);
  testing::TickListItem(editor, IDC_ZONE_LIST, 4);
  Click(editor, IDOK);
  return WaitForClose(editor);
}

bool NewUserInGroup(HWND manage, const Scenario& scenario) {
  Click(manage, IDC_NEW);
  HWND editor = WaitForDialogWith(IDC_TYPE_USER);
  if (!editor) return false;
  Click(editor, IDC_TYPE_USER);
  if (!testing::WaitForEnabled(editor, IDC_USER_NAME)) return false;
  SetText(editor, IDC_USER_NAME, scenario.user);
  SetText(editor, IDC_PASSWORD, L"pw-7");
  SetText(editor, IDC_USER_COMMENT, L"night shift");
  SetText(editor, IDC_LOGIN_TIMEOUT, L"15");
  SetText(editor, IDC_PRIORITY, L"100");
  Click(editor, IDC_JOIN_GROUP);
  if (!testing::WaitForEnabled(editor, IDC_JOIN_GROUP_COMBO) ||
      !testing::SelectComboEntry(editor, IDC_JOIN_GROUP_COMBO, scenario.group)) {
    return false;
  }
  testing::TickListItem(editor, IDC_ZONE_LIST, 5);
  Click(editor, IDOK);
  return WaitForClose(editor);
}

bool RenameZone5(HWND manage, const Scenario& scenario) {
  Click(manage, IDC_EDIT_ZONES);
  HWND zones = WaitForDialogWith(IDC_ZONE_LIST, IDC_TYPE_USER);
  if (!zones) return false;
  testing::ClickListItem(zones, IDC_ZONE_LIST, 5);
  if (!testing::WaitForEnabled(zones, IDC_MODIFY)) return false;
  Click(zones, IDC_MODIFY);
  HWND rename = WaitForDialogWith(IDC_NEW_ZONE_NAME);
  if (!rename) return false;
  HWND edit = GetDlgItem(rename, IDC_NEW_ZONE_NAME);
  SetText(rename, IDC_NEW_ZONE_NAME, L"");
  for (wchar_t c : scenario.zone) PostMessageW(edit, WM_CHAR, c, 1);
  const std::wstring kept = scenario.zone.substr(0, 31);
  if (!testing::WaitUntil([edit, &kept] { return testing::WindowText(edit) == kept; }))
    return false;
  Click(rename, IDOK);
  if (!WaitForClose(rename)) return false;
  // The list shows the new name before the dialog closes.
  if (!testing::WaitUntil(
          [zones, &kept] { return testing::ListItemText(zones, IDC_ZONE_LIST, 5) == kept; })) {
    return false;
  }
  Click(zones, IDOK);
  return WaitForClose(zones);
}

DWORD WINAPI Drive(void* parameter) {
  auto& scenario = *static_cast<Scenario*>(parameter);
  HWND manage = WaitForDialogWith(IDC_ACCOUNT_TREE);
  const char* step = "open the manage dialog";
  if (manage && (step = "new group", NewGroup(manage, scenario)) &&
      (step = "new user", NewUserInGroup(manage, scenario)) &&
      (step = "rename zone 5", RenameZone5(manage, scenario))) {
    Click(manage, IDOK);
    scenario.completed = WaitForClose(manage);
  }
  if (!scenario.completed) {
    std::fprintf(stderr, "dialog driver stopped at: %s\n", step);
    CloseEveryDialog();
  }
  return 0;
}

class ManageDialogUiTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ManageDialogUiTest, HostOpensTheDialogAnOperatorAddsAndTheHostReadsBack) {
  const std::string language = GetParam();
  testing::RegisteredConfig registered;
  ASSERT_NO_FATAL_FAILURE(registered.Create(language == "zh" ? "CHINESE" : "ENGLISH"));
  IConfig* config = registered.config;
  USER_idl supervisor{};
  supervisor.type = 1;
  supervisor.username = const_cast<wchar_t*>(L"Supervisor");
  supervisor.userpri = 500;
  ASSERT_EQ(config->SetCurUser(&supervisor), S_OK);

  Scenario scenario;
  HANDLE driver = CreateThread(nullptr, 0, Drive, &scenario, 0, nullptr);
  EXPECT_EQ(config->ManageDoModal(nullptr), S_OK);
  WaitForSingleObject(driver, 300000);
  CloseHandle(driver);
  EXPECT_TRUE(scenario.completed);

  BSTR none = SysAllocString(L"");
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, none), S_OK);
  ASSERT_EQ(count, 6);  // the four defaults, the group and the user
  std::vector<USER_idl> users(count);
  ASSERT_EQ(config->GetAllUser(count, users.data(), none), S_OK);
  // type, group, name, password, comments, priority, timeout, zones ticked
  // (an empty text is not written: the host's null stays)
  const auto describe = [](const USER_idl& r) {
    std::wstring zones;
    for (int zone = 0; zone < 64; ++zone)
      zones += r.sectionid[zone] ? L" " + std::to_wstring(zone) : L"";
    return std::to_wstring(r.type) + L"|" + Text(r.groupname) + L"|" + Text(r.username) + L"|" +
           Text(r.password) + L"|" + Text(r.usercomment) + L"|" + Text(r.groupcomment) + L"|" +
           std::to_wstring(r.userpri) + L"|" + std::to_wstring(r.limitTime) + L"|" + zones;
  };
  EXPECT_EQ(describe(users[4]),
            L"2|" + scenario.group + L"|<null>|<null>|<null>|second line|0|0| 3 4");
  EXPECT_EQ(describe(users[5]),
            L"1|" + scenario.group + L"|" + scenario.user + L"|pw-7|night shift|<null>|100|15| 5");
  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->GetAllSection(zones.data(), none), S_OK);
  EXPECT_EQ(Text(zones[5].sectionname), scenario.zone.substr(0, 31));
  EXPECT_EQ(Text(zones[6].sectionname), L"F");
  SysFreeString(none);
}

INSTANTIATE_TEST_SUITE_P(Languages, ManageDialogUiTest, ::testing::Values("zh", "en"));

}  // namespace
}  // namespace warden
