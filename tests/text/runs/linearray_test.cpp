#include "text/runs/linearray.h"

#include <gtest/gtest.h>

namespace {

TEST(LineArray, StartsWithOneLineAndReportsLengths) {
  CKXLineArray a;
  long len = -1;
  EXPECT_EQ(a.GetCount(), 1);
  EXPECT_EQ(a.GetLineAt(1, len), 0);
  EXPECT_EQ(len, 0);
  a.InsertLineAt(2, 10);
  a.InsertLineAt(3, 25);
  EXPECT_EQ(a.GetLineAt(1, len), 0);
  EXPECT_EQ(len, 10);
  EXPECT_EQ(a.GetLineAt(2, len), 10);
  EXPECT_EQ(len, 15);
  EXPECT_EQ(a.GetLineAt(3, len), 25);
  EXPECT_EQ(len, 0);  // the last line
  a.SetLineAt(2, 12);
  a.SetLineAt(9, 99);  // out of range: nothing
  SKXLine lines[3];
  a.GetTextLines(lines, 3);
  EXPECT_EQ(lines[1].offset, 12);
  EXPECT_EQ(lines[2].offset, 25);
  EXPECT_EQ(a.GetArrayIndex(24), 2);  // line search by offset
}

TEST(HeightArray, RangeHeightsAcrossRunsAndPageBreaks) {
  CKXHeitArray h;
  unsigned char flag = 0;
  EXPECT_EQ(h.GetRangeHeight(0, 9, 9, flag), 140);
  EXPECT_EQ(flag, 0);
  h.InsertHeightAt(2, 5, 20 | kKxHeightPageBreak);
  EXPECT_EQ(h.GetRangeHeight(3, 6, 9, flag), 2 * 14 + 2 * 20);
  EXPECT_EQ(flag, 1);
  flag = 0;
  EXPECT_EQ(h.GetRangeHeight(0, 4, 9, flag), 70);
  EXPECT_EQ(flag, 0);
  flag = 1;
  h.GetRangeHeight(0, 1, 9, flag);
  EXPECT_EQ(flag, 1);  // never cleared here
  EXPECT_EQ(h.GetHeightAt(2) & kKxHeightMask, 20);
  h.SetHeightAt(1, 16);
  EXPECT_EQ(h.GetHeightAt(1), 16);
  EXPECT_EQ(h.GetHeightAt(3), 0);
}

TEST(HeightArray, PuttingARunInsideAnother) {
  CKXHeitArray h;
  // Lines 3..4 of the run 0..9 get height 18.
  h.InsertHeightAt(1, 3, 18, 2, 10);
  SKXHeit runs[3];
  ASSERT_EQ(h.GetCount(), 3);
  h.GetTextHeits(runs, 3);
  EXPECT_EQ(runs[0].line, 0);
  EXPECT_EQ(runs[1].line, 3);
  EXPECT_EQ(runs[1].code, 18);
  EXPECT_EQ(runs[2].line, 5);
  EXPECT_EQ(runs[2].code, 14);
  unsigned char flag = 0;
  EXPECT_EQ(h.GetRangeHeight(0, 9, 9, flag), 8 * 14 + 2 * 18);
}

TEST(PageArray, LineRangesAreOneBased) {
  CKXPageArray p;
  long first = 0, last = 0;
  p.GetLineRangeAt(1, first, last);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 1);
  p.InsertPageAt(2, 10, 30);
  p.GetLineRangeAt(2, first, last);
  EXPECT_EQ(first, 11);
  EXPECT_EQ(last, 40);
}

}  // namespace
