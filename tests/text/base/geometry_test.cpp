#include "text/base/geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "platform/keys.h"
#include "text/base/range.h"

namespace {

TEST(Geometry, NarrowingHoldsAtSixteenBitLimits) {
  RectL big{-40000, 40000, 70000, -70000};
  Rect r;
  KxSetRect(r, big);
  EXPECT_EQ((std::vector<int>{r.top, r.left, r.bottom, r.right}), (std::vector<int>{-32768, 32767, 32767, -32768}));
  Point p;
  KxSetPoint(p, PointL{INT32_MIN, 12});
  EXPECT_EQ((std::pair<int, int>(p.v, p.h)), (std::pair<int, int>(-32768, 12)));
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

// Rounds away from zero; above 2099999 the inverse truncates; huge values
// are held, not wrapped.
TEST(Geometry, Scaling) {
  struct Case {
    std::int32_t value;
    short percent;
    bool inverse;
    std::int32_t scaled;
  };
  for (const Case& c : {Case{-150, 50, false, -75}, {3, 50, false, 2}, {-3, 50, false, -2}, {7, 200, true, 4},
                        {123, 0, true, 123}, {123, 100, false, 123}, {2100001, 300, true, 700000},
                        {2099999, 300, true, 700000}, {INT32_MAX, 400, false, INT32_MAX},
                        {INT32_MIN, 400, false, INT32_MIN}, {INT32_MIN, 50, false, INT32_MIN / 2},
                        {30000000, 200, false, 60000000}, {INT32_MAX, 10, true, INT32_MAX}})
    EXPECT_EQ(KxScaleLong(c.value, c.percent, c.inverse), c.scaled) << c.value << " " << c.percent;
  EXPECT_EQ(KxScaleToShort(20000, 200), 32767);
  EXPECT_EQ(KxScaleToShort(-20000, 200), -32768);
}

TEST(Geometry, ScaledRectanglesAndSizesKeepAtLeastOne) {
  RectL r{0, 0, 1, 1};
  KxScaleRect(r, 25, false);
  EXPECT_EQ(r.right, 1);  // 0.25 rounds to 0, then width 1
  EXPECT_EQ(r.bottom, 1);
  RectL s{10, 10, 20, 20};
  KxScaleRect(s, 0, false);
  EXPECT_EQ(s.right, 20);
  PointL p{-10, 10};
  KxScalePoint(p, 150, false);
  EXPECT_EQ((std::pair<int, int>(p.v, p.h)), (std::pair<int, int>(-15, 15)));
  std::int32_t a = 100, b = 200, c = 1, d = 0;
  KxScaleRange(&a, &b, &c, &d, 10, false);
  EXPECT_EQ((std::vector<std::int32_t>{a, b, c, d}), (std::vector<std::int32_t>{10, 20, 1, 1}));
}

TEST(Geometry, SeventyTwoDpiRoundsSizeOnceAndSurvivesZeroResolution) {
  RectL r{-150, 150, 450, 451};  // top, left, bottom, right at 144 dpi
  auto sides = [](const RectL& q) { return std::vector<std::int32_t>{q.top, q.left, q.bottom, q.right}; };
  KxSet72DPIRect(r, 144, 144);
  // Width 301 rounds once: 150.5 -> 151.
  EXPECT_EQ(sides(r), (std::vector<std::int32_t>{-75, 75, -75 + 300, 75 + 151}));
  RectL z{10, 20, 30, 40};
  KxSet72DPIRect(z, 0, 0);
  EXPECT_EQ(sides(z), (std::vector<std::int32_t>{10, 20, 30, 40}));
  KxSet72DPIRect(z, 144, 0);  // only the horizontal axis changes
  EXPECT_EQ(sides(z), (std::vector<std::int32_t>{10, 10, 30, 20}));

  RectL huge{0, 0, INT32_MAX, INT32_MAX};
  KxSet72DPIRect(huge, 36, 36);
  EXPECT_EQ(huge.right, INT32_MAX);
}

// Units: 0 mm/10, 1 inch/100, 2 points/100, 3 mm/10 again. Conversions
// round, and clamp even where the products do not fit 32 bits.
TEST(Units, ConversionsRoundAndClamp) {
  struct Case {
    std::int32_t value;
    short unit;
    std::int32_t converted;
  };
  for (const Case& c : {Case{10, 0, 28}, {10, 3, 28}, {100, 1, 720}, {1200, 2, 120}, {1000000, 1, 327665},
                        {-1000000, 0, -327665}, {INT32_MAX, 0, 327665}, {INT32_MIN, 3, -327665},
                        {400000000, 1, 327665}})
    EXPECT_EQ(KxUnitLToPointsL(c.value, c.unit), c.converted) << c.value << " in unit " << c.unit;
  for (const Case& c : {Case{28, 0, 10}, {720, 1, 100}, {120, 2, 1200}, {INT32_MAX, 2, INT32_MAX},
                        {INT32_MIN, 2, INT32_MIN}, {INT32_MAX, 0, 757584509}, {280, 0, 99}})
    EXPECT_EQ(KxPointsLToUnitL(c.value, c.unit), c.converted) << c.value << " points to unit " << c.unit;
  // 28 pt comes out a tenth below 10 mm; snapping makes it 10 mm. Negative
  // values are not snapped.
  for (const Case& c : {Case{99, 0, 100}, {249, 0, 250}, {251, 3, 250}, {-249, 0, -249}, {249, 1, 249}})
    EXPECT_EQ(KxAdjustUnitL(c.value, c.unit), c.converted) << c.value << " in unit " << c.unit;
}

std::string Num(std::int32_t v, bool commas, std::size_t size = 16) {
  char buf[32];
  short n = KxNumString(buf, size, v, commas);
  EXPECT_EQ(std::size_t(n), std::string(buf).size());
  return buf;
}

TEST(Numbers, DecimalTextWithAndWithoutCommas) {
  EXPECT_EQ(Num(1234567, true) + " " + Num(-1000, true) + " " + Num(0, true) + " " + Num(999, true) + " " +
                Num(100000, true) + " " + Num(INT32_MIN, true),
            "1,234,567 -1,000 0 999 100,000 -2,147,483,648");
  EXPECT_EQ(Num(1234567, false) + " " + Num(INT32_MIN, false), "1234567 -2147483648");
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
