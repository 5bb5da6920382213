#include "platform/draw/color.h"

#include <gtest/gtest.h>

#include "draw_fixture.h"

namespace {

bool Same(const RGBColor& a, const RGBColor& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

class ColorTest : public DrawTest {
 protected:
  void TearDown() override {
    UKXColor::ResetScheme();
    KxSetUserColorSchemeHook(nullptr);
    DrawTest::TearDown();
  }
};

// Component arithmetic stays within 0..65535.
TEST(Color, LightenDarkenAndLightnessAreHeldAtFullScale) {
  struct Case {
    const char* what;
    RGBColor in;
    int op;   // 0 lighten, 1 darken, 2 lightness
    short percent;
    RGBColor out;
  };
  const Case cases[] = {
      {"lighten black", {0, 0, 0}, 0, 0, {0x7FFF, 0x7FFF, 0x7FFF}},
      {"lighten white", {0xFFFF, 0xFFFF, 0xFFFF}, 0, 0, {0xFFFF, 0xFFFF, 0xFFFF}},
      {"darken DDDD", {0xDDDD, 0xDDDD, 0xDDDD}, 1, 0, {0x93E8, 0x93E8, 0x93E8}},
      {"darken white", {0xFFFF, 0, 1}, 1, 0, {0xAAAA, 0, 0}},
      {"white + 10 %", {0xFFFF, 0xFFFF, 0xFFFF}, 2, 10, {0xFFFF, 0xFFFF, 0xFFFF}},
      {"BBBB + 5 %", {0xBBBB, 0xF000, 0}, 2, 5, {0xC887, 0xFCCC, 0x0CCC}},
      {"black - 5 %", {0, 0x1000, 0xFFFF}, 2, -5, {0, 0x0334, 0xF333}},
      {"+ 300 %", {1, 2, 3}, 2, 300, {0xFFFF, 0xFFFF, 0xFFFF}},
      {"- 32768 %", {0xFFFF, 0xFFFF, 0xFFFF}, 2, -32768, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    RGBColor out{1, 1, 1};
    if (c.op == 0) UKXColor::Lighten(out, c.in);
    if (c.op == 1) UKXColor::Darken(out, c.in);
    if (c.op == 2) UKXColor::Lightness(out, c.in, c.percent);
    EXPECT_TRUE(Same(out, c.out)) << c.what << ": " << std::hex << out.red << " " << out.green << " " << out.blue;
  }
}

TEST_F(ColorTest, SchemesSetTheViewColors) {
  UKXColor::ColorVariation(8);
  EXPECT_TRUE(Same(UKXColor::sViewFaceColor, {0xAAAA, 0xAAAA, 0xDDDD}));
  EXPECT_TRUE(Same(UKXColor::sViewLightColor, {0xD554, 0xD554, 0xEEEE}));
  EXPECT_TRUE(Same(UKXColor::sViewShadowColor, {0x71C6, 0x71C6, 0x93E8}));
  EXPECT_TRUE(Same(UKXColor::sAccentColor, UKXColor::sGraphiteAccent));
  EXPECT_TRUE(Same(UKXColor::sTabCodeColor, UKXColor::sGraphiteAccent));
  EXPECT_TRUE(Same(UKXColor::sSpaceCodeColor, UKXColor::sBlackColor));
  EXPECT_EQ(UKXColor::sColorVariation, 8);

  // Out of range and missing user schemes change nothing.
  for (short n : {short(20), short(-1), short(10), short(19)}) {
    UKXColor::ColorVariation(n);
    EXPECT_EQ(UKXColor::sColorVariation, 8) << n;
    EXPECT_TRUE(Same(UKXColor::sViewFaceColor, {0xAAAA, 0xAAAA, 0xDDDD})) << n;
  }

  // Without an appearance theme, scheme 0 is the classic scheme numbered 1.
  UKXColor::ColorVariation(0);
  EXPECT_EQ(UKXColor::sColorVariation, 1);
  EXPECT_EQ(UKXColor::sAppearanceTheme, 0);
  EXPECT_TRUE(Same(UKXColor::sViewShadowColor, UKXColor::sClassicOSShadow));
  EXPECT_TRUE(Same(UKXColor::sReturnCodeColor, UKXColor::sClassicOSAccent));

  // User schemes come from the installed answer, n - 9.
  KxSetUserColorSchemeHook([](short n, KxUserColorScheme& out) {
    if (n != 3) return false;
    out = {{1, 2, 3}, {0xFFFF, 0x8000, 0}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, 1};
    return true;
  });
  UKXColor::ColorVariation(11);
  EXPECT_EQ(UKXColor::sColorVariation, 1);
  UKXColor::ColorVariation(12);
  EXPECT_EQ(UKXColor::sColorVariation, 12);
  EXPECT_TRUE(Same(UKXColor::sViewTextColor, {1, 2, 3}));
  EXPECT_TRUE(Same(UKXColor::sReturnCodeColor, {7, 8, 9}));
  EXPECT_TRUE(Same(UKXColor::sViewLightColor, {0xFFFF, 0xBFFF, 0x7FFF}));
  EXPECT_TRUE(Same(UKXColor::sViewShadowColor, {0xAAAA, 0x5555, 0}));
  EXPECT_EQ(UKXColor::sAppearanceTheme, 0);   // no theme to hand it to
}

// The bevel lies just outside the rectangle and leaves pen, colour and
// clip as they were.
TEST_F(ColorTest, FrameShadowDrawsOutsideAndRestores) {
  const RGBColor blue{0, 0, 0xFFFF};
  RGBForeColor(&blue);
  PenSize(3, 3);
  PenMode(patXor);
  MoveTo(1, 2);
  const Rect r = MakeRect(10, 10, 30, 20);
  UKXColor::DrawFrameShadow(r, true);
  EXPECT_EQ(Px(9, 15), 0xAAAAAAu);    // left
  EXPECT_EQ(Px(20, 9), 0xAAAAAAu);    // top
  EXPECT_EQ(Px(20, 20), 0xFFFFFFu);   // bottom: white on white
  EXPECT_EQ(Px(15, 15), kWhite);      // inside untouched
  // The grey sides less the two corners that the white sides end on.
  EXPECT_EQ(CountInk(), 12 + 22 - 1 - 2);
  EXPECT_EQ(Px(30, 9), kWhite);
  RGBColor fore;
  GetForeColor(&fore);
  EXPECT_TRUE(Same(fore, blue));
  PenState pen;
  GetPenState(&pen);
  EXPECT_EQ(pen.pnSize.h, 3);
  EXPECT_EQ(pen.pnMode, patXor);
  EXPECT_EQ(pen.pnLoc.h, 1);
  Rect all = MakeRect(0, 0, kWidth, kHeight);
  PenMode(patCopy);
  PaintRect(&all);   // the clip is wide open again
  EXPECT_EQ(CountInk(), kWidth * kHeight);

  EraseRect(&all);
  UKXColor::DrawFrameShadow(r, false);
  EXPECT_EQ(Px(30, 15), 0xDDDDDDu);
  EXPECT_EQ(Px(9, 9), 0xDDDDDDu);
  EXPECT_EQ(CountInk(), 22 * 12 - 20 * 10);

  // Sides of an empty inset draw nothing.
  EraseRect(&all);
  PenNormal();
  UKXColor::TopLeftSide(r, 5, 10, 5, 10);
  UKXColor::BottomRightSide(r, 0, 0, 20, 0);
  EXPECT_EQ(CountInk(), 0);
}

}  // namespace
