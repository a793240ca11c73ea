#include "platform/resources.h"
#include "platform/little_endian.h"

namespace warden::platform {
namespace {

ResourceModule g_resource_source = nullptr;

}  // namespace

ResourceModule ResourceSource() { return g_resource_source ? g_resource_source : OwnResources(); }

void SetResourceSource(ResourceModule module) { g_resource_source = module; }

// Strings live in blocks of 16: block (id / 16) + 1 holds, for each of its
// ids in turn, a 16-bit length and that many UTF-16 units.
std::u16string StringFrom(ResourceModule module, std::uint16_t id) {
  ResourceBytes block;
  if (!FindResourceBytes(module, kResourceTypeString, static_cast<std::uint16_t>(id / 16 + 1),
                         &block)) {
    return {};
  }
  const auto unit = [&block](std::size_t index) {
    return static_cast<char16_t>(LoadU16(block.data + 2 * index));
  };
  const std::size_t units = block.size / 2;
  std::size_t at = 0;
  for (int slot = 0; slot < 16 && at < units; ++slot) {
    const std::size_t length = unit(at++);
    if (length > units - at) return {};
    if (slot == id % 16) {
      std::u16string text(length, u'\0');
      for (std::size_t i = 0; i < length; ++i) text[i] = unit(at + i);
      return text;
    }
    at += length;
  }
  return {};
}

std::u16string ResourceString(std::uint16_t id) { return StringFrom(ResourceSource(), id); }

}  // namespace warden::platform
