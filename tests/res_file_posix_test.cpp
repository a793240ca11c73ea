#include <gtest/gtest.h>

#include "platform/res_file.h"
#include "platform/resources.h"

namespace warden::platform {
namespace {

// One entry of numeric type, named by `id` or (`named`) by the text "AB", with
// `data` as 16-bit words, padded to four bytes.
void PutEntry(std::vector<std::uint8_t>& out, std::uint16_t type, std::uint16_t id,
              const std::vector<std::uint16_t>& data, bool named = false) {
  const std::vector<std::uint16_t> name =
      named ? std::vector<std::uint16_t>{'A', 'B', 0, 0} : std::vector<std::uint16_t>{0xFFFF, id};
  std::vector<std::uint16_t> words = {static_cast<std::uint16_t>(2 * data.size()),
                                      0,
                                      static_cast<std::uint16_t>(28 + 2 * name.size()),
                                      0,
                                      0xFFFF,
                                      type};
  words.insert(words.end(), name.begin(), name.end());
  words.insert(words.end(), {0, 0, 0x1030, 2052, 0, 0, 0, 0});
  words.insert(words.end(), data.begin(), data.end());
  for (std::uint16_t word : words)
    out.insert(out.end(), {std::uint8_t(word), std::uint8_t(word >> 8)});
  while (out.size() % 4) out.push_back(0);
}

// The leading empty entry and entries named by text are skipped; the ones after
// them are still found.
TEST(ResFileTest, FindsEntriesByTypeAndId) {
  std::vector<std::uint8_t> bytes;
  PutEntry(bytes, 0, 0, {});
  PutEntry(bytes, 6, 0, {9}, true);
  PutEntry(bytes, 6, 7, {1, 2, 3});
  PutEntry(bytes, 5, 207, {9});
  ResFile file(bytes);
  EXPECT_EQ(file.entries().size(), 2u);
  std::size_t size = 0;
  const std::uint8_t* data = file.Find(6, 7, &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(data[4], 3);
  ASSERT_NE(file.Find(5, 207, &size), nullptr);
  EXPECT_EQ(file.Find(6, 8, &size), nullptr);
}

// A damaged file must never make the reader look past its bytes.
TEST(ResFileTest, TruncatedOrLyingHeadersEndTheListSafely) {
  std::vector<std::uint8_t> bytes;
  PutEntry(bytes, 6, 7, {1, 2, 3});
  for (std::size_t cut = 0; cut < 32 + 6; ++cut) {  // header and data; padding may go
    ResFile file(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    std::size_t size = 0;
    EXPECT_EQ(file.Find(6, 7, &size), nullptr) << cut;
  }
  bytes[0] = 0xFF;  // data size far beyond the end
  EXPECT_TRUE(ResFile(bytes).entries().empty());
}

// A string block holds 16 texts, each a length and its units; a length that
// runs past the block's end gives no text rather than the bytes beyond it.
TEST(ResFileTest, StringBlocksAreReadWithinTheirBounds) {
  std::vector<std::uint8_t> bytes;
  PutEntry(bytes, kResourceTypeString, 2, {1, 'a', 2, 'b', 'c'});  // ids 16, 17
  PutEntry(bytes, kResourceTypeString, 3, {1, 'd', 3, 'e', 'f'});  // ids 32, 33
  ResFile file(bytes);
  const std::pair<std::uint16_t, std::u16string> rows[] = {
      {16, u"a"}, {17, u"bc"}, {18, u""}, {15, u""}, {32, u"d"}, {33, u""}, {34, u""}};
  for (const auto& [id, text] : rows) EXPECT_EQ(StringFrom(&file, id), text) << id;
}

}  // namespace
}  // namespace warden::platform
