// Caret and selection: the highlight as exclusive-or spans (checked on a
// surface against a fresh drawing), clicks by unit, bracket balancing,
// caret blinking and the typing attributes the caret picks up.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "layout/text_edit.h"
#include "platform/clock.h"
#include "text_edit_fixture.h"

using kxtest::TestEdit;

namespace {

const std::string kText = "one two (three [four] five)\r" SJ_A SJ_KAN " six seven eight nine ten\r\rlast words";

// What a fresh edit object shows for the selection anchor..active.
kxtest::XorSurface FreshDrawing(const TestEdit& like, long anchor, long active) {
  TestEdit f(like.ToDestRect().right - like.ToDestRect().left);
  f.SetLineStyl(like.GetLineStyl(), 0);
  f.SetEditScale(like.GetEditScale());
  f.SetText(&like);
  f.CalcText();
  f.SetViewRect(RectL{0, 0, 400, 400});
  f.SetSelect(anchor, active);
  f.Activate();
  return f.surface;
}

}  // namespace

// Any sequence of selections, hidden and shown, leaves the surface as a
// fresh drawing of the last one: only what changed is inverted.
TEST(TextEditSelect, HighlightChangesMatchAFreshDrawing) {
  for (bool vertical : {false, true}) {
    for (short scale : {100, 133}) {
      TestEdit e(90);
      e.SetString(kText);
      if (vertical) e.SetVertical(1);
      e.SetEditScale(scale);
      e.SetViewRect(RectL{0, 0, 400, 400});
      e.Activate();
      std::mt19937 rng(unsigned(scale) + vertical);
      for (int i = 0; i < 60; ++i) {
        long a, b;
        e.GetSelect(a, b);
        const int op = int(rng() % 4);
        long na = long(rng() % size_t(e.GetLength() + 1)), nb = long(rng() % size_t(e.GetLength() + 1));
        if (op == 0) na = a;  // only the active end moves
        if (op == 1) nb = b;  // only the anchor moves
        if (op == 2) nb = na;  // a caret
        e.SetSelect(na, nb);
        e.GetSelect(a, b);
        if (rng() % 3 == 0 && a != b) {
          e.ViewSelection(0);
          EXPECT_EQ(e.surface.Count(), 0) << "hidden, step " << i;
          e.ViewSelection(1);
        }
        ASSERT_TRUE(e.surface == FreshDrawing(e, a, b))
            << "vertical " << vertical << " scale " << scale << " step " << i << ": " << a << ".." << b;
      }
      e.Deactivate();
      EXPECT_EQ(e.surface.Count(), 0);
    }
  }
}

TEST(TextEditSelect, ExtendingByKeysAndDragging) {
  TestEdit e(90);
  e.SetString(kText);
  e.SetViewRect(RectL{0, 0, 400, 400});
  e.Activate();
  e.SetSelect(10, 10);
  for (int i = 0; i < 5; ++i) e.MoveKey(kKxCharRightArrow, kKxModExtend);
  e.MoveKey(kKxCharDownArrow, kKxModExtend);
  e.MoveKey(kKxCharLeftArrow, kKxModExtend);
  long a, b;
  e.GetSelect(a, b);
  EXPECT_EQ(a, 10);
  EXPECT_TRUE(e.surface == FreshDrawing(e, a, b));
  // Dragging back over the anchor.
  e.Click(e.GetPoint(12), 0, 0, 1);
  e.Click(e.GetPoint(3), 1, 2, 1);
  e.GetSelect(a, b);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 3);
  EXPECT_TRUE(e.surface == FreshDrawing(e, a, b));
}

TEST(TextEditSelect, ClicksByUnit) {
  KxFakeClock clock;
  KxSetClock(&clock);
  TestEdit e(600);
  e.SetString(kText);
  e.SetViewRect(RectL{0, 0, 400, 600});
  e.Activate();
  const PointL inSix = e.GetPoint(kText.find("six") + 1);
  long a, b;
  // Counted here: the same place within the double-click time advances.
  for (int click = 1; click <= 4; ++click) {
    e.Click(inSix, 0, 0, 0);
    e.Click(inSix, 0, 1, 0);
    clock.Advance(2);
    e.GetSelect(a, b);
    const long six = long(kText.find("six"));
    const long lo = std::min(a, b), hi = std::max(a, b);
    const long wantLo[] = {lo, six, 28, lo};
    const long wantHi[] = {lo, six + 3, long(kText.find("\r\r")) + 1, lo};
    EXPECT_EQ(lo, wantLo[click - 1]) << "click " << click;
    EXPECT_EQ(hi, wantHi[click - 1]) << "click " << click << " (a fourth returns to characters)";
  }
  // Too late for a double click.
  clock.Advance(100);
  e.Click(inSix, 0, 0, 0);
  EXPECT_EQ(e.GetClickMode(), 0);
  // A double click on "(" selects through its ")".
  const long open = long(kText.find('('));
  e.Click(e.GetPoint(open), 0, 0, 2);
  e.GetSelect(a, b);
  EXPECT_EQ(std::min(a, b), open);
  EXPECT_EQ(std::max(a, b), long(kText.find(')')) + 1);
  // A word selection dragged back past its start keeps the whole word.
  const long seven = long(kText.find("seven"));
  e.Click(e.GetPoint(seven + 2), 0, 0, 2);
  e.Click(e.GetPoint(seven - 3), 0, 2, 2);  // in "six"
  e.GetSelect(a, b);
  EXPECT_EQ(std::max(a, b), seven + 5);
  EXPECT_EQ(std::min(a, b), long(kText.find("six")));
  // Below the last line: the end.
  e.Click(PointL{5000, 10}, 0, 0, 1);
  e.GetSelect(a, b);
  EXPECT_EQ(b, e.GetLength());
  KxSetClock(nullptr);
}

TEST(TextEditSelect, BalanceWalksByCharacters) {
  struct Case {
    const char* name;
    std::string text;
    long at;
    long to;  // -1: not balanced
  };
  const Case cases[] = {
      {"nested pairs", "a(b(c)d)e", 1, 7},
      {"backward from the closing one", "a(b(c)d)e", 7, 1},
      {"trail bytes 0x5B and 0x5D are no brackets", "[" SJ_BAR "\x81\x5d]", 0, 5},
      {"unmatched", "(abc", 0, -1},
      {"not a bracket", "abc", 1, -1},
  };
  for (const Case& c : cases) {
    TestEdit e;
    e.SetString(c.text);
    long s = c.at, t = c.at + 1;
    const bool ok = e.BalanceSelection(s, t);
    EXPECT_EQ(ok, c.to >= 0) << c.name;
    if (ok) {
      EXPECT_EQ(s, std::min(c.at, c.to)) << c.name;
      EXPECT_EQ(t, std::max(c.at, c.to) + 1) << c.name;
    }
  }
  // The search stops 5000 bytes out.
  TestEdit far;
  far.SetString("(" + std::string(6000, 'x') + ")");
  long s = 0, t = 1;
  EXPECT_FALSE(far.BalanceSelection(s, t));
}

TEST(TextEditSelect, CaretBlinksAndPicksUpTheStyle) {
  KxFakeClock clock;
  KxSetClock(&clock);
  TestEdit e(600);
  e.SetString("abcdef");
  e.SetStylSize(3, 6, 20);
  e.CalcText();
  e.SetViewRect(RectL{0, 0, 400, 600});
  e.Activate();
  e.SetSelect(2, 2);
  EXPECT_TRUE(e.IsCaretDrawn());
  EXPECT_EQ(e.Idle(), 0);
  clock.Advance(clock.blink);
  EXPECT_EQ(e.Idle(), 1);
  EXPECT_FALSE(e.IsCaretDrawn());
  EXPECT_EQ(e.surface.Count(), 0);
  clock.Advance(clock.blink);
  e.Idle();
  EXPECT_TRUE(e.IsCaretDrawn());
  // Moving the caret hides it where it was.
  const std::uint16_t r = e.SetSelect(5, 5);
  EXPECT_TRUE(r & kKxEditStylChanged);  // the character before is 20 points
  SStyl cur;
  e.GetCurStyl(cur);
  EXPECT_EQ(cur.size, 20);
  EXPECT_TRUE(e.surface == FreshDrawing(e, 5, 5));
  // Caret rectangle: one unit wide, left of the pen, the line's height.
  const RectL c = e.GetCaretRect();
  EXPECT_EQ(c.right - c.left, 1);
  EXPECT_EQ(c.bottom - c.top, e.GetLineHeightAt(1));
  // Printing neither blinks nor shows.
  e.SetPrinting(1);
  EXPECT_EQ(e.Idle(), 0);
  e.SetPrinting(0);
  EXPECT_TRUE(e.IsActive());
  KxSetClock(nullptr);
}
