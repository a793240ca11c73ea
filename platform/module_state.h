// The module's own state as COM entry points must see it: the resource
// source that start-up chose. A host may call in while another source is
// current (say, from another component's code sharing this thread), so every
// entry point makes the module's current and puts the caller's back after.
#ifndef WARDEN_PLATFORM_MODULE_STATE_H
#define WARDEN_PLATFORM_MODULE_STATE_H

#include "platform/module_file.h"

namespace warden::platform {

// Records `source` as the module's resource source and makes it current;
// null means the module's own resources.
void SetModuleResourceSource(ResourceModule source);
ResourceModule ModuleResourceSource();

class ModuleStateScope {
 public:
  ModuleStateScope();
  ~ModuleStateScope();
  ModuleStateScope(const ModuleStateScope&) = delete;
  ModuleStateScope& operator=(const ModuleStateScope&) = delete;

 private:
  ResourceModule caller_;
};

}  // namespace warden::platform

#endif
