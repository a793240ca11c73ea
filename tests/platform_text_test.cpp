#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/text.h"

namespace warden::platform {
namespace {

TEST(TextTest, Utf8RoundTripsChineseAndAstralText) {
  const std::u16string text = u"系统管理员 A\u00e9 \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"无"), "\xE6\x97\xA0");
  EXPECT_EQ(FromUtf8("\xD0\xB6\xC3\xA9"), u"\u0436\u00E9");  // two-byte forms
  EXPECT_EQ(ToUtf8(u"a\xD800"), "a\xEF\xBF\xBD");            // a lone surrogate
}

TEST(TextTest, BrokenUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFD"
            u"b");
  EXPECT_EQ(FromUtf8("\xE6\x97"), u"\uFFFD\uFFFD");  // cut short
}

// The POSIX comparison folds with its own table; run under Wine this checks
// that table against the Win32 ordinal comparison.
TEST(TextTest, CaseInsensitiveEqualityAgreesWithFoldTable) {
  struct Row {
    std::u16string a, b;
    bool equal;
  };
  const Row rows[] = {
      {u"Admin", u"ADMIN", true},
      {u"admin", u"admim", false},
      {u"\u00e9t\u00e9", u"\u00c9T\u00c9", true},  // é / É
      {u"\u00ff", u"\u0178", true},                // ÿ / Ÿ
      {u"\u00f7", u"\u00d7", false},               // ÷ and × are not a pair
      {u"\u0101\u013a", u"\u0100\u0139", true},    // ā ĺ / Ā Ĺ
      {u"\u03c3\u03c9", u"\u03a3\u03a9", true},    // σ ω / Σ Ω
      {u"\u0436\u0451", u"\u0416\u0401", true},    // ж ё / Ж Ё
      {u"\uff41\uff5a", u"\uff21\uff3a", true},    // full-width a z / A Z
      {u"系统", u"系统", true},
      {u"系统", u"系", false},
      {u"", u"", true},
      {u"a ", u"A", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(ToUtf8(row.a) + " vs " + ToUtf8(row.b));
    EXPECT_EQ(EqualsNoCase(row.a, row.b), row.equal);
    bool folded = row.a.size() == row.b.size();
    for (std::size_t i = 0; folded && i < row.a.size(); ++i) {
      folded = FoldCase(row.a[i]) == FoldCase(row.b[i]);
    }
    EXPECT_EQ(folded, row.equal);
  }
}

TEST(TextTest, AnsiAsciiConvertsUnchanged) {
  EXPECT_EQ(FromAnsi("Zone A-1"), u"Zone A-1");
  EXPECT_EQ(FromAnsi(""), u"");
}

#ifndef _WIN32
// Windows-1252 unless the environment names another code page; a byte the
// code page leaves undefined, or a lead byte cut short, becomes '?'.
TEST(TextTest, AnsiBytesUndefinedInTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(FromAnsi("a\x81\xE9\x8D"
                     "b\x80"),
            u"a?\u00E9?b\u20AC");
  setenv("WARDEN_ANSI_CODEPAGE", "GBK", 1);
  EXPECT_EQ(FromAnsi("\xD6\xD0x\xFF\xD6"), u"\u4E2Dx??");
  unsetenv("WARDEN_ANSI_CODEPAGE");
}
#endif

}  // namespace
}  // namespace warden::platform
