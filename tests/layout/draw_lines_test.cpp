// Line kinds, nets, the colour table, control symbols and rectangles, as
// pixels on a headless port.
#include <gtest/gtest.h>

#include <functional>
#include <cstring>
#include <set>

#include "layout/draw_lines.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "platform/draw/color.h"
#include "platform/draw/draw_fixture.h"

namespace {

std::uint32_t PixelOf(const RGBColor& c) {
  return std::uint32_t(c.red >> 8) << 16 | std::uint32_t(c.green >> 8) << 8 | std::uint32_t(c.blue >> 8);
}

class DrawLines : public DrawTest {
 protected:
  void TearDown() override {
    CKXCharState::sVerticalDrawing = 0;
    UKXColor::ResetScheme();
    DrawTest::TearDown();
  }
};

// A line along x from 4 over 40 at y 10 (or, turned, along y): which pixels
// of the cross rows carry ink.
struct LineCase {
  int kind;
  int start, end;            // along the line, end exclusive
  std::set<int> rows;        // across, as offsets from 10
  std::function<bool(int along, int across)> on;   // within the span
};

bool Solid(int, int) { return true; }
bool Dash(int a, int) { return a % 32 < 16; }
bool Dots(int a, int) { return a % 4 < 2; }
// Net 5 (a quarter grey): rows 88 22 repeating.
bool Net5(int h, int v) { return ((v % 2 == 0 ? 0x88 : 0x22) >> (7 - h % 8)) & 1; }

TEST_F(DrawLines, EveryLineKindHasItsPixels) {
  const std::vector<LineCase> cases = {
      {0, 0, 0, {}, Solid},        {1, 4, 44, {0}, Solid},       {2, 4, 44, {0, 2}, Solid},
      {3, 4, 44, {0, 1}, Solid},   {4, 4, 44, {0}, nullptr},     {5, 0, 0, {}, Solid},
      {6, 0, 0, {}, Solid},        {7, 4, 44, {0, 1}, Dash},     {8, 4, 44, {0, 1}, Dots},
      {9, 5, 43, {0}, Solid},      {10, 5, 43, {0, 1}, Solid},   {11, 5, 43, {0, 2}, Solid},
      {12, 0, 0, {}, Solid},       {13, 5, 44, {0, 1}, Dots},    {14, 5, 44, {0}, Solid},
      {15, 5, 44, {0, 1}, Solid},  {16, 5, 44, {0, 2}, Solid},   {17, 5, 44, {0}, nullptr},
      {18, 4, 43, {0, 1}, Dots},   {19, 4, 43, {0}, Solid},      {20, 4, 43, {0, 1}, Solid},
      {21, 4, 43, {0, 2}, Solid},  {22, 4, 43, {0}, nullptr},    {23, 4, 44, {0, 1}, Dots},
      {24, 4, 44, {0}, Solid},     {25, 4, 44, {0, 1}, Solid},   {26, 4, 44, {0, 2}, Solid},
      {27, 4, 44, {0}, nullptr},   {28, 0, 0, {}, Solid},        {-1, 0, 0, {}, Solid}};
  // At an even and an odd row (column): a dotted line shows at both, its
  // net turned with vertical writing.
  for (bool vertical : {false, true}) {
    for (int at : {10, 11}) {
      for (const LineCase& c : cases) {
        SetBytes(std::vector<std::uint8_t>(Bytes().size(), 0xFF));
        if (vertical)
          KxTextDrawLine(at, 4, 1, 40, c.kind, 3, 0);
        else
          KxTextDrawLine(4, at, 40, 1, c.kind, 3, 0);
        const std::uint32_t blue = 0x0000D4;
        for (int a = 0; a < kWidth && a < kHeight + 16; ++a)
          for (int across = 0; across < 6; ++across) {
            const int x = vertical ? at + across : a, y = vertical ? a : at + across;
            if (x >= kWidth || y >= kHeight) continue;
            bool want = a >= c.start && a < c.end && c.rows.count(across);
            if (want) want = c.on ? c.on(a, across) : vertical ? Net5(y, x) : Net5(x, y);
            ASSERT_EQ(Px(x, y), want ? blue : kWhite)
                << "kind " << c.kind << (vertical ? " vertical" : "") << " at " << x << "," << y;
          }
        EXPECT_EQ(port->mFore.red, 0) << "fore colour restored";
        EXPECT_EQ(port->mPen.pnMode, patCopy) << "pen restored";
        if (c.on == nullptr) {
          long dots = 0;
          for (int a = c.start; a < c.end; ++a) dots += Px(vertical ? at : a, vertical ? a : at) == blue;
          EXPECT_GE(dots, (c.end - c.start) / 5) << "kind " << c.kind << " at " << at;
        }
      }
    }
  }
}

TEST_F(DrawLines, ScaledLineKindsGrow) {
  KxTextDrawLine(2, 4, 20, 1, 3, 0, 200);   // thick: 2 units become 4 pixels
  for (int y = 0; y < 16; ++y) EXPECT_EQ(Px(10, y), (y >= 8 && y < 12) ? kBlack : kWhite) << y;
  EXPECT_EQ(Px(4, 8), kBlack);
  EXPECT_EQ(Px(3, 8), kWhite);
  EXPECT_EQ(Px(43, 8), kBlack);
  EXPECT_EQ(Px(44, 8), kWhite);
}

TEST_F(DrawLines, NetsFollowTheirBitsAtTwoOrigins) {
  for (const PointL origin : {PointL{0, 0}, PointL{-5, 3}}) {
    for (int net = 0; net <= kKxNetNone; ++net) {
      SetBytes(std::vector<std::uint8_t>(Bytes().size(), 0xFF));
      SetOrigin(origin.h, origin.v);
      KxTextDrawNet(origin.h + 1, origin.v + 2, 20, 20, net, 0, 0, 0);
      Pattern p;
      KxGetNetPattern(net, p);
      for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
          const int h = x + origin.h, v = y + origin.v;   // local coordinates
          const bool inside = x >= 1 && x < 21 && y >= 2 && y < 22;
          const int row = ((v % 8) + 8) % 8, bit = 7 - ((h % 8) + 8) % 8;
          const bool ink = net != kKxNetNone && inside && ((p.pat[row] >> bit) & 1);
          ASSERT_EQ(Px(x, y), ink ? kBlack : kWhite) << "net " << net << " origin " << origin.h << " at " << x << "," << y;
        }
    }
  }
  SetOrigin(0, 0);
  // Framing draws the rim only, with the net as pen pattern; net 10 solid.
  KxTextDrawFrame(30, 4, 10, 10, 10, 0, 0);
  EXPECT_EQ(Px(30, 4), kBlack);
  EXPECT_EQ(Px(39, 13), kBlack);
  EXPECT_EQ(Px(31, 5), kWhite);
  // Numbers outside 0-10 are net 0.
  Pattern a, b;
  KxGetNetPattern(-1, a);
  KxGetNetPattern(0, b);
  EXPECT_EQ(0, std::memcmp(a.pat, b.pat, 8));
  // Denser as they go: each net sets more bits than the one before.
  int last = -1;
  for (int net = 0; net < kKxNetCount; ++net) {
    KxGetNetPattern(net, a);
    int bits = 0;
    for (auto row : a.pat) bits += __builtin_popcount(row);
    EXPECT_GT(bits, last) << net;
    last = bits;
  }
}

TEST_F(DrawLines, ColorTableIsExactAndBoundedAndInvertible) {
  const std::uint32_t fixed[20] = {0x000000, 0xDD0806, 0x008011, 0x0000D4, 0x02ABEA, 0xF20884, 0xFCF305,
                                   0xFF6302, 0x5E2B05, 0x808080, 0xFFFFFF, 0,        0,        0,
                                   0,        0,        0,        0,        0,        0x202020};
  UKXColor::sAccentColor = {0x1100, 0x2200, 0x3300};
  UKXColor::sTabCodeColor = {0x4400, 0x5500, 0x6600};
  UKXColor::sReturnCodeColor = {0x7700, 0x8800, 0x9900};
  UKXColor::sSpaceCodeColor = {0xAA00, 0xBB00, 0xCC00};
  const std::uint32_t scheme[4] = {0x112233, 0x445566, 0x778899, 0xAABBCC};
  for (int n = -3; n < 30; ++n) {
    RGBColor c;
    KxGetRGBColor(n, c);
    const std::uint32_t want = n >= 0 && n < 20 ? fixed[n] : n >= 20 && n < 24 ? scheme[n - 20] : 0;
    EXPECT_EQ(PixelOf(c), want) << n;
    KxTextDrawNet(0, 0, 4, 4, 10, n, 0, 0);
    EXPECT_EQ(Px(1, 1), want) << n;
    const short type = KxGetRGBColorType(c);
    if ((n >= 0 && n <= 10) || n == 19) {
      EXPECT_EQ(type, n) << n;
    } else if (n >= 20 && n < 24) {
      EXPECT_EQ(type, -1) << n;
    }
  }
  const RGBColor off{0x0001, 0, 0};
  EXPECT_EQ(KxGetRGBColorType(off), -1);
}

TEST_F(DrawLines, ColoredLinesAndFrames) {
  const RGBColor red{0xFF00, 0, 0};
  KxTextDrawColoredLine(2, 3, 10, 0, 0, red, 0);   // 9 long: x 2..11
  EXPECT_EQ(Px(2, 3), 0xFF0000u);
  EXPECT_EQ(Px(11, 3), 0xFF0000u);
  EXPECT_EQ(Px(12, 3), kWhite);
  EXPECT_EQ(Px(2, 4), kWhite);
  KxTextDrawColoredLine(20, 3, 0, 5, 1, red, 0);   // thick, down: 2 x (4 + 2)
  EXPECT_EQ(Px(21, 8), 0xFF0000u);
  EXPECT_EQ(Px(22, 8), kWhite);
  const int before = CountInk();
  KxTextDrawColoredLine(30, 3, 0, 0, 1, red, 0);
  EXPECT_EQ(CountInk(), before);
  KxTextDrawColoredFrame(30, 20, 10, 10, kKxNetNone, red, 0, 0);
  EXPECT_EQ(CountInk(), before);
  EXPECT_EQ(port->mFore.red, 0);
}

TEST_F(DrawLines, InvertFrameAndEraseTheScaledRectangle) {
  KxTextInvertRect(RectL{2, 3, 6, 8}, 0, 200);   // pixels 6..15 x 4..11
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(Px(x, y), (x >= 6 && x < 16 && y >= 4 && y < 12) ? kBlack : kWhite) << x << "," << y;
  KxTextInvertRect(RectL{2, 3, 6, 8}, 0, 200);
  EXPECT_EQ(CountInk(), 0);
  KxTextFrameRect(RectL{20, 20, 30, 40}, 0);
  EXPECT_EQ(CountInk(), 2 * 20 + 2 * 8);
  KxTextEraseRect(RectL{0, 0, 48, 64}, 0);
  EXPECT_EQ(CountInk(), 0);
  // Highlighting swaps the back colour with the highlight colour.
  KxTextInvertRect(RectL{0, 0, 2, 2}, 1, 0);
  EXPECT_EQ(Px(0, 0), PixelOf(port->mHilite));
}

TEST_F(DrawLines, ControlSymbolsInTheirColorsBothWays) {
  UKXColor::sReturnCodeColor = {0xFF00, 0, 0};
  UKXColor::sTabCodeColor = {0, 0xFF00, 0};
  UKXColor::sSpaceCodeColor = {0, 0, 0};
  auto colors = [&] {
    std::set<std::uint32_t> s;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        if (Px(x, y) != kWhite) s.insert(Px(x, y));
    return s;
  };
  for (bool vertical : {false, true}) {
    CKXCharState::sVerticalDrawing = vertical;
    const int w = vertical ? 16 : 30, h = vertical ? 30 : 16;
    struct {
      unsigned char c;
      std::set<std::uint32_t> inks;
    } cases[] = {{13, {0xFF0000}}, {9, {0x00FF00}}, {' ', {}}, {12, {0xFF0000}}, {1, {0xFCF305, 0x00FF00}}};
    for (const auto& c : cases) {
      SetBytes(std::vector<std::uint8_t>(Bytes().size(), 0xFF));
      KxTextDrawControl(4, 4, w, h, c.c, 0);
      EXPECT_EQ(colors(), c.inks) << int(c.c) << (vertical ? " vertical" : "");
      // Nothing outside the cell.
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
          if (x < 4 || y < 4 || x >= 4 + w || y >= 4 + h) {
            ASSERT_EQ(Px(x, y), kWhite) << int(c.c);
          }
    }
  }
  // The space dot shows once its colour is not black.
  CKXCharState::sVerticalDrawing = 0;
  UKXColor::sSpaceCodeColor = {0, 0, 0xFF00};
  SetBytes(std::vector<std::uint8_t>(Bytes().size(), 0xFF));
  KxTextDrawControl(4, 4, 10, 10, ' ', 0);
  EXPECT_EQ(CountInk(), 1);
  EXPECT_EQ(Px(9, 9), 0x0000FFu);
}

}  // namespace
