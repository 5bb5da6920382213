// The wheel over a list box: a row a line (the host makes a notch three
// lines), held to the rows there are, and a click afterwards picks the row
// that shows under it.
#include "views/scroll_wheel.h"

#include "views/controls.h"
#include "views_fixture.h"

namespace {

TEST_F(ViewsTest, TheWheelScrollsTheListUnderThePointer) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& list = Pane<KXListBox>(h, 3967);   // five rows fit
  for (int i = 4; i < 20; ++i) list.AddRow("row " + std::to_string(i));
  CScrollWheelHandler wheel;
  auto turn = [&](std::int16_t down, std::uint16_t mods = 0, int dh = 20) {
    const RectL f = list.CalcPortFrameRect();
    const Rect b = h.GetDialog()->GetGlobalBounds();
    const Point at{std::int16_t(b.top + f.top + 20), std::int16_t(b.left + f.left + dh)};
    return wheel.HandleWheel(EventRecord{kKxWheelEvt, KxWheelMessage(down, 0), 0, at, mods});
  };
  EXPECT_TRUE(turn(3));   // one notch
  EXPECT_EQ(list.GetTopRow(), 3);
  Click(h, 3967, 5, 1 + 16 + 3);   // the second row that shows
  EXPECT_EQ(list.GetValue(), 4);
  EXPECT_TRUE(turn(30));   // held at the last screenful
  Click(h, 3967, 5, 1 + 4 * 16 + 3);
  EXPECT_EQ(list.GetCell(list.GetValue()), "row 19");
  EXPECT_TRUE(turn(INT16_MIN));
  EXPECT_TRUE(turn(6, 0, 155));   // over the list's own scroll bar
  EXPECT_EQ(list.GetTopRow(), 6);
  // Sideways (Shift) a list has nothing to show; a disabled one stays.
  EXPECT_FALSE(turn(1, kKxEventShiftKey));
  list.Disable();
  EXPECT_FALSE(turn(1));
  EXPECT_EQ(list.GetTopRow(), 6);
}

}  // namespace
