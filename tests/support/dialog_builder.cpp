#include "tests/support/dialog_builder.h"

namespace warden::testing {
namespace {

constexpr std::uint32_t kChildVisible = 0x50000000;
constexpr std::uint32_t kDialogStyle = 0x80C800C0;  // popup, caption, system menu, set font

class Writer {
 public:
  void Word(std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  void Dword(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value & 0xFFFF));
    Word(static_cast<std::uint16_t>(value >> 16));
  }
  void Text(const std::u16string& text) {
    for (char16_t c : text) Word(c);
    Word(0);
  }
  void AlignDword() {
    while (bytes.size() % 4) bytes.push_back(0);
  }
  std::vector<std::uint8_t> bytes;
};

}  // namespace

std::vector<std::uint8_t> BuildDialog(bool extended, const std::u16string& caption,
                                      const std::vector<BuiltControl>& controls) {
  Writer out;
  if (extended) {
    out.Word(1);
    out.Word(0xFFFF);
    out.Dword(0);  // help id
    out.Dword(0);  // extended style
    out.Dword(kDialogStyle);
  } else {
    out.Dword(kDialogStyle);
    out.Dword(0);
  }
  out.Word(static_cast<std::uint16_t>(controls.size()));
  for (std::int16_t v : {0, 0, 200, 100}) out.Word(static_cast<std::uint16_t>(v));
  out.Word(0);  // no menu
  out.Word(0);  // default class
  out.Text(caption);
  out.Word(8);
  if (extended) {
    out.Word(400);
    out.Word(0x0100);  // not italic, charset 1
  }
  out.Text(u"MS Shell Dlg");
  for (const BuiltControl& control : controls) {
    out.AlignDword();
    if (extended) {
      out.Dword(0);
      out.Dword(0);
      out.Dword(control.style | kChildVisible);
    } else {
      out.Dword(control.style | kChildVisible);
      out.Dword(0);
    }
    for (std::int16_t v : {control.x, control.y, control.cx, control.cy}) {
      out.Word(static_cast<std::uint16_t>(v));
    }
    if (extended) {
      out.Dword(static_cast<std::uint32_t>(control.id));
    } else {
      out.Word(static_cast<std::uint16_t>(control.id));
    }
    if (control.atom) {
      out.Word(0xFFFF);
      out.Word(control.atom);
    } else {
      out.Text(control.class_name);
    }
    out.Text(control.text);
    out.Word(0);  // no creation data
  }
  return out.bytes;
}

std::vector<std::uint8_t> BuildResFile(const std::vector<BuiltResource>& resources) {
  Writer out;
  auto entry = [&out](std::uint16_t type, std::uint16_t id, const std::vector<std::uint8_t>& data) {
    out.Dword(static_cast<std::uint32_t>(data.size()));
    out.Dword(32);
    out.Word(0xFFFF);
    out.Word(type);
    out.Word(0xFFFF);
    out.Word(id);
    out.Dword(0);       // data version
    out.Word(0x1030);   // memory flags
    out.Word(0x0409);   // language
    out.Dword(0);       // version
    out.Dword(0);       // characteristics
    out.bytes.insert(out.bytes.end(), data.begin(), data.end());
    out.AlignDword();
  };
  entry(0, 0, {});
  for (const BuiltResource& resource : resources) entry(resource.type, resource.id, resource.data);
  return out.bytes;
}

}  // namespace warden::testing
