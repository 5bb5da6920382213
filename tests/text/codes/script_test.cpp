#include "text/codes/script.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(TextScript, CharByteFindsBoundariesFarFromTheStart) {
  // 'x', then 3000 kanji whose trail bytes all look like lead bytes (亜 88 9F),
  // then あ: there is no byte below 0x7F to restart from.
  std::vector<std::uint8_t> text = {'x'};
  for (int i = 0; i < 3000; ++i) text.insert(text.end(), {0x88, 0x9F});
  text.insert(text.end(), {0x82, 0xA0, 'y'});
  const std::int32_t n = std::int32_t(text.size());
  EXPECT_EQ(kByteSingle, KxTextCharByte(text.data(), 0, 1));
  for (std::int32_t i = 1; i < n - 3; ++i)
    ASSERT_EQ(i % 2 ? kByteFirst : kByteLast, KxTextCharByte(text.data(), i, 1)) << i;
  EXPECT_EQ(kByteFirst, KxTextCharByte(text.data(), n - 3, 1));
  EXPECT_EQ(kByteLast, KxTextCharByte(text.data(), n - 2, 1));
  EXPECT_EQ(kByteSingle, KxTextCharByte(text.data(), n - 1, 1));
  EXPECT_EQ(kByteSingle, KxTextCharByte(text.data(), 200, 0));
  EXPECT_EQ(kByteSingle, KxTextCharByte(text.data(), -1, 1));
  EXPECT_EQ(kByteSingle, KxTextCharByte(nullptr, 5, 1));
}

TEST(TextScript, CharByteOnALongHiraganaRun) {
  // 40000 bytes of あ: every trail byte (0xA0) ends a character.
  std::vector<std::uint8_t> text;
  for (int i = 0; i < 20000; ++i) text.insert(text.end(), {0x82, 0xA0});
  EXPECT_EQ(kByteFirst, KxTextCharByte(text.data(), 39998, 1));
  EXPECT_EQ(kByteLast, KxTextCharByte(text.data(), 39999, 1));
}

TEST(TextScript, CharFirstFollowsTheScript) {
  EXPECT_TRUE(KxTextCharFirst(0x81, 1));
  EXPECT_FALSE(KxTextCharFirst(0x81, 0));   // the cached table is refilled
  EXPECT_TRUE(KxTextCharFirst(0xFC, 1));
  for (std::uint16_t b : {0x80, 0xA0, 0xA1, 0xDF, 0xFD, 0xFE, 0xFF, 0x40, 0x100, 0x8140})
    EXPECT_FALSE(KxTextCharFirst(b, 1)) << b;
  EXPECT_TRUE(KxTextCharFirst(0x9F, 1) && KxTextCharFirst(0xE0, 1));
}

TEST(TextScript, SingleCharacterHelpers) {
  EXPECT_EQ(1, KxTextCharType('a', 0));
  EXPECT_EQ(0, KxTextCharType(0x889F, 1));
  EXPECT_TRUE(KxTextCharToUnicode(0x8540, 1));
  EXPECT_TRUE(KxTextCharToUnicode(0x887E, 1));
  EXPECT_FALSE(KxTextCharToUnicode(0x887F, 1));
  EXPECT_FALSE(KxTextCharToUnicode(0x853F, 1));
  EXPECT_FALSE(KxTextCharToUnicode(0x8540, 0));
  // A script test holds the single-byte tables to Unicode data, loosely: a
  // byte may map to itself there.
  EXPECT_EQ(0x80, KxTextCharUpper(0x8A, 0));   // ä Ä
  EXPECT_EQ(0x8A, KxTextCharLower(0x80, 0));
  EXPECT_EQ(0x8281, KxTextCharUpper(0x8281, 1));
  EXPECT_EQ('a', KxTextCharStrip(0x8A, 0));
  EXPECT_EQ('A', KxTextCharStrip(0xAE, 0));    // Æ
  EXPECT_EQ('a', KxTextCharStrip(0xBE, 0));
  EXPECT_EQ('C', KxTextCharStrip(0xCE, 0));    // Œ
  EXPECT_EQ('c', KxTextCharStrip(0xCF, 0));
}

TEST(TextScript, KeyboardAndFontScripts) {
  short saved = KxGetScriptType();
  KxSetScriptType(0);
  EXPECT_EQ(0, KxGetScriptType());
  KxSetScriptType(3);   // any non-zero script switches to the system script
  EXPECT_EQ(KxGetSysScriptType(), KxGetScriptType());
  KeyScript(saved);
  EXPECT_EQ(1, KxGetSysScriptType());
  EXPECT_EQ(0, KxGetSysFont());
  EXPECT_EQ(1, KxGetAppFont());
  EXPECT_EQ(1, KxFontToScriptType(KxGetAppFont()));
  EXPECT_EQ(0, KxFontToScriptType(22));
}

}  // namespace
