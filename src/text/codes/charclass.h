// Shift_JIS character knowledge: classes of single-byte and double-byte
// characters, case, kana and width conversion of single characters (with the
// half-width voiced and semi-voiced marks), the word-boundary classes, and
// the table that converts high bytes between the Mac and Windows Latin sets.
//
// Codes are unsigned 16-bit: a single byte as itself, a double-byte character
// as lead * 256 + trail. Everything here is pure.
#pragma once

#include <cstdint>

namespace UKXText {

using Code = std::uint16_t;

// Full-width form of each byte 0x20-0x7E, in byte order.
extern const Code sZenAscii[95];
// Full-width form of each byte 0xA0-0xDF, in byte order.
extern const Code sZenKana[64];
// 96 pairs (Mac Roman byte, Windows 1252 byte), then a 0.
extern const std::uint8_t sCharSetMacWin[193];

// Half-width voiced and semi-voiced marks.
constexpr Code kDakuMark = 0xDE;
constexpr Code kHandakuMark = 0xDF;

// ASCII classes of single bytes; false for double-byte codes.
bool IsByteUpper(Code c);
bool IsByteLower(Code c);
bool IsByteAlpha(Code c);
bool IsByteDigit(Code c);
bool IsByteAlnum(Code c);
bool IsByteGraph(Code c);   // letters, digits and ASCII punctuation
bool IsByteAscii(Code c);   // IsByteGraph or space
bool IsByteUseDaku(Code c); // half-width kana that takes the voiced mark
// The mark that next adds to byte: 2 semi-voiced, 1 voiced, 0 none.
int CheckDakuType(Code byte, Code next);
Code ToByteUpper(Code c);
Code ToByteLower(Code c);

// Full-width classes.
bool IsWordAlpha(Code c);
bool IsWordAlnum(Code c);
bool IsWordPunct(Code c);
bool IsWordKanaKigo(Code c);
bool IsWordKanaDaku(Code c);      // the 40 voiced hiragana and katakana
bool IsWordKanaHandaku(Code c);   // the 10 semi-voiced hiragana and katakana
bool IsWordHiragana(Code c);
bool IsWordKatakana(Code c);
bool IsWordGraph(Code c);
bool IsWordAscii(Code c);
bool IsWordKana(Code c);
Code ToWordUpper(Code c);
Code ToWordLower(Code c);
Code ToWordKata(Code c);
Code ToWordHira(Code c);

// Half-width to full-width: mark 1 adds the voiced mark, 2 the semi-voiced
// mark where the kana takes it. Bytes without a full-width form are returned.
Code ByteToWord(Code byte, int mark = 0);
// Full-width to half-width. A kana with a mark gives mark * 256 + kana byte.
// Codes without a half-width form are returned (hiragana as katakana).
Code WordToByte(Code code);

// Word-boundary classes: 10 CR, 11 space or TAB, 12 letter or digit,
// 13 punctuation, 14 half-width katakana, 16 control, 17 other single byte;
// double-byte classes carry 0x100 (267 space, 268 letters and digits,
// 782 hiragana, 270 katakana, 271 kanji, 269 other).
short GetCharType(Code code, short script);

}  // namespace UKXText
