// Script and Unicode text as the layout draws it: placement in both
// writings against the measured widths, vertical forms, glyph escapes,
// surrogate pairs, fallbacks, and side entries inside Japanese text.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "layout/draw_text.h"
#include "layout/draw_toolkit.h"
#include "layout/draw_unicode.h"
#include "layout/fontstate.h"
#include "layout/linebreak_fixture.h"
#include "platform/draw/draw_fixture.h"
#include "platform/draw/glyph_choice.h"
#include "text/codes/unicode.h"

namespace {

class DrawTextTest : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    TextFont(kKxApplicationFont);
    TextSize(20);
    TextFace(0);
  }
  void TearDown() override {
    CKXCharState::sVerticalDrawing = 0;
    CKXCharState::sFontUnderline = 0;
    DrawTest::TearDown();
  }
  void Clear() { SetBytes(std::vector<std::uint8_t>(Bytes().size(), 0xFF)); }
  // Which of the pixels of a rectangle carry ink, as a string of rows.
  std::string Ink(int x0, int y0, int x1, int y1) const {
    std::string s;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) s += Px(x, y) == kWhite ? '.' : '#';
      s += '\n';
    }
    return s;
  }
};

// Synthetic font, size 20: ascent 15, descent 5, leading 2; single bytes 10,
// kana and kanji 20; a glyph is a box one pixel narrower than its width.
TEST_F(DrawTextTest, DoubleByteCharacterStandsAtItsColumnPlace) {
  CKXCharState::sVerticalDrawing = 1;
  // Column 26 wide ending at x 60: left 34; the box's left edge at
  // 34 + (26 - 20) - (26 - 20) / 3 = 38, top at the pen (the baseline is
  // pen + ascent and the box reaches ascent above it).
  const std::int32_t adv = KxTextDrawText(60, 4, 15, 26, "\x82\xA0", 0, 2, 0);
  EXPECT_EQ(adv, 20);
  EXPECT_EQ(Px(38, 4), kBlack);
  EXPECT_EQ(Px(37, 4), kWhite);
  EXPECT_EQ(Px(56, 4), kBlack);    // 19 wide: 38..56
  EXPECT_EQ(Px(57, 4), kWhite);
  EXPECT_EQ(Px(38, 23), kBlack);   // 20 high: 4..23
  EXPECT_EQ(Px(38, 24), kWhite);
  EXPECT_EQ(Px(38, 3), kWhite);
  EXPECT_EQ(KxVerticalCharLeft(34, 26, 20), 38);
}

TEST_F(DrawTextTest, SingleByteRunsTurnInVerticalWriting) {
  CKXCharState::sVerticalDrawing = 1;
  // "AB" down the column 30..50: each 10 long, boxes turned: 9 long, and
  // across from the baseline (15 in from the right edge, x 35) ascent to the
  // right and descent to the left: x 30..49.
  const std::int32_t adv = KxTextDrawText(50, 2, 15, 20, "AB", 0, 2, 0);
  EXPECT_EQ(adv, 20);
  const std::string ink = Ink(30, 2, 50, 22);
  EXPECT_EQ(ink.substr(0, 21), "####################\n");
  EXPECT_EQ(Px(30, 10), kBlack);   // the first box's last row
  EXPECT_EQ(Px(30, 11), kWhite);   // the one-pixel gap between boxes
  EXPECT_EQ(Px(30, 12), kBlack);
  EXPECT_EQ(Px(29, 5), kWhite);
  EXPECT_EQ(Px(50, 5), kWhite);
  // Spaces only advance.
  Clear();
  EXPECT_EQ(KxTextDrawText(50, 2, 15, 20, "  ", 0, 2, 0), 20);
  EXPECT_EQ(CountInk(), 0);
}

TEST_F(DrawTextTest, UnderlineIsDrawnBesideTheColumnAndUnderTheLine) {
  CKXCharState::sFontUnderline = 1;
  KxTextDrawText(2, 2, 15, 22, "A", 0, 1, 0);   // baseline 17: the line at 18 over 10
  EXPECT_EQ(Px(2, 18), kBlack);
  EXPECT_EQ(Px(11, 18), kBlack);
  EXPECT_EQ(Px(12, 18), kWhite);
  Clear();
  CKXCharState::sVerticalDrawing = 1;
  // Column 38..60: the line on its own left pixel, where erasing the next
  // column (which ends at 38) leaves it; the character starts at 40.
  KxTextDrawText(60, 2, 15, 22, "\x82\xA0", 0, 2, 0);
  EXPECT_EQ(Px(38, 2), kBlack);
  EXPECT_EQ(Px(38, 21), kBlack);
  EXPECT_EQ(Px(38, 22), kWhite);
  EXPECT_EQ(Px(37, 10), kWhite);
  EXPECT_EQ(Px(39, 10), kWhite);
  // A turned run and a Unicode fallback underline the same way.
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind);
    Clear();
    if (kind == 0)
      KxTextDrawText(60, 2, 15, 22, "AB", 0, 2, 0);
    else
      KxTextDrawUnicodeText(60, 2, 15, 22, nullptr, 0, "\x82\xA0", 2, 0);
    EXPECT_EQ(Px(38, 2), kBlack);
    EXPECT_EQ(Px(38, 20), kBlack);
    for (int y = 0; y < 30; ++y) EXPECT_EQ(Px(37, y), kWhite) << y;
  }
}

// Random text of single bytes, kana, kanji, spaces and control bytes: the pen
// moves exactly by the measured widths, and every drawn box starts where the
// measured widths before it end.
TEST_F(DrawTextTest, DrawnAdvanceEqualsMeasuredWidthInBothWritings) {
  const std::vector<std::string> pieces = {"A", "m", " ", "\t", "\xB1", "\x82\xA0", "\x88\xA4", "\x83\x41",
                                           "\x81\x42", "\x81\x40", "1", "\x81\x69"};
  std::mt19937 rng(29);
  const int steps = RandomSteps(40);
  for (int step = 0; step < steps; ++step) {
    const bool vertical = step % 2;
    std::string text;
    std::vector<std::pair<long, long>> chars;   // offset, length
    const int n = 1 + int(rng() % 5);
    for (int i = 0; i < n; ++i) {
      const std::string& p = pieces[rng() % pieces.size()];
      chars.emplace_back(long(text.size()), long(p.size()));
      text += p;
    }
    CKXCharState cs;
    cs.SetStyl(kKxApplicationFont, short(12 + rng() % 3 * 4), 0);
    cs.SetVertical(vertical);
    long measured = 0;
    std::vector<long> starts;
    for (auto [off, len] : chars) {
      starts.push_back(measured);
      for (long k = 0; k < len; ++k) measured += cs.GetWidth(static_cast<unsigned char>(text[size_t(off + k)]));
    }
    short ascent, descent;
    const std::int32_t height = cs.GetFontInfo(ascent, descent);
    Clear();
    const std::int32_t x = vertical ? 60 : 0, top = 0;
    const std::int32_t adv = KxTextDrawText(x, top, ascent, height, text.data(), 0, std::int32_t(text.size()), 0);
    ASSERT_EQ(adv, measured) << "step " << step;
    const PointL pen = KxGetPenL();
    EXPECT_EQ(vertical ? pen.v : pen.h, measured);
    // Each double-byte box begins at its measured start (upright boxes: the
    // top-left corner; turned ones are checked through the advance above).
    const std::int32_t w = cs.DoubleWidth();
    for (size_t i = 0; i < chars.size(); ++i) {
      if (chars[i].second != 2 || text.compare(size_t(chars[i].first), 2, "\x81\x40") == 0) continue;
      const long at = starts[i];
      if (!vertical) {
        if (at >= kWidth) continue;
        EXPECT_EQ(Px(int(at), top + 0), kBlack) << "step " << step << " char " << i;
      } else {
        if (at >= kHeight) continue;
        EXPECT_EQ(Px(KxVerticalCharLeft(x - height, height, w), int(at)), kBlack) << "step " << step << " char " << i;
      }
    }
    cs.SetVertical(0);
  }
}

// ---------------------------------------------------------------------------
// Unicode side entries

TEST_F(DrawTextTest, SideEntriesMeasureByTheBridgePacking) {
  CKXCharState cs;
  cs.SetStyl(kKxApplicationFont, 20, 0);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x00E90000), 10);   // é: one unit, not é and U+0000
  EXPECT_EQ(KxGetUnicodeCharWidth(0x4E9C0000), 20);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x000000E9), 10);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x00650301), 20);   // e + combining acute: two glyphs here
  char16_t u[2];
  EXPECT_EQ(KxUnpackUniChar(0x00E90000, u), 1);
  EXPECT_EQ(u[0], 0xE9);
  EXPECT_EQ(KxUnpackUniChar(0xD842DFB7, u), 2);
  // A glyph the font does not have measures as the fallback bytes, never 0
  // (the Roman face has glyphs up to U+2E7F only; its placeholder is 0xA0).
  short roman;
  ASSERT_TRUE(KxFontNumberFromName("KX Synthetic Roman", roman));
  cs.SetStyl(roman, 20, 0);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x0013FFFF), KxFontCharWidth(roman, 20, 0, 0xA0));
  EXPECT_GT(KxGetUnicodeCharWidth(0x0013FFFF), 0);
  cs.SetStyl(kKxApplicationFont, 20, 0);
  char b[2];
  EXPECT_EQ(KxUniCharFallback(0x00E90000, 1, b), 1);
  EXPECT_EQ(static_cast<unsigned char>(b[0]), 0xA0);
  EXPECT_EQ(KxUniCharFallback(0x4E9C0000, 1, b), 2);
  EXPECT_EQ(KxUniCharFallback(0x4E9C0000, 0, b), 1);
  EXPECT_EQ(UKXUnicode::Width(u, 0), 0);
  const char16_t nul = 0;
  EXPECT_EQ(UKXUnicode::Width(&nul, 1) > 0 || UKXUnicode::Width(&nul, 1) == -1, true);
}

TEST_F(DrawTextTest, UnicodeDrawsAtItsMeasuredWidthOrFallsBack) {
  CKXCharState cs;
  cs.SetStyl(kKxApplicationFont, 20, 0);
  const std::uint32_t values[] = {0x00E90000, 0x4E9C0000, 0x00650301, 0x00134E9C};
  const std::int32_t widths[] = {10, 20, 20, 20};
  std::int32_t x = 0;
  for (int i = 0; i < 4; ++i) {
    Clear();
    const std::int32_t adv = KxTextDrawUnicode(2, 2, 15, 22, &values[i], 1, 0);
    EXPECT_EQ(adv, widths[i]) << i;
    EXPECT_EQ(adv, KxGetUnicodeCharWidth(values[i])) << i;
    EXPECT_EQ(Px(2, 2), kBlack) << "something drawn " << i;   // a box (or the fallback's box) at the pen
    x += adv;
  }
  Clear();
  EXPECT_EQ(KxTextDrawUnicode(2, 2, 15, 22, values, 4, 0), x);
  // Down a column a side entry advances by ascent + descent.
  CKXCharState::sVerticalDrawing = 1;
  Clear();
  EXPECT_EQ(KxTextDrawUnicode(60, 2, 15, 22, values, 2, 0), 2 * 20);
  EXPECT_EQ(Px(KxVerticalCharLeft(38, 22, 10), 2), kBlack);
  // Without Unicode drawing everything goes to the fallback bytes.
  CKXCharState::sVerticalDrawing = 0;
  UUnicodeDrawing::Terminate();
  Clear();
  EXPECT_EQ(KxTextDrawUnicodeText(2, 2, 15, 22, u"\u00E9", 1, "\x81\xFC", 2, 0), 20);
  EXPECT_EQ(Px(2, 2), kBlack);
  EXPECT_EQ(UKXUnicode::Width(u"\u00E9", 1), 0);
  UUnicodeDrawing::Initialize();
  EXPECT_EQ(UKXUnicode::Width(u"\u00E9", 1), 10);
  // A glyph escape past the font's glyphs draws and measures its fallback.
  short roman;
  ASSERT_TRUE(KxFontNumberFromName("KX Synthetic Roman", roman));
  cs.SetStyl(roman, 20, 0);
  Clear();
  const std::uint32_t missing = 0x0013FFFF;
  EXPECT_EQ(KxTextDrawUnicode(2, 2, 15, 22, &missing, 1, 0), KxGetUnicodeCharWidth(missing));
  EXPECT_GT(CountInk(), 0);   // 0xA0 of Mac Roman, the dagger
}

// Japanese text holding side entries on both placeholders: the single byte
// 0xA0 (é, written for values below U+2000) and 0x81FC (a kanji outside the
// set). Line layout measures them, and drawing them moves exactly as far.
TEST_F(DrawTextTest, SideEntriesInsideJapaneseTextMeasureAndDraw) {
  const std::string text = "\x82\xA0\xA0" "a\x81\xFC\x82\xA2";
  kxtest::Doc d(text, 20);
  SKXUniChar list[2] = {{2, 0x00E90000}, {4, 0x20B9F000}};
  d.str.SetUniChars(list, 2);
  EXPECT_EQ(d.str.GetUniCharIfExists(2, "\xA0", 1, 1), 0x00E90000u);
  EXPECT_EQ(d.str.GetUniCharIfExists(4, "\x81\xFC", 2, 1), 0x20B9F000u);
  EXPECT_EQ(d.str.GetUniCharIfExists(3, "a", 1, 1), 0u);
  std::vector<long> pos(text.size() + 1);
  std::vector<char> marks(text.size() + 1);
  SKXLineStyl s{};
  d.layout.GetMeasureText(0, long(text.size()), 400, text.data(), pos.data(), &s, marks.data(), nullptr);
  // あ 20, é 10 (one unit: not 20), a 10, the kanji side entry, い 20.
  EXPECT_EQ(pos[2], 20);
  EXPECT_EQ(pos[3], 30);
  EXPECT_EQ(pos[4], 40);
  CKXCharState cs;
  cs.SetStyl(kKxApplicationFont, 20, 0);
  const std::int32_t kanji = KxGetUnicodeCharWidth(0x20B9F000);
  EXPECT_EQ(pos[6], 40 + kanji);
  // Drawn piece by piece as the line drawer does: script text, side entry,
  // script text, side entry, script text.
  std::int32_t x = 0;
  x += KxTextDrawText(x, 0, 15, 22, text.data(), 0, 2, 0);
  const std::uint32_t e = 0x00E90000, k = 0x20B9F000;
  x += KxTextDrawUnicode(x, 0, 15, 22, &e, 1, 0);
  EXPECT_EQ(x, pos[3]);
  x += KxTextDrawText(x, 0, 15, 22, text.data(), 3, 1, 0);
  x += KxTextDrawUnicode(x, 0, 15, 22, &k, 1, 0);
  EXPECT_EQ(x, pos[6]);
  x += KxTextDrawText(x, 0, 15, 22, text.data(), 6, 2, 0);
  EXPECT_EQ(x, pos[8]);
}

// ---------------------------------------------------------------------------
// A real font: IPA Gothic by path.

const char* GothicPath() {
  static const char* const paths[] = {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
                                      "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"};
  for (const char* p : paths)
    if (FILE* f = std::fopen(p, "rb")) {
      std::fclose(f);
      return p;
    }
  return nullptr;
}

class DrawRealFont : public DrawTextTest {
 protected:
  void SetUp() override {
    DrawTextTest::SetUp();
    const char* path = GothicPath();
    if (!path) GTEST_SKIP() << "IPA Gothic is not installed";
    KxFontInstallBackend(KxFreeTypeFontBackend(false, {path}));
    ASSERT_TRUE(KxFontNumberFromName("IPAGothic", font));
    TextFont(font);
    TextSize(20);
  }
  void TearDown() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    DrawTextTest::TearDown();
  }
  std::vector<std::uint16_t> Glyphs(const char16_t* u, int n, bool vertical) {
    std::vector<KxChosenGlyph> g;
    EXPECT_TRUE(KxChooseGlyphs(font, u, n, vertical, g));
    std::vector<std::uint16_t> ids;
    for (auto& one : g) ids.push_back(one.glyph);
    return ids;
  }
  short font = 0;
};

TEST_F(DrawRealFont, VerticalFormsComeFromTheFont) {
  EXPECT_NE(Glyphs(u"\u3002", 1, true), Glyphs(u"\u3002", 1, false));   // 。
  EXPECT_NE(Glyphs(u"\u30A1", 1, true), Glyphs(u"\u30A1", 1, false));   // ァ
  EXPECT_EQ(Glyphs(u"\u3042", 1, true), Glyphs(u"\u3042", 1, false));   // あ
  // Drawn down a column, 。 and ァ differ from their upright glyphs and あ
  // does not; the form, never a private code, is what is drawn.
  CKXCharState cs;
  cs.SetStyl(font, 20, 0);
  short ascent, descent;
  const std::int32_t height = cs.GetFontInfo(ascent, descent);
  const std::int32_t w = cs.DoubleWidth();
  struct Case {
    const char* sjis;
    char16_t u;
    bool changes;
  } cases[] = {{"\x81\x42", 0x3002, true}, {"\x83\x40", 0x30A1, true}, {"\x82\xA0", 0x3042, false}};
  for (const Case& c : cases) {
    CKXCharState::sVerticalDrawing = 1;
    Clear();
    KxTextDrawText(height + 4, 2, ascent, height, c.sjis, 0, 2, 0);
    const std::string vertical = Ink(0, 0, kWidth, kHeight);
    CKXCharState::sVerticalDrawing = 0;
    Clear();
    const KxGlyphAt g{Glyphs(&c.u, 1, false)[0], 0, 0};
    MoveTo(KxVerticalCharLeft(4, height, w), 2 + ascent);
    KxDrawGlyphs(&g, 1);
    const std::string upright = Ink(0, 0, kWidth, kHeight);
    EXPECT_NE(upright.find('#'), std::string::npos);
    EXPECT_EQ(vertical != upright, c.changes) << int(c.u);
  }
}

TEST_F(DrawRealFont, GlyphEscapesAndSurrogatePairsDrawTheirGlyphs) {
  CKXCharState cs;
  cs.SetStyl(font, 20, 0);
  const std::uint16_t a = Glyphs(u"\u3042", 1, false)[0];
  // Escape 0x13xxxx draws glyph xxxx: the same pixels as あ itself.
  const std::uint32_t escape = 0x130000u + a, plain = 0x30420000u;
  Clear();
  const std::int32_t w1 = KxTextDrawUnicode(2, 2, 17, 22, &escape, 1, 0);
  const std::string byEscape = Ink(0, 0, kWidth, kHeight);
  Clear();
  const std::int32_t w2 = KxTextDrawUnicode(2, 2, 17, 22, &plain, 1, 0);
  EXPECT_EQ(byEscape, Ink(0, 0, kWidth, kHeight));
  EXPECT_EQ(w1, w2);
  EXPECT_NE(byEscape.find('#'), std::string::npos);

  // A character outside the basic plane, from its two units.
  const char16_t pair[2] = {0xD842, 0xDF9F};   // U+20B9F
  const auto ids = Glyphs(pair, 2, false);
  ASSERT_EQ(ids.size(), 1u);
  if (ids[0] == 0) GTEST_SKIP() << "this IPA Gothic has no U+20B9F";
  Clear();
  const std::uint32_t value = 0xD842DF9Fu;
  const std::int32_t adv = KxTextDrawUnicode(2, 2, 17, 22, &value, 1, 0);
  EXPECT_EQ(adv, KxGetUnicodeCharWidth(value));
  const std::string byPair = Ink(0, 0, kWidth, kHeight);
  Clear();
  const KxGlyphAt g{ids[0], 0, 0};
  MoveTo(2, 19);
  KxDrawGlyphs(&g, 1);
  EXPECT_EQ(byPair, Ink(0, 0, kWidth, kHeight));
}

TEST_F(DrawRealFont, SmoothingOnlyFromItsSizeUp) {
  auto greys = [&] {
    int n = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) n += Px(x, y) != kWhite && Px(x, y) != kBlack;
    return n;
  };
  CKXQuartzDrawing::sEnableQuartzDrawing = 1;
  CKXQuartzDrawing::SetMinFontSmoothingSize(16);
  {
    CKXQuartzDrawing pass(0);
    CKXCharState cs;
    cs.SetStyl(font, 12, 0);
    KxTextDrawText(2, 2, 11, 14, "\x88\xA4", 0, 2, 0);
    EXPECT_EQ(greys(), 0) << "below the smoothing size";
    Clear();
    cs.SetStyl(font, 24, 0);
    KxTextDrawText(2, 2, 21, 26, "\x88\xA4", 0, 2, 0);
    EXPECT_GT(greys(), 0) << "at and above it";
  }
  Clear();
  KxTextDrawText(2, 2, 21, 26, "\x88\xA4", 0, 2, 0);
  EXPECT_EQ(greys(), 0) << "after the pass";
  CKXQuartzDrawing::sEnableQuartzDrawing = 0;
  CKXQuartzDrawing::SetMinFontSmoothingSize(1);
}

}  // namespace
