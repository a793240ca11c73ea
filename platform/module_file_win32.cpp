#include <windows.h>

#include <vector>

#include "platform/module_file.h"
#include "platform/win32_text.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace warden::platform {
namespace {

ModuleFileNameFn g_module_file_name_override = nullptr;

HMODULE ThisModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

std::u16string RealModuleFileName(std::size_t name_chars, std::size_t long_chars) {
  std::vector<wchar_t> name(name_chars + 1, L'\0');
  GetModuleFileNameW(ThisModule(), name.data(), static_cast<DWORD>(name_chars));
  std::vector<wchar_t> long_name(long_chars + 1, L'\0');
  const DWORD length =
      GetLongPathNameW(name.data(), long_name.data(), static_cast<DWORD>(long_chars));
  if (length == 0 || length >= long_chars) return {};
  return FromWide(long_name.data(), length);
}

}  // namespace

std::u16string ModuleFileName(std::size_t name_chars, std::size_t long_chars) {
  return (g_module_file_name_override ? g_module_file_name_override : RealModuleFileName)(
      name_chars, long_chars);
}

void OverrideModuleFileName(ModuleFileNameFn fn) { g_module_file_name_override = fn; }

ResourceModule OwnResources() { return ThisModule(); }

// Loaded as an image-resource data file: no code runs, which is safe under
// the loader lock.
ResourceModule LoadResourceLibrary(const std::u16string& path) {
  return LoadLibraryExW(Wide(path), nullptr,
                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

void FreeResourceLibrary(ResourceModule library) {
  if (library && library != OwnResources()) FreeLibrary(static_cast<HMODULE>(library));
}

bool FindResourceBytes(ResourceModule module, std::uint16_t type, std::uint16_t id,
                       ResourceBytes* out) {
  if (!module) return false;
  const auto handle = static_cast<HMODULE>(module);
  HRSRC found = FindResourceW(handle, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
  if (!found) return false;
  HGLOBAL loaded = LoadResource(handle, found);
  if (!loaded) return false;
  out->data = static_cast<const std::uint8_t*>(LockResource(loaded));
  out->size = SizeofResource(handle, found);
  return out->data != nullptr;
}

}  // namespace warden::platform
