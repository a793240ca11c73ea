#include <gtest/gtest.h>

#include "platform/res_file.h"
#include "platform/resources.h"

namespace warden::platform {
namespace {

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t w) {
  out.push_back(w & 0xFF);
  out.push_back(w >> 8);
}
void PutDword(std::vector<std::uint8_t>& out, std::uint32_t d) {
  PutWord(out, d & 0xFFFF);
  PutWord(out, d >> 16);
}

// One entry with a numeric type and id and `data`, padded to four bytes.
void PutEntry(std::vector<std::uint8_t>& out, std::uint16_t type, std::uint16_t id,
              const std::vector<std::uint8_t>& data) {
  PutDword(out, static_cast<std::uint32_t>(data.size()));
  PutDword(out, 32);
  PutWord(out, 0xFFFF), PutWord(out, type), PutWord(out, 0xFFFF), PutWord(out, id);
  PutDword(out, 0), PutWord(out, 0x1030), PutWord(out, 2052), PutDword(out, 0), PutDword(out, 0);
  out.insert(out.end(), data.begin(), data.end());
  while (out.size() % 4) out.push_back(0);
}

// An entry named "AB" rather than by number, with one byte of data.
void PutNamedEntry(std::vector<std::uint8_t>& out, std::uint16_t type) {
  PutDword(out, 1);
  PutDword(out, 36);
  PutWord(out, 0xFFFF), PutWord(out, type), PutWord(out, 'A'), PutWord(out, 'B'), PutWord(out, 0);
  PutWord(out, 0);  // to a whole dword
  PutDword(out, 0), PutWord(out, 0x1030), PutWord(out, 2052), PutDword(out, 0), PutDword(out, 0);
  out.insert(out.end(), {9, 0, 0, 0});
}

// Entries named by text are skipped; the ones after them are still found.
TEST(ResFileTest, FindsEntriesByTypeAndId) {
  std::vector<std::uint8_t> bytes;
  PutEntry(bytes, 0, 0, {});
  PutNamedEntry(bytes, 6);
  PutEntry(bytes, 6, 7, {1, 2, 3});
  PutEntry(bytes, 5, 207, {9});
  ResFile file(bytes);
  EXPECT_EQ(file.entries().size(), 2u);  // not the leading empty one nor the named one
  std::size_t size = 0;
  const std::uint8_t* data = file.Find(6, 7, &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(data[2], 3);
  ASSERT_NE(file.Find(5, 207, &size), nullptr);
  EXPECT_EQ(file.Find(6, 8, &size), nullptr);
}

// A damaged file must never make the reader look past its bytes.
TEST(ResFileTest, TruncatedOrLyingHeadersEndTheListSafely) {
  std::vector<std::uint8_t> bytes;
  PutEntry(bytes, 6, 7, {1, 2, 3});
  for (std::size_t cut = 0; cut < 32 + 3; ++cut) {  // header and data; padding may go
    ResFile file(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    std::size_t size = 0;
    EXPECT_EQ(file.Find(6, 7, &size), nullptr) << cut;
  }
  std::vector<std::uint8_t> lying = bytes;
  lying[0] = 0xFF;  // data size far beyond the end
  EXPECT_TRUE(ResFile(lying).entries().empty());
}

// A string block holds 16 texts, each a length and its units; a length that
// runs past the block's end gives no text rather than the bytes beyond it.
TEST(ResFileTest, StringBlocksAreReadWithinTheirBounds) {
  std::vector<std::uint8_t> bytes;
  const auto block = [](std::initializer_list<std::uint16_t> units) {
    std::vector<std::uint8_t> data;
    for (std::uint16_t unit : units) PutWord(data, unit);
    return data;
  };
  PutEntry(bytes, kResourceTypeString, 2, block({1, 'a', 2, 'b', 'c'}));  // ids 16, 17
  PutEntry(bytes, kResourceTypeString, 3, block({1, 'd', 3, 'e', 'f'}));  // ids 32, 33
  ResFile file(bytes);
  const std::pair<std::uint16_t, std::u16string> rows[] = {
      {16, u"a"}, {17, u"bc"}, {18, u""}, {15, u""}, {32, u"d"}, {33, u""}, {34, u""}};
  for (const auto& [id, text] : rows) EXPECT_EQ(StringFrom(&file, id), text) << id;
}

}  // namespace
}  // namespace warden::platform
