// Load and unload of Warden.dll run the application object's start-up and
// shut-down. The C++ runtime has built the static objects before the first
// call and destroys them after the last.
#include "platform/com.h"
#include "shell/warden_app.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    return warden::TheApp().Start() ? TRUE : FALSE;
  }
  if (reason == DLL_PROCESS_DETACH) warden::TheApp().Stop();
  return TRUE;
}
