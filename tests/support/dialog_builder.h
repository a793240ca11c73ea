// Builds compiled dialog templates (DLGTEMPLATEEX or DLGTEMPLATE) and
// compiled-resource files holding them, for tests that need dialogs the
// module does not carry.
#ifndef WARDEN_TESTS_SUPPORT_DIALOG_BUILDER_H
#define WARDEN_TESTS_SUPPORT_DIALOG_BUILDER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace warden::testing {

struct BuiltControl {
  std::int32_t id;
  std::uint16_t atom;        // 0x80 button, 0x81 edit, 0x82 static, 0x85 combo; 0: class_name
  std::u16string class_name;
  std::u16string text;
  std::uint32_t style;       // WS_CHILD | WS_VISIBLE are added
  std::int16_t x = 0, y = 0, cx = 10, cy = 10;
};

std::vector<std::uint8_t> BuildDialog(bool extended, const std::u16string& caption,
                                      const std::vector<BuiltControl>& controls);

struct BuiltResource {
  std::uint16_t type;  // 5 dialog, 6 string block
  std::uint16_t id;
  std::vector<std::uint8_t> data;
};

// A compiled-resource file with the given resources.
std::vector<std::uint8_t> BuildResFile(const std::vector<BuiltResource>& resources);

}  // namespace warden::testing

#endif
