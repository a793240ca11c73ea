// The module itself: its file name and its resource source (the module's own
// compiled resources, or a loaded language library in their place).
#ifndef WARDEN_PLATFORM_MODULE_FILE_H
#define WARDEN_PLATFORM_MODULE_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace warden::platform {

// The module's full file name in long form (Windows: the DLL's own; POSIX:
// the shared object's or executable's own, with '\' as separator). Empty when
// the name cannot be had in long form within `long_chars` characters.
std::u16string ModuleFileName(std::size_t name_chars, std::size_t long_chars);

// Tests point the module at another file name; null restores the real one.
using ModuleFileNameFn = std::u16string (*)(std::size_t name_chars, std::size_t long_chars);
void OverrideModuleFileName(ModuleFileNameFn fn);

// A loaded set of compiled resources: a module handle on Windows, a parsed
// resource file on POSIX. Null means none.
using ResourceModule = void*;

// The module's own resources.
ResourceModule OwnResources();
// Loads a resource-only library for its resources; null on failure.
ResourceModule LoadResourceLibrary(const std::u16string& path);
void FreeResourceLibrary(ResourceModule library);

// The raw bytes of resource (type, id) of `module`, or false.
struct ResourceBytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};
bool FindResourceBytes(ResourceModule module, std::uint16_t type, std::uint16_t id,
                       ResourceBytes* out);

}  // namespace warden::platform

#endif
