#include "platform/draw/region.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "draw_fixture.h"
#include "platform/exception.h"

namespace {

// A region as a set of pixels, for small grids.
using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(RgnHandle rgn) {
  Pixels out;
  for (const RectL& r : KxRegionRects(rgn))
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) out.insert({x, y});
  return out;
}

// Moving every edge in by (dh, dv): a pixel stays when all pixels within
// dh across and dv down or up are in (out by negative amounts: any one).
Pixels InsetModel(const Pixels& p, int dh, int dv) {
  auto axis = [](const Pixels& in, int d, bool horizontal) {
    if (d == 0) return in;
    Pixels out;
    const int n = d < 0 ? -d : d;
    std::set<std::pair<int, int>> candidates = in;
    if (d < 0)
      for (const auto& [x, y] : in)
        for (int t = -n; t <= n; ++t) candidates.insert(horizontal ? std::make_pair(x + t, y) : std::make_pair(x, y + t));
    for (const auto& [x, y] : candidates) {
      int hits = 0;
      for (int t = -n; t <= n; ++t)
        hits += in.count(horizontal ? std::make_pair(x + t, y) : std::make_pair(x, y + t)) != 0;
      if (d > 0 ? hits == 2 * n + 1 : hits > 0) out.insert({x, y});
    }
    return out;
  };
  return axis(axis(p, dh, true), dv, false);
}

TEST(Region, InsetMatchesThePixelModel) {
  std::mt19937 rng(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int steps = KxDrawRandomSteps(60);
  for (int step = 0; step < steps; ++step) {
    StKxRegion rgn;
    StKxRegion piece;
    for (int k = pick(1, 4); k > 0; --k) {
      const int l = pick(0, 20), t = pick(0, 20);
      SetRectRgn(piece, l, t, l + pick(1, 12), t + pick(1, 12));
      if (pick(0, 3)) UnionRgn(rgn, piece, rgn);
      else DiffRgn(rgn, piece, rgn);
    }
    const Pixels before = PixelsOf(rgn);
    const int dh = pick(-3, 3), dv = pick(-3, 3);
    InsetRgn(rgn, dh, dv);
    ASSERT_EQ(PixelsOf(rgn), InsetModel(before, dh, dv)) << "step " << step << " inset " << dh << "," << dv;
    rgn.operator RgnHandle()->Check();
  }
}

// Recording: frames give the area they enclose, by the even-odd rule.
TEST_F(DrawTest, RecordedFramesGiveTheFramedArea) {
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int steps = RandomSteps(100);
  for (int step = 0; step < steps; ++step) {
    // Rectangles that do not overlap: a row of boxes, some touching.
    std::vector<Rect> rects;
    int x = pick(-50, 10);
    for (int k = pick(1, 5); k > 0; --k) {
      const int w = pick(1, 15), top = pick(-10, 30);
      rects.push_back(MakeRect(x, top, x + w, top + pick(1, 20)));
      x += w + pick(0, 3);
    }
    PenSize(pick(0, 3), pick(1, 3));   // the pen plays no part
    OpenRgn();
    StKxRegion expected, one;
    for (const Rect& r : rects) {
      FrameRect(&r);
      RectRgn(one, &r);
      UnionRgn(expected, one, expected);
    }
    StKxRegion recorded;
    CloseRgn(recorded);
    ASSERT_TRUE(EqualRgn(recorded, expected)) << "step " << step;
  }
  EXPECT_EQ(CountInk(), 0);   // recording draws nothing

  // Overlapping frames leave out their overlap; a frame in a frame, a ring.
  OpenRgn();
  const Rect a = MakeRect(0, 0, 10, 10), b = MakeRect(5, 5, 15, 15), inner = MakeRect(2, 2, 4, 4);
  FrameRect(&a);
  FrameRect(&b);
  FrameRect(&inner);
  StKxRegion odd;
  CloseRgn(odd);
  StKxRegion ra, rb, ri, want;
  RectRgn(ra, &a);
  RectRgn(rb, &b);
  RectRgn(ri, &inner);
  XorRgn(ra, rb, want);
  DiffRgn(want, ri, want);
  EXPECT_TRUE(EqualRgn(odd, want));

  // A closed outline of lines, and a recorded region, give their areas.
  OpenRgn();
  MoveTo(0, 0);
  LineTo(20, 0);
  LineTo(20, 10);
  LineTo(10, 10);
  LineTo(10, 20);
  LineTo(0, 20);
  LineTo(0, 0);
  FrameRgn(ri);
  StKxRegion ell;
  CloseRgn(ell);
  StKxRegion wantEll, low;
  SetRectRgn(wantEll, 0, 0, 20, 10);
  SetRectRgn(low, 0, 10, 10, 20);
  UnionRgn(wantEll, low, wantEll);
  XorRgn(wantEll, ri, wantEll);
  EXPECT_TRUE(EqualRgn(ell, wantEll));
}

// The frame of a region is the region less its inset by the pen.
TEST_F(DrawTest, FrameRgnDrawsTheInnerOutline) {
  StKxRegion rgn, two;
  SetRectRgn(rgn, 5, 5, 25, 25);
  SetRectRgn(two, 15, 15, 40, 35);
  UnionRgn(rgn, two, rgn);
  PenSize(2, 3);
  FrameRgn(rgn);
  StKxRegion inner, ring;
  CopyRgn(rgn, inner);
  InsetRgn(inner, 2, 3);
  DiffRgn(rgn, inner, ring);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) ASSERT_EQ(Px(x, y) == kBlack, PtInRgn(Point{std::int16_t(y), std::int16_t(x)}, ring));
}

// Regions stay inside the limit square: offsets and outsets past it drop
// pixels instead of wrapping; bounds come out held at 16 bits.
TEST(Region, EdgesOfTheSquare) {
  StKxRegion r;
  SetRectRgn(r, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_EQ(KxRegionBoundsL(r).left, -kKxRegionLimit);
  Rect b;
  GetRegionBounds(r, &b);
  EXPECT_EQ(b.left, -32768);
  EXPECT_EQ(b.right, 32767);
  OffsetRgn(r, kKxRegionLimit, 0);
  EXPECT_EQ(KxRegionBoundsL(r).left, 0);
  EXPECT_EQ(KxRegionBoundsL(r).right, kKxRegionLimit);
  OffsetRgn(r, INT32_MAX, INT32_MIN);
  EXPECT_TRUE(EmptyRgn(r));
  SetRectRgn(r, 0, 0, 10, 10);
  InsetRgn(r, INT32_MIN, INT32_MIN);   // grows to the whole square
  EXPECT_EQ(KxRegionBoundsL(r).top, -kKxRegionLimit);
  EXPECT_EQ(KxRegionBoundsL(r).bottom, kKxRegionLimit);
  InsetRgn(r, INT32_MAX, 0);
  EXPECT_TRUE(EmptyRgn(r));
  r.operator RgnHandle()->Check();
  SetRectRgn(r, 10, 10, 5, 20);
  EXPECT_TRUE(EmptyRgn(r));
  // Null handles are ignored and read as empty.
  UnionRgn(nullptr, r, r);
  OffsetRgn(nullptr, 1, 1);
  EXPECT_TRUE(EmptyRgn(nullptr));
  EXPECT_TRUE(EqualRgn(nullptr, r));
  EXPECT_FALSE(PtInRgn(Point{0, 0}, nullptr));
  // An intersection that came out empty equals a fresh empty region.
  StKxRegion left, right, fresh;
  SetRectRgn(left, 0, 0, 10, 10);
  SetRectRgn(right, 20, 20, 30, 30);
  SectRgn(left, right, left);
  EXPECT_TRUE(EqualRgn(left, fresh));
  EXPECT_FALSE(EqualRgn(right, fresh));
}

}  // namespace
