#include "platform/script.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(ScriptServices, ByteTypesFollowLeadBytes) {
  // a, ア (0x83 0x41: its trail is a letter), b
  const std::uint8_t text[] = {'a', 0x83, 0x41, 'b', 0x88, 0x9F};
  EXPECT_EQ(kByteSingle, CharacterByteType(text, 0, kScriptJapanese));
  EXPECT_EQ(kByteFirst, CharacterByteType(text, 1, kScriptJapanese));
  EXPECT_EQ(kByteLast, CharacterByteType(text, 2, kScriptJapanese));
  EXPECT_EQ(kByteSingle, CharacterByteType(text, 3, kScriptJapanese));
  EXPECT_EQ(kByteFirst, CharacterByteType(text, 4, kScriptJapanese));
  EXPECT_EQ(kByteLast, CharacterByteType(text, 5, kScriptJapanese));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(kByteSingle, CharacterByteType(text, i, kScriptRoman));
  EXPECT_EQ(kByteSingle, CharacterByteType(nullptr, 3, kScriptJapanese));
  // Scripts that do not exist here read as single-byte.
  EXPECT_EQ(0, KxScriptParseTable(25)[0x81]);
}

TEST(ScriptServices, CaseAndStripLeaveDoubleBytesAlone) {
  // ヂ is 0x83 0x61: its trail byte must not be taken for an 'a'.
  std::vector<std::uint8_t> text = {'a', 0x83, 0x61, 'z', 0x82};
  UppercaseText(text.data(), std::int32_t(text.size()), kScriptJapanese);
  EXPECT_EQ((std::vector<std::uint8_t>{'A', 0x83, 0x61, 'Z', 0x82}), text);
  LowercaseText(text.data(), std::int32_t(text.size()), kScriptJapanese);
  EXPECT_EQ((std::vector<std::uint8_t>{'a', 0x83, 0x61, 'z', 0x82}), text);

  std::vector<std::uint8_t> roman = {0x8A, 0x80, 0x8E, 'q', 0xAE};   // ä Ä é q Æ
  UppercaseText(roman.data(), 5, kScriptRoman);
  EXPECT_EQ((std::vector<std::uint8_t>{0x80, 0x80, 0x83, 'Q', 0xAE}), roman);
  roman = {0x8A, 0x80, 0x8E, 0x96, 0xAE};
  StripDiacritics(roman.data(), 5, kScriptRoman);
  EXPECT_EQ((std::vector<std::uint8_t>{'a', 'A', 'e', 'n', 0xAE}), roman);
  UppercaseText(nullptr, 4, kScriptRoman);   // nothing to do, no crash
}

TEST(ScriptServices, CharacterTypes) {
  const std::uint8_t text[] = {'A', 0x82, 0xA0, 0x83, 0x41, 0x88, 0x9F, 0xB1, 0x82, 0x60};
  EXPECT_EQ(kCharAscii | kCharUpperBit, CharacterType(text, 0, kScriptJapanese));
  EXPECT_EQ(kCharHiragana | kCharDoubleBit, CharacterType(text, 1, kScriptJapanese));
  EXPECT_EQ(kCharKatakana | kCharDoubleBit, CharacterType(text, 3, kScriptJapanese));
  EXPECT_EQ(kCharIdeographic | kCharDoubleBit, CharacterType(text, 5, kScriptJapanese));
  EXPECT_EQ(kCharKatakana, CharacterType(text, 7, kScriptJapanese));
  EXPECT_EQ(kCharAscii | kCharUpperBit | kCharDoubleBit, CharacterType(text, 8, kScriptJapanese));
  EXPECT_EQ(kCharExtAscii | kCharUpperBit, KxScriptCodeType(0x80, kScriptRoman));   // Ä
  EXPECT_EQ(kCharPunct, KxScriptCodeType(0xA0, kScriptRoman));                      // †
}

// Every code of both scripts is compared with iconv and with the table
// generator by script tests; here the codes that must decode to nothing.
TEST(ScriptServices, DecodeToUnicode) {
  char16_t u[2] = {};
  // Codes without a character: empty Mac cells, bad trails, non-lead first
  // bytes, lone lead bytes, double bytes in a single-byte script.
  for (std::uint16_t code : {0x85AB, 0x8130, 0x817F, 0x81FD, 0xA140, 0x7F41, 0x81, 0xFCFC})
    EXPECT_EQ(0, KxScriptToUTF16(code, kScriptJapanese, u)) << std::hex << code;
  EXPECT_EQ(0, KxScriptToUTF16(0x82A0, kScriptRoman, u));
}

TEST(ScriptServices, EncodeFromUnicode) {
  EXPECT_EQ(0, KxScriptFromUnicode(0, kScriptJapanese));
  // The Mac-only codes, beyond what iconv knows, and the JIS names of the
  // wave dash and the dash (the dash's as the Mac set has it).
  EXPECT_EQ(0xA0, KxScriptFromUnicode(U'\u00A0', kScriptJapanese));
  EXPECT_EQ(0xFD, KxScriptFromUnicode(U'\u00A9', kScriptJapanese));
  EXPECT_EQ(0x8160, KxScriptFromUnicode(U'\u301C', kScriptJapanese));
  EXPECT_EQ(0x815C, KxScriptFromUnicode(U'\u2014', kScriptJapanese));
  EXPECT_EQ(0xD1, KxScriptFromUnicode(U'\u2014', kScriptRoman));
  EXPECT_EQ(0x8591, KxScriptFromUnicode(U'\U0001F100', kScriptJapanese));
  for (char32_t cp : {U'\u00A5', U'\u203E', U'\uFFFF', U'\U0001F101', char32_t(0x110000), char32_t(0xFFFFFFFF)})
    EXPECT_EQ(-1, KxScriptFromUnicode(cp, kScriptJapanese));
  EXPECT_EQ(0xDB, KxScriptFromUnicode(U'\u20AC', kScriptRoman));
  EXPECT_EQ(-1, KxScriptFromUnicode(U'\u3042', kScriptRoman));
}

short AllJapanese(short) { return kScriptJapanese; }

TEST(ScriptServices, FontsAndKeyboard) {
  EXPECT_EQ(kScriptJapanese, FontToScript(kApplicationFont));
  EXPECT_EQ(kScriptJapanese, FontToScript(kSystemFont));
  EXPECT_EQ(kScriptRoman, FontToScript(3));
  KxFontScriptFn previous = KxSetFontScriptHook(AllJapanese);
  EXPECT_EQ(kScriptJapanese, FontToScript(3));
  EXPECT_EQ(AllJapanese, KxSetFontScriptHook(previous));
  EXPECT_EQ(kScriptRoman, FontToScript(3));

  EXPECT_EQ(kScriptJapanese, GetScriptManagerVariable(kScriptVarSysScript));
  std::int32_t saved = GetScriptManagerVariable(kScriptVarKeyScript);
  KeyScript(kKeyScriptRoman);
  EXPECT_EQ(kScriptRoman, GetScriptManagerVariable(kScriptVarKeyScript));
  KeyScript(25);   // no such script here: unchanged
  EXPECT_EQ(kScriptRoman, GetScriptManagerVariable(kScriptVarKeyScript));
  KeyScript(kKeyScriptSystem);
  EXPECT_EQ(kScriptJapanese, GetScriptManagerVariable(kScriptVarKeyScript));
  KeyScript(short(saved));
}

}  // namespace
