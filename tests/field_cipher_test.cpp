#include <gtest/gtest.h>

#include "accounts/field_cipher.h"

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
  struct Row {
    TeaKey key;
    std::uint32_t plain[2];
    std::uint32_t cipher[2];
  };
  const Row rows[] = {
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
  int index = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(index++);
    Bytes block = LittleEndian({row.plain[0], row.plain[1]});
    EXPECT_EQ(TeaEncryptBuffer(block.data(), 8, row.key), 8);
    EXPECT_EQ(block, LittleEndian({row.cipher[0], row.cipher[1]}));
    EXPECT_EQ(TeaDecryptBuffer(block.data(), 8, row.key), 8);
    EXPECT_EQ(block, LittleEndian({row.plain[0], row.plain[1]}));
  }
}

TEST(TeaTest, KeyWordsAreLittleEndianBytes) {
  std::array<std::uint8_t, 16> bytes{};
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(TeaKeyFromBytes(bytes), (TeaKey{0x03020100, 0x07060504, 0x0B0A0908, 0x0F0E0D0C}));
}

// Blocks are enciphered on their own: no chaining between them.
TEST(TeaTest, BufferLengthsAndIndependentBlocks) {
  Bytes buffer(24, 0);
  const TeaKey key{1, 2, 3, 4};
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), 0, key), 0);
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), -8, key), 0);
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), 12, key), kCipherInvalidArgument);
  EXPECT_EQ(TeaDecryptBuffer(buffer.data(), 7, key), kCipherInvalidArgument);
  EXPECT_EQ(buffer, Bytes(24, 0));  // refused lengths leave the buffer alone
  EXPECT_EQ(TeaEncryptBuffer(buffer.data(), 24, key), 24);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 8), Bytes(buffer.begin() + 8, buffer.begin() + 16));
  EXPECT_EQ(TeaDecryptBuffer(buffer.data(), 24, key), 24);
  EXPECT_EQ(buffer, Bytes(24, 0));
}

bool IsUpperHex(const std::u16string& text) {
  for (char16_t c : text) {
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
  }
  return true;
}

TEST(FieldCipherTest, SealedLengthFollowsTheTextLength) {
  const std::pair<std::size_t, std::size_t> rows[] = {{0, 0},   {1, 32},  {4, 32},   {5, 48},
                                                      {8, 48},  {31, 144}, {56, 240}, {57, 256},
                                                      {300, 1216}};
  for (const auto& [units, sealed_length] : rows) {
    SCOPED_TRACE(units);
    const std::u16string text(units, u'\u7CFB');
    std::u16string sealed = u"junk";
    ASSERT_TRUE(EncipherText(text, &sealed));
    EXPECT_EQ(sealed.size(), sealed_length);
    EXPECT_TRUE(IsUpperHex(sealed));
    std::u16string back = u"junk";
    EXPECT_EQ(DecipherText(sealed, &back), 0);
    EXPECT_EQ(back, text);
  }
}

TEST(FieldCipherTest, RoundTripsAnyCodeUnits) {
  const std::u16string texts[] = {u"corvinth", u"\u7CFB\u7EDF\u7BA1\u7406\u5458",
                                  u"\U0001F600 surrogates", std::u16string(1, u'\0'),
                                  u"\uFFFF\uFFFE"};
  for (const std::u16string& text : texts) {
    std::u16string sealed;
    ASSERT_TRUE(EncipherText(text, &sealed));
    std::u16string back;
    EXPECT_EQ(DecipherText(sealed, &back), 0);
    EXPECT_EQ(back, text);
  }
}

// Seals with an arbitrary key, as another installation would have.
std::u16string SealWith(const TeaKey& key, const std::u16string& text, std::uint32_t stored_length) {
  Bytes buffer{'E', 'N', 'C', 'K'};
  Bytes length = LittleEndian({stored_length});
  buffer.insert(buffer.end(), length.begin(), length.end());
  for (char16_t c : text) {
    buffer.push_back(static_cast<std::uint8_t>(c));
    buffer.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  while (buffer.size() % 8 != 0 || buffer.size() == 8) buffer.push_back(0);
  TeaEncryptBuffer(buffer.data(), static_cast<std::int32_t>(buffer.size()), key);
  std::u16string hex;
  for (std::uint8_t b : buffer) {
    hex += u"0123456789ABCDEF"[b >> 4];
    hex += u"0123456789ABCDEF"[b & 15];
  }
  return hex;
}

TEST(FieldCipherTest, DecipherFailures) {
  std::u16string good;
  ASSERT_TRUE(EncipherText(u"Operator", &good));
  std::u16string lower = good;
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'F') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  std::u16string with_g = good;
  with_g[5] = u'G';
  std::u16string with_space = good;
  with_space[0] = u' ';
  std::u16string wide_digit = good;
  wide_digit[3] = u'\uFF10';  // full-width zero, not a hex digit
  struct Row {
    const char* name;
    std::u16string sealed;
    int code;
    std::u16string text;
  };
  const Row rows[] = {
      {"empty", u"", 0, u""},
      {"lower-case hex", lower, 0, u"Operator"},
      {"length not a multiple of 16", good.substr(0, 40), kCipherInvalidArgument, u""},
      {"letter G", with_g, kCipherInvalidArgument, u""},
      {"space", with_space, kCipherInvalidArgument, u""},
      {"full-width digit", wide_digit, kCipherInvalidArgument, u""},
      {"clear text", u"AAAAAAAAAAAAAAAA", kCipherBadMarker, u""},
      {"another key", SealWith({1, 2, 3, 4}, u"Operator", 8), kCipherBadMarker, u""},
      {"stored length too long", SealWith(FieldKey(), u"ab", 5), kCipherBadMarker, u""},
      {"stored length fits", SealWith(FieldKey(), u"ab", 4), 0, std::u16string(u"ab\0\0", 4)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::u16string text = u"previous";
    EXPECT_EQ(DecipherText(row.sealed, &text), row.code);
    EXPECT_EQ(text, row.text);
  }
}

TEST(FieldCipherTest, CipherFieldInPlace) {
  std::u16string empty;
  EXPECT_TRUE(CipherField(empty, CipherDirection::kEncipher));
  EXPECT_TRUE(empty.empty());  // never sealed
  EXPECT_TRUE(CipherField(empty, CipherDirection::kDecipher));
  EXPECT_TRUE(empty.empty());

  std::u16string text = u"Line";
  EXPECT_TRUE(CipherField(text, CipherDirection::kEncipher));
  EXPECT_EQ(text.size(), 32u);
  EXPECT_TRUE(CipherField(text, CipherDirection::kDecipher));
  EXPECT_EQ(text, u"Line");

  std::u16string damaged = u"Line 3";  // clear text where a sealed one belongs
  EXPECT_TRUE(CipherField(damaged, CipherDirection::kDecipher));
  EXPECT_TRUE(damaged.empty());
}

}  // namespace
}  // namespace warden
