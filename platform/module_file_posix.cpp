#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "platform/module_file.h"
#include "platform/posix_path.h"
#include "platform/res_file.h"

namespace warden::platform {

// The module's compiled resources, embedded at build time.
extern const unsigned char kModuleResources[];
extern const std::size_t kModuleResourcesSize;

namespace {

ModuleFileNameFn g_module_file_name_override = nullptr;

// dladdr names the shared object (or executable) that holds this code; its
// real path stands in for the Windows long form.
std::u16string RealModuleFileName(std::size_t name_chars, std::size_t long_chars) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&RealModuleFileName), &info) == 0 || !info.dli_fname) {
    return {};
  }
  char resolved[PATH_MAX];
  if (!realpath(info.dli_fname, resolved)) return {};
  const std::u16string name = CorePath(resolved);
  if (name.size() >= name_chars || name.size() >= long_chars) return {};
  return name;
}

}  // namespace

std::u16string ModuleFileName(std::size_t name_chars, std::size_t long_chars) {
  return (g_module_file_name_override ? g_module_file_name_override : RealModuleFileName)(
      name_chars, long_chars);
}

void OverrideModuleFileName(ModuleFileNameFn fn) { g_module_file_name_override = fn; }

ResourceModule OwnResources() {
  static ResFile own(
      std::vector<std::uint8_t>(kModuleResources, kModuleResources + kModuleResourcesSize));
  return &own;
}

// On POSIX a language library is a compiled resource file.
ResourceModule LoadResourceLibrary(const std::u16string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return nullptr;
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  auto library = std::make_unique<ResFile>(std::move(bytes));
  if (library->entries().empty()) return nullptr;
  return library.release();
}

void FreeResourceLibrary(ResourceModule library) {
  if (library != OwnResources()) delete static_cast<ResFile*>(library);
}

bool FindResourceBytes(ResourceModule module, std::uint16_t type, std::uint16_t id,
                       ResourceBytes* out) {
  if (!module) return false;
  out->data = static_cast<const ResFile*>(module)->Find(type, id, &out->size);
  return out->data != nullptr;
}

}  // namespace warden::platform
