#include <gtest/gtest.h>

#include "platform/res_file.h"
#include "platform/resources.h"

namespace warden::platform {
namespace {

// One entry of numeric type, named by `id` or (`named`) by the text "AB", with
// `data` as 16-bit words, padded to four bytes.
void PutEntry(std::vector<std::uint8_t>& out, std::uint16_t type, std::uint16_t id,
              const std::vector<std::uint16_t>& data, bool named = false) {
  const auto put = [&out](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  put(2 * data.size(), 4), put(named ? 36 : 32, 4), put(0xFFFF, 2), put(type, 2);
  if (named) put('A', 2), put('B', 2), put(0, 4);
  if (!named) put(0xFFFF, 2), put(id, 2);
  put(0, 4), put(0x1030, 2), put(2052, 2), put(0, 4), put(0, 4);
  for (std::uint16_t word : data) put(word, 2);
  while (out.size() % 4) out.push_back(0);
}

// The leading empty entry and entries named by text are skipped; a string
// block holds 16 texts, each a length and its units, and a length that runs
// past the block's end gives no text rather than the bytes beyond it.
TEST(ResFileTest, FindsEntriesAndStringsWithinTheirBoundsAndSurvivesDamage) {
  std::vector<std::uint8_t> bytes;
  PutEntry(bytes, 0, 0, {});
  PutEntry(bytes, kResourceTypeString, 2, {9}, true);
  PutEntry(bytes, kResourceTypeString, 2, {1, 'a', 2, 'b', 'c'});  // ids 16, 17
  PutEntry(bytes, kResourceTypeString, 3, {1, 'd', 3, 'e', 'f'});  // ids 32, 33
  ResFile file(bytes);
  EXPECT_EQ(file.entries().size(), 2u);
  std::size_t size = 0;
  EXPECT_EQ(file.Find(kResourceTypeString, 4, &size), nullptr);
  const std::pair<std::uint16_t, std::u16string> rows[] = {
      {16, u"a"}, {17, u"bc"}, {18, u""}, {15, u""}, {32, u"d"}, {33, u""}, {34, u""}};
  for (const auto& [id, text] : rows) EXPECT_EQ(StringFrom(&file, id), text) << id;
  // A damaged file must never make the reader look past its bytes.
  bytes.clear();
  PutEntry(bytes, 6, 7, {1, 2, 3});
  for (std::size_t cut = 0; cut < 32 + 6; ++cut) {  // header and data; padding may go
    EXPECT_TRUE(ResFile({bytes.begin(), bytes.begin() + cut}).entries().empty()) << cut;
  }
  EXPECT_EQ(ResFile(bytes).entries().size(), 1u);
  bytes[4] = 23;  // a header that ends inside its language word
  EXPECT_TRUE(ResFile(bytes).entries().empty());
  bytes[4] = 32;
  bytes[0] = 0xFF;  // data size far beyond the end
  EXPECT_TRUE(ResFile(bytes).entries().empty());
  bytes.clear();
  PutEntry(bytes, 6, 7, std::vector<std::uint16_t>(0x8000));  // 64 KiB: a size above 16 bits
  EXPECT_EQ(ResFile(bytes).entries().size(), 1u);
}

}  // namespace
}  // namespace warden::platform
