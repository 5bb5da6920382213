#include "text/codes/charclass.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/script.h"

using namespace UKXText;

namespace {

constexpr Code kGa = 0x834B, kKa = 0x834A, kVu = 0x8394, kPa = 0x8370, kA = 0x82A0, kKe = 0x8396;

TEST(CharClass, WidthRoundTripsEveryConvertibleByte) {
  for (Code b = 0x20; b <= 0x7E; ++b) {
    EXPECT_GT(ByteToWord(b), 0xFF) << b;
    EXPECT_EQ(b, WordToByte(ByteToWord(b))) << b;
  }
  for (Code b = 0xA1; b <= 0xDF; ++b) {
    EXPECT_GT(ByteToWord(b), 0xFF) << b;
    EXPECT_EQ(b, WordToByte(ByteToWord(b))) << b;
  }
  // With the marks: the kana and its mark come back.
  for (Code b = 0xA1; b <= 0xDF; ++b) {
    if (IsByteUseDaku(b)) {
      EXPECT_EQ(0xDE00 | b, WordToByte(ByteToWord(b, 1))) << b;
    }
    if (CheckDakuType(b, kHandakuMark) == 2) {
      EXPECT_EQ(0xDF00 | b, WordToByte(ByteToWord(b, 2))) << b;
    }
  }
  // Bytes without a full-width form stay.
  for (Code b : {0x00, 0x0D, 0x7F, 0x80, 0xA0, 0xE0, 0xFF}) EXPECT_EQ(b, ByteToWord(b, 1));
}

// Every code gets the half-width form a search of the two tables finds
// (the first entry that matches; a voiced or semi-voiced kana its mark in
// the high byte), or stays: the looked-up answers are the searched ones.
TEST(CharClass, HalfWidthFormsOfEveryCodeAgreeWithASearchOfTheTables) {
  auto search = [](Code code) -> Code {
    if (IsWordAscii(code)) {
      for (int i = 0; i < 0x7E - 0x20; ++i)
        if (sZenAscii[i] == code) return Code(0x20 + i);
      return 0x7E;
    }
    if (!IsWordKana(code)) return code;
    Code mark = 0, kana = code;
    if (IsWordKanaDaku(code)) kana = Code(code - 1), mark = kDakuMark;
    else if (IsWordKanaHandaku(code)) kana = Code(code - 2), mark = kHandakuMark;
    else if (code == kVu) kana = 0x8345, mark = kDakuMark;
    kana = ToWordKata(kana);
    for (int i = 0; i < 64; ++i)
      if (sZenKana[i] == kana) return Code(mark * 256 + 0xA0 + i);
    return kana;
  };
  for (std::uint32_t c = 0; c <= 0xFFFF; ++c) ASSERT_EQ(WordToByte(Code(c)), search(Code(c))) << std::hex << c;
}

TEST(CharClass, VoicedMarks) {
  EXPECT_EQ(kGa, ByteToWord(0xB6, 1));
  EXPECT_EQ(kVu, ByteToWord(0xB3, 1));
  EXPECT_EQ(kPa, ByteToWord(0xCA, 2));
  EXPECT_EQ(kKa, ByteToWord(0xB6, 2));     // カ takes no semi-voiced mark
  EXPECT_EQ(0x8341, ByteToWord(0xB1, 1));  // ア takes no mark at all
  EXPECT_EQ(0xDEB6, WordToByte(kGa));
  EXPECT_EQ(0xDEB3, WordToByte(kVu));
  EXPECT_EQ(0xDFCA, WordToByte(0x82CF));   // ぱ through パ
  EXPECT_EQ(0xB1, WordToByte(kA));         // あ through ア
  EXPECT_EQ(kKe, WordToByte(kKe));         // ヶ has no half-width form
  EXPECT_EQ(0x838E, WordToByte(0x82EC));   // ゎ: no half-width form, katakana ヮ

  EXPECT_EQ(1, CheckDakuType(0xB3, kDakuMark));
  EXPECT_FALSE(IsByteUseDaku(0xB3));
  EXPECT_EQ(2, CheckDakuType(0xCE, kHandakuMark));
  EXPECT_EQ(0, CheckDakuType(0xB6, kHandakuMark));
  EXPECT_EQ(1, CheckDakuType(0xC4, kDakuMark));
  EXPECT_EQ(0, CheckDakuType(0xC5, kDakuMark));   // ﾅ
  EXPECT_EQ(0, CheckDakuType(0xCA, 'x'));
}

TEST(CharClass, FullWidthAsciiAndPunctuation) {
  EXPECT_EQ(' ', WordToByte(0x8140));
  EXPECT_EQ('"', WordToByte(0x8168));   // ”
  EXPECT_EQ('\'', WordToByte(0x8166));  // ’
  EXPECT_EQ('\\', WordToByte(0x818F));  // ￥
  EXPECT_EQ('~', WordToByte(0x8160));   // ～
  EXPECT_EQ('A', WordToByte(0x8260));
  EXPECT_EQ('z', WordToByte(0x829A));
  EXPECT_EQ(0x889F, WordToByte(0x889F));   // kanji stay
  EXPECT_EQ(0x8167, WordToByte(0x8167));   // “ is not in the set

  EXPECT_TRUE(IsWordAscii(0x8140));
  EXPECT_FALSE(IsWordGraph(0x8140));
  EXPECT_TRUE(IsWordAlnum(0x824F));
  EXPECT_FALSE(IsWordAlpha(0x824F));
  EXPECT_FALSE(IsWordAlpha(0x8280));   // the gap between the cases
  EXPECT_EQ(0x8260, ToWordUpper(0x8281));
  EXPECT_EQ(0x829A, ToWordLower(0x8279));
  EXPECT_EQ(0x8250, ToWordUpper(0x8250));
  EXPECT_TRUE(IsByteGraph('~') && IsByteGraph('!') && !IsByteGraph(' ') && !IsByteGraph(0x7F));
  EXPECT_TRUE(IsByteAscii(' ') && !IsByteAscii('\t') && !IsByteAscii(0xA0));
  EXPECT_EQ('A', ToByteUpper('a'));
  EXPECT_EQ(0x8A, ToByteUpper(0x8A));   // ASCII case only
  EXPECT_FALSE(IsByteAlpha(0x141));     // double-byte code with an 'A' low byte
}

// Every kana pair and the voiced set are compared with Unicode data by a
// script test; here only the hole in the katakana row.
TEST(CharClass, KanaHole) {
  EXPECT_EQ(0x8380, ToWordKata(0x82DE));   // む ム, past the hole at 0x837F
  EXPECT_EQ(0x837F, ToWordHira(0x837F));   // not a character
  EXPECT_TRUE(IsWordKana(0x815B));         // ー
  EXPECT_FALSE(IsWordKana(0x837F));
}

TEST(CharClass, WordBoundaryClasses) {
  struct Case {
    Code code;
    short script;
    short type;
  } cases[] = {
      {0x8140, 1, 267}, {0x8260, 1, 268}, {0x824F, 1, 268}, {0x82A0, 1, 782}, {0x8341, 1, 270},
      {0x815B, 1, 270}, {0x889F, 1, 271}, {0x81FC, 1, 271}, {0x8141, 1, 269}, {0x889E, 1, 269},
      {0x889F, 0, 269}, {' ', 0, 11},    {'\t', 1, 11},    {'a', 0, 12},    {'7', 1, 12},
      {'\r', 0, 10},    {'\n', 0, 16},   {0x7F, 0, 16},    {'!', 1, 13},    {'~', 0, 13},
      {0xA0, 0, 12},    {0xA0, 1, 12},   {0x8A, 0, 12},    {0xA5, 0, 13},   {0xB1, 1, 14},
      {0xDE, 1, 14},    {0xA1, 1, 13},   {0xFD, 1, 13},    {0xDE, 0, 12},
  };
  for (const Case& c : cases) EXPECT_EQ(c.type, GetCharType(c.code, c.script)) << std::hex << c.code;
}

// A Shift_JIS string in script 1 as the word-wrap rule reads it.
struct StringReader {
  std::string bytes;
  bool Lead(long k) const { return (unsigned char)bytes[size_t(k)] == 0x82; }
  long Length() const { return long(bytes.size()); }
  Code At(long pos) const {
    const auto b = (unsigned char)bytes[size_t(pos)];
    return Lead(pos) ? Code(b << 8 | (unsigned char)bytes[size_t(pos + 1)]) : b;
  }
  short ClassAt(long pos) const { return GetCharType(At(pos), kScriptJapanese); }
  Code CharBefore(long pos, long& first) const {
    first = pos >= 2 && Lead(pos - 2) ? pos - 2 : pos - 1;
    return At(first);
  }
  short ScriptAt(long) const { return kScriptJapanese; }
};

TEST(CharClass, WordwrapMovesBreaksOutOfWordsAndTakesSpaces) {
  struct Case {
    const char* text;
    long lineStart, breakAt, adjust;
  } cases[] = {
      {"hello world", 0, 8, 2},        // inside a word: back to its start
      {"well-known", 0, 7, 2},         // just after the hyphen
      {"x a,b.c", 0, 5, 3},            // punctuation belongs to the word
      {"abcdef", 0, 3, 0},             // a word as long as the line is split
      {"ab cdef", 3, 5, 0},            // likewise from a later line start
      {"\x82\xA0" "abc", 0, 3, 1},     // a double-byte character ends the word
      {"ab cd", 0, 2, -1},             // the space after a word stays
      {"ab  cd", 0, 2, -2},            // two spaces
      {"ab \rcd", 0, 2, -2},           // a space and the CR
      {"ab  \rcd", 0, 2, -3},          // two spaces and the CR
      {"ab   cd", 0, 2, -2},           // never more than two
      {"a- b", 0, 2, -1},              // a hyphen ends a word too
      {"\x82\xA0 x", 0, 2, 0},         // no word before the space
      {"a b", 1, 1, 0},                // a space at the line start
      {"ab\rcd", 0, 2, 0},             // a CR
      {"ab cd", 0, 0, 0},              // the text's ends
      {"ab cd", 0, 5, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WordwrapAdjust(StringReader{c.text}, c.lineStart, c.breakAt), c.adjust) << c.text << " @" << c.breakAt;
}

}  // namespace
