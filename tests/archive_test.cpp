#include <gtest/gtest.h>

#include "accounts/archive.h"
#include "accounts/file_version.h"
#include "platform/text.h"
#include "tests/support/fault_injection.h"
#include "tests/support/temp_dir.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Written(const std::u16string& text) {
  Bytes bytes;
  Archive archive = Archive::Writing(bytes);
  EXPECT_TRUE(archive.WriteText(text));
  return bytes;
}

Bytes Head(const Bytes& bytes, std::size_t count) {
  return Bytes(bytes.begin(), bytes.begin() + std::min(count, bytes.size()));
}

TEST(ArchiveTest, WideTextPrefixesByLength) {
  struct Row {
    std::size_t units;
    Bytes prefix;
  };
  const Row rows[] = {
      {0, {0xFF, 0xFE, 0xFF, 0x00}},
      {1, {0xFF, 0xFE, 0xFF, 0x01}},
      {254, {0xFF, 0xFE, 0xFF, 0xFE}},
      {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
      {300, {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}},
      {65533, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
      // 65534 would read back as the wide marker; it takes the dword form.
      {65534, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.units);
    const std::u16string text(row.units, u'x');
    const Bytes bytes = Written(text);
    EXPECT_EQ(Head(bytes, row.prefix.size()), row.prefix);
    EXPECT_EQ(bytes.size(), row.prefix.size() + 2 * row.units);
    Archive in = Archive::Reading(bytes.data(), bytes.size());
    std::u16string back;
    EXPECT_TRUE(in.ReadText(&back));
    EXPECT_EQ(back, text);
    EXPECT_EQ(in.Remaining(), 0u);
  }
}

TEST(ArchiveTest, ReadsEveryPrefixForm) {
  struct Row {
    const char* name;
    Bytes bytes;
    std::u16string text;
  };
  const Row rows[] = {
      {"narrow byte", {0x02, 'h', 'i'}, u"hi"},
      {"narrow ANSI", {0x02, 0xE9, 'a'}, platform::FromAnsi("\xE9" "a")},
      {"narrow word", {0xFF, 0x02, 0x00, 'h', 'i'}, u"hi"},
      {"narrow dword", {0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 'z'}, u"z"},
      {"wide byte", {0xFF, 0xFE, 0xFF, 0x01, 0x2D, 0x4E}, u"\u4E2D"},
      {"wide word", {0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00, 'a', 0}, u"a"},
      {"wide dword", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0, 'b', 0}, u"b"},
      {"wide qword", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0, 'c', 0}, u"c"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Archive in = Archive::Reading(row.bytes.data(), row.bytes.size());
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
  };
  for (const Bytes& bytes : rows) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    Archive in = Archive::Reading(bytes.data(), bytes.size());
    std::u16string text = u"old";
    EXPECT_FALSE(in.ReadText(&text));
    EXPECT_EQ(in.error(), ArchiveError::kEndOfFile);
    EXPECT_TRUE(text.empty());
  }
}

TEST(ArchiveTest, ScalarsAreLittleEndianAndRoundTrip) {
  Bytes bytes;
  Archive out = Archive::Writing(bytes);
  EXPECT_TRUE(out.WriteI16(-2));
  EXPECT_TRUE(out.WriteU16(0x1234));
  EXPECT_TRUE(out.WriteI32(-3));
  EXPECT_TRUE(out.WriteFloat(7.5f));
  EXPECT_TRUE(out.WriteBlock("\x01\x02", 2));
  EXPECT_EQ(bytes, (Bytes{0xFE, 0xFF, 0x34, 0x12, 0xFD, 0xFF, 0xFF, 0xFF, 0, 0, 0xF0, 0x40, 1, 2}));

  Archive in = Archive::Reading(bytes.data(), bytes.size());
  std::int16_t i16 = 0;
  std::uint16_t u16 = 0;
  std::int32_t i32 = 0;
  float f = 0;
  EXPECT_TRUE(in.ReadI16(&i16) && in.ReadU16(&u16) && in.ReadI32(&i32) && in.ReadFloat(&f));
  EXPECT_EQ(i16, -2);
  EXPECT_EQ(u16, 0x1234);
  EXPECT_EQ(i32, -3);
  EXPECT_EQ(f, 7.5f);
}

TEST(ArchiveTest, ReadPastTheEndFailsAndTheFailureSticks) {
  const Bytes bytes{1, 2, 3};
  Archive in = Archive::Reading(bytes.data(), bytes.size());
  std::uint32_t value = 0;
  EXPECT_FALSE(in.ReadU32(&value));
  EXPECT_EQ(in.error(), ArchiveError::kEndOfFile);
  std::uint8_t byte = 0;
  EXPECT_FALSE(in.ReadU8(&byte));  // three bytes remain, but the archive has failed
}

// A block read is short at the end of the data without failing; the next read fails.
TEST(ArchiveTest, ShortBlockReadIsNoFailure) {
  const Bytes bytes{1, 2, 3};
  Archive in = Archive::Reading(bytes.data(), bytes.size());
  std::uint8_t block[8] = {};
  std::size_t got = 99;
  EXPECT_TRUE(in.ReadBlock(block, sizeof block, &got));
  EXPECT_EQ(got, 3u);
  std::uint8_t byte = 0;
  EXPECT_FALSE(in.ReadU8(&byte));
  EXPECT_EQ(in.error(), ArchiveError::kEndOfFile);
}

TEST(ArchiveTest, WrongDirectionIsRefused) {
  Bytes bytes;
  Archive out = Archive::Writing(bytes);
  std::uint16_t value = 0;
  EXPECT_FALSE(out.ReadU16(&value));
  EXPECT_EQ(out.error(), ArchiveError::kWrongDirection);

  const Bytes data{1, 2};
  Archive in = Archive::Reading(data.data(), data.size());
  EXPECT_FALSE(in.WriteU16(1));
  EXPECT_EQ(in.error(), ArchiveError::kWrongDirection);
  EXPECT_FALSE(in.WriteText(u"x"));
}

// Texts and words that straddle the file buffer's refills read back intact.
TEST(ArchiveTest, FileRoundTripAcrossBufferRefills) {
  testing::TempDir dir;
  const std::u16string path = dir.core("a.bin");
  std::vector<std::u16string> texts;
  for (int i = 0; i < 400; ++i) {
    texts.push_back(std::u16string(37 * i % 1000, static_cast<char16_t>(u'a' + i % 26)));
  }
  {
    platform::File file = platform::File::OpenWrite(path);
    Archive out = Archive::Writing(file);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      ASSERT_TRUE(out.WriteI32(static_cast<std::int32_t>(i)));
      ASSERT_TRUE(out.WriteText(texts[i]));
    }
    ASSERT_TRUE(out.Flush());
    ASSERT_TRUE(file.Close());
  }
  platform::File file = platform::File::OpenRead(path);
  Archive in = Archive::Reading(file);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::int32_t index = -1;
    std::u16string text;
    ASSERT_TRUE(in.ReadI32(&index));
    ASSERT_TRUE(in.ReadText(&text));
    EXPECT_EQ(index, static_cast<std::int32_t>(i));
    EXPECT_EQ(text, texts[i]);
  }
  EXPECT_EQ(in.Remaining(), 0u);
  std::uint8_t byte = 0;
  EXPECT_FALSE(in.ReadU8(&byte));
  EXPECT_EQ(in.error(), ArchiveError::kEndOfFile);
}

TEST(ArchiveTest, FileErrorsAreReported) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "a.bin", Bytes(100, 7));
  const std::u16string path = dir.core("a.bin");
  const testing::FileOp ops[] = {testing::FileOp::kSize, testing::FileOp::kRead};
  for (testing::FileOp op : ops) {
    SCOPED_TRACE(testing::FileOpName(op));
    testing::FaultInjector faults;
    faults.FailEvery(op);
    platform::File file = platform::File::OpenRead(path);
    Archive in = Archive::Reading(file);
    std::uint16_t value = 0;
    EXPECT_FALSE(in.ReadU16(&value));
    EXPECT_EQ(in.error(), ArchiveError::kFileError);
  }
  testing::FaultInjector faults;
  faults.FailEvery(testing::FileOp::kWrite);
  platform::File file = platform::File::OpenWrite(dir.core("b.bin"));
  Archive out = Archive::Writing(file);
  EXPECT_TRUE(out.WriteU16(1));  // buffered
  EXPECT_FALSE(out.Flush());
  EXPECT_EQ(out.error(), ArchiveError::kFileError);
}

TEST(FileVersionTest, HeaderBytes) {
  Bytes bytes;
  Archive out = Archive::Writing(bytes);
  CVmNewFileVersion header;
  EXPECT_TRUE(header.Serialize(out));
  Bytes expected(CVmNewFileVersion::kSize, 0);
  expected[2] = 0xF0;
  expected[3] = 0x40;
  expected[6] = 0x31;
  EXPECT_EQ(bytes, expected);
}

TEST(FileVersionTest, ReadAcceptsAnyContentAndShortBlocks) {
  Bytes bytes(CVmNewFileVersion::kSize, 0xAB);
  Archive in = Archive::Reading(bytes.data(), bytes.size());
  CVmNewFileVersion header;
  EXPECT_TRUE(header.Serialize(in));
  EXPECT_EQ(header.m_abInfo[127], 0xAB);

  const Bytes short_file{0, 0, 0xF0, 0x40, 1, 2};
  Archive short_in = Archive::Reading(short_file.data(), short_file.size());
  EXPECT_TRUE(CVmNewFileVersion().Serialize(short_in));

  const Bytes tiny{0, 0, 0xF0};  // ends inside the version
  Archive tiny_in = Archive::Reading(tiny.data(), tiny.size());
  EXPECT_FALSE(CVmNewFileVersion().Serialize(tiny_in));
  EXPECT_EQ(tiny_in.error(), ArchiveError::kEndOfFile);
}

}  // namespace
}  // namespace warden
