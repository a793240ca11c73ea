#include "tests/wine/dialog_automation.h"

#include <commctrl.h>

#include <cstdio>

namespace warden::testing {
namespace {

constexpr int kPolls = 1200;  // 60 s: a fresh Wine prefix builds its font cache first
constexpr DWORD kPollMs = 50;

struct Search {
  int marker;
  int unless;
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

}  // namespace

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

HWND WaitForDialogWith(int marker, int unless) {
  Search search{marker, unless, nullptr};
  WaitUntil([&search] {
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  if (search.found) {  // returns once its initialisation is over
    SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_BLOCK, kPolls * kPollMs, nullptr);
  }
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

void TickListItem(HWND dialog, int list_id, int item) {
  LVITEMW state{};
  state.stateMask = LVIS_STATEIMAGEMASK;
  state.state = INDEXTOSTATEIMAGEMASK(2);
  SendMessageW(GetDlgItem(dialog, list_id), LVM_SETITEMSTATE, item,
               reinterpret_cast<LPARAM>(&state));
}

void ClickListItem(HWND dialog, int list_id, int item) {
  HWND list = GetDlgItem(dialog, list_id);
  RECT rect{};
  rect.left = LVIR_LABEL;
  SendMessageW(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect));
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
}

std::wstring ListItemText(HWND dialog, int list_id, int item) {
  wchar_t text[128] = {};
  LVITEMW request{};
  request.pszText = text;
  request.cchTextMax = 128;
  SendMessageW(GetDlgItem(dialog, list_id), LVM_GETITEMTEXTW, item,
               reinterpret_cast<LPARAM>(&request));
  return text;
}

bool SelectComboEntry(HWND dialog, int combo_id, const std::wstring& text) {
  HWND combo = GetDlgItem(dialog, combo_id);
  const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
  if (index == CB_ERR) return false;
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  return true;
}

}  // namespace warden::testing
