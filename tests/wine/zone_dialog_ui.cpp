// Opens the zone dialog for real and drives it from a second thread with
// window messages, as an operator would: click zone 3, Modify, type a name,
// OK, OK. Then checks section.dat and saves screenshots of both dialogs.
//
//   zone_dialog_ui <install dir> <screenshot dir> <tag> [language library]
#include <windows.h>

#include <cstdio>
#include <string>

#include "accounts/user_store.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/section_dialog.h"
#include "platform/dialog_template.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tests/wine/dialog_automation.h"
#include "shell/language.h"
#include "zones/zone_file.h"

namespace {

using warden::platform::ToUtf8;

int g_failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++g_failures;
}

std::wstring W(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

std::u16string Caption(std::uint16_t id) {
  warden::platform::ResourceBytes bytes;
  warden::platform::DialogTemplate parsed;
  if (!warden::platform::FindResourceBytes(warden::platform::ResourceSource(),
                                           warden::platform::kResourceTypeDialog, id, &bytes) ||
      !warden::platform::ParseDialogTemplate(bytes.data, bytes.size, &parsed)) {
    return {};
  }
  return parsed.caption;
}

std::wstring WindowText(HWND window) {
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  return text;
}

struct Scenario {
  std::wstring zones_caption;
  std::wstring rename_caption;
  std::wstring zones_caption_shown;
  std::wstring rename_caption_shown;
  std::wstring shots;  // path prefix of the screenshots
  std::wstring typed;
  std::wstring expected;
  std::wstring list_text_after;
};

DWORD WINAPI Drive(void* parameter) {
  using namespace warden::testing;
  auto& scenario = *static_cast<Scenario*>(parameter);
  HWND zones = WaitForDialogWith(IDC_ZONE_LIST);
  if (!zones) return 1;
  scenario.zones_caption_shown = WindowText(zones);
  ClickListItem(zones, IDC_ZONE_LIST, 3);
  WaitForEnabled(zones, IDC_MODIFY);
  SaveScreenshot(zones, scenario.shots + L"zone-dialog.bmp");
  Click(zones, IDC_MODIFY);

  HWND rename = WaitForDialogWith(IDC_NEW_ZONE_NAME);
  if (rename) {
    scenario.rename_caption_shown = WindowText(rename);
    HWND edit = GetDlgItem(rename, IDC_NEW_ZONE_NAME);
    for (wchar_t c : scenario.typed) PostMessageW(edit, WM_CHAR, c, 1);
    Sleep(300);
    SaveScreenshot(rename, scenario.shots + L"rename-dialog.bmp");
    Click(rename, IDOK);
    WaitForClose(rename);
  }
  Sleep(200);
  scenario.list_text_after = ListItemText(zones, IDC_ZONE_LIST, 3);
  Click(zones, IDOK);
  return 0;
}

// Points the host's install directory at `path` for the run; the prefix's
// profile is shared with the other Windows tests, so it is cleared after.
struct InstallDirectory {
  explicit InstallDirectory(const std::wstring& path) {
    WriteProfileStringW(L"Velm50", L"ApplicationDirectory", path.c_str());
    WriteProfileStringW(L"Velm51", L"ApplicationDirectory", path.c_str());
  }
  ~InstallDirectory() {
    WriteProfileStringW(L"Velm50", L"ApplicationDirectory", nullptr);
    WriteProfileStringW(L"Velm51", L"ApplicationDirectory", nullptr);
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: zone_dialog_ui <install dir> <screenshot dir> <tag> [library]\n");
    return 2;
  }
  const std::wstring install = argv[1], shots = argv[2], tag = argv[3];
  const InstallDirectory install_directory(install);
  warden::platform::SetStandardTexts(warden::kDialogTexts);
  if (argc > 4) {
    const std::wstring path = argv[4];
    auto library = warden::platform::LoadResourceLibrary(std::u16string(path.begin(), path.end()));
    Check(library != nullptr, "language library loaded");
    if (!library) return 1;
    warden::platform::SetResourceSource(library);
  }
  DeleteFileW((install + L"section.dat").c_str());
  DeleteFileW((install + L"section.bak").c_str());
  warden::CUser& store = warden::ApplicationStore();
  const warden::DataLocation here = warden::DataLocation::Install(warden::GetInstallDirectory());
  Check(warden::LoadSectionFile(store, here) == 0, "default zone names written");

  Scenario scenario;
  scenario.zones_caption = W(Caption(IDD_ZONES));
  scenario.rename_caption = W(Caption(IDD_RENAME_ZONE));
  scenario.shots = shots + L"\\" + tag + L"-";
  // 35 characters typed; the rename dialog takes 31.
  scenario.typed = tag == L"zh" ? L"东区_3号楼_0123456789_abcdefghijklmnop" : L"East_Wing_3_0123456789_abcdefghijkl";
  scenario.expected = scenario.typed.substr(0, 31);
  HANDLE driver = CreateThread(nullptr, 0, Drive, &scenario, 0, nullptr);
  warden::CSectionDialog dialog(nullptr, store, here);
  const intptr_t result = dialog.DoModal();
  WaitForSingleObject(driver, 30000);
  CloseHandle(driver);

  std::printf("dialog result %d\n", static_cast<int>(result));
  Check(result == IDOK, "zone dialog closed with OK");
  Check(scenario.zones_caption_shown == scenario.zones_caption, "zone dialog caption from the template");
  Check(scenario.rename_caption_shown == scenario.rename_caption, "rename dialog caption from the template");
  Check(scenario.list_text_after == scenario.expected, "list shows the new name, cut at 31");
  Check(store.m_strSection[3] == std::u16string(scenario.expected.begin(), scenario.expected.end()),
        "application store holds the new name");
  warden::CUser reread;
  Check(warden::LoadSectionFile(reread, here) == 0, "section.dat read back");
  Check(reread.m_strSection == store.m_strSection, "section.dat holds all 64 names");
  std::printf("zone 3 is now \"%s\"\n", ToUtf8(reread.m_strSection[3]).c_str());
  return g_failures == 0 ? 0 : 1;
}
