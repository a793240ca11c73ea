// The platform layer under the core: files, text conversions and the
// profile, as the POSIX layer implements them and Wine checks against Win32.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "platform/digest.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace warden::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ReadBytes;

// Nothing is lost at the edges: a copy whose last read brings one byte past
// its 16 KiB buffer, an empty read at the end. Windows rename refuses an
// existing target, and the POSIX layer must too; replace overwrites it; a
// file is made or copied only where no name is. Missing files and folders
// fail, and so does a write the file refuses. Nothing is left open.
TEST(FilesTest, EdgesAndFailures) {
  testing::TempDir dir;
#ifndef _WIN32
  const auto open_files = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto before = open_files();
#endif
  Bytes bytes(16384 + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  testing::WriteBytes(dir / "a", bytes);
  testing::WriteBytes(dir / "b", {2, 2});
  const auto a = dir.core("a"), b = dir.core("b"), none = dir.core("none");
  EXPECT_FALSE(File::Create(b).IsOpen() || Files().copy(a, b) || Files().rename(a, b) ||
               ReadBytes(dir / "b") != (Bytes{2, 2}));
  File file = File::Create(none);
  EXPECT_TRUE(file.Write("x", 1) && file.Flush() && file.Close() && !file.IsOpen());
  EXPECT_TRUE(Files().remove(none) && Files().remove(b) && Files().copy(a, b));
  EXPECT_TRUE(Files().replace(b, a) && !Files().exists(b));
  EXPECT_EQ(ReadBytes(dir / "a"), bytes);
  file = File::OpenRead(a);
  file = File::OpenRead(a);  // closes the first
  // A reader shares delete access: what it reads can be moved away while it
  // goes on reading it.
  EXPECT_TRUE(Files().rename(a, b) && !Files().exists(a));
  std::size_t got = 99;
  EXPECT_TRUE(file.Read(bytes.data(), bytes.size() + 5, &got) && got == bytes.size());
  EXPECT_TRUE(file.Read(bytes.data(), bytes.size(), &got) && got == 0);
  const FileHandle reading = Files().open_read(b);
  EXPECT_FALSE(Files().write(reading, "x", 1));
  Files().close(reading);
  errno = ENOSPC;  // a failure being reported: a wrapper's close, failing itself, keeps it
  { const File stale(reading); }
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_FALSE(Files().exists(none) || File::OpenRead(none).IsOpen() || Files().remove(none) ||
               Files().copy(none, a) || Files().replace(none, a) || Files().rename(none, a) ||
               File::Create(dir.core("no-such-dir\\x")).IsOpen());
  // The lock excludes any other holder, another open in this very process
  // too, until released; a waiter gives up after its bound.
  const FileHandle lock = Files().lock(dir.core("a.lck"), 0);
  EXPECT_EQ(Files().lock(dir.core("a.lck"), 20), kInvalidFile);
  EXPECT_TRUE(Files().unlock(lock) && Files().unlock(Files().lock(dir.core("a.lck"), 0)));
  EXPECT_EQ(Files().lock(dir.core("no-such-dir\\a.lck"), 0), kInvalidFile);
#ifndef _WIN32
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(open_files(), before);
#endif
}

// What the history needs of the file table: an identity that a replace
// changes and a hard link shares, a link refused over an existing name,
// appends that land at the end, a directory made once, a read from an offset.
TEST(FilesTest, IdentityLinkAppendDirectorySeek) {
  testing::TempDir dir;
  const auto a = dir.core("a"), b = dir.core("b"), sub = dir.core("sub");
  testing::WriteText(dir / "a", "12345");
  FileIdentity first{}, linked{}, replaced{};
  EXPECT_TRUE(Files().identity(a, &first) && first.size == 5);
  EXPECT_TRUE(Files().link(a, b) && Files().identity(b, &linked));
  EXPECT_EQ(linked.index, first.index);
  EXPECT_FALSE(Files().link(a, b) || Files().identity(dir.core("none"), &linked));
  testing::WriteText(dir / "c", "12345");
  EXPECT_TRUE(Files().replace(dir.core("c"), a) && Files().identity(a, &replaced));
  EXPECT_NE(replaced, first);
  for (const char* text : {"x", "yz"}) {
    File append = File::OpenAppend(a);
    EXPECT_TRUE(append.Write(text, std::strlen(text)) && append.Flush() && append.Close());
  }
  File read = File::OpenRead(a);
  char tail[4] = {};
  std::size_t got = 0;
  EXPECT_TRUE(read.Seek(4) && read.Read(tail, 3, &got) && got == 3 && tail == std::string("5xy"));
  EXPECT_TRUE(Files().make_directory(sub) && Files().make_directory(sub));
  EXPECT_FALSE(Files().make_directory(a) || File::OpenAppend(sub).IsOpen());
}

// UTF-8 both ways; the ANSI code page to UTF-16.
TEST(TextTest, Conversions) {
  const std::u16string text = u"系统管理员 A\u00e9 \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"无"), "\xE6\x97\xA0");
  EXPECT_EQ(ToUtf8(u"a\xD800"), "a\xEF\xBF\xBD");    // a lone surrogate
  EXPECT_EQ(FromUtf8("a\xFF\x62"), u"a\uFFFDb");     // broken: a replacement character
  EXPECT_EQ(FromUtf8("\xE6\x97"), u"\uFFFD\uFFFD");  // cut short
  // Windows-1252 unless the environment names another code page (POSIX); a
  // byte the code page leaves undefined, or a lead byte cut short, becomes '?'.
  // An unknown code page takes each byte as its own unit.
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

// The POSIX comparison folds with its own table; run under Wine this checks
// that table against the Win32 ordinal comparison.
TEST(TextTest, CaseInsensitiveEqualityAgreesWithFoldTable) {
  const std::tuple<std::u16string, std::u16string, bool> rows[] = {
      // é ÿ ā ĺ σ ω ж ё, full-width a z: each with its capital
      {u"Admin\u00e9\u00ff\u0101\u013a\u03c3\u03c9\u0436\u0451\uff41\uff5a",
       u"ADMIN\u00c9\u0178\u0100\u0139\u03a3\u03a9\u0416\u0401\uff21\uff3a", true},
      {u"\u00f7", u"\u00d7", false},  // ÷ and × are not a pair
      {u"系统", u"系", false},
      {u"a ", u"A", false},
  };
  for (const auto& [a, b, equal] : rows) {
    SCOPED_TRACE(ToUtf8(a) + " vs " + ToUtf8(b));
    EXPECT_EQ(EqualsNoCase(a, b), equal);
    const auto same = [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); };
    EXPECT_EQ(std::equal(a.begin(), a.end(), b.begin(), b.end(), same), equal);
  }
}

TEST(ProfileTest, PrivateIniLookupFollowsWindowsRules) {
  testing::TempDir dir;
  testing::WriteText(
      dir / "a.ini",
      "[Other]\nKey=wrong\n[language]\n velmarislanguage =   ENGLISH  \nQ=\"a b \"\n");
  const auto ini = dir.core("a.ini");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"VelmarisLanguage", u"X", ini, 512), u"ENGLISH");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"Key", u"dflt", ini, 512), u"dflt");
  EXPECT_EQ(ReadPrivateProfileString(u"LANGUAGE", u"q", u"X", ini, 512), u"a b ");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"VelmarisLanguage", u"", ini, 4), u"ENG");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"VelmarisLanguage", u"", ini, 0), u"");
#ifndef _WIN32
  // UTF-16 with its byte-order mark, and UTF-8 after one.
  testing::WriteBytes(dir / "b.ini", {0xFF, 0xFE, '[', 0, 'S', 0, ']', 0, '\n', 0, 'K', 0, '=', 0,
                                      0x2D, 0x4E, 'x', 0});
  EXPECT_EQ(ReadPrivateProfileString(u"S", u"K", u"", dir.core("b.ini"), 512), u"\u4E2Dx");
  testing::WriteText(dir / "c.ini", "\xEF\xBB\xBF[S]\nK=\xE4\xB8\xAD\n");
  EXPECT_EQ(ReadPrivateProfileString(u"S", u"K", u"", dir.core("c.ini"), 512), u"\u4E2D");
#endif
}

// Known answers (FIPS 180-2 examples), given whole and split at odd points,
// so that each piece of a streamed file counts once and in order.
TEST(DigestTest, KnownAnswers) {
  const std::string million(1000000, 'a');
  const std::tuple<std::string, std::string> rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [text, hex] : rows) {
    Sha256Digest whole{}, pieces{};
    ASSERT_TRUE(DigestOf(text.data(), text.size(), &whole));
    EXPECT_EQ(ToHex(whole), hex) << text.size();
    Sha256 hasher;
    for (std::size_t at = 0, step = 1; at < text.size(); at += step, step = step * 3 + 1) {
      hasher.Update(text.data() + at, std::min(step, text.size() - at));
    }
    ASSERT_TRUE(hasher.Finish(&pieces));
    EXPECT_EQ(pieces, whole) << text.size();
    EXPECT_FALSE(hasher.Finish(&pieces));  // spent
  }
}

}  // namespace
}  // namespace warden::platform
