// WardenApp: the module's application object. Start-up runs when the
// library is loaded, shut-down when it is unloaded, both under the loader
// lock, which is why the language library is loaded for its resources only.
#ifndef WARDEN_SHELL_WARDEN_APP_H
#define WARDEN_SHELL_WARDEN_APP_H

#include "platform/module_file.h"

namespace warden {

class WardenApp {
 public:
  // Picks the language, loads its library and makes it the resource source
  // (the module's own Chinese resources stay when it cannot be loaded), then
  // starts the COM module. Always succeeds.
  bool Start();
  // Frees the language library and terminates the COM module.
  void Stop();

 private:
  platform::ResourceModule language_library_ = nullptr;  // the one loaded, or null
};

// The module's one application object.
WardenApp& TheApp();

}  // namespace warden

#endif
