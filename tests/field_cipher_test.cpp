#include <gtest/gtest.h>

#include "storage/field_cipher.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes LittleEndian(std::initializer_list<std::uint32_t> words) {
  Bytes bytes;
  for (std::uint32_t w : words) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
  }
  return bytes;
}

// Published vectors of the reference algorithm, as 32-bit words.
TEST(TeaTest, ReferenceVectorsBothWays) {
  const struct {
    TeaKey key;
    std::uint32_t plain[2];
    std::uint32_t cipher[2];
  } rows[] = {
      {{0, 0, 0, 0}, {0, 0}, {0x41EA3A0A, 0x94BAA940}},
      {{0, 0, 0, 0}, {0x01020304, 0x05060708}, {0x6A2F9CF3, 0xFCCF3C55}},
      {{0x01234567, 0x12345678, 0x23456789, 0x3456789A}, {0, 0}, {0x34E943B0, 0x900F5DCB}},
      {{0x01234567, 0x12345678, 0x23456789, 0x3456789A},
       {0x01020304, 0x05060708},
       {0x773DC179, 0x878A81C0}},
      {{0x00112233, 0x44556677, 0x8899AABB, 0xCCDDEEFF},
       {0x01020304, 0x05060708},
       {0xDEB1C0A2, 0x7E745DB3}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.key));
    Bytes block = LittleEndian({row.plain[0], row.plain[1]});
    EXPECT_EQ(TeaEncryptBuffer(block.data(), 8, row.key), 8);
    EXPECT_EQ(block, LittleEndian({row.cipher[0], row.cipher[1]}));
    EXPECT_EQ(TeaDecryptBuffer(block.data(), 8, row.key), 8);
    EXPECT_EQ(block, LittleEndian({row.plain[0], row.plain[1]}));
  }
}

// Blocks are enciphered on their own: no chaining between them.
TEST(TeaTest, BufferLengthsAndIndependentBlocks) {
  Bytes buffer(24, 0);
  const TeaKey key{1, 2, 3, 4};
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), 0, key), 0);
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), -8, key), 0);
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), 12, key), kCipherInvalidArgument);
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), 1, key), kCipherInvalidArgument);
  EXPECT_EQ(TeaDecryptBuffer(buffer.data(), 7, key), kCipherInvalidArgument);
  EXPECT_EQ(buffer, Bytes(24, 0));  // refused lengths leave the buffer alone
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), 24, key), 24);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 8), Bytes(buffer.begin() + 8, buffer.end() - 8));
  EXPECT_EQ(TeaDecryptBuffer(buffer.data(), 24, key), 24);
  EXPECT_EQ(buffer, Bytes(24, 0));
}

// Upper-case hex of "ENCK", the length and the units, in whole 8-byte blocks.
TEST(FieldCipherTest, SealedLengthAndRoundTrip) {
  const std::pair<std::u16string, std::size_t> rows[] = {
      {u"", 0},
      {u"\u7CFB", 32},
      {u"corv", 32},
      {u"corvi", 48},
      {std::u16string(57, u'\u7CFB'), 256},
      {std::u16string(300, u'x'), 1216},
      {u"\U0001F600 surrogates", 80},
      {std::u16string(1, u'\0'), 32},
  };
  for (const auto& [text, sealed_length] : rows) {
    SCOPED_TRACE(sealed_length);
    std::u16string sealed = u"junk";
    ASSERT_TRUE(EncipherText(text, &sealed));
    EXPECT_EQ(sealed.size(), sealed_length);
    EXPECT_EQ(sealed.find_first_not_of(u"0123456789ABCDEF"), std::u16string::npos);
    std::u16string back = u"junk";
    EXPECT_EQ(DecipherText(sealed, &back), 0);
    EXPECT_EQ(back, text);
  }
}

// Seals with any key, stored length and marker, as another installation or damage would.
std::u16string SealWith(const TeaKey& key, const std::u16string& text, std::uint32_t length,
                        std::uint32_t marker = 0x4B434E45 /* "ENCK" */) {
  Bytes buffer = LittleEndian({marker, length});
  for (char16_t c : text) buffer.insert(buffer.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
  while (buffer.size() % 8 != 0 || buffer.size() == 8) buffer.push_back(0);
  TeaEncryptBuffer(buffer.data(), static_cast<std::int32_t>(buffer.size()), key);
  std::u16string hex;
  for (std::uint8_t b : buffer) hex += {u"0123456789ABCDEF"[b >> 4], u"0123456789ABCDEF"[b & 15]};
  return hex;
}

TEST(FieldCipherTest, DecipherFailures) {
  const std::u16string good = SealWith(FieldKey(), u"Operator", 8);
  std::u16string sealed;
  ASSERT_TRUE(EncipherText(u"Operator", &sealed));
  EXPECT_EQ(sealed, good);  // the format, built here on its own
  std::u16string lower = good, with_g = good, with_space = good, wide_digit = good, nul = good;
  for (char16_t& c : lower) c = static_cast<char16_t>(c >= u'A' && c <= u'F' ? c + 32 : c);
  with_g[5] = u'G';
  with_space[0] = u' ';
  wide_digit[3] = u'\uFF10';  // full-width zero, not a hex digit
  nul[8] = u'\0';
  const struct {
    const char* name;
    std::u16string sealed;
    int code;
    std::u16string text;
  } rows[] = {
      {"empty", u"", 0, u""},
      {"lower-case hex", lower, 0, u"Operator"},
      {"length not a multiple of 16", good.substr(0, 40), kCipherInvalidArgument, u""},
      {"letter G", with_g, kCipherInvalidArgument, u""},
      {"space", with_space, kCipherInvalidArgument, u""},
      {"full-width digit", wide_digit, kCipherInvalidArgument, u""},
      {"NUL", nul, kCipherInvalidArgument, u""},
      {"clear text", u"AAAAAAAAAAAAAAAA", kCipherBadMarker, u""},
      {"another key", SealWith({1, 2, 3, 4}, u"Operator", 8), kCipherBadMarker, u""},
      {"marker ENCL", SealWith(FieldKey(), u"ab", 2, 0x4C434E45), kCipherBadMarker, u""},
      {"stored length too long", SealWith(FieldKey(), u"ab", 5), kCipherBadMarker, u""},
      {"stored length fits", SealWith(FieldKey(), u"ab", 4), 0, std::u16string(u"ab\0\0", 4)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::u16string text = u"previous";
    EXPECT_EQ(DecipherText(row.sealed, &text), row.code);
    EXPECT_EQ(text, row.text);
  }
}

}  // namespace
}  // namespace warden
