#include "platform/little_endian.h"
#include "platform/res_file.h"

namespace warden::platform {
namespace {

class Cursor {
 public:
  Cursor(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t end)
      : bytes_(bytes), at_(at), end_(end) {}

  bool Word(std::uint16_t* value) {
    if (at_ > end_ || end_ - at_ < 2) return false;
    *value = LoadU16(&bytes_[at_]);
    at_ += 2;
    return true;
  }

  bool Dword(std::uint32_t* value) {
    std::uint16_t low = 0, high = 0;
    if (!Word(&low) || !Word(&high)) return false;
    *value = low | (static_cast<std::uint32_t>(high) << 16);
    return true;
  }

  // A type or name: 0xFFFF and a number, or a zero-ended text (id 0 then).
  bool NameOrId(std::uint16_t* id, bool* numeric) {
    std::uint16_t first = 0;
    if (!Word(&first)) return false;
    *numeric = first == 0xFFFF;
    if (*numeric) return Word(id);
    *id = 0;
    for (std::uint16_t c = first; c != 0;) {
      if (!Word(&c)) return false;
    }
    return true;
  }

  void AlignDword() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }
  std::size_t at() const { return at_; }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_;
  std::size_t end_;
};

}  // namespace

ResFile::ResFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
  std::size_t at = 0;
  while (bytes_.size() - at >= 8) {
    Cursor head(bytes_, at, bytes_.size());
    std::uint32_t data_size = 0, header_size = 0;
    head.Dword(&data_size);
    head.Dword(&header_size);
    if (header_size < 8 || header_size > bytes_.size() - at ||
        data_size > bytes_.size() - at - header_size) {
      break;
    }
    Cursor names(bytes_, head.at(), at + header_size);
    Entry entry{};
    bool type_numeric = false, name_numeric = false;
    std::uint32_t data_version = 0;
    std::uint16_t memory_flags = 0;
    if (!names.NameOrId(&entry.type, &type_numeric) || !names.NameOrId(&entry.id, &name_numeric)) {
      break;
    }
    names.AlignDword();
    if (!names.Dword(&data_version) || !names.Word(&memory_flags) || !names.Word(&entry.language)) {
      break;
    }
    entry.offset = at + header_size;
    entry.size = data_size;
    // The leading empty entry (type 0) only marks a 32-bit resource file.
    if (type_numeric && name_numeric && entry.type != 0) entries_.push_back(entry);
    at = (entry.offset + data_size + 3) & ~static_cast<std::size_t>(3);
  }
}

const std::uint8_t* ResFile::Find(std::uint16_t type, std::uint16_t id, std::size_t* size) const {
  for (const Entry& entry : entries_) {
    if (entry.type == type && entry.id == id) {
      *size = entry.size;
      return bytes_.data() + entry.offset;
    }
  }
  return nullptr;
}

}  // namespace warden::platform
