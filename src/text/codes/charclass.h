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

// Word-boundary classes of GetCharType. The values are those that scripts
// and stored settings see; double-byte classes carry 0x100, so that no
// double-byte character ever falls into a single-byte class.
constexpr short kClassCR = 10;
constexpr short kClassSpace = 11;        // space or TAB
constexpr short kClassWord = 12;         // letter or digit (accented letters too)
constexpr short kClassPunct = 13;        // punctuation
constexpr short kClassHalfKana = 14;     // half-width katakana
constexpr short kClassControl = 16;
constexpr short kClassOtherByte = 17;
constexpr short kClassWideSpace = 267;
constexpr short kClassWideWord = 268;    // full-width letters and digits
constexpr short kClassWideOther = 269;
constexpr short kClassKatakana = 270;
constexpr short kClassKanji = 271;
constexpr short kClassHiragana = 782;

short GetCharType(Code code, short script);

// Single-byte letters, digits and punctuation: the words that word wrap
// keeps together and that smart editing spaces.
constexpr bool IsByteWordClass(short type) { return type == kClassWord || type == kClassPunct; }

// The word-wrap rule of line breaking, over any reader of characters that has
//   long Length() const;                        // bytes in the text
//   short ClassAt(long pos) const;              // GetCharType of the character at pos
//   Code CharBefore(long pos, long& first) const;  // the character ending at pos
//   short ScriptAt(long pos) const;
// For a break before `b` on the line starting at lineStart it answers how
// far to move the break: positive back by that many bytes, negative forward,
// 0 not at all. A break inside a word of single-byte letters, digits and
// punctuation moves back to the word's start or to just after a hyphen (a
// word as long as the line is split where it is); a break on the spaces
// after a word takes up to two of them, and a CR after them, onto the line.
// A reader may also have
//   long PlainWordStart(long pos, long lineStart) const;
// answering the position, at or back from pos but not before lineStart,
// that the steps below would reach over plain ASCII word characters: a word
// as long as the line (CSV, base64) is then walked at the speed of its bytes.
template <class Reader>
long WordwrapAdjust(const Reader& text, long lineStart, long b) {
  const long len = text.Length();
  if (b <= 0 || b >= len) return 0;
  long first = b;
  auto classBefore = [&](long pos, Code& c) {
    c = text.CharBefore(pos, first);
    return GetCharType(c, text.ScriptAt(first));
  };
  Code c = 0;
  const short t = text.ClassAt(b);
  if (t == kClassSpace) {
    if (b <= lineStart || !IsByteWordClass(classBefore(b, c))) return 0;
    const short t1 = b + 1 < len ? text.ClassAt(b + 1) : -1;
    if (t1 == kClassCR) return -2;
    if (t1 == kClassSpace) return b + 2 < len && text.ClassAt(b + 2) == kClassCR ? -3 : -2;
    return -1;
  }
  if (!IsByteWordClass(t)) return 0;
  long p = b;
  while (p > lineStart) {
    if constexpr (requires { text.PlainWordStart(p, lineStart); }) {
      p = text.PlainWordStart(p, lineStart);
      if (p <= lineStart) break;
    }
    if (!IsByteWordClass(classBefore(p, c)) || c == '-') break;
    p = first;
  }
  return p <= lineStart ? 0 : b - p;
}

}  // namespace UKXText
