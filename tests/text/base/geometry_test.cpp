#include "text/base/geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/keys.h"
#include "text/base/range.h"

namespace {

TEST(Geometry, NarrowingHoldsAtSixteenBitLimits) {
  RectL big{-40000, 40000, 70000, -70000};
  Rect r;
  KxSetRect(r, big);
  EXPECT_EQ(r.top, -32768);
  EXPECT_EQ(r.left, 32767);
  EXPECT_EQ(r.bottom, 32767);
  EXPECT_EQ(r.right, -32768);
  Point p;
  KxSetPoint(p, PointL{INT32_MIN, 12});
  EXPECT_EQ(p.v, -32768);
  EXPECT_EQ(p.h, 12);

}

TEST(Geometry, IntersectionAndPointsOnEdges) {
  RectL a, b, out;
  KxSetRect(a, 0, 0, 10, 10);
  KxSetRect(b, 5, 5, 20, 20);
  EXPECT_TRUE(KxSectRect(a, b, a));  // out may alias an input
  EXPECT_EQ(a.left, 5);
  EXPECT_EQ(a.bottom, 10);
  KxSetRect(b, 10, 0, 20, 10);  // touches only
  EXPECT_FALSE(KxSectRect(RectL{0, 0, 10, 10}, b, out));

  RectL r{0, 0, 10, 10};
  EXPECT_TRUE(KxPtInRect(PointL{10, 10}, r));  // bottom-right corner inside
  EXPECT_TRUE(KxPtInRect(PointL{0, 0}, r));
  EXPECT_FALSE(KxPtInRect(PointL{11, 5}, r));

  KxOffsetRect(r, INT32_MAX, -3);  // held, not wrapped
  EXPECT_EQ(r.right, INT32_MAX);
  EXPECT_EQ(r.top, -3);
}

TEST(Geometry, ScalingRoundsAwayFromZero) {
  EXPECT_EQ(KxScaleLong(-150, 50, false), -75);
  EXPECT_EQ(KxScaleLong(3, 50, false), 2);
  EXPECT_EQ(KxScaleLong(-3, 50, false), -2);
  EXPECT_EQ(KxScaleLong(7, 200, true), 4);
  EXPECT_EQ(KxScaleLong(123, 0, true), 123);
  EXPECT_EQ(KxScaleLong(123, 100, false), 123);
  // Above 2099999 the inverse truncates.
  EXPECT_EQ(KxScaleLong(2100001, 300, true), 700000);
  EXPECT_EQ(KxScaleLong(2099999, 300, true), 700000);
}

TEST(Geometry, ScalingOfHugeValuesDoesNotWrap) {
  EXPECT_EQ(KxScaleLong(INT32_MAX, 400, false), INT32_MAX);
  EXPECT_EQ(KxScaleLong(INT32_MIN, 400, false), INT32_MIN);
  EXPECT_EQ(KxScaleLong(INT32_MIN, 50, false), INT32_MIN / 2);
  EXPECT_EQ(KxScaleLong(30000000, 200, false), 60000000);
  EXPECT_EQ(KxScaleLong(INT32_MAX, 10, true), INT32_MAX);
  EXPECT_EQ(KxScaleToShort(20000, 200), 32767);
  EXPECT_EQ(KxScaleToShort(-20000, 200), -32768);
}

TEST(Geometry, ScaledRectanglesAndSizesKeepAtLeastOne) {
  RectL r{0, 0, 1, 1};
  KxScaleRect(r, 25, false);
  EXPECT_EQ(r.right, 1);   // 0.25 rounds to 0, then width 1
  EXPECT_EQ(r.bottom, 1);
  RectL s{10, 10, 20, 20};
  KxScaleRect(s, 0, false);
  EXPECT_EQ(s.right, 20);
  PointL p{-10, 10};
  KxScalePoint(p, 150, false);
  EXPECT_EQ(p.v, -15);
  EXPECT_EQ(p.h, 15);

  std::int32_t a = 100, b = 200, c = 1, d = 0;
  KxScaleRange(&a, &b, &c, &d, 10, false);
  EXPECT_EQ(a, 10);
  EXPECT_EQ(b, 20);
  EXPECT_EQ(c, 1);
  EXPECT_EQ(d, 1);
}

TEST(Geometry, SeventyTwoDpiRoundsSizeOnceAndSurvivesZeroResolution) {
  RectL r{-150, 150, 450, 451};  // top, left, bottom, right at 144 dpi
  KxSet72DPIRect(r, 144, 144);
  EXPECT_EQ(r.left, 75);
  EXPECT_EQ(r.top, -75);
  EXPECT_EQ(r.right, 75 + 151);  // width 301 rounds once: 150.5 -> 151
  EXPECT_EQ(r.bottom, -75 + 300);

  RectL z{10, 20, 30, 40};
  KxSet72DPIRect(z, 0, 0);
  EXPECT_EQ(z.left, 20);
  EXPECT_EQ(z.bottom, 30);
  KxSet72DPIRect(z, 144, 0);  // only the horizontal axis changes
  EXPECT_EQ(z.left, 10);
  EXPECT_EQ(z.right, 20);
  EXPECT_EQ(z.top, 10);
  EXPECT_EQ(z.bottom, 30);

  RectL huge{0, 0, INT32_MAX, INT32_MAX};
  KxSet72DPIRect(huge, 36, 36);
  EXPECT_EQ(huge.right, INT32_MAX);
}

TEST(Units, ConversionToPointsRoundsAndClamps) {
  EXPECT_EQ(KxUnitLToPointsL(10, 0), 28);   // 1 mm
  EXPECT_EQ(KxUnitLToPointsL(10, 3), 28);
  EXPECT_EQ(KxUnitLToPointsL(100, 1), 720);  // 1 inch
  EXPECT_EQ(KxUnitLToPointsL(1200, 2), 120);  // 12 pt
  EXPECT_EQ(KxUnitLToPointsL(1000000, 1), 327665);
  EXPECT_EQ(KxUnitLToPointsL(-1000000, 0), -327665);
  // Values whose products do not fit 32 bits still stop at the limit.
  EXPECT_EQ(KxUnitLToPointsL(INT32_MAX, 0), 327665);
  EXPECT_EQ(KxUnitLToPointsL(INT32_MIN, 3), -327665);
  EXPECT_EQ(KxUnitLToPointsL(400000000, 1), 327665);
}

TEST(Units, ConversionFromPointsAndSnapping) {
  EXPECT_EQ(KxPointsLToUnitL(28, 0), 10);
  EXPECT_EQ(KxPointsLToUnitL(720, 1), 100);
  EXPECT_EQ(KxPointsLToUnitL(120, 2), 1200);
  EXPECT_EQ(KxPointsLToUnitL(INT32_MAX, 2), INT32_MAX);  // held, not wrapped
  EXPECT_EQ(KxPointsLToUnitL(INT32_MIN, 2), INT32_MIN);
  EXPECT_EQ(KxPointsLToUnitL(INT32_MAX, 0), 757584509);

  // 28 pt comes out a tenth below 10 mm; snapping makes it 10 mm.
  std::int32_t mm = KxPointsLToUnitL(280, 0);
  EXPECT_EQ(mm, 99);
  EXPECT_EQ(KxAdjustUnitL(mm, 0), 100);
  EXPECT_EQ(KxAdjustUnitL(249, 0), 250);
  EXPECT_EQ(KxAdjustUnitL(251, 3), 250);
  EXPECT_EQ(KxAdjustUnitL(-249, 0), -249);  // negative values are not snapped
  EXPECT_EQ(KxAdjustUnitL(249, 1), 249);
}

std::string Num(std::int32_t v, bool commas, std::size_t size = 16) {
  char buf[32];
  short n = KxNumString(buf, size, v, commas);
  EXPECT_EQ(std::size_t(n), std::string(buf).size());
  return buf;
}

TEST(Numbers, DecimalTextWithAndWithoutCommas) {
  EXPECT_EQ(Num(1234567, true), "1,234,567");
  EXPECT_EQ(Num(-1000, true), "-1,000");
  EXPECT_EQ(Num(0, true), "0");
  EXPECT_EQ(Num(999, true), "999");
  EXPECT_EQ(Num(100000, true), "100,000");
  EXPECT_EQ(Num(1234567, false), "1234567");
  EXPECT_EQ(Num(INT32_MIN, true), "-2,147,483,648");
  EXPECT_EQ(Num(INT32_MIN, false), "-2147483648");
  EXPECT_EQ(Num(1234567, true, 4), "1,2");  // a short buffer is never overrun
  EXPECT_EQ(KxNumString(nullptr, 10, 5, false), 0);
  EXPECT_EQ(KxCStrLength(nullptr), 0);
}

TEST(Ranges, IntersectionCropAndShift) {
  SKXRange out{};
  EXPECT_TRUE(UKXRange::RangeIntersection({0, 10}, {5, 10}, &out));
  EXPECT_TRUE(UKXRange::RangesSame(out, {5, 5}));
  EXPECT_TRUE(UKXRange::RangeIntersection({0, 10}, {10, 5}, &out));  // touching
  EXPECT_TRUE(UKXRange::RangesSame(out, {10, 0}));
  EXPECT_TRUE(UKXRange::RangeIntersection({10, 5}, {0, 10}, nullptr));
  EXPECT_FALSE(UKXRange::RangeIntersection({0, 10}, {11, 5}, &out));
  EXPECT_FALSE(UKXRange::RangeIntersection({11, 5}, {0, 10}, &out));
  // Ends beyond 32 bits do not wrap round.
  EXPECT_FALSE(UKXRange::RangeIntersection({INT32_MAX - 1, 10}, {0, 5}, nullptr));
  EXPECT_TRUE(UKXRange::RangeWithinRange({2, 3}, {0, 5}));
  EXPECT_FALSE(UKXRange::RangeWithinRange({2, 4}, {0, 5}));
  EXPECT_FALSE(UKXRange::RangeWithinRange({0, INT32_MAX}, {-10, INT32_MAX}));

  UKXRange::RangeCrop({-5, 10}, {0, 20}, out);
  EXPECT_TRUE(UKXRange::RangesSame(out, {0, 5}));
  UKXRange::RangeCrop({30, 10}, {0, 20}, out);  // outside: empty at the end
  EXPECT_TRUE(UKXRange::RangesSame(out, {20, 0}));
  UKXRange::RangeCrop({-30, 10}, {0, 20}, out);
  EXPECT_TRUE(UKXRange::RangesSame(out, {0, 0}));
  UKXRange::RangeShift({5, 3}, -2, out);
  EXPECT_TRUE(UKXRange::RangesSame(out, {3, 3}));
  EXPECT_EQ(UKXRange::Min(-1, 4), -1);
}

// Key queries read the installed key source.
class Keys : public ::testing::Test {
 protected:
  void SetUp() override { KxSetKeySource(&keys); }
  void TearDown() override { KxSetKeySource(nullptr); }
  KxFakeKeys keys;
};

TEST_F(Keys, ModifierKeysComeFromTheKeyMap) {
  EXPECT_FALSE(KxShiftKeyDown());
  keys.SetKey(0x38, true);
  keys.SetKey(0x35, true);
  EXPECT_TRUE(KxShiftKeyDown());
  EXPECT_TRUE(KxEscapeKeyDown());
  EXPECT_FALSE(KxCommandKeyDown());
  EXPECT_FALSE(KxOptionKeyDown());
  keys.SetKey(0x37, true);
  keys.SetKey(0x3A, true);
  keys.SetKey(0x38, false);
  EXPECT_TRUE(KxCommandKeyDown());
  EXPECT_TRUE(KxOptionKeyDown());
  EXPECT_FALSE(KxShiftKeyDown());
  EXPECT_FALSE(IsThisKeyDown(200));
  EXPECT_FALSE(IsThisKeyDown(-1));
  keys.SetKey(127, true);
  EXPECT_TRUE(IsThisKeyDown(127));
}

TEST_F(Keys, NextKeyIsPeekedWithItsModifiers) {
  short code = -1, mods = -1;
  EXPECT_FALSE(KxGetNextKey(code, mods));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(mods, 0);
  keys.PushKeyDown(0xAB0061, kKxEventShiftKey | kKxEventCommandKey);
  keys.PushKeyDown(0x62, kKxEventOptionKey);
  EXPECT_TRUE(KxGetNextKey(code, mods));
  EXPECT_EQ(code, 0x0061);
  EXPECT_EQ(mods, 3);
  EXPECT_TRUE(KxGetNextKey(code, mods));  // still there: only looked at
  EXPECT_EQ(code, 0x0061);
  keys.PopKeyDown();
  EXPECT_TRUE(KxGetNextKey(code, mods));
  EXPECT_EQ(code, 0x62);
  EXPECT_EQ(mods, 4);
}

}  // namespace
