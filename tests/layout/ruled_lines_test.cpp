// The per-line guide rules: every style stays inside its line, lines of
// height 0 or 1 and huge pitches end, the hand-drawn rule covers the line
// exactly and repeats every five lines, cell walls follow the pitch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "layout/ruled_lines.h"

namespace {

SKXFormStyl Form(short style, bool fixedChar = false, short pitch = 0, bool thick = false) {
  SKXFormStyl f;
  f.guideStyle = style;
  f.fixedChar = fixedChar ? 1 : 0;
  f.charPitch = pitch;
  f.guideFlag1 = thick ? 1 : 0;
  return f;
}

TEST(RuledLines, EveryStyleStaysInsideItsLine) {
  std::vector<SKXRuleSeg> segs;
  for (short style = 0; style <= 11; ++style)
    for (long height : {0L, 1L, 2L, 13L, 40L})
      for (long width : {0L, 1L, 7L, 300L})
        for (short pitch : {short(0), short(1), short(12), short(500)})
          for (bool thick : {false, true}) {
            const SKXFormStyl f = Form(style, pitch > 0, pitch, thick);
            EXPECT_GE(KxRuleCellSize(f, height), 1);
            KxRuledLineSegments(f, 7, width, height, segs);
            EXPECT_LE(segs.size(), size_t(width) + 8) << style;
            for (const SKXRuleSeg& s : segs) {
              EXPECT_GE(std::min(s.h1, s.h2), 0) << style;
              EXPECT_LE(std::max(s.h1, s.h2), width) << style;
              if (style != 10) {
                EXPECT_GE(std::min(s.v1, s.v2), 0) << style << " " << height;
                EXPECT_LT(std::max(s.v1, s.v2), std::max(height, 1L)) << style;
              }
            }
            if (style == 0 || style == 5 || style > 10 || width == 0 || height == 0) {
              EXPECT_TRUE(segs.empty());
            }
          }
}

TEST(RuledLines, HandDrawnRuleCoversTheLineAndRepeats) {
  std::vector<SKXRuleSeg> a, b, c;
  for (long width : {1L, 9L, 10L, 11L, 400L, 5000L}) {
    KxRuledLineSegments(Form(10), 0, width, 20, a);
    long h = 0;
    for (const SKXRuleSeg& s : a) {
      EXPECT_EQ(s.h1, h);
      EXPECT_GT(s.h2, s.h1);
      EXPECT_LE(std::abs(s.v1 - 19), 3);
      h = s.h2;
    }
    EXPECT_EQ(h, width);
  }
  KxRuledLineSegments(Form(10), 0, 400, 20, a);
  KxRuledLineSegments(Form(10), 5, 400, 20, b);
  KxRuledLineSegments(Form(10), 1, 400, 20, c);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  // Line 1 starts at the sixth pair, (-2, 6).
  EXPECT_EQ(c.front(), (SKXRuleSeg{0, 19, 6, 17}));
  EXPECT_EQ(a.front(), (SKXRuleSeg{0, 19, 10, 19}));
}

TEST(RuledLines, CellWallsFollowThePitch) {
  std::vector<SKXRuleSeg> segs;
  // Fixed pitch 12 over 100 points: 8 whole cells, the rule cut to 97.
  KxRuledLineSegments(Form(2, true, 12), 0, 100, 20, segs);
  ASSERT_GE(segs.size(), 3u);
  EXPECT_EQ(segs[0], (SKXRuleSeg{0, 19, 96, 19}));
  long walls = 0;
  for (size_t k = 3; k < segs.size(); ++k) {
    EXPECT_EQ(segs[k].h1 % 12, 0);
    ++walls;
  }
  EXPECT_EQ(walls, 7);
  // Style 1 rules the cell's top too, three quarters of the height up.
  KxRuledLineSegments(Form(1), 0, 100, 20, segs);
  EXPECT_EQ(segs[1], (SKXRuleSeg{0, 4, 99, 4}));
  // A line one point high has cells of one point and no walls.
  KxRuledLineSegments(Form(1), 0, 1000, 1, segs);
  EXPECT_EQ(segs.size(), 3u);
}

}  // namespace
