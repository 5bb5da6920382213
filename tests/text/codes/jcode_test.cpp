#include "text/codes/jcode.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "platform/exception.h"
#include "platform/memory.h"
#include "platform/script.h"
#include "text/base/memory.h"
#include "text/codes/unicode.h"
#include "common/test_main.h"

namespace {

using Bytes = std::string;
using uchar = unsigned char;

const unsigned char* U(const Bytes& s) { return reinterpret_cast<const unsigned char*>(s.data()); }
long L(const Bytes& s) { return long(s.size()); }

Bytes Out(CKXJCode& j) { return Bytes(reinterpret_cast<const char*>(j.GetTextPtr()), size_t(j.GetTextSize())); }

Bytes ToJIS(const Bytes& s, Boolean* result = nullptr) {
  CKXJCode j;
  Boolean r = j.SJIStoJIS(U(s), L(s));
  if (result) *result = r;
  return Out(j);
}
Bytes FromJIS(const Bytes& s, Boolean* result = nullptr) {
  CKXJCode j;
  Boolean r = j.JIStoSJIS(U(s), L(s));
  if (result) *result = r;
  return Out(j);
}
Bytes ToEUC(const Bytes& s) {
  CKXJCode j;
  j.SJIStoEUC(U(s), L(s));
  return Out(j);
}
Bytes FromEUC(const Bytes& s) {
  CKXJCode j;
  j.EUCtoSJIS(U(s), L(s));
  return Out(j);
}
Bytes ToUTF8(const Bytes& s) {
  CKXJCode j;
  j.UNICODEtoUTF8(U(s), L(s));
  return Out(j);
}
Bytes ToUTF16(const Bytes& s, bool mark = false) {
  CKXJCode j;
  j.UTF8toUNICODE(U(s), L(s), mark);
  return Out(j);
}

// Detection with both switches on, restoring them afterwards.
class JCodeDetect : public ::testing::Test {
 protected:
  void SetUp() override {
    CKXJCode::sUseUNICODE = 1;
    CKXJCode::sUseCVKANJI = 1;
  }
  void TearDown() override {
    CKXJCode::sUseUNICODE = 0;
    CKXJCode::sUseCVKANJI = 0;
  }
  static short Check(const Bytes& s) { return CKXJCode::AutoCheck(U(s), L(s)); }
};

TEST_F(JCodeDetect, AsciiAndShortBuffersFallToShiftJIS) {
  Bytes ascii = "plain ASCII text, nothing else\r\n";
  EXPECT_FALSE(CKXJCode::CheckUTF8(U(ascii), L(ascii)));
  EXPECT_FALSE(CKXJCode::CheckJIS(U(ascii), L(ascii)));
  EXPECT_FALSE(CKXJCode::CheckEUC(U(ascii), L(ascii)));
  EXPECT_EQ(Check(ascii), kKxCodeSJIS);
  EXPECT_EQ(Check(""), kKxCodeSJIS);
  EXPECT_EQ(CKXJCode::AutoCheck(nullptr, 10), kKxCodeSJIS);
  // A byte-order mark alone is not enough; one more byte is.
  EXPECT_NE(Check("\xFE\xFF"), kKxCodeUTF16);
  EXPECT_NE(Check("\xFF\xFE"), kKxCodeUTF16);
  EXPECT_EQ(Check(Bytes("\xFF\xFE\x41", 3)), kKxCodeUTF16);
  EXPECT_EQ(Check(Bytes("\xFE\xFF\x00", 3)), kKxCodeUTF16);
  EXPECT_FALSE(CKXJCode::CheckUNICODEWin(U("\xFF\xFE"), 2));
  EXPECT_TRUE(CKXJCode::CheckUNICODEWin(U("\xFF\xFE\x41"), 3));
  EXPECT_FALSE(CKXJCode::CheckUNICODEWin(U("\xFE\xFF\x41"), 3));
}

// The detectors pass over ASCII in steps of sixteen; byte by byte they must
// answer the same, wherever the marks they look for fall in those steps.
TEST_F(JCodeDetect, AsciiStepsAnswerAsByteByByte) {
  std::mt19937 rng(11);
  const char* const pieces[] = {"\x1B$B", "\x1B(I", "\x1B(B", "\x1B(J", "=?ISO-2022-JP?B?", "=?", "\x1B$",
                                "\x82\xA0",  // a Shift_JIS pair
                                "\xA4\xA2",  // an EUC-JP pair (and two kana)
                                "\xA5\xA2\xA5\xA4\xA5\xA6\xA5\xA8", "\x8E\xB1", "\x8F\xB0\xA1", "\xE3\x81\x82",
                                "\xF0\x9F\x98\x80", "\xFA\x40", "$B", "\xB1"};
  std::map<std::string, int> seen;
  for (int round = 0; round < 3000; ++round) {
    Bytes text;
    const int parts = 1 + int(rng() % 12);
    for (int k = 0; k < parts; ++k) {
      const int ascii = int(rng() % 40);
      for (int a = 0; a < ascii; ++a) text += char(0x20 + rng() % 0x5F);
      if (rng() % 3 == 0) text += char(rng() % 0x20);
      if (rng() % 4 != 0) text += pieces[rng() % std::size(pieces)];
      if (rng() % 8 == 0) text += char(0x80 + rng() % 0x80);
    }
    // Texts that only one kind of pair fills past the detectors' counts.
    if (rng() % 10 == 0)
      for (int k = 0; k < 120; ++k) text += rng() % 2 ? "ab\xA4\xA2" : "\x1B$B\x30\x21\x1B(B ";
    const long n = long(text.size()) - long(rng() % 3);
    const unsigned char* p = U(text);
    auto answers = [&] {
      return std::to_string(CKXJCode::CheckUTF8(p, n)) + std::to_string(CKXJCode::CheckJIS(p, n)) +
             std::to_string(CKXJCode::CheckEUC(p, n)) + "/" + std::to_string(CKXJCode::AutoCheck(p, n));
    };
    const std::string stepped = answers();
    CKXJCode::sSkipAscii = false;
    const std::string bytewise = answers();
    CKXJCode::sSkipAscii = true;
    ASSERT_EQ(stepped, bytewise) << "round " << round;
    ++seen[stepped.substr(0, 3)];
  }
  // Each detector said yes and no, or the texts tried too little.
  for (int d = 0; d < 3; ++d) {
    int yes = 0, no = 0;
    for (const auto& [answer, count] : seen) (answer[size_t(d)] == '1' ? yes : no) += count;
    EXPECT_GT(yes, 30) << "detector " << d;
    EXPECT_GT(no, 30) << "detector " << d;
  }
}

TEST_F(JCodeDetect, SwitchesGateTheDetectors) {
  Bytes jis = "\x1B$B$3$s$K$A$O\x1B(B";
  Bytes utf8 = "\xE3\x81\x82\xE3\x81\x84";
  EXPECT_EQ(Check(jis), kKxCodeJIS);
  EXPECT_EQ(Check(utf8), kKxCodeUTF8);
  CKXJCode::sUseCVKANJI = 0;
  EXPECT_EQ(Check(jis), kKxCodeSJIS);
  EXPECT_EQ(Check(utf8), kKxCodeUTF8);  // Unicode detection comes first
  CKXJCode::sUseUNICODE = 0;
  EXPECT_EQ(Check(utf8), kKxCodeSJIS);
  EXPECT_EQ(Check("\xFE\xFF\x30\x42"), kKxCodeSJIS);
}

TEST_F(JCodeDetect, UTF8IsValidatedStrictly) {
  struct {
    const char* bytes;
    long length;
  } cases[] = {
      {"A", 1},           {"\xC2\x80", 2},         {"\xDF\xBF", 2},         {"\xE0\xA0\x80", 3},
      {"\xED\x9F\xBF", 3}, {"\xEF\xBF\xBF", 3},    {"\xF0\x90\x80\x80", 4}, {"\xF4\x8F\xBF\xBF", 4},
      {"\xC0\x80", 0},     {"\xC1\xBF", 0},        {"\xE0\x9F\xBF", 0},     {"\xED\xA0\x80", 0},
      {"\xED\xBF\xBF", 0}, {"\xF0\x8F\xBF\xBF", 0}, {"\xF4\x90\x80\x80", 0}, {"\xF5\x80\x80\x80", 0},
      {"\xFF", 0},         {"\x80", 0},            {"\xE3\x81", 0},
  };
  for (const auto& c : cases) {
    long n = long(std::strlen(c.bytes));
    EXPECT_EQ(CKXJCode::IsUTF8Char(U(c.bytes), n), c.length) << testing::PrintToString(Bytes(c.bytes));
  }
  // A CESU-style surrogate pair or an overlong slash is not UTF-8 text.
  EXPECT_FALSE(CKXJCode::CheckUTF8(U("ab\xED\xA0\xBD\xED\xB8\x80"), 8));
  EXPECT_FALSE(CKXJCode::CheckUTF8(U("ab\xC0\xAF"), 4));
  // Valid after a long ASCII stretch, and broken at its very end.
  Bytes text(1000, 'x');
  text += "\xE6\x97\xA5\xE6\x9C\xAC";
  EXPECT_TRUE(CKXJCode::CheckUTF8(U(text), L(text)));
  EXPECT_FALSE(CKXJCode::CheckUTF8(U(text), L(text) - 1));
}

TEST_F(JCodeDetect, JISByEscapesOrMimeWords) {
  EXPECT_TRUE(CKXJCode::CheckJIS(U("abc \x1B$@"), 7));
  EXPECT_TRUE(CKXJCode::CheckJIS(U("\x1B(I12"), 5));
  EXPECT_FALSE(CKXJCode::CheckJIS(U("\x1B$A"), 3));
  Bytes header = "Subject: =?iso-2022-JP?b?GyRCJDMkcyRLJEEkTxsoQg==?=";
  EXPECT_EQ(Check(header), kKxCodeJIS);
  // Too short to hold a whole prefix.
  EXPECT_FALSE(CKXJCode::CheckJIS(U("=?ISO-2022-JP?B"), 15));
  // The first part decides: after more than 100 Shift_JIS hits an escape
  // further on is not seen.
  Bytes sjis;
  for (int k = 0; k < 60; ++k) sjis += "\x93\xFA\x96\x7B";
  EXPECT_FALSE(CKXJCode::CheckJIS(U(sjis + "\x1B$B"), L(sjis) + 3));
  EXPECT_TRUE(CKXJCode::CheckJIS(U(sjis.substr(0, 8) + "\x1B$B"), 11));
}

TEST_F(JCodeDetect, EUCByPairsThatShiftJISCannotForm) {
  // 日本語 in EUC-JP: F2 and EC leads give EUC-only pairs.
  EXPECT_EQ(Check("\xC6\xFC\xCB\xDC\xB8\xEC"), kKxCodeEUC);
  // The same words in Shift_JIS are not.
  EXPECT_EQ(Check("\x93\xFA\x96\x7B\x8C\xEA"), kKxCodeSJIS);
  // Half-width kana in Shift_JIS: pairs of A1-DF bytes are ambiguous, and
  // no run in rows A3-A5 forms.
  EXPECT_EQ(Check("\xB6\xC0\xB6\xC5\xC3\xDE\xBD"), kKxCodeSJIS);
  // Hiragana whose trails lie below E0 are ambiguous in pass 1; pass 2
  // finds a run of four pairs in row A4.
  Bytes hira = "\xA4\xA2\xA4\xA6\xA4\xA8\xA4\xAA\xA4\xAB";
  EXPECT_TRUE(CKXJCode::CheckEUC(U(hira), L(hira)));
  // Three pairs are too short a run.
  EXPECT_FALSE(CKXJCode::CheckEUC(U(hira), 6));
  // Half-width kana in EUC-JP (8E) are ambiguous; full-width text after it decides.
  EXPECT_EQ(Check("\x8E\xB1\x8E\xB2\xA5\xA2\xA5\xA4\xA5\xA6\xA5\xA8\xA5\xAA"), kKxCodeEUC);
}

TEST_F(JCodeDetect, EUCPassOneStopsAfterAHundredShiftJISHits) {
  Bytes sjis;
  for (int k = 0; k < 120; ++k) sjis += "\x82\xA0";  // あ in Shift_JIS
  Bytes euc = "\xC6\xFC\xCB\xDC";
  EXPECT_FALSE(CKXJCode::CheckEUC(U(sjis + euc), L(sjis) + 4));
  EXPECT_TRUE(CKXJCode::CheckEUC(U(sjis.substr(0, 20) + euc), 24));
}

// Text written on Windows uses CP932's IBM extension kanji (FA40-FC4B), in
// names above all: Shift_JIS pairs, also as the last pair of a short text
// and right after a trail that is an EUC byte.
TEST_F(JCodeDetect, IBMExtensionKanjiAreShiftJIS) {
  EXPECT_EQ(Check("\x8E\x52\xFA\xB1\r\n"), kKxCodeSJIS);  // 山﨑
  Bytes hira;
  for (int k = 0; k < 3; ++k) hira += "\x82\xA0\x82\xA2\x82\xA4";
  EXPECT_EQ(Check(hira + "\xFB\xFC"), kKxCodeSJIS);  // あいう... 髙
  EXPECT_EQ(Check(hira + "\x88\xA2\xE2\x58"), kKxCodeSJIS);  // ... 阿禮: the same with JIS-row kanji
  // A pair past the JIS rows that EUC-JP cannot form ends an EUC-only run.
  EXPECT_TRUE(CKXJCode::CheckEUC(U("\xC6\xFC\xCB\xDC"), 4));
  EXPECT_FALSE(CKXJCode::CheckEUC(U("\xC6\xFC\xCB\xDC\xF0\x40"), 6));
  // EUC-JP kanji of rows 0x70-0x74 (F0-F4 leads) are no user-defined codes.
  EXPECT_EQ(Check("\xA4\xBB\xA4\xA4\xA1\xD5\xA1\xC3\xF0\xCD"), kKxCodeEUC);  // せい》｜靈
  // JIS detection counts them among the Shift_JIS hits that end its look.
  Bytes ibm;
  for (int k = 0; k < 60; ++k) ibm += "\xFA\xB1\xFB\xFC";
  EXPECT_FALSE(CKXJCode::CheckJIS(U(ibm + "\x1B$B"), L(ibm) + 3));
}

TEST(JCode, InvertWordHiLoSwapsWholeUnits) {
  unsigned char b[] = {1, 2, 3, 4, 5};
  CKXJCode::InvertWORDHiLo(b, 5);
  EXPECT_EQ(Bytes(reinterpret_cast<char*>(b), 5), Bytes("\x02\x01\x04\x03\x05"));
  CKXJCode::InvertWORDHiLo(nullptr, 4);
}

TEST(JCode, SjisToJisEscapesEachSegment) {
  Boolean r = true;
  EXPECT_EQ(ToJIS("plain text", &r), "plain text");
  EXPECT_FALSE(r);
  // Leading ASCII gets no escape; kanji at the end gets ESC ( B.
  EXPECT_EQ(ToJIS("ab\x93\xFA\x96\x7B", &r), "ab\x1B$BF|K\\\x1B(B");
  EXPECT_TRUE(r);
  // Kanji, half-width kana, ASCII.
  EXPECT_EQ(ToJIS("\x82\xA0\xB1\xDFz"), "\x1B$B$\"\x1B(I1_\x1B(Bz");
  EXPECT_EQ(ToJIS(""), "");
}

TEST(JCode, SjisToJisNeverWritesANonKanaByteUnderKanaEscape) {
  // A0, FD and FE have no JIS form; neither has a lead byte without a
  // trail. They are kept as they are, outside ESC ( I, and read back. The
  // Mac's backslash (80) and ellipsis (FF) come back as JIS's own.
  const std::pair<const char*, const char*> cases[] = {
      {"\xB1\x80\xB2", "\xB1\\\xB2"}, {"\xB1\xA0\xB2", nullptr}, {"\xB1\xFD\xFE\xFF", "\xB1\xFD\xFE\x81\x63"},
      {"ab\x81", nullptr}, {"\x81 x", nullptr}, {"\xF0\x40", nullptr}, {"\xF0\x80", nullptr}};
  for (const auto& [c, back] : cases) {
    Bytes jis = ToJIS(c);
    size_t kana = 0;
    bool inKana = false;
    for (size_t i = 0; i < jis.size(); ++i) {
      if (jis[i] == 0x1B) {
        inKana = jis.compare(i, 3, "\x1B(I") == 0;
        i += 2;
        continue;
      }
      if (inKana) {
        EXPECT_TRUE(jis[i] >= 0x21 && jis[i] <= 0x5F) << testing::PrintToString(jis);
        ++kana;
      }
    }
    EXPECT_EQ(FromJIS(jis), Bytes(back ? back : c)) << testing::PrintToString(jis);
  }
  EXPECT_EQ(ToJIS("\xB1\xA0"), "\x1B(I1\x1B(B\xA0");
}

TEST(JCode, JisToSjisDecodesEscapesAndKana) {
  Boolean r = false;
  EXPECT_EQ(FromJIS("x\x1B$BF|K\\\x1B(By", &r), "x\x93\xFA\x96\x7By");
  EXPECT_TRUE(r);
  EXPECT_EQ(FromJIS("\x1B$@$\"\x1B(J~", &r), "\x82\xA0~");
  EXPECT_EQ(FromJIS("no escapes", &r), "no escapes");
  EXPECT_FALSE(r);
  // Half-width kana; a space stays a space; line ends pass in any mode.
  EXPECT_EQ(FromJIS("\x1B(I1 _\r\n\x1B(B"), "\xB1 \xDF\r\n");
  // An escape cut short at the end is copied.
  EXPECT_EQ(FromJIS("a\x1B$"), "a\x1B$");
  // A lone byte in kanji mode is copied.
  EXPECT_EQ(FromJIS("\x1B$B$\"!\r\n"), "\x82\xA0!\r\n");
}

TEST(JCode, MimeEncodedWords) {
  // Single padded words in both forms are compared with a mail library by a
  // script test. Here: a word without its padding, two words and text between.
  EXPECT_EQ(FromJIS("=?iso-2022-jp?b?GyRCJDMkcyRLJEEkTxsoQg?="), "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD");
  EXPECT_EQ(FromJIS("=?ISO-2022-JP?B?GyRCJDMbKEI=?= & =?iso-2022-jp?q?a=5Fb?="), "\x82\xB1 & a_b");
  // A word left open keeps its rest undecoded.
  EXPECT_EQ(FromJIS("x =?ISO-2022-JP?B?GyRC"), "x GyRC");
  // Other charsets are not decoded.
  Bytes other = "=?UTF-8?B?44GC?=";
  EXPECT_EQ(FromJIS(other), other);
}

TEST(JCode, MimeWorkBufferFailureIsAnError) {
  Bytes word = "=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=";
  Bytes text = Bytes(600, 'a') + word;  // a work buffer beyond the inline one
  CKXJCode j;
  kx_memtest::FailAll(true);
  EXPECT_THROW(j.JIStoSJIS(U(text), L(text)), LException);
  kx_memtest::FailAll(false);
  EXPECT_TRUE(j.JIStoSJIS(U(text), L(text)));
  EXPECT_EQ(j.GetTextSize(), 610);
}

TEST(JCode, DecodeBase64AndQuoted) {
  unsigned char out[64];
  EXPECT_EQ(CKXJCode::DecodeBASE64(U("QUJD"), 4, out), 3);
  EXPECT_EQ(Bytes(reinterpret_cast<char*>(out), 3), "ABC");
  EXPECT_EQ(CKXJCode::DecodeBASE64(U("QUI="), 4, out), 2);
  EXPECT_EQ(Bytes(reinterpret_cast<char*>(out), 2), "AB");
  EXPECT_EQ(CKXJCode::DecodeBASE64(U("QQ"), 2, out), 1);
  EXPECT_EQ(out[0], 'A');
  EXPECT_EQ(CKXJCode::DecodeBASE64(U("Q"), 1, out), 0);
  // A stray character counts as 0 and takes its place.
  EXPECT_EQ(CKXJCode::DecodeBASE64(U("Q\nJD"), 4, out), 3);
  EXPECT_EQ(out[0], 0x40);
  EXPECT_EQ(CKXJCode::DecodeQuoted(U("a_=41=4a=zz"), 11, out), 5);
  EXPECT_EQ(Bytes(reinterpret_cast<char*>(out), 5), Bytes("a AJ\0", 5));
  EXPECT_EQ(CKXJCode::DecodeQuoted(U("x=4"), 3, out), 3);  // cut short: copied
  EXPECT_EQ(Bytes(reinterpret_cast<char*>(out), 3), "x=4");
  EXPECT_EQ(CKXJCode::DecodeQuoted(nullptr, 3, out), 0);
}

TEST(JCode, SjisEucBothWays) {
  EXPECT_EQ(ToEUC("a\x93\xFA\x96\x7B\xB1z"), "a\xC6\xFC\xCB\xDC\x8E\xB1z");
  EXPECT_EQ(FromEUC("a\xC6\xFC\xCB\xDC\x8E\xB1z"), "a\x93\xFA\x96\x7B\xB1z");
  // A lead byte at the end and bytes of no pair are copied.
  EXPECT_EQ(ToEUC("a\x93"), "a\x93");
  EXPECT_EQ(FromEUC("\xC6"), "\xC6");
  EXPECT_EQ(FromEUC("\x8E\x41"), "\x8E\x41");
}

TEST(JCode, EucSupplementaryKanjiBecomesThePlaceholder) {
  // 8F B0 A1 (JIS X 0212) has no Shift_JIS form: never the JIS X 0208
  // character B0A1 (亜) it would otherwise turn into.
  EXPECT_EQ(FromEUC("a\x8F\xB0\xA1z"), "a\x81\xFCz");
  CKXJCode j;
  EXPECT_TRUE(j.EUCtoSJIS(U("\x8F\xB0\xA1"), 3));
  // Without two EUC bytes after it, 8F is copied.
  EXPECT_EQ(FromEUC("\x8F\xB0"), "\x8F\xB0");
  EXPECT_EQ(FromEUC("\x8F" "A"), "\x8F" "A");
}

TEST(JCode, Utf16ToUtf8) {
  EXPECT_EQ(ToUTF8(Bytes("\x00" "A\x00\xE9\x30\x42", 6)), "A\xC3\xA9\xE3\x81\x82");
  EXPECT_EQ(ToUTF8(Bytes("\xFE\xFF\x30\x42", 4)), "\xE3\x81\x82");
  EXPECT_EQ(ToUTF8(Bytes("\xFF\xFE\x42\x30\x3D\xD8\x00\xDE", 8)), "\xE3\x81\x82\xF0\x9F\x98\x80");
  // Unpaired surrogates and half a unit become U+FFFD.
  EXPECT_EQ(ToUTF8(Bytes("\xD8\x3D\x00" "A", 4)), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(ToUTF8(Bytes("\xDE\x00", 2)), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUTF8(Bytes("\x00" "A\x30", 3)), "A\xEF\xBF\xBD");
  // Two bytes that look like a mark are a character.
  EXPECT_EQ(ToUTF8(Bytes("\xFE\xFF", 2)), "\xEF\xBB\xBF");
}

TEST(JCode, Utf8ToUtf16) {
  EXPECT_EQ(ToUTF16("A\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80", true),
            Bytes("\xFE\xFF\x00" "A\x00\xE9\x30\x42\xD8\x3D\xDE\x00", 12));
  EXPECT_EQ(ToUTF16("\xF4\x8F\xBF\xBF"), Bytes("\xDB\xFF\xDF\xFF", 4));
  const Bytes fffd("\xFF\xFD", 2);
  // Overlong forms, encoded surrogates, values above U+10FFFF and stray
  // bytes become U+FFFD, one for each longest start of a sequence.
  EXPECT_EQ(ToUTF16("\xC0\xAF"), fffd + fffd);
  EXPECT_EQ(ToUTF16("\xE0\x80\xAF"), fffd + fffd + fffd);
  EXPECT_EQ(ToUTF16("\xED\xA0\x80"), fffd + fffd + fffd);
  EXPECT_EQ(ToUTF16("\xF4\x90\x80\x80"), fffd + fffd + fffd + fffd);
  EXPECT_EQ(ToUTF16("\xE3\x81" "A"), fffd + Bytes("\x00" "A", 2));
  EXPECT_EQ(ToUTF16("\xF0\x9F\x98"), fffd);
  EXPECT_EQ(ToUTF16("\x80\xFF"), fffd + fffd);
  EXPECT_EQ(ToUTF16("", true), "\xFE\xFF");
}

// UTF-8 straight to units reads exactly as the big-endian converter does,
// on well-formed text, on every kind of ill-formed sequence and on cuts at
// any byte.
TEST(JCode, Utf8ToUnitsReadsAsTheByteConverter) {
  std::mt19937 rng(21);
  const Bytes pieces[] = {"A", "\r\n", "\xC3\xA9", "\xE3\x81\x82", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF",
                          "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x81", "\x80", "\xFF"};
  const int rounds = std::getenv("KX_RANDOM_STEPS") ? std::atoi(std::getenv("KX_RANDOM_STEPS")) : 300;
  for (int round = 0; round < rounds; ++round) {
    Bytes text;
    const int n = int(rng() % 40);
    for (int k = 0; k < n; ++k) text += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
    if (!text.empty() && rng() % 3 == 0) text.resize(rng() % text.size());   // a cut anywhere
    const Bytes big = ToUTF16(text);
    std::u16string want;
    for (std::size_t k = 0; k + 1 < big.size(); k += 2) want += char16_t(uchar(big[k]) << 8 | uchar(big[k + 1]));
    std::u16string got(text.size(), u'\0');
    got.resize(std::size_t(CKXJCode::UTF8toUnits(U(text), L(text), got.data())));
    ASSERT_EQ(got, want) << "round " << round;
  }
}

TEST(JCode, UnicodeConvertersAppend) {
  CKXJCode j;
  j.UTF8toUNICODE(U("A"), 1, true);
  j.UTF8toUNICODE(U("B"), 1, false);
  EXPECT_EQ(Out(j), Bytes("\xFE\xFF\x00" "A\x00" "B", 6));
  // Converting again after the pointer was taken works and replaces.
  j.SJIStoEUC(U("\xB1"), 1);
  EXPECT_EQ(Out(j), "\x8E\xB1");
}

// Long texts cross the converters' chunk boundaries at every alignment.
TEST(JCode, LongRandomTextsRoundTrip) {
  std::mt19937 rng(7);
  Bytes sjis;
  while (sjis.size() < 300000) {
    switch (rng() % 4) {
      case 0:
        sjis += char(0x20 + rng() % 0x5F);
        break;
      case 1:
        sjis += char(0xA1 + rng() % 0x3F);
        break;
      default: {
        unsigned lead = rng() % 2 ? 0x81 + rng() % 0x1F : 0xE0 + rng() % 0x10;
        unsigned trail = 0x40 + rng() % 0xBC;
        if (trail == 0x7F) trail = 0x80;
        sjis += char(lead);
        sjis += char(trail);
      }
    }
  }
  EXPECT_EQ(FromEUC(ToEUC(sjis)), sjis);
  EXPECT_EQ(FromJIS(ToJIS(sjis)), sjis);

  Bytes utf8;
  while (utf8.size() < 300000) {
    std::uint32_t v = rng() % 4 == 0 ? 0x10000 + rng() % 0x100000 : 0x20 + rng() % 0xD000;
    unsigned char b[4];
    int k = 0;
    if (v < 0x80) {
      b[k++] = uchar(v);
    } else if (v < 0x800) {
      b[k++] = uchar(0xC0 | v >> 6), b[k++] = uchar(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
      b[k++] = uchar(0xE0 | v >> 12), b[k++] = uchar(0x80 | ((v >> 6) & 0x3F)), b[k++] = uchar(0x80 | (v & 0x3F));
    } else {
      b[k++] = uchar(0xF0 | v >> 18), b[k++] = uchar(0x80 | ((v >> 12) & 0x3F));
      b[k++] = uchar(0x80 | ((v >> 6) & 0x3F)), b[k++] = uchar(0x80 | (v & 0x3F));
    }
    utf8.append(reinterpret_cast<char*>(b), size_t(k));
  }
  EXPECT_TRUE(CKXJCode::CheckUTF8(U(utf8), L(utf8)));
  EXPECT_EQ(ToUTF8(ToUTF16(utf8, true)), utf8);
}

// ---------------------------------------------------------------------------
// Every JIS X 0208 character, compared with the C library's decoders.

class Iconv {
 public:
  explicit Iconv(const char* from, const char* to = "UTF-8") : mCd(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(mCd);
  }
  bool ok() const { return mCd != reinterpret_cast<iconv_t>(-1); }
  // The converted text, or "" when the bytes are not valid in the encoding.
  Bytes Decode(const Bytes& in) {
    iconv(mCd, nullptr, nullptr, nullptr, nullptr);
    char out[64];
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    char* dst = out;
    size_t room = sizeof out;
    if (iconv(mCd, &src, &left, &dst, &room) == size_t(-1)) return "";
    if (iconv(mCd, nullptr, nullptr, &dst, &room) == size_t(-1)) return "";
    return Bytes(out, size_t(dst - out));
  }

 private:
  iconv_t mCd;
};

TEST(JCodeIconv, MacOnlySingleBytesKeepTheirCharactersInEUCAndJIS) {
  // Copied, FD FE would read back as one user-defined pair: the copyright
  // and trade mark signs go as JIS X 0212, the backslash and the ellipsis
  // as EUC-JP's own; each as iconv reads them.
  const Bytes euc = ToEUC("\x80\xFD\xFE\xFF" "a");
  EXPECT_EQ(euc, "\\\x8F\xA2\xED\x8F\xA2\xEF\xA1\xC4" "a");
  Iconv dec("EUC-JP-MS");
  ASSERT_TRUE(dec.ok());
  EXPECT_EQ(dec.Decode(euc), "\\\u00A9\u2122\u2026a");
  // The trail of a pair with no EUC form goes as it is.
  EXPECT_EQ(ToEUC("\xF0\x80")[0], '\xF0');
  const Bytes jis = ToJIS("\x80\xFF\x82\xA0");
  EXPECT_EQ(jis, "\\\x1B$B!D$\"\x1B(B");
}

TEST(JCodeIconv, AllJISX0208CharactersRoundTrip) {
  Iconv sjisDec("SHIFT_JIS"), eucDec("EUC-JP"), jisDec("ISO-2022-JP");
  ASSERT_TRUE(sjisDec.ok() && eucDec.ok() && jisDec.ok());
  long count = 0;
  for (int lead = 0x81; lead <= 0xEF; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      Bytes sjis{char(lead), char(trail)};
      Bytes text = sjisDec.Decode(sjis);
      if (text.empty()) continue;  // not a JIS X 0208 character
      ++count;
      Bytes euc = ToEUC(sjis);
      EXPECT_EQ(eucDec.Decode(euc), text) << std::hex << lead << trail;
      EXPECT_EQ(FromEUC(euc), sjis) << std::hex << lead << trail;
      Bytes jis = ToJIS(sjis);
      EXPECT_EQ(jisDec.Decode(jis), text) << std::hex << lead << trail;
      EXPECT_EQ(FromJIS(jis), sjis) << std::hex << lead << trail;
    }
  }
  EXPECT_EQ(count, 6879);
}

TEST(JCodeIconv, HalfWidthKanaRoundTrip) {
  Iconv sjisDec("SHIFT_JIS"), eucDec("EUC-JP");
  for (int c = 0xA1; c <= 0xDF; ++c) {
    Bytes sjis{char(c)};
    Bytes euc = ToEUC(sjis);
    EXPECT_EQ(eucDec.Decode(euc), sjisDec.Decode(sjis));
    EXPECT_EQ(FromEUC(euc), sjis);
    EXPECT_EQ(FromJIS(ToJIS(sjis)), sjis);
  }
}

}  // namespace

namespace {

std::u16string Utf16Of(const Bytes& s) {
  Handle units = nullptr, glyphs = nullptr;
  long count = 0;
  UKXUnicode::ConvertFromText(kScriptJapanese, s.data(), L(s), nullptr, 0, units, count, glyphs);
  std::u16string out;
  if (units) out.assign(reinterpret_cast<const char16_t*>(*units), size_t(count));
  if (units) KxMemHFree(units);
  if (glyphs) KxMemHFree(glyphs);
  return out;
}

}  // namespace

// Shift_JIS cut at KxSJISCharBoundary and converted piece by piece (what
// kxjconv does with large files) gives what converting it whole gives.
TEST(JCodePieces, PiecesCutBetweenCharactersConvertLikeTheWhole) {
  std::mt19937 rng(5959);
  const long steps = KxRandomSteps(300);
  for (long step = 0; step < steps; ++step) {
    Bytes text;
    const long length = long(rng() % 400);
    while (L(text) < length) {
      switch (rng() % 6) {
        case 0: text += char(rng() % 0x80); break;                        // ASCII and controls
        case 1: text += rng() % 2 ? "\r\n" : " "; break;
        case 2: text += char(0xA1 + rng() % 0x3F); break;                 // half-width kana
        case 3: text += char(0x80 + rng() % 0x80); break;                 // any high byte, lone leads
        default: {
          const uchar lead = uchar(rng() % 2 ? 0x81 + rng() % 0x1F : 0xE0 + rng() % 0x1D);
          text += char(lead);
          text += char(0x40 + rng() % 0xBD);                              // trails, ASCII ones too
        }
      }
    }
    Bytes euc;
    std::u16string units;
    long at = 0;
    while (at < L(text)) {
      // A random window; its piece ends at the window's last cut.
      const long window = std::min(L(text) - at, 1 + long(rng() % 64));
      const bool last = at + window == L(text);
      const long cut = last ? window : KxSJISCharBoundary(U(text) + at, window);
      if (cut == 0) {
        if (window == L(text) - at) break;
        continue;
      }
      if (!last) {
        EXPECT_LT(uchar(text[size_t(at + cut - 1)]), 0x40);
      }
      const Bytes piece = text.substr(size_t(at), size_t(cut));
      euc += ToEUC(piece);
      units += Utf16Of(piece);
      at += cut;
    }
    ASSERT_EQ(L(text), at);
    EXPECT_EQ(ToEUC(text), euc) << "step " << step;
    EXPECT_TRUE(Utf16Of(text) == units) << "step " << step;
  }
  EXPECT_EQ(0, KxSJISCharBoundary(U(Bytes("\x81\x40\x82\xA0")), 4));
  EXPECT_EQ(3, KxSJISCharBoundary(U(Bytes("\x81\x40\n\x82")), 4));
}

// ---------------------------------------------------------------------------
// CP932's codes past the JIS rows.

namespace {

Bytes Pair(int lead, int trail) { return Bytes{char(lead), char(trail)}; }

bool IsTrailByte(int t) { return t >= 0x40 && t <= 0xFC && t != 0x7F; }

}  // namespace

// Every IBM extension code goes out in EUC-JP as EUC-JP-MS writes it (JIS
// X 0208 where that set has the character, else a code after SS3) and in
// JIS as the code of its character inside the JIS rows; each reads back as
// the same character (EUC-JP's codes after SS3 as the same code), and the
// text around it stays as it was. EUC-JP written before, with the code
// inside the JIS rows (rows F9-FC for the NEC-selected kanji), still reads
// as the same character.
TEST(JCodeExtension, IBMExtensionCodesKeepTheirCharacters) {
  Iconv toEUCMS("CP932", "EUC-JP-MS");
  ASSERT_TRUE(toEUCMS.ok());
  long count = 0, jisX0208 = 0, jisX0212 = 0, rowsF3F4 = 0;
  for (int code = 0xFA40; code <= 0xFC4B; ++code) {
    if (!IsTrailByte(code & 0xFF)) continue;
    ++count;
    const Bytes sjis = Pair(code >> 8, code & 0xFF);
    const std::u16string want = Utf16Of(sjis);
    ASSERT_EQ(want.size(), 1u) << std::hex << code;
    const Bytes ms = toEUCMS.Decode(sjis);
    ASSERT_FALSE(ms.empty()) << std::hex << code;
    EXPECT_EQ(ToEUC("\x8E\x52" + sjis + "A"), "\xBB\xB3" + ms + "A") << std::hex << code;
    const Bytes back = FromEUC(ms);
    EXPECT_EQ(Utf16Of(back), want) << std::hex << code;
    if (ms.size() == 2) {
      ++jisX0208;
    } else {
      ++(uchar(ms[1]) >= 0xF3 ? rowsF3F4 : jisX0212);
      EXPECT_EQ(back, sjis) << std::hex << code;
    }
    const Bytes jis = ToJIS(sjis + "A");
    EXPECT_TRUE(std::all_of(jis.begin(), jis.end(), [](char b) { return uchar(b) < 0x80; })) << std::hex << code;
    ASSERT_EQ(jis.size(), 9u) << std::hex << code;
    const Bytes inside = FromJIS(jis.substr(0, 5));
    EXPECT_EQ(Utf16Of(inside), want) << std::hex << code;
    EXPECT_EQ(FromEUC(Bytes{char(jis[3] | 0x80), char(jis[4] | 0x80)}), inside) << std::hex << code;
  }
  EXPECT_EQ(count, 388);
  EXPECT_EQ(jisX0208, 15);
  EXPECT_EQ(jisX0212, 280);
  EXPECT_EQ(rowsF3F4, 93);
}

// Codes after SS3 below the user-defined rows: those EUC-JP-MS reads as a
// character that CP932 holds as an IBM extension read as that code, with
// nothing for the hook; the rest of JIS X 0212, and empty cells, stay the
// placeholder and the hook hears of each.
TEST(JCodeExtension, SupplementaryCodesOfIBMCharacters) {
  Iconv eucms("EUC-JP-MS"), cp932("CP932");
  ASSERT_TRUE(eucms.ok() && cp932.ok());
  std::map<Bytes, Bytes> ibmOf;  // UTF-8 -> IBM code
  for (int code = 0xFA40; code <= 0xFC4B; ++code) {
    const Bytes sjis = Pair(code >> 8, code & 0xFF);
    if (IsTrailByte(code & 0xFF)) ibmOf.emplace(cp932.Decode(sjis), sjis);
  }
  ASSERT_EQ(ibmOf.size(), 388u);
  long read = 0, placeholders = 0;
  for (int row = 0xA1; row <= 0xF4; ++row) {
    for (int cell = 0xA1; cell <= 0xFE; ++cell) {
      const Bytes g3{'\x8F', char(row), char(cell)};
      CKXJCode j;
      long heard = 0;
      j.SetJIS0212Hook([](void* context, long, unsigned char, unsigned char) { ++*static_cast<long*>(context); },
                       &heard);
      j.EUCtoSJIS(U("a" + g3 + "b"), 5);
      const auto ibm = ibmOf.find(eucms.Decode(g3));
      if (ibm != ibmOf.end()) {
        ++read;
        EXPECT_EQ(Out(j), "a" + ibm->second + "b") << std::hex << row << cell;
        EXPECT_EQ(heard, 0) << std::hex << row << cell;
      } else {
        ++placeholders;
        EXPECT_EQ(Out(j), "a\x81\xFC" "b") << std::hex << row << cell;
        EXPECT_EQ(heard, 1) << std::hex << row << cell;
      }
    }
  }
  EXPECT_EQ(read, 280 + 93 + 14);  // 14 codes EUC-JP-MS reads but writes otherwise
  EXPECT_EQ(read + placeholders, 84 * 94);
  // As iconv and nkf write names: 髙 and 﨑, and 纊 in JIS X 0212.
  EXPECT_EQ(FromEUC("\xB9\xE2\x8F\xF4\xFB\xB6\xB6\xBB\xB3\x8F\xF4\xBD"), "\x8D\x82\xFB\xFC\x8B\xB4\x8E\x52\xFA\xB1");
  EXPECT_EQ(FromEUC("\x8F\xD4\xE3"), "\xFA\x5C");
}

// User-defined codes: F540-F9FC go where EUC-JP-MS puts them and come back;
// F040-F4FC have no EUC-JP form and none has a JIS form: kept as they are
// where that reads back as the same code, else (EUC-JP) the placeholder; in
// no case does the trail take the character after it.
TEST(JCodeExtension, UserDefinedCodes) {
  Iconv eucms("EUC-JP-MS"), cp932("CP932");
  ASSERT_TRUE(eucms.ok() && cp932.ok());
  for (int lead = 0xF0; lead <= 0xF9; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsTrailByte(trail)) continue;
      const Bytes code = Pair(lead, trail);
      const Bytes text = code + "\x82\xA0" "A";  // あ
      EXPECT_EQ(FromJIS(ToJIS(text)), text) << std::hex << lead << trail;
      const Bytes euc = ToEUC(text);
      EXPECT_EQ(euc.substr(euc.size() - 3), "\xA4\xA2" "A") << std::hex << lead << trail;
      if (lead >= 0xF5) {
        EXPECT_EQ(euc[0], '\x8F');
        EXPECT_EQ(FromEUC(euc), text) << std::hex << lead << trail;
        EXPECT_EQ(eucms.Decode(euc.substr(0, 3)), cp932.Decode(code)) << std::hex << lead << trail;
      } else {
        const bool kept = trail < 0xE0 && trail != 0x8E && trail != 0x8F;
        EXPECT_EQ(FromEUC(euc), (kept ? code : Bytes("\x81\xFC")) + "\x82\xA0" "A") << std::hex << lead << trail;
      }
    }
  }
}

// Long texts with codes past the JIS rows (one becomes three EUC-JP bytes)
// cross the converters' chunk boundaries at every alignment.
TEST(JCodeExtension, LongTextsKeepTheirCharacters) {
  std::mt19937 rng(932);
  auto trail = [&rng] {
    const int t = 0x40 + int(rng() % 0xBC);
    return t >= 0x7F ? t + 1 : t;
  };
  Bytes sjis;
  while (sjis.size() < 100000) {
    switch (rng() % 4) {
      case 0: sjis += char(0x20 + rng() % 0x5F); break;
      case 1: sjis += Pair(0x88 + int(rng() % 0x18), trail()); break;
      case 2: sjis += Pair(0xF5 + int(rng() % 5), trail()); break;  // user-defined, 8F in EUC-JP
      default: sjis += Pair(0xFA + int(rng() % 2), trail()); break;  // IBM extensions
    }
  }
  EXPECT_TRUE(Utf16Of(FromEUC(ToEUC(sjis))) == Utf16Of(sjis));
  EXPECT_TRUE(Utf16Of(FromJIS(ToJIS(sjis))) == Utf16Of(sjis));
}
