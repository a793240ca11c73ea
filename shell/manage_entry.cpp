#include "shell/manage_entry.h"

namespace warden {

// The manage dialog is not built yet; until it is, the call shows nothing.
void ShowManageDialog(HWND) {}

}  // namespace warden
