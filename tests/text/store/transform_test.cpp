// Whole-text transforms: shift, reform, character type and character set,
// with the runs carried over to the rebuilt text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/base/memory.h"
#include "text/runs/pictures.h"
#include "text/store/text.h"
#include "text/store/transform.h"

using namespace UKXText;

namespace {

constexpr short kRoman = 7;  // any font but 0 and 1 is a Roman font here

std::string Bytes(const CKXText& t) {
  std::string s(size_t(t.GetLength()), '\0');
  t.CopyBytes(0, t.GetLength(), s.data(), t.GetLength());
  return s;
}

void Set(CKXText& t, const std::string& s) {
  t.SetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
}

template <typename Run>
std::vector<Run> Runs(const CKXText& t, long n, long (CKXText::*get)(Run*, long) const) {
  std::vector<Run> v(size_t(std::max(n, 1L)));
  v.resize(size_t((t.*get)(v.data(), long(v.size()))));
  return v;
}

// Restores the settings after each test.
class Transform : public ::testing::Test {
 protected:
  void SetUp() override {
    GetShiftType(mShift, mString);
    GetReformMode(&mWidth, &mKinsoku, &mWordwrap, &mIndent, &mRemoveAll);
  }
  void TearDown() override {
    SetShiftType(mShift, mString);
    SetReformMode(mWidth, mKinsoku, mWordwrap, mIndent, mRemoveAll);
    SetBreakChecks({});
  }
  short mShift = 0, mKinsoku = 0;
  unsigned char mString[kShiftStringSize] = {}, mWordwrap = 0, mIndent = 0, mRemoveAll = 0;
  long mWidth = 0;
};

std::string Reform(const std::string& s, bool wrap) {
  CKXText t;
  Set(t, s);
  ReformKXText(&t, wrap);
  EXPECT_EQ(t.Check(), "");
  return Bytes(t);
}

std::string Convert(const std::string& s, short mode, bool* changed = nullptr) {
  CKXText t;
  Set(t, s);
  const bool c = CharTypeKXText(&t, mode);
  if (changed) *changed = c;
  return Bytes(t);
}

}  // namespace

TEST_F(Transform, ShiftRightAndLeft) {
  CKXText t;
  EXPECT_TRUE(ShiftKXText(&t, false));
  EXPECT_EQ(Bytes(t), "\t");  // an empty text gets the unit once

  Set(t, "a\r\rb\r");
  t.SetParaIndent(5, 5, 20, 20, 0);  // the empty last paragraph keeps its style
  EXPECT_TRUE(ShiftKXText(&t, false));
  EXPECT_EQ(Bytes(t), "\ta\r\t\r\tb\r");
  EXPECT_EQ(Runs(t, 4, &CKXText::GetParas).back().offset, 8);
  EXPECT_TRUE(ShiftKXText(&t, true));
  EXPECT_EQ(Bytes(t), "a\r\rb\r");
  EXPECT_FALSE(ShiftKXText(&t, true));  // no paragraph starts with the unit

  const unsigned char custom[kShiftStringSize] = {2, '>', '>'};
  SetShiftType(kShiftCustom, custom);
  Set(t, ">>a\r>b");
  EXPECT_TRUE(ShiftKXText(&t, true));
  EXPECT_EQ(Bytes(t), "a\r>b");
  SetShiftType(kShiftSpace, nullptr);
  EXPECT_TRUE(ShiftKXText(&t, false));
  EXPECT_EQ(Bytes(t), " a\r >b");
}

TEST_F(Transform, ReformBreaksAtTheWidthWithIndentation) {
  SetReformMode(76, 0, 0, 1, 1);
  const std::string para = "  " + std::string(198, 'x');
  const std::string out = Reform(para, true);
  size_t start = 0;
  int lines = 0;
  for (size_t cr; (cr = out.find('\r', start)) != std::string::npos || start < out.size(); start = cr + 1) {
    if (cr == std::string::npos) cr = out.size();
    EXPECT_LE(cr - start, 76u);
    EXPECT_EQ(out.compare(start, 3, "  x"), 0);  // every line carries the indentation
    ++lines;
  }
  EXPECT_EQ(lines, 3);

  // A double-byte character is never split, and a width of 0 counts as 1.
  SetReformMode(0, 0, 0, 0, 1);
  EXPECT_EQ(Reform("a\x82\xA0" "b", true), "a\r\x82\xA0\rb");
}

TEST_F(Transform, ReformJoinsLines) {
  SetReformMode(76, 0, 0, 1, 0);
  EXPECT_EQ(Reform("ab\rcd", false), "abcd");
  EXPECT_EQ(Reform("ab\r  cd\r\ref\r", false), "abcd\r\ref\r");  // the blank line and the last return stay
  SetReformMode(76, 0, 1, 1, 0);
  EXPECT_EQ(Reform("ab\rcd", false), "ab cd");
  EXPECT_EQ(Reform("ab\r\x82\xA0", false), "ab\x82\xA0");
  SetReformMode(76, 0, 0, 0, 1);
  EXPECT_EQ(Reform("ab\r\r cd\r", false), "ab cd\r");  // remove-all joins blank lines too
  SetReformMode(4, 0, 0, 0, 0);
  EXPECT_EQ(Reform("ab\rcd\ref", true), "abcd\ref");  // joined up to the width
}

TEST_F(Transform, ReformEndsOnAnIndentedOverlongWord) {
  // Word wrap would move every break back to the word start, just after
  // the indentation: the line would come back unchanged forever.
  SetReformMode(8, 0, 1, 1, 1);
  const std::string out = Reform("   abcdefghijklmnop qr\r", true);
  EXPECT_EQ(out, "   abcde\r   fghij\r   klmno\r   p qr\r");
  // Even a check that always moves the break to the line start cannot loop.
  SetBreakChecks({[](const CKXText&, long, long b, short) { return b; },
                  [](const CKXText&, long, long b) { return b; }});
  SetReformMode(3, 1, 1, 1, 1);
  EXPECT_EQ(Reform("  \x82\xA0\x82\xA0", true), "  \x82\xA0\r  \x82\xA0");
  SetBreakChecks({[](const CKXText&, long, long, short) { return -1000L; }, nullptr});
  const std::string hung = Reform(std::string(40, 'a'), true);  // hanging past everything read
  EXPECT_EQ(std::count(hung.begin(), hung.end(), 'a'), 40);
}

// With indent on, every line a paragraph is broken into starts with the
// first line's indentation and no more: blanks at a break stay at the end
// of the line before it, so joining gives the text back.
TEST_F(Transform, ReformIndentsEveryLineAlike) {
  SetReformMode(10, 0, 0, 1, 1);
  EXPECT_EQ(Reform("  abcdefgh abcdefg abcdefg\r\tab  cdefghijk", true),
            "  abcdefgh \r  abcdefg \r  abcdefg\r\tab  cdefg\r\thijk");
  EXPECT_EQ(Reform("  abcdefgh   \rx", true), "  abcdefgh   \rx");  // blanks to the end need no break

  std::mt19937 rng(1126);
  const char* pieces[] = {"ab", "c", " ", "  ", "\x82\xA0", "\xB1", ".", "\t"};
  for (int round = 0; round < 80; ++round) {
    std::string s;
    for (int p = 1 + int(rng() % 3); p > 0; --p) {
      s += std::string(rng() % 4, ' ');
      for (int n = 1 + int(rng() % 120); n > 0; --n) s += pieces[rng() % 8];
      s += "x";
      if (p > 1) s += "\r\r";
    }
    const long width = 6 + long(rng() % 30);
    SetReformMode(width, short(rng() % 3), rng() % 2, 1, 0);
    const std::string wrapped = Reform(s, true);
    bool first = true;  // an empty line parts paragraphs
    for (size_t a = 0, lead = 0, cr; a < wrapped.size(); a = cr + 1) {
      cr = std::min(wrapped.find('\r', a), wrapped.size());
      size_t n = a;
      while (n < cr && (wrapped[n] == ' ' || wrapped[n] == '\t')) ++n;
      if (first) {
        lead = n - a < size_t(width) ? n - a : 0;  // as long as the width: no indentation
      } else if (cr > a) {
        ASSERT_EQ(n - a, lead) << wrapped;
      }
      first = cr == a;
    }
    SetReformMode(width, 0, 0, 1, 0);
    ASSERT_EQ(Reform(wrapped, false), s) << wrapped;
  }
}

// A line never breaks inside a ruby's base: the break moves back to the
// base's start, or after its end when the base starts the line.
TEST_F(Transform, ReformKeepsRubyBasesOnOneLine) {
  SetReformMode(76, 0, 0, 1, 1);
  CKXText t;
  Set(t, std::string(74, 'x') + "\x93\x8C\x8B\x9E" + std::string(10, 'y') + "\r" + "zzzzz");  // 東京
  t.SetRuby(74, 78, reinterpret_cast<const unsigned char*>("tk"), 2);
  ASSERT_TRUE(ReformKXText(&t, true));
  EXPECT_EQ(Bytes(t), std::string(74, 'x') + "\r\x93\x8C\x8B\x9E" + std::string(10, 'y') + "\rzzzzz");
  std::vector<SKXRuby> rubys = Runs(t, 2, &CKXText::GetRubys);
  ASSERT_EQ(rubys.size(), 1u);
  EXPECT_EQ(rubys[0].pos, 75);
  EXPECT_EQ(rubys[0].baseLen, 4);
  EXPECT_EQ(t.Check(), "");

  SetReformMode(4, 0, 0, 1, 1);
  Set(t, "  \x93\x8C\x8B\x9E" "ab");
  t.SetRuby(2, 6, reinterpret_cast<const unsigned char*>("tk"), 2);
  ASSERT_TRUE(ReformKXText(&t, true));
  EXPECT_EQ(Bytes(t), "  \x93\x8C\x8B\x9E\r  ab");
  rubys = Runs(t, 2, &CKXText::GetRubys);
  ASSERT_EQ(rubys.size(), 1u);
  EXPECT_EQ(rubys[0].pos, 2);
  EXPECT_EQ(rubys[0].baseLen, 4);

  // Any settings, bases of any length: no return inside a base.
  std::mt19937 rng(3106);
  const char* pieces[] = {"ab", " ", "\x82\xA0", "\x93\x8C", "\xB1", "."};
  for (int round = 0; round < 60; ++round) {
    std::string s = std::string(rng() % 3, ' ');
    std::vector<long> starts;  // character starts
    for (int n = 40 + int(rng() % 160); n > 0; --n) {
      starts.push_back(long(s.size()));
      s += pieces[rng() % 6];
    }
    CKXText t;
    Set(t, s);
    for (size_t k = rng() % 4; k + 1 < starts.size(); k += 2 + rng() % 12) {
      const size_t e = std::min(starts.size() - 1, k + 1 + rng() % 14);
      t.SetRuby(starts[k], starts[e], reinterpret_cast<const unsigned char*>("r"), 1);
      k = e;
    }
    const unsigned flags = rng();
    const long width = 3 + long(rng() % 20);
    SetReformMode(width, short(flags % 3), flags & 4 ? 1 : 0, flags & 8 ? 1 : 0, 1);
    ReformKXText(&t, true);
    ASSERT_EQ(t.Check(), "");
    const std::string out = Bytes(t);
    for (const SKXRuby& r : Runs(t, t.GetRubysCount(), &CKXText::GetRubys))
      ASSERT_EQ(out.find('\r', size_t(r.pos)), out.find('\r', size_t(r.pos) + r.baseLen))
          << "width " << width << " flags " << (flags & 15) << " base " << r.pos << "+" << int(r.baseLen);
  }
}

TEST_F(Transform, ReformThenJoinGivesBackTheText) {
  std::mt19937 rng(126);
  const char* pieces[] = {"a", "b", " ", "\x82\xA0", "\x88\x9F", "\xB1", ".", "-"};
  for (int round = 0; round < 60; ++round) {
    std::string s;
    for (int p = 1 + int(rng() % 4); p > 0; --p) {
      for (int n = 1 + int(rng() % 120); n > 0; --n) s += pieces[rng() % 8];
      if (p > 1) s += "\r\r";
    }
    CKXText t;
    Set(t, s);
    SKXStyl styls[2] = {{0, {}}, {static_cast<std::int32_t>(rng() % s.size()), {}}};
    styls[0].styl.font = styls[1].styl.font = 1;
    styls[1].styl.size = 24;
    t.SetStyls(styls, 2);
    const long width = 1 + long(rng() % 30);
    SetReformMode(width, 0, 0, 0, 1);
    ReformKXText(&t, true);
    ASSERT_EQ(t.Check(), "");
    const std::string wrapped = Bytes(t);
    for (size_t a = 0, cr; a < wrapped.size(); a = cr + 1) {
      cr = std::min(wrapped.find('\r', a), wrapped.size());
      ASSERT_LE(long(cr - a), std::max(width, 2L)) << wrapped;
    }
    SetReformMode(width, 0, 0, 0, 0);
    ReformKXText(&t, false);
    ASSERT_EQ(Bytes(t), s);
    ASSERT_EQ(t.Check(), "");

    // Any settings: reform ends and only moves returns and blanks.
    auto visible = [](std::string v) {
      std::erase_if(v, [](char c) { return c == '\r' || c == ' ' || c == '\t'; });
      return v;
    };
    const unsigned flags = rng();
    SetReformMode(width, short(flags % 5), flags & 8 ? 1 : 0, flags & 16 ? 1 : 0, flags & 32 ? 1 : 0);
    ReformKXText(&t, flags & 64);
    ASSERT_EQ(visible(Bytes(t)), visible(s));
    ASSERT_EQ(t.Check(), "");
  }
}

TEST_F(Transform, CharacterTypeModes) {
  bool changed = true;
  // To half-width: a voiced kana gives its mark; a hiragana without a
  // half-width form (ゎ ゐ ゑ) gives its katakana, a katakana (ヶ) stays.
  EXPECT_EQ(Convert("\x82\x60\x82\x81\x81\x40\x83\x4B\x82\xA0\x83\x94\x82\xEC", kCharTypeHalf),
                    "Aa \xB6\xDE\xB1\xB3\xDE\x83\x8E");
  EXPECT_EQ(Convert("\x82\xEE\x82\xEF\x83\x96", kCharTypeHalf), "\x83\x90\x83\x91\x83\x96");
  // To full-width: marks are absorbed where the kana takes them.
  EXPECT_EQ(Convert("A~ \xB6\xDE\xCA\xDF\xB3\xDE\xB6\xDF", kCharTypeFull),
            "\x82\x60\x81\x60\x81\x40\x83\x4B\x83\x70\x83\x94\x83\x4A\x81\x4B");
  EXPECT_EQ(Convert("\x82\xA0\x82\xF1", kCharTypeKata), "\x83\x41\x83\x93");
  EXPECT_EQ(Convert("\x83\x41\x83\x93\x83\x94", kCharTypeHira), "\x82\xA0\x82\xF1\x83\x94");
  EXPECT_EQ(Convert("ab\x82\x81\x82\xA0", kCharTypeUpper), "AB\x82\x60\x82\xA0");
  EXPECT_EQ(Convert("AB\x82\x60", kCharTypeLower), "ab\x82\x81");
  EXPECT_EQ(Convert("hello wORLD x", kCharTypeCapitalize), "Hello World X");
  EXPECT_EQ(Convert("Hello World", kCharTypeCapitalize, &changed), "Hello World");
  EXPECT_FALSE(changed);
  // The toggles: the first character that can decide does.
  EXPECT_EQ(Convert("\x88\x9F\x82\x60" "b", kCharTypeToggleWidth), "\x88\x9F" "Ab");
  EXPECT_EQ(Convert("\x88\x9F" "b\x82\x60", kCharTypeToggleWidth), "\x88\x9F\x82\x82\x82\x60");
  EXPECT_EQ(Convert("\x83\x41\x82\xA0", kCharTypeToggleKana), "\x82\xA0\x82\xA0");
  EXPECT_EQ(Convert("Ab c", kCharTypeToggleCase), "ab c");
  EXPECT_EQ(Convert("1 aB", kCharTypeToggleCase), "1 AB");
  EXPECT_EQ(Convert("abc", kCharTypeToggleKana, &changed), "abc");
  EXPECT_FALSE(changed);

  // Accented letters of Roman text follow the script's case.
  CKXText t;
  SKXStyl roman{0, {}};
  roman.styl.font = kRoman;
  t.SetText("\x87\x8E", 2, &roman, 1, nullptr, 0, nullptr, 0, nullptr, 0);  // á é
  EXPECT_TRUE(CharTypeKXText(&t, kCharTypeToggleCase));
  EXPECT_EQ(Bytes(t), "\xE7\x83");
}

// Letters the Japanese encoding lacks stand as placeholders with a side
// entry: they are letters of their words (their case counts when a word
// is judged).
TEST_F(Transform, LettersWithSideEntriesBelongToTheirWords) {
  // Each '#' becomes the side-entry character of the list, in turn.
  auto convert = [](const std::string& s, std::vector<std::uint32_t> side, short mode) {
    CKXText t;
    std::size_t k = 0;
    for (const char ch : s)
      if (ch == '#')
        t.InsertUniChar(t.GetLength(), side.at(k++), nullptr, nullptr);
      else
        t.InsertString(t.GetLength(), &ch, 1, nullptr, nullptr, nullptr, 0);
    CharTypeKXText(&t, mode);
    EXPECT_EQ(t.Check(), "");
    const std::string bytes = Bytes(t);
    std::string out;
    for (long p = 0; p < t.GetLength(); p = t.GetNextCharPos(p))
      out += t.GetUniChar(p) ? std::string("#") : bytes.substr(size_t(p), size_t(t.GetNextCharPos(p) - p));
    return out;
  };
  constexpr std::uint32_t i = 0x00EF0000, sz = 0x00DF0000, AE = 0x00C60000, o = 0x00F80000;
  constexpr std::uint32_t smile = 0xD83DDE00, e = 0x00E90000;
  EXPECT_EQ(convert("na#ve stra#e #rO", {i, sz, AE, o}, kCharTypeCapitalize), "Na#ve Stra#e #ro");
  EXPECT_EQ(convert("abc#d#f", {smile, e}, kCharTypeCapitalize), "Abc#D#f");
  // Two capitals in a row, one of them a side letter, still ask for it.
  EXPECT_EQ(convert("#Rx", {AE}, kCharTypeCapitalize), "#rx");
  // A side letter decides the toggle like any other letter.
  EXPECT_EQ(convert("1 #bC", {AE}, kCharTypeToggleCase), "1 #bc");
  // Not letters: a glyph reference, a symbol.
  EXPECT_EQ(convert("ab#cd", {0x100000 + 5, 0x00D70000}, kCharTypeCapitalize), "Ab#Cd");
}

// The case commands change letters kept in side entries one for one: the
// placeholder stays, or the script's own code comes when it holds the new
// letter; a letter with no one-to-one case (ß, ﬁ) stays as it is.
TEST_F(Transform, CaseChangesLettersInSideEntries) {
  // ASCII goes in as bytes, anything else as a side entry of one unit
  // (or a surrogate pair); the text comes back the same way.
  auto convert = [](const std::u32string& s, short mode) {
    CKXText t;
    for (const char32_t ch : s) {
      if (ch < 0x80) {
        const char b = char(ch);
        t.InsertString(t.GetLength(), &b, 1, nullptr, nullptr, nullptr, 0);
      } else if (ch > 0xFFFF) {
        const char32_t x = ch - 0x10000;
        t.InsertUniChar(t.GetLength(), (0xD800 + (x >> 10)) << 16 | (0xDC00 + (x & 0x3FF)), nullptr, nullptr);
      } else {
        t.InsertUniChar(t.GetLength(), ch << 16, nullptr, nullptr);
      }
    }
    CharTypeKXText(&t, mode);
    EXPECT_EQ(t.Check(), "");
    const std::string bytes = Bytes(t);
    std::u32string out;
    for (long p = 0; p < t.GetLength(); p = t.GetNextCharPos(p)) {
      const unsigned long v = t.GetUniChar(p);
      const char32_t hi = char32_t(v >> 16), lo = char32_t(v & 0xFFFF);
      if (v == 0)
        out += t.GetNextCharPos(p) - p == 2 ? U'\uFFFD' : char32_t(static_cast<unsigned char>(bytes[size_t(p)]));
      else if (hi >= 0xD800 && hi <= 0xDBFF)
        out += 0x10000 + ((hi - 0xD800) << 10) + (lo - 0xDC00);
      else
        out += hi;
    }
    return out;
  };
  EXPECT_EQ(convert(U"café naïve straße œuvre garçon ÿ ǆ ﬁne łódź", kCharTypeUpper),
            U"CAFÉ NAÏVE STRAßE ŒUVRE GARÇON Ÿ Ǆ ﬁNE ŁÓDŹ");
  EXPECT_EQ(convert(U"ÉCOLE ÆSIR Ÿ Ǆ ŁÓDŹ Ğ", kCharTypeLower), U"école æsir ÿ ǆ łódź ğ");
  EXPECT_EQ(convert(U"œuvre ÉCOLE ǆemal Ærø", kCharTypeCapitalize), U"Œuvre École ǅemal Ærø");
  // The toggle: the first letter decides, a side letter as well.
  EXPECT_EQ(convert(U"École", kCharTypeToggleCase), U"école");
  EXPECT_EQ(convert(U"éCOLE", kCharTypeToggleCase), U"ÉCOLE");
  // A letter outside the Basic Multilingual Plane stays a surrogate pair.
  EXPECT_EQ(convert(U"\U00010400", kCharTypeLower), U"\U00010428");
  // ı upper is the plain I, the Kelvin sign lower the plain k: no side entry.
  EXPECT_EQ(convert(U"ı\u212A", kCharTypeUpper), U"I\u212A");
  EXPECT_EQ(convert(U"ı\u212A", kCharTypeLower), U"ık");

  // A letter with a combining mark keeps its mark; the ohm sign's lower
  // case ω is a Shift_JIS character.
  CKXText t;
  t.InsertUniChar(0, 0x00450301, nullptr, nullptr);  // E with an acute
  t.InsertUniChar(1, 0x21260000, nullptr, nullptr);  // Ω, on the two-byte placeholder
  ASSERT_EQ(t.GetLength(), 3);
  EXPECT_TRUE(CharTypeKXText(&t, kCharTypeLower));
  EXPECT_EQ(t.Check(), "");
  EXPECT_EQ(t.GetUniChar(0), 0x00650301u);
  EXPECT_EQ(Bytes(t), "\xA0\x83\xD6");
  EXPECT_EQ(t.GetUniChar(1), 0u);
}

// The pieces a command reports place every offset of the old text in the new one.
TEST_F(Transform, PiecesMapOffsetsIntoTheConvertedText) {
  CKXText t;
  Set(t, "a\xB6\xDE" "b\rc");  // a ｶﾞ b CR c
  KXTextPieces pieces;
  ASSERT_TRUE(CharTypeKXText(&t, kCharTypeFull, &pieces));
  ASSERT_EQ(Bytes(t), "\x82\x81\x83\x4B\x82\x82\r\x82\x83");
  // By old offset: the mark byte joined into ガ is inside it, so a start
  // there goes to the start of ガ and an end to its end.
  const long starts[] = {0, 2, 2, 4, 6, 7, 9}, ends[] = {0, 2, 4, 4, 6, 7, 9};
  for (long p = 0; p <= 6; ++p) {
    EXPECT_EQ(MapOffset(pieces, p, false), starts[p]) << p;
    EXPECT_EQ(MapOffset(pieces, p, true), ends[p]) << p;
  }

  // An insertion: a start goes after it, an end stays before it.
  Set(t, "ab\rcd");
  ASSERT_TRUE(ShiftKXText(&t, false, &pieces));
  ASSERT_EQ(Bytes(t), "\tab\r\tcd");
  EXPECT_EQ(MapOffset(pieces, 0, false), 1);
  EXPECT_EQ(MapOffset(pieces, 3, false), 5);
  EXPECT_EQ(MapOffset(pieces, 3, true), 4);
  EXPECT_EQ(MapOffset(pieces, 5, true), 7);
  // Nothing changed, nothing reported.
  Set(t, "ab");
  EXPECT_FALSE(ShiftKXText(&t, true, &pieces));
  EXPECT_TRUE(pieces.empty());
}

// Pieces run together away from the offsets asked for: those offsets map as
// with every piece kept, and the list stays short however much changed.
TEST_F(Transform, PiecesRunTogetherAwayFromTheOffsetsAskedFor) {
  std::mt19937 rng(31);
  const short modes[] = {kCharTypeFull, kCharTypeHalf, kCharTypeToggleKana, kCharTypeToggleCase, kCharTypeCapitalize};
  for (int round = 0; round < 60; ++round) {
    std::string s;
    for (int n = 20 + int(rng() % 400); n > 0; --n) {
      const unsigned r = rng() % 100;
      if (r < 40) s += char(0x20 + rng() % 95);
      else if (r < 70) s += char(0xA6 + rng() % 58);   // half-width kana and marks
      else if (r < 95) s += "\x82" + std::string(1, char(0x9F + rng() % 80));   // hiragana
      else s += '\r';
    }
    const short mode = modes[round % 5];
    const bool shift = round % 7 == 0;
    CKXText whole, merged;
    Set(whole, s);
    Set(merged, s);
    KXTextPieces all, few;
    for (long p = 1; p < long(s.size()); p += 1 + long(rng() % 40)) few.exact.push_back(p);
    const bool changed = shift ? ShiftKXText(&whole, false, &all) : CharTypeKXText(&whole, mode, &all);
    ASSERT_EQ(shift ? ShiftKXText(&merged, false, &few) : CharTypeKXText(&merged, mode, &few), changed);
    ASSERT_EQ(Bytes(whole), Bytes(merged));
    for (long p : few.exact) {
      EXPECT_EQ(MapOffset(few, p, false), MapOffset(all, p, false)) << "round " << round << " at " << p;
      EXPECT_EQ(MapOffset(few, p, true), MapOffset(all, p, true)) << "round " << round << " at " << p;
    }
    EXPECT_LE(few.list.size(), 3 * few.exact.size() + 2);
  }
}

TEST_F(Transform, FullThenHalfWidthGivesBackAsciiAndKana) {
  std::mt19937 rng(20);
  for (int round = 0; round < 40; ++round) {
    std::string s;
    for (int n = int(rng() % 300); n > 0; --n) {
      const unsigned r = rng() % 100;
      s += char(r < 45 ? 0x20 + rng() % 95 : r < 95 ? 0xA1 + rng() % 63 : '\r');
    }
    CKXText t;
    Set(t, s);
    t.SetRuby(0, 4, reinterpret_cast<const unsigned char*>("ab"), 2);
    CharTypeKXText(&t, kCharTypeFull);
    ASSERT_EQ(t.Check(), "");
    for (long p = 0; p < t.GetLength(); p = t.GetNextCharPos(p))
      ASSERT_TRUE(t.GetChar(p) == '\r' || t.GetChar(p) > 0xFF) << p;
    CharTypeKXText(&t, kCharTypeHalf);
    ASSERT_EQ(Bytes(t), s);
    ASSERT_EQ(t.Check(), "");
  }
}

TEST_F(Transform, RunsFollowTheConvertedCharacters) {
  CKXText t;
  Set(t, "ab\xB6\xDE" "cd\rxy");
  SStyl bold{};
  bold.font = 1, bold.size = 12, bold.face = 1;
  t.SetStyl(2, 6, bold);
  t.SetRuby(2, 5, reinterpret_cast<const unsigned char*>("ga"), 2);
  t.SetParaIndent(0, 1, 10, 10, 0);
  const short id = CKXDecoArray::SetPicture(KxMemHAlloc(10, true));
  SDeco pict{};
  pict.pictID = id;
  const char ca = '\xCA';
  t.InsertString(7, &ca, 1, nullptr, &pict, nullptr, 0);  // a picture: also a half-width kana byte
  t.InsertUniChar(1, 0x1F600, nullptr, nullptr);          // its placeholder is never converted
  const unsigned long uni = t.GetUniChar(1);

  ASSERT_TRUE(CharTypeKXText(&t, kCharTypeFull));
  EXPECT_EQ(Bytes(t), "\x82\x81\x81\xFC\x82\x82\x83\x4B\x82\x83\x82\x84\r\xCA\x82\x98\x82\x99");
  EXPECT_EQ(t.Check(), "");
  auto styls = Runs(t, t.GetStylCount(), &CKXText::GetStyls);
  ASSERT_EQ(styls.size(), 3u);
  EXPECT_EQ(styls[1].offset, 6);  // bold from the kana on
  EXPECT_EQ(styls[2].offset, 12);
  SKXRuby ruby{};
  ASSERT_TRUE(t.GetRubyAtNumber(1, &ruby));
  EXPECT_EQ(ruby.pos, 6);
  EXPECT_EQ(ruby.baseLen, 4);  // ガ and ｃ, as ｶﾞc were before
  EXPECT_EQ(t.GetDecoPictID(13), id);
  EXPECT_EQ(t.GetUniChar(2), uni);
  auto paras = Runs(t, t.GetParaCount(), &CKXText::GetParas);
  ASSERT_EQ(paras.size(), 2u);
  EXPECT_EQ(paras[1].offset, 13);

  // Reform keeps the paragraph's style on every line it makes.
  SetReformMode(4, 0, 0, 0, 1);
  ASSERT_TRUE(ReformKXText(&t, true));
  EXPECT_EQ(t.Check(), "");
  paras = Runs(t, t.GetParaCount(), &CKXText::GetParas);
  ASSERT_GE(paras.size(), 2u);
  EXPECT_EQ(paras[0].para.firstIndent, 10);
  EXPECT_EQ(paras.back().para.firstIndent, 0);
  EXPECT_EQ(t.GetDecoPictID(long(Bytes(t).find('\xCA'))), id);
}

TEST_F(Transform, CharacterSet) {
  CKXText t;
  SKXStyl runs[2] = {{0, {}}, {3, {}}};
  runs[0].styl.font = kRoman;
  runs[1].styl.font = 1;  // Japanese: left alone
  t.SetText("\x8E\xA0\xDB\x8E\x8E", 5, runs, 2, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_TRUE(CharSetKXText(&t, true));
  EXPECT_EQ(Bytes(t), "\xE9\xA0\xA4\x8E\x8E");  // é, dagger kept, currency sign
  EXPECT_TRUE(CharSetKXText(&t, false));
  EXPECT_EQ(Bytes(t), "\x8E\xA0\xDB\x8E\x8E");

  // Over bytes with runs from a file: disorderly runs are ignored, and
  // pictures and Japanese runs stay.
  char bytes[] = "\x8E\xCA\x8E\x8E";
  SKXStyl s[3] = {{0, {}}, {3, {}}, {1, {}}};
  s[0].styl.font = kRoman;
  s[1].styl.font = 1;
  s[2].styl.font = 1;
  SKXDeco d[2] = {{0, {}, 0}, {1, {0, 0, 0, 5}, 0}};
  EXPECT_TRUE(CharSetConvert(true, bytes, 4, s, 3, d, 2));
  EXPECT_EQ(std::string(bytes), "\xE9\xCA\x8E\x8E");
  EXPECT_FALSE(CharSetConvert(true, nullptr, 4, s, 3, d, 2));
}
