#include "platform/module_state.h"

#include "platform/resources.h"

namespace warden::platform {
namespace {

ResourceModule g_module_source = nullptr;

}  // namespace

void SetModuleResourceSource(ResourceModule source) {
  g_module_source = source;
  SetResourceSource(source);
}

ResourceModule ModuleResourceSource() { return g_module_source ? g_module_source : OwnResources(); }

ModuleStateScope::ModuleStateScope() : caller_(ResourceSource()) {
  SetResourceSource(ModuleResourceSource());
}

ModuleStateScope::~ModuleStateScope() { SetResourceSource(caller_); }

}  // namespace warden::platform
