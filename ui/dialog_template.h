// Reader of compiled extended dialog templates (DLGTEMPLATEEX, as windres and
// rc emit DIALOGEX). Portable: the headless dialogs are built from it,
// and both backends use it to find radio groups.
#ifndef WARDEN_UI_DIALOG_TEMPLATE_H
#define WARDEN_UI_DIALOG_TEMPLATE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace warden::ui {

// Window and control styles the framework looks at (Win32 values).
namespace style {
constexpr std::uint32_t kDisabled = 0x08000000;
constexpr std::uint32_t kVisible = 0x10000000;
constexpr std::uint32_t kGroup = 0x00020000;
constexpr std::uint32_t kTabStop = 0x00010000;
constexpr std::uint32_t kBorder = 0x00800000;
constexpr std::uint32_t kButtonTypeMask = 0x0000000F;
constexpr std::uint32_t kPushButton = 0x0;
constexpr std::uint32_t kDefPushButton = 0x1;
constexpr std::uint32_t kCheckBox = 0x2;
constexpr std::uint32_t kAutoCheckBox = 0x3;
constexpr std::uint32_t kRadioButton = 0x4;
constexpr std::uint32_t kGroupBox = 0x7;
constexpr std::uint32_t kAutoRadioButton = 0x9;
constexpr std::uint32_t kEditCenter = 0x0001;
constexpr std::uint32_t kEditMultiLine = 0x0004;
constexpr std::uint32_t kEditPassword = 0x0020;
constexpr std::uint32_t kEditAutoVScroll = 0x0040;
constexpr std::uint32_t kEditAutoHScroll = 0x0080;
constexpr std::uint32_t kEditReadOnly = 0x0800;
constexpr std::uint32_t kEditNumber = 0x2000;
constexpr std::uint32_t kComboDropDownList = 0x0003;
}  // namespace style

enum class ControlKind {
  kButton,
  kEdit,
  kStatic,
  kListBox,
  kScrollBar,
  kComboBox,
  kListView,
  kTreeView,
  kOther
};

struct DialogItem {
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::int32_t id = 0;  // -1 for unnamed labels
  ControlKind kind = ControlKind::kOther;
  std::u16string class_name;  // empty when given by atom
  std::u16string text;
};

struct DialogTemplate {
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::u16string caption;
  std::uint16_t point_size = 0;
  std::u16string font;
  std::vector<DialogItem> items;

  // Ids of the radio buttons of the group that starts at `first_id`: that
  // button and the radio buttons after it up to the next group start.
  std::vector<std::int32_t> RadioGroup(std::int32_t first_id) const;
  // The radio buttons of the group that holds control `id`.
  std::vector<std::int32_t> RadioGroupOf(std::int32_t id) const;

 private:
  std::vector<std::int32_t> RadioGroupFrom(std::size_t start) const;
};

// False when the bytes are not a whole extended (DIALOGEX) template; `out` is
// then unspecified.
bool ParseDialogTemplate(const std::uint8_t* data, std::size_t size, DialogTemplate* out);

bool IsRadioButton(const DialogItem& item);

}  // namespace warden::ui

#endif
