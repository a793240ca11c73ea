#include <gtest/gtest.h>

#include "platform/text.h"
#include "storage/archive.h"
#include "storage/file_version.h"
#include "tests/support/temp_dir.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;

Archive ReadingOf(const Bytes& bytes) { return Archive::Reading(bytes.data(), bytes.size()); }

TEST(ArchiveTest, WideTextPrefixesByLength) {
  const std::pair<std::size_t, Bytes> rows[] = {
      {0, {0xFF, 0xFE, 0xFF, 0x00}},
      {1, {0xFF, 0xFE, 0xFF, 0x01}},
      {254, {0xFF, 0xFE, 0xFF, 0xFE}},
      {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
      {65533, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
      // 65534 would read back as the wide marker; it takes the dword form.
      {65534, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
  };
  for (const auto& [units, prefix] : rows) {
    SCOPED_TRACE(units);
    const std::u16string text(units, u'x');
    Bytes bytes;
    EXPECT_TRUE(Archive::Writing(bytes).WriteText(text));
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + prefix.size()), prefix);
    EXPECT_EQ(bytes.size(), prefix.size() + 2 * units);
    Archive in = ReadingOf(bytes);
    std::u16string back;
    EXPECT_TRUE(in.ReadText(&back));
    EXPECT_EQ(back, text);
    EXPECT_EQ(in.Remaining(), 0u);
  }
}

TEST(ArchiveTest, ReadsEveryPrefixForm) {
  const struct {
    const char* name;
    Bytes bytes;
    std::u16string text;
  } rows[] = {
      {"narrow byte",
       {0x02, 0xE9, 'a'},
       platform::FromAnsi("\xE9"
                          "a")},
      {"narrow word", {0xFF, 0x02, 0x00, 'h', 'i'}, u"hi"},
      {"narrow dword", {0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 'z'}, u"z"},
      {"wide byte", {0xFF, 0xFE, 0xFF, 0x01, 0x2D, 0x4E}, u"\u4E2D"},
      {"wide word", {0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00, 'a', 0}, u"a"},
      {"wide dword", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0, 'b', 0}, u"b"},
      {"wide qword",
       {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0, 'c', 0},
       u"c"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Archive in = ReadingOf(row.bytes);
    std::u16string text;
    EXPECT_TRUE(in.ReadText(&text));
    EXPECT_EQ(text, row.text);
    EXPECT_EQ(in.Remaining(), 0u);
  }
}

// A damaged prefix claiming gigabytes must fail as end of file at once, not
// reserve the memory (under ASan an attempt shows as an allocation failure).
TEST(ArchiveTest, LengthBeyondTheDataIsEndOfFileBeforeAllocating) {
  const Bytes rows[] = {
      {0x05, 'a'},
      {0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'},
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF},
      {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF},
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0x80},
      {0xFF, 0xFE},  // ends inside the prefix
      {0xFF, 0xFE, 0xFF},
      {0xFF, 0xFE, 0xFF, 0xFF, 0x01},
  };
  for (const Bytes& bytes : rows) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    Archive in = ReadingOf(bytes);
    std::u16string text = u"old";
    EXPECT_FALSE(in.ReadText(&text));
    EXPECT_EQ(in.error(), ArchiveError::kEndOfFile);
    EXPECT_TRUE(text.empty());
  }
}

TEST(ArchiveTest, EndOfDataAndWrongDirection) {
  const Bytes bytes{1, 2, 3};
  Archive past = ReadingOf(bytes);
  std::uint32_t value = 0;
  EXPECT_FALSE(past.ReadU32(&value));
  EXPECT_EQ(past.error(), ArchiveError::kEndOfFile);
  std::uint8_t byte = 0;
  EXPECT_FALSE(past.ReadU8(&byte));  // three bytes remain, but the failure sticks

  Archive reading = ReadingOf(bytes);
  EXPECT_FALSE(reading.WriteU16(1));
  EXPECT_EQ(reading.error(), ArchiveError::kWrongDirection);
  Bytes sink;
  Archive writing = Archive::Writing(sink);
  EXPECT_FALSE(writing.ReadU32(&value));
  EXPECT_EQ(writing.error(), ArchiveError::kWrongDirection);
  platform::File missing = platform::File::OpenRead(u"no such file");
  EXPECT_EQ(Archive::Reading(missing).error(), ArchiveError::kFileError);
}

// Through a file's 64 KiB buffer: a wide text starting at an odd offset has a
// unit split by the refill, and texts of 32K units and more fill the buffer.
TEST(ArchiveTest, LongTextsThroughTheFileBuffer) {
  testing::TempDir dir;
  const std::u16string path = dir.core("a.bin");
  const std::u16string texts[] = {std::u16string(40000, u'\u4E2D'), std::u16string(32768, u'y'),
                                  std::u16string(70000, u'z'), u"end"};
  {
    platform::File file = platform::File::OpenWrite(path);
    Archive out = Archive::Writing(file);
    ASSERT_TRUE(out.WriteBlock("\x01", 1));
    for (const std::u16string& text : texts) ASSERT_TRUE(out.WriteText(text));
    ASSERT_TRUE(out.Flush() && file.Close());
  }
  platform::File file = platform::File::OpenRead(path);
  Archive in = Archive::Reading(file);
  std::uint8_t first = 0;
  ASSERT_TRUE(in.ReadU8(&first));
  for (const std::u16string& text : texts) {
    std::u16string back;
    ASSERT_TRUE(in.ReadText(&back));
    EXPECT_TRUE(back == text) << back.size();
  }
  EXPECT_EQ(in.Remaining(), 0u);
}

// Blocks through the file buffer, to the one byte after a full buffer.
TEST(ArchiveTest, BlocksThroughTheFileBufferToTheLastByte) {
  testing::TempDir dir;
  Bytes bytes(64 * 1024 + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
  {
    platform::File out = platform::File::OpenWrite(dir.core("a.bin"));
    Archive archive = Archive::Writing(out);
    ASSERT_TRUE(archive.WriteBlock(bytes.data(), bytes.size()) && archive.Flush() && out.Close());
  }
  platform::File file = platform::File::OpenRead(dir.core("a.bin"));
  Archive in = Archive::Reading(file);
  Bytes back(bytes.size());
  ASSERT_TRUE(in.ReadBytes(back.data(), bytes.size() - 1));
  ASSERT_TRUE(in.ReadBytes(&back.back(), 1));
  EXPECT_TRUE(back == bytes);
  EXPECT_FALSE(in.ReadBytes(back.data(), 1));
}

TEST(FileVersionTest, HeaderBytes) {
  Bytes bytes;
  Archive out = Archive::Writing(bytes);
  EXPECT_TRUE(CVmNewFileVersion().Serialize(out));
  Bytes expected(CVmNewFileVersion::kSize, 0);
  expected[2] = 0xF0;
  expected[3] = 0x40;
  expected[6] = 0x31;
  EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace warden
