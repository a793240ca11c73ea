#include "shell/warden_app.h"

#include "dialogs/dialog_texts.h"
#include "platform/module_state.h"
#include "shell/com_server.h"
#include "storage/installation.h"

namespace warden {

bool WardenApp::Start() {
  const std::int32_t code = GetLanguageCode();
  language_library_ = platform::LoadResourceLibrary(GetLanguageLibraryPath(code));
  if (language_library_) platform::SetModuleResourceSource(language_library_);
  ui::SetStandardTexts(kDialogTexts);
  InitComModule();
  return true;
}

void WardenApp::Stop() {
  if (language_library_) {
    platform::SetModuleResourceSource(nullptr);
    platform::FreeResourceLibrary(language_library_);
    language_library_ = nullptr;
  }
  TermComModule();
}

WardenApp& TheApp() {
  static WardenApp app;
  return app;
}

}  // namespace warden
