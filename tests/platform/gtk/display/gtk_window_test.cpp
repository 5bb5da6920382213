// The framework's own windows on the GTK host (under Xvfb): an LWindow with
// a scrolled view and a pane bound to its corner. Clicks reach ClickSelf at
// local points, user resizes reach the pane frames, keys reach the
// application through the window's commander chain, and the screen shows
// exactly what the same window draws headless.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"
#include "platform/framework/application.h"
#include "platform/framework/window.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/headless.h"

namespace {

constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr CommandT kCmdNew = 2;   // File > New (resources/menus/129.txt)
constexpr int kMaxTurns = 200;

// Where the panes sit: the view at (20, 30) of the content, its image
// scrolled by (15, 25); the corner pane 40 x 20, 10 pixels in from the
// bottom-right corner.
constexpr int kWidth = 320, kHeight = 200;
constexpr int kViewLeft = 20, kViewTop = 30, kViewWidth = 240, kViewHeight = 120;
constexpr int kScrollH = 15, kScrollV = 25;
constexpr int kCornerWidth = 40, kCornerHeight = 20;

Rect R(int left, int top, int right, int bottom) {
  return Rect{std::int16_t(top), std::int16_t(left), std::int16_t(bottom), std::int16_t(right)};
}

class ChainApp : public LApplication {
 public:
  std::vector<CommandT> obeyed;
  void Build() {
    MakeMenuBar();
    UpdateMenus();
  }
  bool ObeyCommand(CommandT command, void* param) override {
    if (command > 0) {
      obeyed.push_back(command);
      return true;
    }
    return LApplication::ObeyCommand(command, param);
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean&, std::uint16_t&, Str255) override {
    enabled = command > 0;
  }
};

// Latin and Japanese text in its scrolled image, and a frame around the
// image's visible part; records where clicks land.
class TextView : public LView {
 public:
  TextView() {
    ResizeFrameTo(kViewWidth, kViewHeight, false);
    ResizeImageTo(600, 400, false);
  }
  std::vector<SPoint32> clicks;
  void ClickSelf(const SMouseDownEvent& e) override { clicks.push_back(e.whereLocal); }
  // Everything at image points, so that scrolled bits and redrawn strips
  // agree.
  void DrawSelf() override {
    RectL frame;
    CalcLocalFrameRect(frame);
    Rect r;
    KxSetRect(r, frame);
    EraseRect(&r);
    Rect box = R(20, 30, 280, 140);
    FrameRect(&box);
    TextFont(kKxApplicationFont);
    TextSize(16);
    MoveTo(28, 60);
    const char latin[] = "Scrolled view, 0123";
    DrawText(latin, 0, std::int32_t(sizeof latin - 1));
    MoveTo(28, 100);
    const char japanese[] = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\xB6\x8E\x9A";   // 日本語の文字
    DrawText(japanese, 0, std::int32_t(sizeof japanese - 1));
  }};

// A black block that keeps its distance to the window's bottom-right corner.
class CornerPane : public LPane {
 public:
  CornerPane() {
    ResizeFrameTo(kCornerWidth, kCornerHeight, false);
    SetFrameBinding(SBooleanRect{false, false, true, true});
  }
  std::vector<SPoint32> clicks;
  void ClickSelf(const SMouseDownEvent& e) override { clicks.push_back(e.whereLocal); }
  void DrawSelf() override {
    RGBForeColor(&UKXColor::sBlackColor);
    RectL frame;
    CalcLocalFrameRect(frame);
    Rect r;
    KxSetRect(r, frame);
    PaintRect(&r);
  }
};

struct Built {
  LWindow* window = nullptr;
  TextView* view = nullptr;
  CornerPane* corner = nullptr;
};

// The same window, whichever host is current.
Built BuildWindow(const Rect& bounds, LCommander* super) {
  const unsigned char title[] = "\x06window";
  Built b;
  b.window = new LWindow(bounds, title, super);
  b.window->SetMinMaxSize(Rect{120, 200, 600, 800});
  b.view = new TextView();
  b.view->PutInside(b.window, kViewLeft, kViewTop);
  b.view->SetFrameBinding(SBooleanRect{true, true, true, true});
  b.view->ScrollImageTo(kScrollH, kScrollV, false);
  const int w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
  b.corner = new CornerPane();
  b.corner->PutInside(b.window, w - 10 - kCornerWidth, h - 10 - kCornerHeight);
  return b;
}

// The first differing pixel (the unused byte of each left out), or "".
std::string ComparePixels(KxPort& a, KxPort& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return "sizes " + std::to_string(a.Width()) + "x" + std::to_string(a.Height()) + " and " +
           std::to_string(b.Width()) + "x" + std::to_string(b.Height());
  cairo_surface_flush(a.Surface());
  cairo_surface_flush(b.Surface());
  const unsigned char* pa = cairo_image_surface_get_data(a.Surface());
  const unsigned char* pb = cairo_image_surface_get_data(b.Surface());
  const int sa = cairo_image_surface_get_stride(a.Surface()), sb = cairo_image_surface_get_stride(b.Surface());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      for (int c = 0; c < 3; ++c)
        if (pa[y * sa + x * 4 + c] != pb[y * sb + x * 4 + c])
          return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
  return "";
}

int DarkPixels(KxPort& p) {
  cairo_surface_flush(p.Surface());
  const unsigned char* d = cairo_image_surface_get_data(p.Surface());
  const int stride = cairo_image_surface_get_stride(p.Surface());
  int dark = 0;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) dark += (d[y * stride + x * 4] | d[y * stride + x * 4 + 1]) == 0;
  return dark;
}

RectL PortFrame(const LPane& pane) { return pane.CalcPortFrameRect(); }

class GtkWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string why;
    sHost = KxGtkHost::Open(&why).release();
    ASSERT_NE(sHost, nullptr) << why;
  }
  static void TearDownTestSuite() {
    delete sHost;
    sHost = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(sHost, nullptr);
    KxFontInstallBackend(KxFreeTypeFontBackend(false, {kIpaGothic}));
    app = std::make_unique<ChainApp>();
    app->SetFastWait(true);
    app->Build();
    built = BuildWindow(R(60, 90, 60 + kWidth, 90 + kHeight), app.get());
    EXPECT_TRUE(sHost->Flush());
    Turns([] { return false; }, 3);   // the activation events
  }
  void TearDown() override {
    delete built.window;
    for (KxWindowID id : sHost->WindowList()) sHost->DestroyWindow(id);
    app.reset();
    KxFontInstallBackend(nullptr);
  }

  bool Turns(const std::function<bool()>& done, int turns = kMaxTurns) {
    for (int i = 0; i < turns; ++i) {
      if (done()) return true;
      app->ProcessNextEvent();
    }
    return done();
  }
  // What the same window draws under the headless host after `steps`.
  static std::unique_ptr<KxPort> HeadlessRendering(const std::function<void(Built&)>& steps = {}) {
    KxHeadlessHost headless(false);
    KxSetHost(&headless);
    Built b = BuildWindow(R(60, 90, 60 + kWidth, 90 + kHeight), nullptr);
    b.window->UpdatePort();
    if (steps) steps(b);
    b.window->UpdatePort();
    KxPort& port = *b.window->HostPort();
    std::unique_ptr<KxPort> copy = KxPort::NewImage(port.Width(), port.Height());
    cairo_t* cr = cairo_create(copy->Surface());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, port.Surface(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    delete b.window;
    KxSetHost(sHost);
    return copy;
  }

  static KxGtkHost* sHost;
  std::unique_ptr<ChainApp> app;
  Built built;
};

KxGtkHost* GtkWindowTest::sHost = nullptr;

TEST_F(GtkWindowTest, TheScreenShowsTheWindowAsItDrawsHeadless) {
  std::unique_ptr<KxPort> shot = sHost->Screenshot(built.window->GetHostWindow());
  ASSERT_NE(shot, nullptr);
  std::unique_ptr<KxPort> headless = HeadlessRendering();
  EXPECT_EQ(ComparePixels(*shot, *headless), "");
  EXPECT_EQ(ComparePixels(*shot, *built.window->HostPort()), "");
  EXPECT_GT(DarkPixels(*headless), kCornerWidth * kCornerHeight + 300) << "text, frame and corner are drawn";
  if (const char* dir = std::getenv("KX_GTK_SHOT_DIR"))
    cairo_surface_write_to_png(shot->Surface(), (std::string(dir) + "/framework_window.png").c_str());
}

TEST_F(GtkWindowTest, ClicksReachClickSelfAtTheirLocalPoint) {
  struct Case {
    const char* what;
    std::int16_t h, v;   // in the content
    LPane* pane;         // which pane's ClickSelf gets it (null: neither)
    std::int32_t localH, localV;
  } cases[] = {
      {"the view's top-left pixel", kViewLeft, kViewTop, built.view, kScrollH, kScrollV},
      {"inside the view", 100, 70, built.view, 100 - kViewLeft + kScrollH, 70 - kViewTop + kScrollV},
      {"the view's last pixel", kViewLeft + kViewWidth - 1, kViewTop + kViewHeight - 1, built.view,
       kViewWidth - 1 + kScrollH, kViewHeight - 1 + kScrollV},
      {"just outside the view", kViewLeft - 1, kViewTop, nullptr, 0, 0},
      {"the corner pane", kWidth - 11, kHeight - 11, built.corner, kWidth - 11, kHeight - 11},
  };
  std::uint32_t time = 1000;
  for (const Case& c : cases) {
    built.view->clicks.clear();
    built.corner->clicks.clear();
    time += 5000;   // no double clicks
    sHost->SynthesizeButton(built.window->GetHostWindow(), Point{c.v, c.h}, true, time);
    sHost->SynthesizeButton(built.window->GetHostWindow(), Point{c.v, c.h}, false, time + 30);
    // A key after the click: once it is obeyed the click has been handled.
    sHost->SynthesizeKey(built.window->GetHostWindow(), 'n', kKxEventCommandKey);
    app->obeyed.clear();
    ASSERT_TRUE(Turns([&] { return !app->obeyed.empty(); })) << c.what;
    std::vector<SPoint32>* got = nullptr;
    if (c.pane == built.view) got = &built.view->clicks;
    if (c.pane == built.corner) got = &built.corner->clicks;
    EXPECT_EQ(built.view->clicks.size() + built.corner->clicks.size(), got ? 1u : 0u) << c.what;
    if (got && got->size() == 1) {
      EXPECT_EQ((*got)[0].h, c.localH) << c.what;
      EXPECT_EQ((*got)[0].v, c.localV) << c.what;
    }
  }
  // The program moves the window: clicks follow it.
  built.window->DoSetBounds(R(300, 240, 300 + kWidth, 240 + kHeight));
  ASSERT_TRUE(sHost->Flush());
  built.view->clicks.clear();
  sHost->SynthesizeButton(built.window->GetHostWindow(), Point{40, 30}, true, time + 5000);
  sHost->SynthesizeButton(built.window->GetHostWindow(), Point{40, 30}, false, time + 5030);
  ASSERT_TRUE(Turns([&] { return !built.view->clicks.empty(); }));
  EXPECT_EQ(built.view->clicks[0].h, 30 - kViewLeft + kScrollH);
  EXPECT_EQ(built.view->clicks[0].v, 40 - kViewTop + kScrollV);
  const Rect moved = sHost->GetWindowBounds(built.window->GetHostWindow());
  EXPECT_EQ(moved.left, 300);
  EXPECT_EQ(moved.top, 240);
}

// The program changes its panes between events: what it scrolls, hides and
// resizes reaches the screen through the updates and the direct drawing, as
// the same steps draw headless.
TEST_F(GtkWindowTest, TheProgramsOwnChangesReachTheScreen) {
  struct Step {
    const char* what;
    std::function<void(Built&)> apply;
  };
  const Step steps[] = {
      {"scroll the view's bits", [](Built& b) { b.view->ScrollImageBy(7, 9, true); }},
      {"scroll back past the start", [](Built& b) { b.view->ScrollImageBy(-30, -40, true); }},
      {"hide the corner", [](Built& b) { b.corner->Hide(); }},
      {"move the view", [](Built& b) { b.view->MoveBy(-10, 12, true); }},
      {"size the window", [](Built& b) { b.window->DoSetBounds(R(60, 90, 60 + 360, 90 + 240)); }},
      {"show the corner", [](Built& b) { b.corner->Show(); }},
  };
  const KxWindowID id = built.window->GetHostWindow();
  for (std::size_t n = 0; n < std::size(steps); ++n) {
    steps[n].apply(built);
    // A few turns of the loop, as the program takes its next events.
    Turns([] { return false; }, 2);
    std::unique_ptr<KxPort> shot = sHost->Screenshot(id);
    ASSERT_NE(shot, nullptr) << steps[n].what;
    std::unique_ptr<KxPort> headless = HeadlessRendering([&](Built& b) {
      for (std::size_t i = 0; i <= n; ++i) steps[i].apply(b);
    });
    EXPECT_EQ(ComparePixels(*shot, *headless), "") << steps[n].what;
    EXPECT_EQ(ComparePixels(*shot, *built.window->HostPort()), "") << steps[n].what;
  }
}

TEST_F(GtkWindowTest, CtrlNReachesTheApplicationThroughTheWindowsChain) {
  EXPECT_TRUE(built.window->IsOnDuty()) << "the active window is the target";
  app->obeyed.clear();
  sHost->SynthesizeKey(built.window->GetHostWindow(), 'n', kKxEventCommandKey);
  ASSERT_TRUE(Turns([&] { return !app->obeyed.empty(); }));
  EXPECT_EQ(app->obeyed, std::vector<CommandT>{kCmdNew});
}

TEST_F(GtkWindowTest, UserResizesReachThePaneFramesAndTheScreen) {
  const KxWindowID id = built.window->GetHostWindow();
  struct Case {
    const char* what;
    int width, height;   // asked for by the user
    int wantW, wantH;    // held to the window's limits
  } cases[] = {
      {"larger", 420, 260, 420, 260},
      {"narrower and taller", 300, 330, 300, 330},
      {"below the minimum", 90, 60, 200, 120},
  };
  for (const Case& c : cases) {
    sHost->SynthesizeResize(id, c.width, c.height);
    ASSERT_TRUE(Turns([&] {
      SDimension32 size;
      built.window->GetFrameSize(size);
      return size.width == c.wantW && size.height == c.wantH;
    })) << c.what;
    EXPECT_TRUE(sHost->Flush()) << c.what;
    const Rect bounds = sHost->GetWindowBounds(id);
    EXPECT_EQ(bounds.right - bounds.left, c.wantW) << c.what;
    EXPECT_EQ(bounds.bottom - bounds.top, c.wantH) << c.what;
    EXPECT_EQ(built.window->HostPort()->Width(), c.wantW) << c.what;
    EXPECT_EQ(built.window->HostPort()->Height(), c.wantH) << c.what;
    const RectL view = PortFrame(*built.view);
    EXPECT_EQ(view.left, kViewLeft) << c.what;
    EXPECT_EQ(view.top, kViewTop) << c.what;
    EXPECT_EQ(view.right, kViewLeft + kViewWidth + c.wantW - kWidth) << c.what;
    EXPECT_EQ(view.bottom, kViewTop + kViewHeight + c.wantH - kHeight) << c.what;
    const RectL corner = PortFrame(*built.corner);
    EXPECT_EQ(corner.right, c.wantW - 10) << c.what;
    EXPECT_EQ(corner.bottom, c.wantH - 10) << c.what;
    EXPECT_EQ(corner.right - corner.left, kCornerWidth) << c.what;
    std::unique_ptr<KxPort> shot = sHost->Screenshot(id);
    ASSERT_NE(shot, nullptr) << c.what;
    EXPECT_EQ(ComparePixels(*shot, *built.window->HostPort()), "") << c.what;
    std::unique_ptr<KxPort> headless = HeadlessRendering([&](Built& b) {
      b.window->DoSetBounds(R(60, 90, 60 + c.width, 90 + c.height));
    });
    EXPECT_EQ(ComparePixels(*shot, *headless), "") << c.what;
  }
  // After the resizes a click still lands at the right local point.
  built.corner->clicks.clear();
  const RectL corner = PortFrame(*built.corner);
  const Point at{std::int16_t(corner.top + 3), std::int16_t(corner.left + 4)};
  sHost->SynthesizeButton(id, at, true, 90000);
  sHost->SynthesizeButton(id, at, false, 90030);
  ASSERT_TRUE(Turns([&] { return !built.corner->clicks.empty(); }));
  EXPECT_EQ(built.corner->clicks[0].h, corner.left + 4);
  EXPECT_EQ(built.corner->clicks[0].v, corner.top + 3);
}

}  // namespace
