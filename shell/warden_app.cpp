#include "shell/warden_app.h"

#include "dialogs/dialog_texts.h"
#include "platform/module_state.h"
#include "shell/com_server.h"
#include "storage/installation.h"

namespace warden {

bool CWardenApp::InitInstance() {
  const std::int32_t code = GetLanguageCode();
  m_hLangDll = platform::LoadResourceLibrary(GetLanguageLibraryPath(code));
  if (m_hLangDll) platform::SetModuleResourceSource(m_hLangDll);
  ui::SetStandardTexts(kDialogTexts);
  InitComModule();
  return true;
}

int CWardenApp::ExitInstance() {
  if (m_hLangDll) {
    platform::SetModuleResourceSource(nullptr);
    platform::FreeResourceLibrary(m_hLangDll);
    m_hLangDll = nullptr;
  }
  TermComModule();
  return 0;
}

CWardenApp& TheApp() {
  static CWardenApp app;
  return app;
}

}  // namespace warden
