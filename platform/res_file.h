// Reader of the compiled-resource (.res) format that windres writes: a run of
// entries, each a header (sizes, type, name, language) and its data, each
// aligned to four bytes. Used where no Windows loader is at hand.
#ifndef WARDEN_PLATFORM_RES_FILE_H
#define WARDEN_PLATFORM_RES_FILE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace warden::platform {

class ResFile {
 public:
  struct Entry {
    std::uint16_t type;
    std::uint16_t id;
    std::uint16_t language;
    std::size_t offset;
    std::size_t size;
  };

  // Parses `bytes` (kept as a copy). Entries named by text rather than by
  // number are skipped; a damaged tail ends the list where it starts.
  explicit ResFile(std::vector<std::uint8_t> bytes);

  // The data of the first entry of that type and id, or null.
  const std::uint8_t* Find(std::uint16_t type, std::uint16_t id, std::size_t* size) const;
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<Entry> entries_;
};

}  // namespace warden::platform

#endif
