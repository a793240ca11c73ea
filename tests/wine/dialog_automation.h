// Driving real dialogs from a second thread with window messages, as an
// operator would.
#ifndef WARDEN_TESTS_WINE_DIALOG_AUTOMATION_H
#define WARDEN_TESTS_WINE_DIALOG_AUTOMATION_H

#include <windows.h>

#include <functional>
#include <string>

namespace warden::testing {

// Waits (up to 60 s) for a visible dialog of this process that holds a
// control with id `marker` and none with id `unless` (0: no such test).
HWND WaitForDialogWith(int marker, int unless = 0);
// Waits (up to 60 s) until `window` is gone.
bool WaitForClose(HWND window);
// Waits (up to 60 s) until control `id` of `dialog` is enabled.
bool WaitForEnabled(HWND dialog, int id);
// Waits (up to 60 s) until `condition` holds.
bool WaitUntil(const std::function<bool()>& condition);
std::wstring WindowText(HWND window);

void Click(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::wstring& text);
void TickListItem(HWND dialog, int list_id, int item);
void ClickListItem(HWND dialog, int list_id, int item);
std::wstring ListItemText(HWND dialog, int list_id, int item);
// Selects the combo entry with exactly `text`; false when there is none.
bool SelectComboEntry(HWND dialog, int combo_id, const std::wstring& text);

}  // namespace warden::testing

#endif
