// Panes and views in a headless window: what Refresh, updates and
// ScrollBits do to the backing store's pixels, clipping of DrawSelf,
// coordinates, bindings, finding panes, clicks and cursors.
#include "platform/framework/view.h"

#include <random>

#include "platform/exception.h"
#include "platform/framework/application.h"
#include "platform/toolbox/cursors.h"
#include "window_fixture.h"

namespace {

// A view whose image is stripes: image row v and column h give a colour of
// their own, so every pixel says which image point it shows.
class StripeView : public LView {
 public:
  StripeView(std::int32_t w, std::int32_t h, std::int32_t iw, std::int32_t ih) {
    mFrameSize = {w, h};
    mImageSize = {iw, ih};
  }
  static std::uint32_t ColorAt(std::int32_t h, std::int32_t v) {
    return (std::uint32_t(v & 0xFF) << 16) | (std::uint32_t(h & 0xFF) << 8) | 0x40;
  }
  void DrawSelf() override {
    ++draws;
    // Deliberately far too much: the clip must hold it to the frame and the
    // update area.
    RectL frame;
    CalcLocalFrameRect(frame);
    for (std::int32_t v = frame.top - 20; v < frame.bottom + 20; ++v)
      for (std::int32_t h = frame.left - 20; h < frame.right + 20; ++h) {
        const std::uint32_t c = ColorAt(h, v);
        RGBColor rgb{std::uint16_t((c >> 16) * 257), std::uint16_t(((c >> 8) & 0xFF) * 257),
                     std::uint16_t((c & 0xFF) * 257)};
        RGBForeColor(&rgb);
        Rect px{std::int16_t(v), std::int16_t(h), std::int16_t(v + 1), std::int16_t(h + 1)};
        PaintRect(&px);
      }
  }
  int draws = 0;
};

class Solid : public LPane {
 public:
  explicit Solid(std::int32_t w, std::int32_t h) { mFrameSize = {w, h}; }
  void DrawSelf() override {
    RGBForeColor(&UKXColor::sBlackColor);
    Rect all{-30000, -30000, 30000, 30000};
    PaintRect(&all);
  }
  void ClickSelf(const SMouseDownEvent& e) override { clicks.push_back(e.whereLocal); }
  void EventMouseUp(const EventRecord&) override { ++ups; }
  void AdjustMouseSelf(const SPoint32&, const EventRecord&) override { UCursors::Set(kKxCrossCursor); }
  std::vector<SPoint32> clicks;
  int ups = 0;
};

constexpr std::uint32_t kWhite = 0xFFFFFF;

class ViewTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    window = new LWindow(Rect{50, 50, 50 + 120, 50 + 160}, reinterpret_cast<ConstStringPtr>("\x01W"), nullptr);
    view = new StripeView(100, 60, 400, 300);
    view->PutInside(window, 10, 20);
    Drain();
  }
  void TearDown() override {
    delete window;
    WindowTest::TearDown();
  }
  // Whether the frame shows the image as scrolled now, pixel for pixel.
  ::testing::AssertionResult ShowsImage() {
    SPoint32 pos;
    view->GetScrollPosition(pos);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 100; ++x) {
        const std::uint32_t want = StripeView::ColorAt(pos.h + x, pos.v + y);
        if (Px(*window, 10 + x, 20 + y) != want)
          return ::testing::AssertionFailure() << "pixel " << x << "," << y << " at scroll " << pos.h << "," << pos.v;
      }
    return ::testing::AssertionSuccess();
  }
  std::vector<RectL> Pending() {
    StKxRegion r;
    window->GetPendingUpdate(r);
    return KxRegionRects(r);
  }

  LWindow* window = nullptr;
  StripeView* view = nullptr;
};

TEST_F(ViewTest, RefreshPaintsNothingUntilTheUpdate) {
  ASSERT_TRUE(ShowsImage());
  const int before = view->draws;
  // Paint over the view by hand; a Refresh must leave that alone.
  SetPort(window->HostPort());
  SetOrigin(0, 0);
  Rect all{0, 0, 120, 160};
  ClipRect(&all);
  Rect r{20, 10, 80, 110};
  EraseRect(&r);
  view->Refresh();
  EXPECT_EQ(view->draws, before);
  EXPECT_EQ(Px(*window, 50, 50), kWhite);
  EXPECT_TRUE(window->IsUpdatePending());
  // The host's update event paints it.
  Drain();
  EXPECT_EQ(view->draws, before + 1);
  EXPECT_TRUE(ShowsImage());
  EXPECT_FALSE(window->IsUpdatePending());
}

TEST_F(ViewTest, DrawSelfIsClippedToTheFrameAndTheUpdateArea) {
  // Everything outside the view is background; the view's overdraw by 20
  // pixels all round never shows.
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      const bool inside = x >= 10 && x < 110 && y >= 20 && y < 80;
      if (!inside) {
        ASSERT_EQ(Px(*window, x, y), kWhite) << x << "," << y;
      }
    }
  // An update of part of the frame repaints only that part.
  SetPort(window->HostPort());
  SetOrigin(0, 0);
  Rect all{0, 0, 120, 160};
  ClipRect(&all);
  EraseRect(&all);
  view->RefreshRect(RectL{5, 5, 15, 25});   // local (image) coordinates
  window->UpdatePort();
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      const bool painted = x >= 15 && x < 35 && y >= 25 && y < 35;
      ASSERT_EQ(Px(*window, x, y) != kWhite, painted) << x << "," << y;
    }
}

TEST_F(ViewTest, ScrollBitsMovesPixelsAndInvalidatesExactlyTheStrip) {
  struct Case {
    std::int32_t dh, dv;
    RectL strip;   // port coordinates
  } cases[] = {
      {0, 5, {75, 10, 80, 110}},   // down: the bottom 5 rows
      {0, -7, {20, 10, 27, 110}},  // up: the top 7
      {3, 0, {20, 107, 80, 110}},  // right: the right 3 columns
      {-4, 0, {20, 10, 80, 14}},   // left
  };
  for (const Case& c : cases) {
    view->ScrollImageTo(20, 20, false);
    view->Refresh();
    window->UpdatePort();
    ASSERT_TRUE(ShowsImage());
    const int draws = view->draws;
    std::uint32_t moved = Px(*window, 50 + c.dh, 50 + c.dv);
    view->ScrollImageBy(c.dh, c.dv, true);
    EXPECT_EQ(view->draws, draws) << "nothing is drawn until the update";
    EXPECT_EQ(Px(*window, 50, 50), moved) << c.dh << "," << c.dv;
    const std::vector<RectL> pending = Pending();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].top, c.strip.top);
    EXPECT_EQ(pending[0].left, c.strip.left);
    EXPECT_EQ(pending[0].bottom, c.strip.bottom);
    EXPECT_EQ(pending[0].right, c.strip.right);
    window->UpdatePort();
    EXPECT_TRUE(ShowsImage()) << c.dh << "," << c.dv;
  }
}

TEST_F(ViewTest, RandomScrollsAgreeWithAFreshDrawing) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const int steps = env ? std::max(1, std::atoi(env)) : 40;
  std::mt19937 rng(26);
  std::uniform_int_distribution<int> d(-70, 70);
  for (int i = 0; i < steps; ++i) {
    // Sometimes an update is still pending when the next scroll comes: it
    // must move with the pixels.
    if (rng() % 3 == 0) view->RefreshRect(RectL{0, 0, 400, 300});
    view->ScrollPinnedImageBy(d(rng), d(rng), true);
    if (rng() % 2 == 0) {
      window->UpdatePort();
      ASSERT_TRUE(ShowsImage()) << "step " << i;
    }
  }
  window->UpdatePort();
  EXPECT_TRUE(ShowsImage());
}

TEST_F(ViewTest, PinnedScrollingStopsAtTheImageEdges) {
  // One axis: frame 0..100, image 0..400 scrolled by `at`.
  struct Case {
    std::int32_t delta, frameMin, frameMax, imageMin, imageMax, want;
  } cases[] = {
      {10, 0, 100, 0, 400, 10},       {500, 0, 100, 0, 400, 300},  {-5, 0, 100, 0, 400, 0},
      {-50, 0, 100, -30, 370, -30},   {50, 0, 100, -300, 100, 0},  {20, 0, 100, 0, 60, 0},
      {-20, 0, 100, 0, 60, 0},        {INT32_MIN, 0, 100, -2000000000, 2000000000, -2000000000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LView::CalcPinnedScrollDelta(c.delta, c.frameMin, c.frameMax, c.imageMin, c.imageMax), c.want)
        << c.delta << " " << c.imageMin << ".." << c.imageMax;
  EXPECT_FALSE(view->ScrollPinnedImageBy(-1, -1, true));
  EXPECT_TRUE(view->ScrollPinnedImageBy(1000, 1000, true));
  SPoint32 pos;
  view->GetScrollPosition(pos);
  EXPECT_EQ(pos.h, 300);
  EXPECT_EQ(pos.v, 240);
  // Auto-scroll: a unit towards a point outside the frame.
  view->ScrollImageTo(100, 100, false);
  view->SetScrollUnit(SPoint32{16, 8});
  EXPECT_TRUE(view->AutoScrollImage(SPoint32{90, 170}));   // left of the frame, below it
  view->GetScrollPosition(pos);
  EXPECT_EQ(pos.h, 84);
  EXPECT_EQ(pos.v, 108);
  EXPECT_FALSE(view->AutoScrollImage(SPoint32{120, 120}));   // inside
}

TEST_F(ViewTest, CoordinatesConvertAndNarrowWithoutWrapping) {
  view->ScrollImageTo(30, 40, false);
  SPoint32 p{10, 20};   // port: the frame's top-left
  view->PortToLocalPoint(p);
  EXPECT_EQ(p.h, 30);
  EXPECT_EQ(p.v, 40);
  view->LocalToPortPoint(p);
  EXPECT_EQ(p.h, 10);
  EXPECT_EQ(p.v, 20);
  // A pane far down a huge image: its 16-bit local frame is held at the
  // limit, never wrapped to a negative value.
  view->ResizeImageTo(400, 3000000, false);
  auto* far = new Solid(10, 10);
  far->PutInside(view, 0, 2000000);
  const Rect r = far->CalcLocalFrameRect16();
  EXPECT_EQ(r.top, 32767);
  EXPECT_EQ(r.bottom, 32767);
  RectL wide;
  far->CalcLocalFrameRect(wide);
  EXPECT_EQ(wide.top, 2000000);
  const Point pt = LPane::ToPoint16(SPoint32{-70000, 70000});
  EXPECT_EQ(pt.h, -32768);
  EXPECT_EQ(pt.v, 32767);
}

TEST_F(ViewTest, FindPaneByIDAndTheDeepestPaneUnderAPoint) {
  auto* a = new Solid(20, 20);
  a->SetPaneID(7);
  a->PutInside(view, 0, 0);
  auto* inner = new LView();
  inner->SetPaneID(8);
  inner->ResizeFrameTo(40, 30, false);
  inner->PutInside(view, 30, 10);
  auto* b = new Solid(10, 10);
  b->SetPaneID(9);
  b->PutInside(inner, 5, 5);
  EXPECT_EQ(window->FindPaneByID(7), a);
  EXPECT_EQ(window->FindPaneByID(9), b);
  EXPECT_EQ(view->FindPaneByID(8), inner);
  EXPECT_EQ(inner->FindPaneByID(7), nullptr);   // only inside
  EXPECT_EQ(window->FindPaneByID(0), nullptr);
  EXPECT_EQ(window->FindPaneByID(12345), nullptr);
  // Port points: the view sits at (10, 20).
  EXPECT_EQ(window->FindDeepSubPaneContaining(15, 25), a);
  EXPECT_EQ(window->FindDeepSubPaneContaining(47, 37), b);
  EXPECT_EQ(window->FindDeepSubPaneContaining(70, 50), inner);
  EXPECT_EQ(window->FindDeepSubPaneContaining(100, 75), view);
  EXPECT_EQ(window->FindDeepSubPaneContaining(5, 5), window);
  b->Hide();
  EXPECT_EQ(window->FindDeepSubPaneContaining(47, 37), inner);
  // Deleting a pane takes it out of its view.
  delete a;
  EXPECT_EQ(window->FindPaneByID(7), nullptr);
  // A view cannot go inside itself.
  EXPECT_THROW(view->PutInside(inner), LException);
  EXPECT_EQ(view->GetSuperView(), window) << "a refused move changes nothing";
}

TEST_F(ViewTest, BindingsFollowTheWindowsSize) {
  struct Case {
    SBooleanRect bind;
    RectL want;   // port frame after the window grows by 30 x 20
  } cases[] = {
      {{false, false, false, false}, {20, 10, 40, 30}},
      {{true, true, false, false}, {20, 10, 40, 30}},
      {{true, true, true, false}, {20, 10, 40, 60}},
      {{false, false, true, false}, {20, 40, 40, 60}},
      {{false, false, true, true}, {40, 40, 60, 60}},
      {{true, true, true, true}, {20, 10, 60, 60}},
      {{false, true, false, true}, {20, 10, 60, 30}},
  };
  for (const Case& c : cases) {
    window->DoSetBounds(Rect{50, 50, 170, 210});
    auto* p = new Solid(20, 20);
    p->SetFrameBinding(c.bind);
    p->PutInside(window, 10, 20);
    window->DoSetBounds(Rect{50, 50, 190, 240});
    const RectL f = p->CalcPortFrameRect();
    EXPECT_EQ(f.top, c.want.top);
    EXPECT_EQ(f.left, c.want.left);
    EXPECT_EQ(f.bottom, c.want.bottom);
    EXPECT_EQ(f.right, c.want.right);
    delete p;
  }
  // The backing store follows the size.
  EXPECT_EQ(window->HostPort()->Width(), 190);
  EXPECT_EQ(window->HostPort()->Height(), 140);
}

TEST_F(ViewTest, ClicksGoToTheDeepestPaneAndTheMouseUpFollows) {
  auto* p = new Solid(20, 20);
  p->PutInside(view, 5, 5);   // port (15, 25)
  Drain();
  host.PostMouse(true, Global(*window, 17, 29));
  host.PostMouse(false, Global(*window, 80, 80));
  LApplication app;
  app.ProcessNextEvent();
  ASSERT_EQ(p->clicks.size(), 1u);
  EXPECT_EQ(p->clicks[0].h, 7);   // local = image coordinates of the view
  EXPECT_EQ(p->clicks[0].v, 9);
  app.ProcessNextEvent();
  EXPECT_EQ(p->ups, 1);   // though the mouse went up elsewhere
  // A disabled pane takes no clicks.
  p->Disable();
  host.PostMouse(true, Global(*window, 17, 29));
  app.ProcessNextEvent();
  EXPECT_EQ(p->clicks.size(), 1u);
  // Cursors: the pane's own over it, the arrow elsewhere.
  EventRecord e;
  e.where = Global(*window, 17, 29);
  window->AdjustCursor(e);
  EXPECT_EQ(host.GetCursor(), kKxCrossCursor);
  e.where = Global(*window, 150, 110);
  window->AdjustCursor(e);
  EXPECT_EQ(host.GetCursor(), kKxArrowCursor);
}

// A pane drawn while its window was still inactive shows the active look
// once the window is activated, though its own flag never changed.
TEST_F(ViewTest, ActivationRedrawsPanesDrawnWhileInactive) {
  class Lamp : public LPane {
   public:
    Lamp() { mFrameSize = {10, 10}; }
    void DrawSelf() override {
      RGBForeColor(IsActive() ? &UKXColor::sBlackColor : &UKXColor::sWhiteColor);
      Rect all{-30000, -30000, 30000, 30000};
      PaintRect(&all);
    }
  };
  host.PostEvent(EventRecord{activateEvt, window->GetHostWindow(), 0, {0, 0}, 0});
  Drain();
  auto* lamp = new Lamp;
  lamp->PutInside(window, 2, 2);
  window->UpdatePort();
  EXPECT_EQ(Px(*window, 5, 5), kWhite);
  host.PostEvent(EventRecord{activateEvt, window->GetHostWindow(), 0, {0, 0}, kKxEventActiveFlag});
  Drain();
  window->UpdatePort();
  EXPECT_EQ(Px(*window, 5, 5), 0u);
  host.PostEvent(EventRecord{activateEvt, window->GetHostWindow(), 0, {0, 0}, 0});
  Drain();
  window->UpdatePort();
  EXPECT_EQ(Px(*window, 5, 5), kWhite);
}

TEST_F(ViewTest, HidingRefreshesTheAreaAndStatesFollowTheSuperview) {
  window->UpdatePort();
  view->Hide();
  EXPECT_FALSE(view->IsVisible());
  window->UpdatePort();
  EXPECT_EQ(Px(*window, 50, 50), kWhite);
  view->Show();
  window->UpdatePort();
  EXPECT_TRUE(ShowsImage());
  auto* p = new Solid(5, 5);
  p->PutInside(view);
  EXPECT_TRUE(window->IsActive());
  host.PostEvent(EventRecord{activateEvt, window->GetHostWindow(), 0, {0, 0}, 0});
  Drain();
  EXPECT_FALSE(p->IsActive());
  view->Disable();
  EXPECT_FALSE(p->IsEnabled());
  view->Enable();
  EXPECT_TRUE(p->IsEnabled());
}

}  // namespace
