// Where ManageDoModal opens the manage dialog.
#ifndef WARDEN_SHELL_MANAGE_ENTRY_H
#define WARDEN_SHELL_MANAGE_ENTRY_H

#include "platform/com.h"

namespace warden {

// Runs the modal manage dialog over the application store, owned by
// `parent` (may be null), and returns when it closes.
void ShowManageDialog(HWND parent);

}  // namespace warden

#endif
