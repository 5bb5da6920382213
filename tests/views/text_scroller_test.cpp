// Scrolling a text pane: arrow acceleration on the virtual clock, page and
// scaled steps, the wheel (burst ends, sideways, scale, background
// windows, capped steps), the event view's handler rules, and the split
// bar's snapping.
#include "text_view_fixture.h"
#include "views/scroll_wheel.h"

namespace {
using kxtest::ManyLines;
using kxtest::TextPaneTest;

class TextScrollerTest : public TextPaneTest {};

// The pixels each of `count` arrow steps moved, holding the arrow.
std::vector<std::int32_t> HeldSteps(TextScrollerTest& t, CKXTextScroller& sc, bool vertical, int count,
                                    KxHeadlessHost& host) {
  std::vector<std::int32_t> moved;
  for (int k = 0; k < count; ++k) {
    const SPoint32 a = t.ScrollOfPublic(0);
    if (vertical)
      sc.VertScroll(kControlDownButtonPart);
    else
      sc.HorizScroll(kControlDownButtonPart);
    const SPoint32 b = t.ScrollOfPublic(0);
    moved.push_back(vertical ? b.v - a.v : b.h - a.h);
    host.Clock().Advance(2);   // well within the blink time
  }
  return moved;
}

TEST_F(TextScrollerTest, HeldArrowsAccelerateAtTheirThresholds) {
  struct Case {
    bool vertical;
    std::vector<std::pair<int, int>> spans;   // (steps, pixels each)
  } cases[] = {
      {true, {{10, 16}, {20, 32}, {20, 64}, {5, 128}}},
      {false, {{5, 16}, {10, 32}, {10, 64}, {5, 128}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vertical ? "vertical" : "horizontal");
    Open(ManyLines(3000, 400), 400, 300);
    int total = 0;
    for (const auto& s : c.spans) total += s.first;
    const auto moved = HeldSteps(*this, *panes.scroller[0], c.vertical, total, host);
    int at = 0;
    for (const auto& s : c.spans)
      for (int k = 0; k < s.first; ++k, ++at) EXPECT_EQ(moved[std::size_t(at)], s.second) << "step " << at + 1;
    TearDown();
    SetUp();
  }
}

TEST_F(TextScrollerTest, APauseAnotherPartOrABurstEndStartsAgain) {
  Open(ManyLines(3000), 400, 300);
  CKXTextScroller& sc = *panes.scroller[0];
  for (int k = 0; k < 12; ++k) sc.VertScroll(kControlDownButtonPart);
  EXPECT_EQ(sc.GetRepeatCount(), 12);
  host.Clock().Advance(GetCaretTime() + 1);   // a pause longer than the blink
  sc.VertScroll(kControlDownButtonPart);
  EXPECT_EQ(sc.GetRepeatCount(), 1);
  for (int k = 0; k < 12; ++k) sc.VertScroll(kControlDownButtonPart);
  sc.VertScroll(kKxPartWheelEndDown);
  EXPECT_EQ(sc.GetRepeatCount(), 0);
  for (int k = 0; k < 12; ++k) sc.VertScroll(kControlDownButtonPart);
  sc.HorizScroll(kControlDownButtonPart);   // the other bar's arrow is another part
  EXPECT_EQ(sc.GetRepeatCount(), 1);
}

TEST_F(TextScrollerTest, StepsByScaleAndPagesByFrame) {
  struct Case {
    short scale;
    std::int32_t height;
    std::int16_t part;
    std::int32_t expect;
  } cases[] = {
      {0, 300, kControlDownButtonPart, 16},   {200, 300, kControlDownButtonPart, 32},
      {50, 300, kControlDownButtonPart, 16},  {200, 300, kControlPageDownPart, 285 - 16},
      {0, 300, kControlPageDownPart, 285 - 16},   // the frame less one step
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.scale << "% part " << c.part);
    Open(ManyLines(3000), 400, c.height, 0, false, c.scale);
    const SPoint32 a = ScrollOf(0);
    panes.scroller[0]->VertScroll(c.part);
    EXPECT_EQ(ScrollOf(0).v - a.v, c.expect);
    TearDown();
    SetUp();
  }
}

TEST_F(TextScrollerTest, APageOnATinyFrameMovesOneStep) {
  Open(ManyLines(3000), 400, 300);
  // A frame of 10 pixels: the page step would be -6, so it is the step.
  panes.view[0]->ResizeFrameTo(385, 10, false);
  const SPoint32 a = ScrollOf(0);
  panes.scroller[0]->VertScroll(kControlPageDownPart);
  EXPECT_EQ(ScrollOf(0).v - a.v, 16);
}

// A press on the bar's down arrow, then idle turns with the button held
// (or released) at `where`, `ticks` ticks apart; answers the pixels moved.
std::int32_t PressArrow(TextScrollerTest& t, KxHeadlessHost& host, LWindow& window, Point where, int turns,
                        bool held, bool blink) {
  const std::int32_t before = t.ScrollOfPublic(0).v;
  EventRecord e;
  e.what = mouseDown;
  e.where = where;
  e.when = TickCount();
  window.HostMouseDown(e);
  if (!held) {
    e.what = mouseUp;
    e.modifiers = kKxEventButtonState;
    window.HostMouseUp(e);
  }
  for (int k = 0; k < turns; ++k) {
    host.Clock().Advance(blink ? GetCaretTime() + 1 : 1);
    if (blink) t.engine->Idle();   // the caret blinks while nothing happens
    EventRecord idle;
    idle.what = nullEvent;
    idle.where = where;
    idle.modifiers = held ? 0 : kKxEventButtonState;
    LPeriodical::DevoteTimeToIdlers(idle);
  }
  if (held) {
    e.what = mouseUp;
    e.modifiers = kKxEventButtonState;
    window.HostMouseUp(e);
  }
  return t.ScrollOfPublic(0).v - before;
}

TEST_F(TextScrollerTest, TheArrowsScrollWhenClickedAndRepeatWhileHeld) {
  Open(ManyLines(3000), 400, 300);
  panes.window->Activate();
  const RectL bar = panes.scroller[0]->GetVScrollBar()->CalcPortFrameRect();
  const Point down = GlobalOf(SPoint32{bar.left + 7, bar.bottom - 5});
  const Point up = GlobalOf(SPoint32{bar.left + 7, bar.top + 5});
  // A click moves one step, and the caret's blinking afterwards keeps it.
  EXPECT_EQ(PressArrow(*this, host, *panes.window, down, 4, false, true), 16);
  EXPECT_EQ(PressArrow(*this, host, *panes.window, up, 4, false, true), -16);
  // Held still: nothing more until the delay is over, then a step every
  // few ticks; the release stops it.
  host.Clock().Advance(GetCaretTime() + 1);
  EXPECT_EQ(PressArrow(*this, host, *panes.window, down, int(kKxScrollRepeatDelay) - 1, true, false), 16);
  host.Clock().Advance(GetCaretTime() + 1);
  const std::int32_t moved = PressArrow(*this, host, *panes.window, down, int(kKxScrollRepeatDelay) + 10, true, false);
  EXPECT_GE(moved, 16 * 5);
  EXPECT_EQ(PressArrow(*this, host, *panes.window, down, 0, false, false), 16) << "released: no idler left";
  // Held but moved off the arrow: no repeats.
  const RectL text = panes.view[0]->CalcPortFrameRect();
  const std::int32_t at = ScrollOf(0).v;
  EventRecord e;
  e.what = mouseDown;
  e.where = down;
  panes.window->HostMouseDown(e);
  for (int k = 0; k < 40; ++k) {
    host.Clock().Advance(1);
    EventRecord idle;
    idle.what = nullEvent;
    idle.where = GlobalOf(SPoint32{text.left + 20, text.top + 20});
    LPeriodical::DevoteTimeToIdlers(idle);
  }
  EXPECT_EQ(ScrollOf(0).v - at, 16);
  e.what = mouseUp;
  e.modifiers = kKxEventButtonState;
  panes.window->HostMouseUp(e);
}

// Live scrolling on: the text follows the thumb while it is dragged, and
// the release leaves it where the thumb was let go; off: only the release.
TEST_F(TextScrollerTest, ALiveThumbMovesTheTextWhileDragged) {
  Open(ManyLines(3000), 400, 300);
  panes.window->Activate();
  LScrollBar& bar = *panes.scroller[0]->GetVScrollBar();
  const RectL frame = bar.CalcPortFrameRect();
  for (bool live : {true, false}) {
    SCOPED_TRACE(live);
    CKXScroller::SetLiveScrolling(live);
    panes.scroller[0]->VertScroll(kControlPageUpPart);
    const RectL thumb = bar.ThumbRect();
    SPoint32 grab{thumb.left + 3, thumb.top + 3};
    bar.LocalToPortPoint(grab);
    const std::int32_t start = ScrollOf(0).v;
    EventRecord e;
    e.what = mouseDown;
    e.where = GlobalOf(grab);
    panes.window->HostMouseDown(e);
    std::int32_t last = start;
    for (int k = 1; k <= 4; ++k) {
      host.Clock().Advance(1);
      EventRecord idle;
      idle.what = nullEvent;
      idle.where = GlobalOf(SPoint32{grab.h, grab.v + k * (frame.bottom - frame.top) / 8});
      LPeriodical::DevoteTimeToIdlers(idle);
      const std::int32_t now = ScrollOf(0).v;
      if (live) {
        EXPECT_GT(now, last) << k;
      } else {
        EXPECT_EQ(now, start) << k;
      }
      last = now;
    }
    e.what = mouseUp;
    e.modifiers = kKxEventButtonState;
    e.where = GlobalOf(SPoint32{grab.h, grab.v + 4 * (frame.bottom - frame.top) / 8});
    panes.window->HostMouseUp(e);
    EXPECT_GT(ScrollOf(0).v, start);
    if (live) {
      EXPECT_EQ(ScrollOf(0).v, last);
    }
  }
  CKXScroller::SetLiveScrolling(false);
}

TEST_F(TextScrollerTest, SplitPanesShareOnlyTheLineAxis) {
  Open(ManyLines(300, 30), 420, 320, 150);
  panes.scroller[0]->HorizScroll(kControlPageDownPart);
  EXPECT_EQ(ScrollOf(1).h, ScrollOf(0).h);
  EXPECT_GT(ScrollOf(0).h, 0);
  panes.scroller[0]->VertScroll(kControlPageDownPart);
  EXPECT_GT(ScrollOf(0).v, 0);
  EXPECT_EQ(ScrollOf(1).v, 0) << "sideways only";
}

// ---- the wheel -----------------------------------------------------------------------------------

TEST_F(TextScrollerTest, WheelStepsAreSixtyFourBitAndCapped) {
  CScrollWheelHandler w(true, 1);
  EXPECT_EQ(w.StepsFor(1), 1);
  EXPECT_EQ(w.StepsFor(-3), 3);
  EXPECT_EQ(w.StepsFor(INT32_MIN), kKxWheelMaxSteps);
  w.SetLinesPerNotch(INT32_MAX);
  EXPECT_EQ(w.StepsFor(2), kKxWheelMaxSteps) << "no overflow in the product";
  w.SetLinesPerNotch(-5);
  EXPECT_EQ(w.StepsFor(2), 0);
}

TEST_F(TextScrollerTest, TheWheelScrollsThePaneUnderThePointer) {
  struct Case {
    const char* name;
    std::int16_t down, right;
    std::uint16_t modifiers;
    std::int32_t dh, dv;
  } cases[] = {
      {"one notch down", 1, 0, 0, 0, 16},
      {"three notches up after one down: held at the top", -3, 0, 0, 0, -16},
      {"shift turns it sideways", 2, 0, kKxEventShiftKey, 32, 0},
      {"option too", 1, 0, kKxEventOptionKey, 16, 0},
      {"sideways wheel", 0, 1, 0, 16, 0},
  };
  Open(ManyLines(500, 60), 420, 320, 150);
  CScrollWheelHandler wheel;
  CScrollWheelHandler::Install(&wheel);
  SPoint32 last = ScrollOf(1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EventRecord e;
    e.what = kKxWheelEvt;
    e.message = KxWheelMessage(c.down, c.right);
    e.modifiers = c.modifiers;
    e.where = GlobalOf(SPoint32{100, 250});   // over the lower pane
    panes.window->HostWheel(e);
    const SPoint32 now = ScrollOf(1);
    EXPECT_EQ(now.h - last.h, c.dh);
    EXPECT_EQ(now.v - last.v, c.dv);
    EXPECT_EQ(panes.scroller[1]->GetRepeatCount(), 0) << "the burst's end resets the repeat";
    last = now;
  }
  EXPECT_EQ(ScrollOf(0).v, 0) << "the upper pane never scrolled vertically";
  CScrollWheelHandler::Install(nullptr);
}

TEST_F(TextScrollerTest, CtrlWheelStepsTheScaleAndBackgroundWindowsFollowTheSetting) {
  Open(ManyLines(100), 420, 320);
  CScrollWheelHandler wheel(false);
  std::vector<int> scaled;
  wheel.SetScaleHook([&](LWindow*, int dir) { scaled.push_back(dir); });
  EventRecord e;
  e.what = kKxWheelEvt;
  e.where = GlobalOf(SPoint32{100, 100});
  e.message = KxWheelMessage(-1, 0);
  e.modifiers = kKxEventCommandKey;
  EXPECT_TRUE(wheel.HandleWheel(e));
  e.message = KxWheelMessage(2, 0);
  EXPECT_TRUE(wheel.HandleWheel(e));
  EXPECT_EQ(scaled, (std::vector<int>{1, -1}));
  EXPECT_EQ(ScrollOf(0).v, 0);
  // Another window in front: with anyWindow off the wheel leaves ours alone.
  LWindow* front = new LWindow(Rect{600, 600, 700, 700}, reinterpret_cast<ConstStringPtr>("\x01x"), nullptr);
  front->Select();
  e.modifiers = 0;
  e.message = KxWheelMessage(1, 0);
  EXPECT_FALSE(wheel.HandleWheel(e));
  EXPECT_EQ(ScrollOf(0).v, 0);
  wheel.SetAnyWindow(true);
  EXPECT_TRUE(wheel.HandleWheel(e));
  EXPECT_EQ(ScrollOf(0).v, 16);
  delete front;
}

// ---- the event view ------------------------------------------------------------------------------

class CountingHandler : public CKXEventHandler {
 public:
  explicit CountingHandler(int* deaths, bool throwing = false) : mDeaths(deaths), mThrowing(throwing) {}
  ~CountingHandler() override { ++*mDeaths; }
  void MouseDown() override {
    ++downs;
    if (mThrowing) throw std::runtime_error("hook failed");
  }
  void KeyDown() override {
    ++keys;
    if (mThrowing) throw LException(-50);
  }
  int downs = 0, keys = 0;

 private:
  int* mDeaths;
  bool mThrowing;
};

TEST_F(TextScrollerTest, EventViewsShareHandlersAndSwallowTheirExceptions) {
  Open("abc", 300, 200, 80);
  CKXEventView& a = *panes.view[0];
  CKXEventView& b = *panes.view[1];
  int deaths = 0;
  auto* h = new CountingHandler(&deaths);
  a.SetEventHandler(h);
  b.SetEventHandler(h);
  a.SetEventHandler(h);   // the same again: kept
  EXPECT_EQ(h->GetUseCount(), 2);
  EventRecord key;
  key.what = keyDown;
  EXPECT_TRUE(a.HandleKeyPress(key));
  EXPECT_EQ(h->keys, 1);
  EventRecord update;
  update.what = updateEvt;
  EXPECT_FALSE(a.DoEvent(update)) << "not an event a handler takes";
  b.SetEventHandler(nullptr);
  EXPECT_EQ(deaths, 0);
  auto* thrower = new CountingHandler(&deaths, true);
  a.SetEventHandler(thrower);
  EXPECT_EQ(deaths, 1) << "the replaced handler had no other user";
  EventRecord down;
  down.what = mouseDown;
  EXPECT_FALSE(a.DoEvent(down)) << "an exception leaves as not handled";
  EXPECT_FALSE(a.DoEvent(key));
  EXPECT_TRUE(a.HandleKeyPress(key)) << "keys never go further up";
  EXPECT_EQ(thrower->downs, 1);
  a.SetEventHandler(nullptr);
  EXPECT_EQ(deaths, 2);
  EXPECT_FALSE(a.DoEvent(key)) << "no handler";
}

// ---- the split bar -------------------------------------------------------------------------------

TEST_F(TextScrollerTest, TheSplitBandSnapsAwayFromTheEdges) {
  CKXTextSplitView bar;
  const RectL r{0, 0, 400, 600};
  struct Case {
    bool vertical;
    std::int32_t gage;
    bool status;
    SPoint32 mouse;
    bool inside;
    std::int32_t at;
  } cases[] = {
      {false, 0, false, {100, 30}, true, 50},      // near the top: snaps to 50
      {false, 16, false, {100, 46}, true, 66},     // 30 below the ruler: 50 below it
      {false, 0, false, {100, 200}, true, 200},    // free
      {false, 0, false, {100, 340}, true, 334},    // near the bottom: 66 above it
      {false, 0, false, {100, 350}, true, 334},    // the far zone snaps too
      {false, 0, false, {100, 380}, false, 380},   // the last 64 pixels are out
      {false, 0, false, {100, 10}, true, 10},      // above the snap zone
      {true, 0, false, {240, 100}, true, 240},
      {true, 0, false, {100, 100}, true, 220},     // near edge snaps from 58
      {true, 0, true, {100, 100}, false, 100},     // with the status bar the near zone starts at 196
      {true, 0, false, {540, 100}, true, 534},
      {true, 0, false, {580, 100}, false, 580},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.vertical << " " << c.mouse.h << "," << c.mouse.v);
    bar.SetVertical(c.vertical);
    bar.SetGageHeight(c.gage);
    bar.SetStatusShown(c.status);
    std::int32_t at = -1;
    EXPECT_EQ(bar.SnapBand(r, c.mouse, at), c.inside);
    EXPECT_EQ(at, c.at);
  }
}

}  // namespace
