// The archive format, the field cipher, and the stored bytes pinned by files
// under tests/data: every installation's users.dat and section.dat depends
// on the key, the field order and the encoding staying exactly as they are.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "accounts/account_file.h"
#include "platform/text.h"
#include "storage/archive.h"
#include "storage/field_cipher.h"
#include "tests/support/built_files.h"
#include "tests/support/install_dir.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ReadBytes;
using testing::TestDataFile;

Archive ReadingOf(const Bytes& bytes) { return Archive::Reading(bytes.data(), bytes.size()); }

// The wide text marker, then `rest`.
Bytes W(std::initializer_list<std::uint8_t> rest) {
  Bytes bytes{0xFF, 0xFE, 0xFF};
  bytes.insert(bytes.end(), rest);
  return bytes;
}

// Rows: the bytes before the text's units (narrow: the whole input), and
// the text. The writer picks the shortest wide prefix: 65534 units would
// read back as the wide marker, so they take the dword form. A damaged
// prefix claiming gigabytes fails as end of file at once, not reserving the
// memory (under ASan an attempt shows as an allocation failure).
TEST(ArchiveTest, TextPrefixes) {
  enum Form { kFails, kNarrow, kRead, kWritten };
  const std::tuple<Bytes, std::u16string, Form> rows[] = {
      {W({0xFE}), std::u16string(254, u'x'), kWritten},
      {W({0xFF, 0xFF, 0x00}), std::u16string(255, u'x'), kWritten},
      {W({0xFF, 0xFD, 0xFF}), std::u16string(65533, u'x'), kWritten},
      {W({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}), std::u16string(65534, u'x'), kWritten},
      {{0x02, 0xE9, 'z'}, platform::FromAnsi("\xE9z"), kNarrow},
      {{0xFF, 0x02, 0x00, 'h', 'i'}, u"hi", kNarrow},
      {{0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 'z'}, u"z", kNarrow},
      {W({0x01}), u"\u4E2D", kRead},
      {W({0xFF, 0x01, 0x00}), u"a", kRead},
      {W({0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0}), u"b", kRead},
      {W({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0}), u"c", kRead},
      {{0x05, 'a'}, u"", kFails},
      {W({0x02, 'a', 0, 'b'}), u"", kFails},
      {W({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0x80}), u"", kFails},
  };
  for (const auto& [head, text, form] : rows) {
    SCOPED_TRACE(::testing::PrintToString(head).substr(0, 60));
    Bytes bytes = head;
    for (char16_t c : form >= kRead ? text : u"")
      bytes.insert(bytes.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
    Bytes written;
    EXPECT_TRUE(Archive::Writing(written).WriteText(text));
    EXPECT_TRUE(form != kWritten || written == bytes);
    Archive in = ReadingOf(bytes);
    std::u16string back = u"old";
    EXPECT_EQ(in.ReadText(&back), form != kFails);
    EXPECT_EQ(back, text);
    EXPECT_EQ(in.error(), form == kFails ? ArchiveError::kEndOfFile : ArchiveError::kNone);
    EXPECT_EQ(in.Remaining(), form == kFails ? in.Remaining() : 0u);
  }
}

// Through a file's 64 KiB buffer: a wide text starting at an odd offset has a
// unit split by the refill, and texts of 32K units and more fill the buffer.
// Reading past the end fails and the failure sticks; an archive refuses the
// other direction.
TEST(ArchiveTest, TextsThroughTheFileBufferEndOfDataAndWrongDirection) {
  testing::TempDir dir;
  const std::u16string texts[] = {std::u16string(40000, u'\u4E2D'), std::u16string(32768, u'y'),
                                  std::u16string(70000, u'z'), u"end"};
  platform::File file = platform::File::Create(dir.core("a.bin"));
  Archive out = Archive::Writing(file);
  ASSERT_TRUE(out.WriteBlock("\x01", 1));
  for (const std::u16string& text : texts) ASSERT_TRUE(out.WriteText(text));
  ASSERT_TRUE(out.Flush() && file.Close());
  file = platform::File::OpenRead(dir.core("a.bin"));
  Archive in = Archive::Reading(file);
  std::uint8_t first = 0;
  ASSERT_TRUE(in.ReadU8(&first));
  for (const std::u16string& text : texts) {
    std::u16string back;
    ASSERT_TRUE(in.ReadText(&back));
    EXPECT_TRUE(back == text) << back.size();
  }
  EXPECT_FALSE(in.ReadU8(&first));
  const Bytes bytes{1, 2, 3};
  Archive past = ReadingOf(bytes), reading = ReadingOf(bytes);
  std::uint32_t value = 0;
  std::int16_t half = 0;
  EXPECT_FALSE(past.ReadU32(&value) || past.ReadU8(&first));  // the failure sticks
  EXPECT_EQ(past.error(), ArchiveError::kEndOfFile);
  EXPECT_FALSE(ReadingOf({1}).ReadI16(&half) || reading.Flush() || reading.WriteU16(1) ||
               ReadingOf(bytes).WriteText(u"x"));
  EXPECT_EQ(reading.error(), ArchiveError::kWrongDirection);
  Bytes sink;
  Archive writing = Archive::Writing(sink);
  EXPECT_FALSE(writing.ReadU32(&value));
  EXPECT_EQ(writing.error(), ArchiveError::kWrongDirection);
  platform::File missing = platform::File::OpenRead(u"no such file");
  EXPECT_EQ(Archive::Reading(missing).error(), ArchiveError::kFileError);
}

// tests/data/sealed.txt pins the seals of a few texts; others go through
// their seal and back, a long one through a work buffer on the heap.
TEST(FieldCipherTest, SealedTexts) {
  std::vector<std::pair<std::u16string, std::u16string>> rows = {
      {std::u16string(300, u'x'), u""}, {u"\U0001F600", u""}, {std::u16string(1, u'\0'), u""}};
  std::ifstream in(testing::TestDataFile("sealed.txt"), std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const std::size_t tab = line.find('\t');
    rows.emplace_back(platform::FromUtf8(line.substr(0, tab)),
                      platform::FromUtf8(line.substr(tab + 1)));
  }
  ASSERT_EQ(rows.size(), 7u);
  for (const auto& [text, pinned] : rows) {
    SCOPED_TRACE(platform::ToUtf8(text).substr(0, 20));
    std::u16string sealed = u"junk", back = u"junk";
    ASSERT_TRUE(EncipherText(text, &sealed));
    EXPECT_EQ(pinned.empty() ? sealed : pinned, sealed);
    EXPECT_EQ(DecipherText(sealed, &back), 0);
    EXPECT_EQ(back, text);
  }
}

// Seals with any key, stored length and marker, as another installation or damage would.
std::u16string SealWith(const TeaKey& key, const std::u16string& text, std::uint32_t length,
                        std::uint32_t marker = 0x4B434E45 /* "ENCK" */) {
  Bytes buffer;
  for (int i = 0; i < 64; i += 8)
    buffer.push_back(std::uint8_t((i < 32 ? marker : length) >> (i % 32)));
  for (char16_t c : text) buffer.insert(buffer.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
  while (buffer.size() % 8 != 0 || buffer.size() == 8) buffer.push_back(0);
  TeaEncryptBuffer(buffer.data(), static_cast<std::int32_t>(buffer.size()), key);
  std::u16string hex;
  for (std::uint8_t b : buffer) hex += {u"0123456789ABCDEF"[b >> 4], u"0123456789ABCDEF"[b & 15]};
  return hex;
}

// Refused lengths leave the buffer alone; damaged or foreign seals fail.
TEST(FieldCipherTest, BufferLengthsAndDecipherFailures) {
  std::uint8_t buffer[16] = {};
  for (const auto& [length, result] :
       {std::pair{0, 0}, {-8, 0}, {12, kCipherInvalidArgument}, {1, kCipherInvalidArgument}}) {
    EXPECT_EQ(TeaEncryptBuffer(buffer, length, FieldKey()), result) << length;
  }
  EXPECT_EQ(TeaDecryptBuffer(buffer, 7, FieldKey()), kCipherInvalidArgument);
  EXPECT_EQ(std::count(buffer, buffer + 16, 0), 16);
  const std::u16string good = SealWith(FieldKey(), u"Operator", 8);
  std::u16string sealed, lower = good;
  ASSERT_TRUE(EncipherText(u"Operator", &sealed));
  EXPECT_EQ(sealed, good);  // the format, built here on its own
  for (char16_t& c : lower) c = static_cast<char16_t>(c >= u'A' && c <= u'F' ? c + 32 : c);
  // Each: the case, the sealed text, the result and the text it gives.
  const std::tuple<const char*, std::u16string, int, std::u16string> rows[] = {
      {"empty", u"", 0, u""},
      {"lower-case hex", lower, 0, u"Operator"},
      {"length not a multiple of 16", good.substr(0, 40), kCipherInvalidArgument, u""},
      {"letter G", good.substr(0, 5) + u'G' + good.substr(6), kCipherInvalidArgument, u""},
      {"DEL", good.substr(0, 2) + u'\x7F' + good.substr(3), kCipherInvalidArgument, u""},
      {"another key", SealWith({1, 2, 3, 4}, u"Operator", 8), kCipherBadMarker, u""},
      {"marker ENCL", SealWith(FieldKey(), u"ab", 2, 0x4C434E45), kCipherBadMarker, u""},
      {"stored length too long", SealWith(FieldKey(), u"ab", 5), kCipherBadMarker, u""},
      {"stored length fits", SealWith(FieldKey(), u"ab", 4), 0, std::u16string(u"ab\0\0", 4)},
  };
  for (const auto& [name, input, code, expected] : rows) {
    SCOPED_TRACE(name);
    std::u16string text = u"previous";
    EXPECT_EQ(DecipherText(input, &text), code);
    EXPECT_EQ(text, expected);
  }
}

ZoneFlags Z(std::initializer_list<std::pair<int, std::int16_t>> flags) {
  ZoneFlags zones{};
  for (const auto& [zone, flag] : flags) zones[zone] = flag;
  return zones;
}

// users.dat: a group, two users (every field set, then the empty ones), a record of another type.
const std::vector<AccountRecord> kTable = {
    {kTypeGroup, Z({{0, 1}, {63, 1}}), u"Plant", {}, {}, {}, 0, 0, u"the plant crew"},
    {kTypeUser, Z({{5, 1}, {6, -1}}), u"Plant", u"anna", u"s3cret", u"night shift", 10, 255, {}},
    {kTypeUser, {}, {}, u"\u738B\u5C0F\u660E", u"pw", {}, -2, 70000, {}},
    {7, {}, u"odd", {}, {}, {}, 0, 0, {}}};

ZoneNames Zones() {
  ZoneNames names;
  for (int zone = 0; zone < kZoneCount; ++zone) names[zone] = u"Zone " + platform::ToDecimal(zone);
  names[0] = u"\u65E0";
  names[2] = u"";
  names[3] = std::u16string(32, u'\u533A');
  return names;
}

// Each golden file loads exactly, and a save of what it holds writes it byte
// for byte; users-narrow.dat holds the group's name in the narrow text form.
TEST(GoldenFilesTest, ReadExactlyAndWrittenByteForByte) {
  testing::InstallDir install;
  for (const char* golden : {"users.dat", "users-narrow.dat", "section.dat"}) {
    SCOPED_TRACE(golden);
    const bool users = golden[0] == 'u';
    const char* name = users ? "users.dat" : "section.dat";
    testing::WriteBytes(install / name, ReadBytes(TestDataFile(golden)));
    AccountTable table;
    ZoneNames names;
    DataFile file = users ? testing::UsersFileIn() : testing::ZonesFileIn();
    ASSERT_EQ(users ? LoadAccountFile(table, file) : LoadZoneFile(names, file), FileFailure::kNone);
    EXPECT_EQ(table.records(), users ? kTable : std::vector<AccountRecord>());
    EXPECT_EQ(names, users ? ZoneNames{} : Zones());
    std::filesystem::remove(install / name);
    ASSERT_EQ(users ? SaveAccountFile(table, file) : SaveZoneFile(names, file), FileFailure::kNone);
    EXPECT_TRUE(ReadBytes(install / name) == ReadBytes(TestDataFile(name)));
  }
}

}  // namespace
}  // namespace warden
