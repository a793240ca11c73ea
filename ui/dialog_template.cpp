#include "ui/dialog_template.h"
#include "platform/little_endian.h"

namespace warden::ui {
namespace {

constexpr std::uint32_t kDsSetFont = 0x40;
constexpr std::uint32_t kDsShellFont = 0x48;

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Word(std::uint16_t* value) {
    if (!data_ || size_ < 2 || at_ > size_ - 2) return false;
    *value = platform::LoadU16(data_ + at_);
    at_ += 2;
    return true;
  }
  bool Short(std::int16_t* value) {
    std::uint16_t word = 0;
    if (!Word(&word)) return false;
    *value = static_cast<std::int16_t>(word);
    return true;
  }
  bool Dword(std::uint32_t* value) {
    std::uint16_t low = 0, high = 0;
    if (!Word(&low) || !Word(&high)) return false;
    *value = low | (static_cast<std::uint32_t>(high) << 16);
    return true;
  }
  bool Text(std::u16string* text) {
    text->clear();
    for (std::uint16_t c = 0;;) {
      if (!Word(&c)) return false;
      if (c == 0) return true;
      text->push_back(static_cast<char16_t>(c));
    }
  }
  // A menu, class or title field: 0 (none), 0xFFFF and an ordinal, or text.
  bool TextOrOrdinal(std::u16string* text, std::uint16_t* ordinal) {
    std::uint16_t first = 0;
    const std::size_t start = at_;
    if (!Word(&first)) return false;
    *ordinal = 0;
    text->clear();
    if (first == 0) return true;
    if (first == 0xFFFF) return Word(ordinal);
    at_ = start;
    return Text(text);
  }
  void AlignDword() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }
  bool Skip(std::size_t bytes) {
    if (bytes > size_ - at_) return false;
    at_ += bytes;
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

ControlKind KindOf(std::uint16_t atom, const std::u16string& name) {
  switch (atom) {
    case 0x80:
      return ControlKind::kButton;
    case 0x81:
      return ControlKind::kEdit;
    case 0x82:
      return ControlKind::kStatic;
    case 0x83:
      return ControlKind::kListBox;
    case 0x84:
      return ControlKind::kScrollBar;
    case 0x85:
      return ControlKind::kComboBox;
    default:
      break;
  }
  auto is = [&name](const char16_t* expected) {
    std::u16string upper;
    for (char16_t c : name) upper.push_back(c >= u'a' && c <= u'z' ? c - 32 : c);
    return upper == expected;
  };
  if (is(u"BUTTON")) return ControlKind::kButton;
  if (is(u"EDIT")) return ControlKind::kEdit;
  if (is(u"STATIC")) return ControlKind::kStatic;
  if (is(u"LISTBOX")) return ControlKind::kListBox;
  if (is(u"COMBOBOX")) return ControlKind::kComboBox;
  if (is(u"SYSLISTVIEW32")) return ControlKind::kListView;
  if (is(u"SYSTREEVIEW32")) return ControlKind::kTreeView;
  return ControlKind::kOther;
}

bool ReadItem(Reader& in, DialogItem* item) {
  in.AlignDword();
  std::uint32_t help_id = 0, id = 0;
  if (!in.Dword(&help_id) || !in.Dword(&item->ex_style) || !in.Dword(&item->style)) return false;
  if (!in.Short(&item->x) || !in.Short(&item->y) || !in.Short(&item->cx) || !in.Short(&item->cy) ||
      !in.Dword(&id)) {
    return false;
  }
  item->id = static_cast<std::int32_t>(id);
  std::uint16_t atom = 0, title_ordinal = 0, extra = 0;
  if (!in.TextOrOrdinal(&item->class_name, &atom)) return false;
  if (!in.TextOrOrdinal(&item->text, &title_ordinal)) return false;
  item->kind = KindOf(atom, item->class_name);
  return in.Word(&extra) && in.Skip(extra);
}

}  // namespace

bool IsRadioButton(const DialogItem& item) {
  const std::uint32_t type = item.style & style::kButtonTypeMask;
  return item.kind == ControlKind::kButton &&
         (type == style::kRadioButton || type == style::kAutoRadioButton);
}

std::vector<std::int32_t> DialogTemplate::RadioGroup(std::int32_t first_id) const {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].id == first_id) return RadioGroupFrom(i);
  }
  return {};
}

std::vector<std::int32_t> DialogTemplate::RadioGroupOf(std::int32_t id) const {
  std::size_t at = 0;
  while (at < items.size() && items[at].id != id) ++at;
  if (at == items.size()) return {};
  while (at > 0 && !(items[at].style & style::kGroup)) --at;
  return RadioGroupFrom(at);
}

std::vector<std::int32_t> DialogTemplate::RadioGroupFrom(std::size_t start) const {
  std::vector<std::int32_t> group;
  for (std::size_t j = start; j < items.size(); ++j) {
    if (j > start && (items[j].style & style::kGroup)) break;
    if (IsRadioButton(items[j])) group.push_back(items[j].id);
  }
  return group;
}

// Only the extended form (DIALOGEX): the resource compiler writes every
// template of the module and of the language libraries so.
bool ParseDialogTemplate(const std::uint8_t* data, std::size_t size, DialogTemplate* out) {
  Reader in(data, size);
  *out = DialogTemplate{};
  std::uint16_t version = 0, signature = 0, count = 0;
  std::uint32_t help_id = 0;
  if (!in.Word(&version) || !in.Word(&signature) || version != 1 || signature != 0xFFFF ||
      !in.Dword(&help_id) || !in.Dword(&out->ex_style) || !in.Dword(&out->style)) {
    return false;
  }
  if (!in.Word(&count) || !in.Short(&out->x) || !in.Short(&out->y) || !in.Short(&out->cx) ||
      !in.Short(&out->cy)) {
    return false;
  }
  std::u16string menu, window_class;
  std::uint16_t ordinal = 0;
  if (!in.TextOrOrdinal(&menu, &ordinal) || !in.TextOrOrdinal(&window_class, &ordinal) ||
      !in.Text(&out->caption)) {
    return false;
  }
  std::uint16_t weight = 0, italic_charset = 0;
  if ((out->style & (kDsSetFont | kDsShellFont)) &&
      (!in.Word(&out->point_size) || !in.Word(&weight) || !in.Word(&italic_charset) ||
       !in.Text(&out->font))) {
    return false;
  }
  out->items.resize(count);
  for (DialogItem& item : out->items) {
    if (!ReadItem(in, &item)) return false;
  }
  return true;
}

}  // namespace warden::ui
