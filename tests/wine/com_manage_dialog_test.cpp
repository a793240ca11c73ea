// End to end through COM: the host sets the current user and opens the
// manage dialog; a second thread works the real dialogs with window messages
// (a new group, a new user in it with zones, a zone renamed through Edit
// zones, OK); the host then reads everything back through the interface.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "resources/warden_interface.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

using testing::Text;

// Driving the real dialogs from a second thread with window messages, as an
// operator would. Waits poll for up to 60 s.
constexpr int kPolls = 1200;  // 60 s: a fresh Wine prefix builds its font cache first
constexpr DWORD kPollMs = 50;

struct Search {
  int marker, unless;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      lstrcmpW(class_name, L"#32770") == 0 && GetDlgItem(window, search.marker) &&
      (search.unless == 0 || !GetDlgItem(window, search.unless))) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

bool WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < kPolls; ++i) {
    if (condition()) return true;
    Sleep(kPollMs);
  }
  return false;
}

std::wstring WindowText(HWND window) {
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  return text;
}

// A visible dialog of this process that holds a control `marker` and none
// `unless` (0: no such test), once its initialisation is over.
HWND WaitForDialogWith(int marker, int unless = 0) {
  Search search{marker, unless, nullptr};
  WaitUntil([&search] {
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  if (search.found)
    SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_BLOCK, kPolls * kPollMs, nullptr);
  return search.found;
}

bool WaitForClose(HWND window) {
  return WaitUntil([window] { return IsWindow(window) == FALSE; });
}

bool WaitForEnabled(HWND dialog, int id) {
  return WaitUntil([dialog, id] { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; });
}

void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void SetText(HWND dialog, int id, const std::wstring& text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TickListItem(HWND dialog, int item) {
  ListView_SetCheckState(GetDlgItem(dialog, IDC_ZONE_LIST), item, TRUE);
}

void ClickListItem(HWND dialog, int item) {
  HWND list = GetDlgItem(dialog, IDC_ZONE_LIST);
  RECT rect{};
  ListView_GetItemRect(list, item, &rect, LVIR_LABEL);
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
}

std::wstring ListItemText(HWND dialog, int item) {
  wchar_t text[128] = {};
  ListView_GetItemText(GetDlgItem(dialog, IDC_ZONE_LIST), item, 0, text, 128);
  return text;
}

bool SelectComboEntry(HWND dialog, const std::wstring& text) {
  HWND combo = GetDlgItem(dialog, IDC_JOIN_GROUP_COMBO);
  const int index = ComboBox_FindStringExact(combo, -1, text.c_str());
  return index != CB_ERR && ComboBox_SetCurSel(combo, index) == index;
}

struct Scenario {
  std::wstring group = L"Line 2", user = L"Operator7";
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
  TickListItem(editor, 3);
  TickListItem(editor, 4);
  Click(editor, IDOK);
  return WaitForClose(editor);
}

bool NewUserInGroup(HWND manage, const Scenario& scenario) {
  Click(manage, IDC_NEW);
  HWND editor = WaitForDialogWith(IDC_TYPE_USER);
  if (!editor) return false;
  Click(editor, IDC_TYPE_USER);
  if (!WaitForEnabled(editor, IDC_USER_NAME)) return false;
  SetText(editor, IDC_USER_NAME, scenario.user);
  SetText(editor, IDC_PASSWORD, L"pw-7");
  SetText(editor, IDC_USER_COMMENT, L"night shift");
  SetText(editor, IDC_LOGIN_TIMEOUT, L"15");
  SetText(editor, IDC_PRIORITY, L"100");
  Click(editor, IDC_JOIN_GROUP);
  if (!WaitForEnabled(editor, IDC_JOIN_GROUP_COMBO) || !SelectComboEntry(editor, scenario.group))
    return false;
  TickListItem(editor, 5);
  Click(editor, IDOK);
  return WaitForClose(editor);
}

bool RenameZone5(HWND manage, const Scenario& scenario) {
  Click(manage, IDC_EDIT_ZONES);
  HWND zones = WaitForDialogWith(IDC_ZONE_LIST, IDC_TYPE_USER);
  if (!zones) return false;
  ClickListItem(zones, 5);
  if (!WaitForEnabled(zones, IDC_MODIFY)) return false;
  Click(zones, IDC_MODIFY);
  HWND rename = WaitForDialogWith(IDC_NEW_ZONE_NAME);
  if (!rename) return false;
  HWND edit = GetDlgItem(rename, IDC_NEW_ZONE_NAME);
  SetText(rename, IDC_NEW_ZONE_NAME, L"");
  for (wchar_t c : scenario.zone) PostMessageW(edit, WM_CHAR, c, 1);
  const std::wstring kept = scenario.zone.substr(0, 31);
  if (!WaitUntil([edit, &kept] { return WindowText(edit) == kept; })) return false;
  Click(rename, IDOK);
  if (!WaitForClose(rename)) return false;
  // The list shows the new name before the dialog closes.
  if (!WaitUntil([zones, &kept] { return ListItemText(zones, 5) == kept; })) return false;
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

// The records of the data directory's history, in order.
std::vector<std::string> Records(const std::wstring& directory) {
  std::ifstream trail(std::filesystem::path(directory + L"\\History\\trail.jsonl"),
                      std::ios::binary);
  std::vector<std::string> records;
  for (std::string line; std::getline(trail, line);)
    if (line.rfind("{\"seq\":", 0) == 0) records.push_back(line);
  return records;
}

class ManageDialogUiTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ManageDialogUiTest, HostOpensTheDialogAnOperatorAddsAndTheHostReadsBack) {
  const std::string language = GetParam();
  testing::RegisteredConfig registered;
  ASSERT_NO_FATAL_FAILURE(registered.Create(language == "zh" ? "CHINESE" : "ENGLISH"));
  IConfig* config = registered.config;
  wchar_t name[] = L"Supervisor";
  USER_idl supervisor{1, {}, nullptr, name, nullptr, nullptr, 500, 0, nullptr};
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

  // The dialog's load created both files, its OK and Edit zones' OK saved
  // them, and the host's SaveAllUsers saved again: each left its record.
  users[5].userpri = 101;
  ASSERT_EQ(config->SaveAllUsers(count, users.data()), S_OK);
  const std::vector<std::string> records = Records(registered.copy.DataDirectory());
  const std::pair<const char*, const char*> expected[] = {
      {R"(dialog","file":"users.dat","action":"create")", ""},
      {R"(dialog","file":"section.dat","action":"create")", ""},
      {R"(dialog","file":"section.dat","action":"save")", R"({"op":"renamed","zone":5,)"},
      {R"(dialog","file":"users.dat","action":"save")", R"("added","account":"Operator7")"},
      {R"(api","file":"users.dat","action":"save")", R"("priority":[100,101])"}};
  ASSERT_EQ(records.size(), std::size(expected));
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string by = std::string(R"("user":"Supervisor","front_end":")") + expected[i].first;
    EXPECT_NE(records[i].find(by), std::string::npos) << records[i];
    EXPECT_NE(records[i].find(expected[i].second), std::string::npos) << records[i];
  }
  SysFreeString(none);
}

INSTANTIATE_TEST_SUITE_P(Languages, ManageDialogUiTest, ::testing::Values("zh", "en"));

}  // namespace
}  // namespace warden
