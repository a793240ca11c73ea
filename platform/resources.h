// Texts and templates by id from the module's current resource source.
#ifndef WARDEN_PLATFORM_RESOURCES_H
#define WARDEN_PLATFORM_RESOURCES_H

#include <cstdint>
#include <string>

#include "platform/module_file.h"

namespace warden::platform {

constexpr std::uint16_t kResourceTypeString = 6;
constexpr std::uint16_t kResourceTypeDialog = 5;

// The resource source of the module: its own resources until a language
// library is made current.
ResourceModule ResourceSource();
void SetResourceSource(ResourceModule module);

// String-table text `id` of `module`; empty when it has none.
std::u16string StringFrom(ResourceModule module, std::uint16_t id);
// String-table text `id` of the current resource source.
std::u16string ResourceString(std::uint16_t id);

}  // namespace warden::platform

#endif
