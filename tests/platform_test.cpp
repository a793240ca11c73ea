// The platform layer under the core: files, text conversions and the
// profile, as the POSIX layer implements them and Wine checks against Win32.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace warden::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ReadBytes;

class FilesTest : public ::testing::Test {
 protected:
  std::u16string Put(const std::string& name, const Bytes& bytes) {
    testing::WriteBytes(dir_ / name, bytes);
    return dir_.core(name);
  }
  testing::TempDir dir_;
};

// Nothing is lost at the edges: a one-byte write over a longer file, a copy
// whose last read brings one byte past its 16 KiB buffer, an empty read at
// the end. Windows rename refuses an existing target, and the POSIX layer
// must too; replace overwrites it. Missing files and folders fail, and so
// does a write the file refuses. Nothing is left open.
TEST_F(FilesTest, EdgesAndFailures) {
#ifndef _WIN32
  const auto open_files = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto before = open_files();
#endif
  Bytes bytes(16384 + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  const auto a = Put("a", bytes), b = Put("b", {2, 2}), none = dir_.core("none");
  File file = File::OpenWrite(b);
  EXPECT_TRUE(file.Write("x", 1) && file.Flush() && file.Close() && !file.IsOpen());
  EXPECT_FALSE(Files().rename(a, b));
  EXPECT_EQ(ReadBytes(dir_ / "b"), Bytes{'x'});
  EXPECT_TRUE(Files().copy(a, b) && Files().replace(b, a) && !Files().exists(b));
  EXPECT_EQ(ReadBytes(dir_ / "a"), bytes);
  EXPECT_TRUE(Files().rename(a, b) && !Files().exists(a));
  file = File::OpenRead(b);
  file = File::OpenRead(b);  // closes the first
  std::size_t got = 99;
  EXPECT_TRUE(file.Read(bytes.data(), bytes.size() + 5, &got) && got == bytes.size());
  EXPECT_TRUE(file.Read(bytes.data(), bytes.size(), &got) && got == 0);
  const FileHandle reading = Files().open_read(b);
  EXPECT_FALSE(Files().write(reading, "x", 1));
  Files().close(reading);
  EXPECT_FALSE(Files().exists(none) || File::OpenRead(none).IsOpen() || Files().remove(none) ||
               Files().copy(none, a) || Files().replace(none, a) || Files().rename(none, a) ||
               File::OpenWrite(dir_.core("no-such-dir\\x")).IsOpen());
  // The lock excludes any other holder, another open in this very process
  // too, until released; a waiter gives up after its bound.
  const FileHandle lock = Files().lock(dir_.core("a.lck"), 0);
  EXPECT_EQ(Files().lock(dir_.core("a.lck"), 20), kInvalidFile);
  EXPECT_TRUE(Files().unlock(lock) && Files().unlock(Files().lock(dir_.core("a.lck"), 0)));
  EXPECT_EQ(Files().lock(dir_.core("no-such-dir\\a.lck"), 0), kInvalidFile);
#ifndef _WIN32
  file.Close();
  EXPECT_EQ(open_files(), before);
#endif
}

TEST(TextTest, Utf8BothWays) {
  const std::u16string text = u"系统管理员 A\u00e9 \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"无"), "\xE6\x97\xA0");
  EXPECT_EQ(ToUtf8(u"a\xD800"), "a\xEF\xBF\xBD");    // a lone surrogate
  EXPECT_EQ(FromUtf8("a\xFF\x62"), u"a\uFFFDb");     // broken: a replacement character
  EXPECT_EQ(FromUtf8("\xE6\x97"), u"\uFFFD\uFFFD");  // cut short
}

// The POSIX comparison folds with its own table; run under Wine this checks
// that table against the Win32 ordinal comparison.
TEST(TextTest, CaseInsensitiveEqualityAgreesWithFoldTable) {
  const struct {
    std::u16string a, b;
    bool equal;
  } rows[] = {
      {u"Admin", u"ADMIN", true},
      {u"\u00e9t\u00e9", u"\u00c9T\u00c9", true},  // é / É
      {u"\u00ff", u"\u0178", true},                // ÿ / Ÿ
      {u"\u00f7", u"\u00d7", false},               // ÷ and × are not a pair
      {u"\u0101\u013a", u"\u0100\u0139", true},    // ā ĺ / Ā Ĺ
      {u"\u03c3\u03c9", u"\u03a3\u03a9", true},    // σ ω / Σ Ω
      {u"\u0436\u0451", u"\u0416\u0401", true},    // ж ё / Ж Ё
      {u"\uff41\uff5a", u"\uff21\uff3a", true},    // full-width a z / A Z
      {u"系统", u"系", false},
      {u"a ", u"A", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.a) + " vs " + ToUtf8(row.b));
    EXPECT_EQ(EqualsNoCase(row.a, row.b), row.equal);
    const auto same = [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); };
    EXPECT_EQ(std::equal(row.a.begin(), row.a.end(), row.b.begin(), row.b.end(), same), row.equal);
  }
}

// Windows-1252 unless the environment names another code page (POSIX); a
// byte the code page leaves undefined, or a lead byte cut short, becomes '?'.
// An unknown code page takes each byte as its own unit.
TEST(TextTest, AnsiCodePages) {
  EXPECT_EQ(FromAnsi("Zone A-1"), u"Zone A-1");
#ifndef _WIN32
  EXPECT_EQ(FromAnsi("a\x81\xE9\x8D\x62\x80"), u"a?\u00E9?b\u20AC");
  const std::pair<const char*, std::u16string> rows[] = {
      {"GBK", u"\u4E2Dx??"}, {"NO-SUCH-PAGE", u"\u00D6\u00D0x\u00FF\u00D6"}};
  for (const auto& [page, text] : rows) {
    setenv("WARDEN_ANSI_CODEPAGE", page, 1);
    EXPECT_EQ(FromAnsi("\xD6\xD0x\xFF\xD6"), text) << page;
  }
  unsetenv("WARDEN_ANSI_CODEPAGE");
#endif
}

TEST(ProfileTest, PrivateIniLookupFollowsWindowsRules) {
  testing::TempDir dir;
  testing::WriteText(
      dir / "a.ini",
      "[Other]\nKey=wrong\n[language]\n  velmarislanguage =  ENGLISH  \nQ=\"a b \"\n");
  const auto ini = dir.core("a.ini");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"VelmarisLanguage", u"X", ini, 512), u"ENGLISH");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"Key", u"dflt", ini, 512), u"dflt");
  EXPECT_EQ(ReadPrivateProfileString(u"LANGUAGE", u"q", u"X", ini, 512), u"a b ");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"VelmarisLanguage", u"", ini, 4), u"ENG");
#ifndef _WIN32
  // UTF-16 with its byte-order mark, and UTF-8 after one.
  testing::WriteBytes(dir / "b.ini", {0xFF, 0xFE, '[', 0, 'S', 0, ']', 0, '\n', 0, 'K', 0, '=', 0,
                                      0x2D, 0x4E, 'x', 0});
  EXPECT_EQ(ReadPrivateProfileString(u"S", u"K", u"", dir.core("b.ini"), 512), u"\u4E2Dx");
  testing::WriteText(dir / "c.ini", "\xEF\xBB\xBF[S]\nK=\xE4\xB8\xAD\n");
  EXPECT_EQ(ReadPrivateProfileString(u"S", u"K", u"", dir.core("c.ini"), 512), u"\u4E2D");
#endif
}

}  // namespace
}  // namespace warden::platform
