#include "layout/fontstate.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/script.h"

namespace {

constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr const char* kIpaPGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
constexpr const char* kIpaMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";

// The fields of a character style that measuring reads and fills.
struct Styl {
  short height = 0;
  short ascent = 0;
  short font = kKxApplicationFont;
  unsigned char face = 0;
  short size = 12;
};

bool HaveIpa() { return std::ifstream(kIpaGothic).good() && std::ifstream(kIpaPGothic).good(); }

void UseSynthetic() { KxFontInstallBackend(KxSyntheticFontBackend()); }
void UseIpa() { KxFontInstallBackend(KxFreeTypeFontBackend(false, {kIpaGothic, kIpaPGothic, kIpaMincho})); }

short Font(const char* family) {
  short n = 0;
  EXPECT_TRUE(KxFontNumberFromName(family, n)) << family;
  return n;
}

// Widths of a byte text under one style, the way line layout asks for them.
std::vector<std::int32_t> Measure(CKXCharState& cs, const Styl& s, const std::string& text) {
  Styl copy = s;
  cs.SetStyl(copy);
  std::vector<std::int32_t> w;
  for (unsigned char c : text) w.push_back(cs.GetWidth(c));
  return w;
}

class FontState : public ::testing::Test {
 protected:
  void SetUp() override { UseSynthetic(); }
  void TearDown() override { UseSynthetic(); }
};

TEST_F(FontState, ScaledSizes) {
  // {size, percent, scaled}: fixed answers for 9 and 10 points at 120-150;
  // otherwise the rounded percent. Size 0 counts as 12, scale 0 is 100
  // percent; never below 1 or past 32767.
  const short cases[][3] = {{9, 120, 10},  {9, 125, 10},  {9, 133, 11},  {9, 150, 13},   {10, 125, 12},
                            {10, 133, 12}, {10, 150, 14}, {9, 200, 18},  {10, 120, 12},  {12, 133, 16},
                            {12, 125, 15}, {13, 150, 20}, {11, 50, 6},   {0, 150, 18},   {0, 0, 12},
                            {9, 0, 9},     {1, 10, 1},    {32000, 400, 32767}};
  for (const auto& c : cases) EXPECT_EQ(KxScaledFontSize(c[0], c[1]), c[2]) << c[0] << " at " << c[1];
}

TEST_F(FontState, HeightsAndCells) {
  // Synthetic: ascent round(3s/4), descent round(s/4), leading round(s/10).
  EXPECT_EQ(KxGetFontHeight(kKxApplicationFont, 12), 9 + 3 + 1);
  EXPECT_EQ(KxGetFontHeight(20, 10), 8 + 3 + 1);
  // Japanese fonts: half the reference kanji (13 / 2 = 6); Roman: "0" (7).
  EXPECT_EQ(KxGetFontWidth(kKxApplicationFont, 12, 10), 60);
  EXPECT_EQ(KxGetFontWidth(kKxApplicationFont, 13, 10), 60);
  EXPECT_EQ(KxGetFontWidth(20, 13, 10), 70);
  EXPECT_EQ(KxGetFontWidth(short(0xC97F), 12, 3), 18);   // unknown Japanese number
  EXPECT_EQ(KxGetFontWidth(kKxApplicationFont, 12, 0), 0);
  EXPECT_EQ(KxGetFontWidth(kKxApplicationFont, 32767, 1000000), INT32_MAX);
}

TEST_F(FontState, FontNumberMapping) {
  // Known and Roman numbers stay; unknown Japanese ones become the application font.
  for (short n : {short(kKxSystemFont), short(kKxApplicationFont), short(20), short(16384), short(500),
                  Font("KX Synthetic Roman")})
    EXPECT_EQ(HiraginoFontCheck(n), n);
  EXPECT_EQ(HiraginoFontCheck(short(0xC97F)), kKxApplicationFont);
  EXPECT_EQ(HiraginoFontCheck(0x4055), kKxApplicationFont);
}

TEST_F(FontState, CharStateWidths) {
  CKXCharState cs;
  Styl s;
  cs.SetStyl(s);
  EXPECT_EQ(s.height, 13);
  EXPECT_EQ(s.ascent, 9);
  EXPECT_EQ(CKXCharState::sFontScriptType, kScriptJapanese);
  // A double-byte character: 0 for its first byte, the shared width for the second.
  EXPECT_EQ(cs.GetWidth(0x82), 0);
  EXPECT_EQ(cs.GetWidth(0xA0), 12);
  EXPECT_EQ(cs.GetWidth('A'), 6);
  EXPECT_EQ(cs.GetWidth(13), 1);      // CR
  EXPECT_EQ(cs.GetWidth(0xB1), 6);    // half-width katakana
  // Greek measures narrow in the synthetic font, but shares the kanji's width.
  EXPECT_EQ(KxFontCharWidth(kKxApplicationFont, 12, 0, 0x839F), 6);
  EXPECT_EQ(cs.GetWidth(0x83), 0);
  EXPECT_EQ(cs.GetWidth(0x9F), 12);

  // A style with a filled height keeps it; bold widens every byte by one.
  Styl bold;
  bold.face = kFaceBold | kFaceUnderline;
  bold.height = 40;
  cs.SetStyl(bold);
  EXPECT_EQ(bold.height, 40);
  EXPECT_EQ(cs.GetWidth('A'), 7);
  EXPECT_EQ(cs.DoubleWidth(), 13);
  EXPECT_EQ(CKXCharState::sFontUnderline, 1);
  EXPECT_EQ(KxCurrentPortText().face, kFaceBold);   // the port draws no underline
  short ascent = 0, descent = 0;
  EXPECT_EQ(cs.GetFontInfo(ascent, descent), 13);
  EXPECT_EQ(ascent, 9);
  EXPECT_EQ(descent, 3);
}

TEST_F(FontState, ScalingNeverChangesMeasuring) {
  CKXCharState cs;
  Styl s;
  s.size = 9;
  cs.SetStyl(s);
  const std::int32_t before = cs.GetWidth('W');
  cs.ScaleOn(150);
  EXPECT_EQ(KxCurrentPortText().size, 13);
  EXPECT_EQ(cs.GetWidth('W'), before);
  EXPECT_EQ(cs.GetWidth('M'), KxFontCharWidth(kKxApplicationFont, 9, 0, 'M'));
  EXPECT_EQ(cs.GetWidth(0x88), 0);
  EXPECT_EQ(cs.GetWidth(0x9F), 9);
  cs.ScaleOff();
  EXPECT_EQ(KxCurrentPortText().size, 9);
}

TEST_F(FontState, PortStateIsRestored) {
  TextFont(20);
  TextSize(14);
  TextFace(kFaceItalic);
  {
    CKXCharState cs;
    Styl s;
    cs.SetStyl(s);
    EXPECT_EQ(KxCurrentPortText().font, kKxApplicationFont);
    {
      CKXFontState fs;
      fs.SetFont(short(0xC97F), 24, kFaceBold, 0);
      EXPECT_EQ(KxCurrentPortText().font, kKxApplicationFont);
      EXPECT_EQ(fs.CharWidth(0x88A4), 25);
      EXPECT_EQ(fs.GetWidth('A'), 13);
    }
    EXPECT_EQ(KxCurrentPortText().size, 12);
  }
  EXPECT_EQ(KxCurrentPortText().font, 20);
  EXPECT_EQ(KxCurrentPortText().size, 14);
  EXPECT_EQ(KxCurrentPortText().face, kFaceItalic);
  const char text[] = "A\x88\xA4" "B\x88";   // ends in a lone first byte
  TextFont(kKxApplicationFont);
  TextFace(0);
  EXPECT_EQ(TextWidth(text, 0, 5), 7 + 14 + 7 + 7);
  EXPECT_EQ(TextWidth(text, 1, 2), 14);
  EXPECT_EQ(TextWidth(text, 0, 0), 0);
  TextFont(0);
  TextSize(0);
}

TEST_F(FontState, UnicodeSideEntries) {
  CKXCharState cs;
  Styl s;
  s.size = 20;
  cs.SetStyl(s);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x4E9C), 20);
  EXPECT_EQ(KxGetUnicodeCharWidth('A'), 10);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x00410301), 20);   // A with a combining accent: two narrow glyphs here
  EXPECT_EQ(KxGetUnicodeCharWidth(0xD842DFB7), 10);   // outside the basic plane: the missing glyph
  EXPECT_EQ(KxGetUnicodeCharWidth(0x00134E9C), 20);   // glyph escape: glyph 0x4E9C
  EXPECT_EQ(KxGetUnicodeCharWidth(0x001F0041), 10);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x00200041), 10 + 10);   // 0x20 is a character, not an escape
  EXPECT_EQ(KxGetUnicodeCharHeight(), 15 + 5);
  const char16_t three[] = {0x13, 0x4E9C, 0x4E9C};   // an escape only as exactly two units
  EXPECT_EQ(KxGetUnicodeTextWidth(three, 3), 10 + 20 + 20);
  // Measuring goes by the style's size, also while the port is scaled.
  cs.ScaleOn(200);
  EXPECT_EQ(KxCurrentPortText().size, 40);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x4E9C), 20);
  EXPECT_EQ(KxGetUnicodeCharHeight(), 20);
  const char kanji[] = "\x88\xA4";
  EXPECT_EQ(TextWidth(kanji, 0, 2), 20);
  cs.ScaleOff();
  EXPECT_EQ(KxCurrentPortText().size, 20);
  EXPECT_EQ(KxCurrentPortText().unscaled, 0);
}

// A character a Roman font lacks (a kanji typed or pasted into Roman text)
// measures and draws in the application font; one it has stays its own.
TEST_F(FontState, SideEntriesTheFontLacksTakeTheApplicationFont) {
  CKXCharState cs;
  Styl s;
  s.font = Font("KX Synthetic Roman");
  s.size = 20;
  cs.SetStyl(s);
  const char16_t kanji[] = {0x65E5}, letter[] = {'A'};
  EXPECT_EQ(KxUnicodeCharFont(s.font, kanji, 1), kKxApplicationFont);
  EXPECT_EQ(KxUnicodeCharFont(s.font, letter, 1), s.font);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x65E50000), KxFontUTF16Width(kKxApplicationFont, 20, 0, kanji, 1));
  EXPECT_EQ(KxGetUnicodeCharWidth('A'), KxFontUTF16Width(s.font, 20, 0, letter, 1));
  // The port keeps its own font.
  EXPECT_EQ(KxCurrentPortText().font, s.font);
}

// A memo with no history: measuring many styles (more than the shared memo
// holds) in different orders, with fresh and long-lived states, gives the same
// widths as measuring each style alone.
void CheckOrderIndependence(const std::vector<Styl>& styles) {
  const std::string text =
      "Kana \x82\xA0\x82\xA2\x83\x41 kanji \x88\xA4\x93\xFA\x96\x7B, half \xB1\xB2\xB3, tab\t\x0c\r\x11";
  std::vector<std::vector<std::int32_t>> alone;
  for (const Styl& s : styles) {
    CKXCharState cs;
    alone.push_back(Measure(cs, s, text));
  }
  std::mt19937 rng(12345);
  for (int round = 0; round < 6; ++round) {
    std::vector<std::size_t> order(styles.size() * 3);
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i % styles.size();
    std::shuffle(order.begin(), order.end(), rng);
    CKXCharState shared;
    for (std::size_t i : order) {
      EXPECT_EQ(Measure(shared, styles[i], text), alone[i]) << "style " << i << " round " << round;
      // Also cut a double-byte character in half and start a new style.
      Styl copy = styles[i];
      shared.SetStyl(copy);
      shared.GetWidth(0x88);
    }
  }
}

TEST_F(FontState, SameMeasurementsInAnyOrderSynthetic) {
  std::vector<Styl> styles;
  for (short font : {short(kKxApplicationFont), short(20), Font("KX Synthetic Roman")})
    for (short size : {9, 12, 13})
      for (unsigned char face : {0, int(kFaceBold | kFaceCondense), int(kFaceShadow)})
        styles.push_back(Styl{0, 0, font, face, size});
  CheckOrderIndependence(styles);
}

TEST(FontStateIpa, SameMeasurementsInAnyOrderIpa) {
  if (!HaveIpa()) GTEST_SKIP() << "IPA fonts not installed";
  UseIpa();
  std::vector<Styl> styles;
  for (short font : {short(kKxApplicationFont), Font("IPAPGothic"), Font("IPAMincho")})
    for (short size : {10, 12, 15})
      for (unsigned char face : {0, int(kFaceBold)}) styles.push_back(Styl{0, 0, font, face, size});
  CheckOrderIndependence(styles);
  UseSynthetic();
}

TEST(FontStateIpa, DoubleByteWidthComesFromTheReferenceKanji) {
  if (!HaveIpa()) GTEST_SKIP() << "IPA fonts not installed";
  UseIpa();
  const short pgothic = Font("IPAPGothic");
  // In the proportional font hiragana A is narrower than the reference kanji.
  ASSERT_LT(KxFontCharWidth(pgothic, 24, 0, 0x82A0), KxFontCharWidth(pgothic, 24, 0, kKxReferenceKanji));
  for (const char* text : {"\x82\xA0\x88\xA4", "\x88\xA4\x82\xA0"}) {
    CKXCharState cs;
    const std::vector<std::int32_t> w = Measure(cs, Styl{0, 0, pgothic, 0, 24}, text);
    EXPECT_EQ(w, (std::vector<std::int32_t>{0, 24, 0, 24}));
  }
  // Proportional single bytes keep their own widths.
  CKXCharState cs;
  Styl s{0, 0, pgothic, 0, 24};
  cs.SetStyl(s);
  EXPECT_EQ(s.height, KxGetFontHeight(pgothic, 24));
  EXPECT_EQ(cs.GetWidth('i'), KxFontCharWidth(pgothic, 24, 0, 'i'));
  EXPECT_NE(cs.GetWidth('i'), cs.GetWidth('W'));
  EXPECT_EQ(KxGetFontWidth(kKxApplicationFont, 24, 4), 48);
  UseSynthetic();
}

TEST_F(FontState, ChangingTheFontsDropsTheMemo) {
  if (!HaveIpa()) GTEST_SKIP() << "IPA fonts not installed";
  const Styl plain{0, 0, kKxSystemFont, 0, 100};
  {
    CKXCharState cs;
    EXPECT_EQ(Measure(cs, plain, "A"), std::vector<std::int32_t>{50});
  }
  UseIpa();   // the system font is now IPA PGothic: "A" is 1305 of 2048 units
  CKXCharState cs;
  EXPECT_EQ(Measure(cs, plain, "A"), std::vector<std::int32_t>{64});
}

}  // namespace

// A character neither the run's font nor the application font has (a
// heart, an emoji) measures and draws in an installed family that has it,
// the same one each time; one no family has stays in the run's font.
TEST_F(FontState, SideEntriesNoJapaneseFontHasTakeAFamilyThatHasThem) {
  constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  if (!HaveIpa() || !std::ifstream(kDejaVu).good()) GTEST_SKIP() << "IPA or DejaVu fonts missing";
  KxFontInstallBackend(KxFreeTypeFontBackend(false, {kIpaGothic, kDejaVu}));
  const short dejavu = Font("DejaVu Sans");
  const char16_t heart[] = {0x2764}, kanji[] = {0x65E5}, none[] = {0xD869, 0xDEB2};  // 𪚲
  EXPECT_EQ(KxUnicodeCharFont(kKxApplicationFont, kanji, 1), kKxApplicationFont);
  EXPECT_EQ(KxUnicodeCharFont(kKxApplicationFont, heart, 1), dejavu);
  EXPECT_EQ(KxUnicodeCharFont(kKxApplicationFont, heart, 1), dejavu);
  EXPECT_EQ(KxUnicodeCharFont(kKxApplicationFont, none, 2), kKxApplicationFont);
  // A joiner has a glyph of no width in DejaVu: it shows its placeholder in
  // its own font, not the bytes of one in a Roman font.
  const char16_t joiner[] = {0x200D};
  EXPECT_EQ(KxUnicodeCharFont(kKxApplicationFont, joiner, 1), kKxApplicationFont);
  CKXCharState cs;
  Styl s;
  s.size = 20;
  cs.SetStyl(s);
  EXPECT_EQ(KxGetUnicodeCharWidth(0x27640000), KxFontUTF16Width(dejavu, 20, 0, heart, 1));
  EXPECT_EQ(KxCurrentPortText().font, kKxApplicationFont);
}
