// The COM module: its lock count, its object map of one class (Config) with
// the cached class factory, and the rules behind DllGetClassObject and
// DllCanUnloadNow.
#ifndef WARDEN_SHELL_COM_SERVER_H
#define WARDEN_SHELL_COM_SERVER_H

#include "platform/com.h"

namespace warden {

// Raised while a Config object lives, by LockServer(TRUE), and while a
// client holds the class factory; changed atomically.
void LockModule();
void UnlockModule();
long ModuleLockCount();

// Start-up and shut-down of the module; termination releases the cached
// class factory.
void InitComModule();
void TermComModule();

// DllGetClassObject: the class factory of Config (created on first request),
// CLASS_E_CLASSNOTAVAILABLE for any other class, E_POINTER for a null `object`.
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object);
// DllCanUnloadNow: S_OK when the lock count is 0, else S_FALSE.
HRESULT CanUnloadNow();

}  // namespace warden

#endif
