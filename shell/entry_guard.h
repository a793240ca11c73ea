// The one shape of every COM entry point: the module's state made current
// for the call, and nothing thrown across the boundary.
#ifndef WARDEN_SHELL_ENTRY_GUARD_H
#define WARDEN_SHELL_ENTRY_GUARD_H

#include <new>

#include "platform/com.h"
#include "platform/module_state.h"

namespace warden {

template <typename Body>
HRESULT GuardedEntry(Body body) {
  platform::ModuleStateScope scope;
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace warden

#endif
