// The dialog framework's own texts as this component shows them.
#ifndef WARDEN_DIALOGS_DIALOG_TEXTS_H
#define WARDEN_DIALOGS_DIALOG_TEXTS_H

#include "resources/resource_ids.h"
#include "ui/ui.h"

namespace warden {

inline constexpr ui::StandardTexts kDialogTexts{IDS_APP_TITLE, IDS_TEXT_TOO_LONG};

}  // namespace warden

#endif
