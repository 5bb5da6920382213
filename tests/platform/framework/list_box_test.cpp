// A list box with more rows than fit: its scroll bar's parts move the first
// visible row, clicks then pick the row under them, and the bar shows only
// while rows are out of sight.
#include "platform/framework/list_box.h"

#include "platform/framework/dialog.h"
#include "window_fixture.h"

namespace {

class ListBoxTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    handler = std::make_unique<StDialogHandler>(3990, nullptr);
  }
  // A press at (dh, dv) of the pane's frame, let go at (toH, toV).
  void Press(LPane& pane, int dh, int dv, int toH = -1, int toV = -1) {
    const RectL f = pane.CalcPortFrameRect();
    host.Clock().Advance(kKxDoubleClickTicks + 1);   // never a double click
    host.PostMouse(true, Global(*handler->GetDialog(), f.left + dh, f.top + dv));
    host.PostMouse(false, Global(*handler->GetDialog(), f.left + (toH < 0 ? dh : toH), f.top + (toV < 0 ? dv : toV)));
    host.SetIdleLimit(1);
    while (host.PendingEvents()) handler->DoDialog();
  }
  std::unique_ptr<StDialogHandler> handler;
};

TEST_F(ListBoxTest, TheBarsPartsMoveTheFirstRowAndClicksFollow) {
  LListBox& list = *dynamic_cast<LListBox*>(handler->GetDialog()->FindPaneByID(4000));   // 5 rows, 3 fit
  LScrollBar& bar = *list.GetVScrollBar();
  ASSERT_TRUE(bar.IsVisible());
  const RectL f = bar.CalcPortFrameRect();
  const int barH = f.bottom - f.top;
  Press(bar, 7, barH - 3);   // down arrow
  EXPECT_EQ(bar.GetValue(), 1);
  Press(list, 5, 1 + 3);   // the first row that shows
  EXPECT_EQ(list.GetValue(), 1);
  Press(bar, 7, barH - 17);   // page area below the thumb: held at the last row
  EXPECT_EQ(list.GetTopRow(), 2);
  Press(list, 5, 1 + 32 + 3);
  EXPECT_EQ(list.GetCell(list.GetValue()), "Magenta");
  Press(bar, 7, 3);   // up arrow
  EXPECT_EQ(list.GetTopRow(), 1);
  RectL local;
  bar.CalcLocalFrameRect(local);
  const RectL thumb = bar.ThumbRect();
  Press(bar, 7, (thumb.top + thumb.bottom) / 2 - local.top, 7, 0);   // the thumb dragged to the top
  EXPECT_EQ(list.GetTopRow(), 0);

  // Every row fits: no bar, and the right edge picks a row again.
  list.RemoveAllRows();
  for (const char* row : {"a", "b", "c"}) list.AddRow(row);
  EXPECT_FALSE(bar.IsVisible());
  Press(list, f.right - list.CalcPortFrameRect().left - 3, 1 + 16 + 3);
  EXPECT_EQ(list.GetValue(), 1);
}

}  // namespace
