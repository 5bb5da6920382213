// The edit object's coordinate spaces: offsets to points and back in both
// writings, at several scales and far from the origin; the rotation of
// rectangles; scrolling to the caret.
#include <gtest/gtest.h>

#include <string>

#include "layout/text_edit.h"
#include "text_edit_fixture.h"

using kxtest::TestEdit;

namespace {

const std::string kMixed = "ab " SJ_A SJ_KAN "cd\tx" SJ_MARU "\r\rlonger line of words here " SJ_KAGI SJ_A
                           "z\r" SJ_BAR SJ_BAR "end";

}  // namespace

// Every caret stop comes back from its point: both writings, four scales,
// and a text image a million points down.
TEST(TextEditCoords, OffsetOfPointIsTheOffset) {
  for (bool vertical : {false, true}) {
    for (short scale : {50, 100, 133, 200}) {
      TestEdit e(90);
      e.SetString(kMixed);
      if (vertical) e.SetVertical(1);
      e.SetEditScale(scale);
      // Shown rectangles: in vertical writing the line length runs down.
      const RectL dest = vertical ? RectL{0, 1000000, 90, 1000000} : RectL{1000000, 0, 1000000, 90};
      const RectL view = vertical ? RectL{0, 1000000, 400, 1000400} : RectL{1000000, 0, 1000400, 400};
      e.Resize(dest, &view);
      ASSERT_EQ(e.Check(), nullptr);
      ASSERT_GE(e.GetLineCount(), 5);
      for (long n = 0; n <= e.GetLength(); ++n) {
        long m = n;
        if (e.AdjustOffset(m, false) != 0) continue;  // inside a character
        const PointL p = e.GetPoint(n);
        EXPECT_EQ(e.GetOffset(p), n) << "vertical " << vertical << " scale " << scale << " offset " << n << " at "
                                     << p.v << "," << p.h;
      }
    }
  }
}

TEST(TextEditCoords, VerticalRotation) {
  TestEdit e(90);
  e.SetString("abc\rdef");
  e.SetVertical(1);
  e.Resize(RectL{0, 0, 90, 200}, nullptr);
  // The extent mirrors layout v: the first line is the rightmost column.
  const PointL first = e.GetPoint(0), second = e.GetPoint(4);
  EXPECT_EQ(first.v, 0);
  EXPECT_GT(first.h, second.h);
  EXPECT_EQ(first.h - second.h, 13);
  // Characters go down the column.
  EXPECT_EQ(e.GetPoint(1).v - first.v, 6);
  RectL r{10, 20, 30, 60};
  e.VerticalRect(r, 1);
  RectL back = r;
  e.VerticalRect(back, 0);
  EXPECT_EQ(back.top, 10);
  EXPECT_EQ(back.left, 20);
  EXPECT_EQ(back.bottom, 30);
  EXPECT_EQ(back.right, 60);
  EXPECT_EQ(r.right - r.left, 20);  // layout height becomes shown width
}

TEST(TextEditCoords, PointsOutsideTheText) {
  TestEdit e(120);
  e.SetString("abc\rdefgh\rij");
  EXPECT_EQ(e.GetOffset(PointL{-50, 30}), 0);          // above: the first line's start
  EXPECT_EQ(e.GetOffset(PointL{5000, 0}), e.GetLength());  // below the last line: the end
  EXPECT_EQ(e.GetOffset(PointL{15, 500}), 9);          // right of a line: before its CR
  EXPECT_EQ(e.GetOffset(PointL{15, 13}), 6);           // nearest boundary
}

TEST(TextEditCoords, ScrollingToTheCaret) {
  TestEdit e(120, RectL{0, 0, 100, 200});
  std::string s;
  for (int i = 0; i < 40; ++i) s += "line\r";
  e.SetString(s);
  e.SetAutoView(1);
  // The caret keeps 2 points from the view's top and bottom.
  e.SetSelect(10, 10);
  EXPECT_EQ(e.SetSelView(0), 0);
  EXPECT_EQ(e.GetSelView(0).v, 0);
  e.SetSelect(0, 0);
  EXPECT_EQ(e.SetSelView(0), kKxEditSelOutside);
  EXPECT_EQ(e.GetSelView(0).v, 2);  // never past the text's top
  e.SetSelect(100, 100);  // line 21, at 260: below the view
  EXPECT_EQ(e.SetSelView(1), kKxEditSelOutside | kKxEditScrollToSel);
  const PointL d = e.GetSelView(0);
  EXPECT_LT(d.v, 0);
  // After moving the view by that much the caret is inside.
  const RectL moved{-d.v, 0, 100 - d.v, 200};
  e.SetViewRect(moved);
  EXPECT_EQ(e.SetSelView(0), 0);
}

// The screen's factor shows a text as a scale would, without being the
// text's scale: the stored scale, and so the scale menu's mark and the
// saved settings, stay as they were; points map back to offsets; printing
// shows points at their own size.
TEST(TextEditCoords, TheScreenFactorIsShownButNeverStored) {
  struct Restore {
    ~Restore() { CKXTextEdit::SetScreenScale(100); }
  } restore;
  for (short stored : {0, 50, 200}) {
    CKXTextEdit::SetScreenScale(100);
    TestEdit plain(90);
    plain.SetString(kMixed);
    plain.SetEditScale(stored);
    const PointL farPlain = plain.GetPoint(plain.GetLength());
    CKXTextEdit::SetScreenScale(133);
    TestEdit e(90);
    e.SetString(kMixed);
    e.SetEditScale(stored);
    EXPECT_EQ(e.GetEditScale(), stored);
    const long base = stored == 0 ? 100 : stored;
    const long shown = (base * 133 + 50) / 100;
    EXPECT_EQ(e.ShownScale(), shown == 100 ? 0 : shown);
    // Larger on the screen than the same text without the factor.
    const PointL far = e.GetPoint(e.GetLength());
    EXPECT_GT(far.v, farPlain.v) << stored;
    for (long n = 0; n <= e.GetLength(); ++n) {
      long m = n;
      if (e.AdjustOffset(m, false) != 0) continue;
      EXPECT_EQ(e.GetOffset(e.GetPoint(n)), n) << stored << " " << n;
    }
    // Printing shows points at their own size, whatever the screen.
    e.SetPrinting(1);
    EXPECT_EQ(e.ShownScale(), 0);
    e.SetPrinting(0);
    EXPECT_EQ(e.GetEditScale(), stored);
  }
}
