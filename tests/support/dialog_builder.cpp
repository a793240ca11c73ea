#include "tests/support/dialog_builder.h"

#include <string>

namespace warden::testing {
namespace {

struct Writer {
  // `value` little-endian in `size` bytes.
  void Put(std::uint32_t value, int size = 2) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  void Text(const std::u16string& text) {
    for (char16_t c : text) Put(c);
    Put(0);
  }
  void Rect(std::int16_t x, std::int16_t y, std::int16_t cx, std::int16_t cy) {
    for (std::int16_t v : {x, y, cx, cy}) Put(static_cast<std::uint16_t>(v));
  }
  std::vector<std::uint8_t> bytes;
};

}  // namespace

std::vector<std::uint8_t> BuildShortDialog(const platform::DialogTemplate& dialog) {
  Writer out;
  out.Put(dialog.style, 4);
  out.Put(dialog.ex_style, 4);
  out.Put(static_cast<std::uint32_t>(dialog.items.size()));
  out.Rect(dialog.x, dialog.y, dialog.cx, dialog.cy);
  out.Put(0, 4);  // no menu, default class
  out.Text(dialog.caption);
  out.Put(dialog.point_size);
  out.Text(dialog.font);
  for (const platform::DialogItem& item : dialog.items) {
    while (out.bytes.size() % 4) out.bytes.push_back(0);
    out.Put(item.style, 4);
    out.Put(item.ex_style, 4);
    out.Rect(item.x, item.y, item.cx, item.cy);
    out.Put(static_cast<std::uint32_t>(item.id));
    if (item.class_name.empty()) {
      out.Put(0xFFFF);
      out.Put(0x80 + static_cast<std::uint32_t>(item.kind));  // button, edit, static, ... in order
    } else {
      out.Text(item.class_name);
    }
    out.Text(item.text);
    out.Put(0);  // no creation data
  }
  return out.bytes;
}

}  // namespace warden::testing
