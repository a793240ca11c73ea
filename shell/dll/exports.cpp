// The four exports of an in-process COM server. Each runs with the module's
// state current, like every IConfig method.
#include "platform/com.h"
#include "shell/com_server.h"
#include "shell/entry_guard.h"
#include "shell/registration.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return warden::GuardedEntry([&] { return warden::GetClassObject(rclsid, riid, ppv); });
}

STDAPI DllCanUnloadNow() {
  return warden::GuardedEntry([] { return warden::CanUnloadNow(); });
}

STDAPI DllRegisterServer() {
  return warden::GuardedEntry([] { return warden::RegisterThisModule(); });
}

STDAPI DllUnregisterServer() {
  return warden::GuardedEntry([] { return warden::UnregisterThisModule(); });
}
