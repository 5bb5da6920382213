// The tool palette: its rectangles for every width class, the commands its
// buttons send with their fallbacks, macro recording, and what the
// preferences keep of it.
#include "views/text_toolbar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include <cairo.h>

#include "engine/macro_recorder.h"
#include "platform/draw/port.h"
#include "platform/resources.h"
#include "views/text_view_commands.h"
#include "views_fixture.h"

namespace {

RectL R(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  return RectL{top, left, bottom, right};
}
bool Same(const RectL& a, const RectL& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

TEST(ToolbarLayout, TheSmallClassStandsWhereItShould) {
  const SKXToolbarLayout h = KxToolbarLayout(640, false);
  EXPECT_EQ(h.button, 22);
  EXPECT_TRUE(Same(h.rects[0], R(0, 0, 10, 22)));
  EXPECT_TRUE(Same(h.rects[1], R(9, 0, 31, 22)));
  EXPECT_TRUE(Same(h.rects[10], R(198, 0, 242, 22)));
  EXPECT_TRUE(Same(h.rects[28], R(620, 0, 642, 22)));
  const SKXToolbarLayout v = KxToolbarLayout(640, true);
  EXPECT_TRUE(Same(v.rects[0], R(0, 0, 43, 10)));
  EXPECT_TRUE(Same(v.rects[1], R(0, 9, 22, 31)));
  EXPECT_TRUE(Same(v.rects[2], R(21, 9, 43, 31)));
  EXPECT_TRUE(Same(v.rects[10], R(0, 114, 43, 136)));
  EXPECT_TRUE(Same(v.rects[28], R(21, 303, 43, 325)));
}

TEST(ToolbarLayout, EveryClassKeepsItsButtonsInsideAndTouching) {
  EXPECT_EQ(KxToolbarWidthClass(644), 640);
  EXPECT_EQ(KxToolbarWidthClass(645), 800);
  EXPECT_EQ(KxToolbarWidthClass(804), 800);
  EXPECT_EQ(KxToolbarWidthClass(805), 832);
  EXPECT_EQ(KxToolbarWidthClass(836), 832);
  EXPECT_EQ(KxToolbarWidthClass(837), 843);
  EXPECT_EQ(KxToolbarWidthClass(1024), 1030);
  for (short cls : {640, 800, 832, 843, 1030, 1286})
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(std::to_string(cls) + (vertical ? " vertical" : " horizontal"));
      const SKXToolbarLayout l = KxToolbarLayout(cls, vertical);
      EXPECT_EQ(l.button, cls <= 640 ? 22 : cls <= 832 ? 24 : 28);
      std::set<std::pair<int, int>> corners;
      for (int n = 0; n <= kKxToolbarButtons; ++n) {
        const RectL& r = l.rects[std::size_t(n)];
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, l.width) << n;
        EXPECT_LE(r.bottom, l.height) << n;
        EXPECT_TRUE(corners.insert({r.left, r.top}).second) << "two buttons at one place: " << n;
        if (n > 0 && r.right - r.left != l.button) {
          EXPECT_TRUE(n == 10 || n == 12) << n;
        }
      }
      if (!vertical) {
        for (int n = 1; n <= kKxToolbarButtons; ++n)
          EXPECT_EQ(l.rects[std::size_t(n)].left, l.rects[std::size_t(n - 1)].right - 1) << n;
      } else {
        EXPECT_EQ(l.rects[2].left, l.rects[1].right - 1);
        EXPECT_EQ(l.rects[3].top, l.rects[1].bottom - 1);
        EXPECT_EQ(l.rects[10].top, l.rects[9].bottom - 1);
        EXPECT_EQ(l.rects[12].top, l.rects[10].bottom - 1);
        EXPECT_EQ(l.rects[13].top, l.rects[12].bottom - 1);
      }
      EXPECT_GT(l.help.right, l.help.left);
      EXPECT_GT(l.help.bottom, l.help.top);
    }
}

// The target: a commander with a set of enabled commands that records
// what reaches it.
class Target : public LCommander {
 public:
  Target() : LCommander(nullptr) {}
  bool ObeyCommand(CommandT command, void*) override {
    obeyed.push_back(command);
    return true;
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean&, std::uint16_t&, Str255) override {
    enabled = on.count(command) > 0;
    // As a text view measuring its selection does.
    if (focus) focus->FocusDraw();
  }
  std::set<CommandT> on;
  LPane* focus = nullptr;
  std::vector<CommandT> obeyed;
};

class Services : public CKXTextViewServices {
 public:
  bool IsShiftDown() override { return shift; }
  bool shift = false;
};

class Recorder : public CKXMacroRecorder {
 public:
  bool IsRecording() const override { return true; }
  void AddMacroCommand(long command) override { recorded.push_back(command); }
  std::vector<long> recorded;
};

class ToolbarTest : public ViewsTest {
 protected:
  void SetUp() override {
    ViewsTest::SetUp();
    CKXTextViewServices::Install(&services);
    LCommander::SwitchTarget(&target);
    CKXTextToolbar::ShowTextToolbar(&target);
    ASSERT_NE(CKXTextToolbar::Get(), nullptr);
  }
  void TearDown() override {
    CKXTextToolbar::CloseTextToolbar();
    CKXMacroRecorder::Install(nullptr);
    LCommander::SwitchTarget(nullptr);
    CKXTextViewServices::Install(nullptr);
    ViewsTest::TearDown();
  }
  CKXTextToolbar& Bar() { return *CKXTextToolbar::Get(); }
  Services services;
  Target target;
};

TEST_F(ToolbarTest, ButtonsFallBackToTheirAlternativesOrBeep) {
  bool enabled = false;
  services.shift = true;
  target.on = {11, 28};
  EXPECT_EQ(Bar().GetMenuCommand(5, enabled), 28);
  target.on = {11};
  EXPECT_EQ(Bar().GetMenuCommand(5, enabled), 11);
  EXPECT_TRUE(enabled);
  target.on = {};
  Bar().ExecuteToolbar(5);
  EXPECT_EQ(host.Beeps(), 1);
  EXPECT_TRUE(target.obeyed.empty());
  services.shift = false;
  target.on = {1201, 1209};
  EXPECT_EQ(Bar().GetMenuCommand(10, enabled), 1201);
  EXPECT_EQ(Bar().GetMenuCommand(12, enabled), 1209);
  target.on = {1204, 1201};
  EXPECT_EQ(Bar().GetMenuCommand(10, enabled), 1204);
  // What is sent goes into a macro being recorded too.
  Recorder recorder;
  CKXMacroRecorder::Install(&recorder);
  target.on = {13, 1201};
  Bar().ExecuteToolbar(7);
  Bar().ExecuteToolbar(10);
  EXPECT_EQ(target.obeyed, (std::vector<CommandT>{13, 1201}));
  EXPECT_EQ(recorder.recorded, (std::vector<long>{13, 1201}));
}

TEST_F(ToolbarTest, ThePreferencesKeepTheOrientation) {
  EXPECT_EQ(services.GetPaletteByte(), kKxPaletteHorizontal);
  Bar().ExecuteToolbar(0);
  ASSERT_TRUE(CKXTextToolbar::IsShowTextToolbar());
  EXPECT_TRUE(Bar().IsVertical());
  EXPECT_EQ(services.GetPaletteByte(), kKxPaletteVertical);
  EXPECT_GT(CKXTextToolbar::SizeTextToolbar().h, 0);
  EXPECT_EQ(CKXTextToolbar::SizeTextToolbar().v, 0);
  Bar().ExecuteToolbar(0);
  EXPECT_EQ(services.GetPaletteByte(), kKxPaletteHorizontal);
  EXPECT_GT(CKXTextToolbar::SizeTextToolbar().v, 0);
  CKXTextToolbar::CloseTextToolbar();
  EXPECT_EQ(services.GetPaletteByte(), kKxPaletteClosed);
  EXPECT_EQ(CKXTextToolbar::SizeTextToolbar().v, 0);
  // A stored 2 opens it vertical.
  services.SetPaletteByte(kKxPaletteVertical);
  CKXTextToolbar::ShowTextToolbar(&target);
  EXPECT_TRUE(Bar().IsVertical());
}

TEST_F(ToolbarTest, TheWindowTakesEachOrientationsOwnSize) {
  // A column is as narrow as its layout, and the strip comes back whole.
  const Rect work = KxCurrentHost().GetWorkArea();
  const short cls = KxToolbarWidthClass(work.right - work.left);
  for (int turn = 0; turn < 2; ++turn) {
    Bar().ExecuteToolbar(0);
    const bool vertical = Bar().IsVertical();
    const SKXToolbarLayout l = KxToolbarLayout(cls, vertical);
    const Rect b = LWindow::FetchWindowOf(&Bar())->GetGlobalBounds();
    EXPECT_EQ(b.right - b.left, l.width) << vertical;
    EXPECT_EQ(b.bottom - b.top, l.height) << vertical;
  }
}

TEST_F(ToolbarTest, TheHelpLineFollowsThePointer) {
  const Rect b = LWindow::FetchWindowOf(&Bar())->GetGlobalBounds();
  auto at = [&b](std::int32_t h, std::int32_t v) {
    EventRecord e{};
    e.where = Point{std::int16_t(b.top + v), std::int16_t(b.left + h)};
    return e;
  };
  const RectL& r = Bar().GetLayout().rects[7];
  LPeriodical::DevoteTimeToIdlers(at(r.left + 3, r.top + 3));
  EXPECT_EQ(Bar().GetHelpButton(), 7);
  // Off the buttons, and off the palette: no help.
  const RectL& help = Bar().GetLayout().help;
  LPeriodical::DevoteTimeToIdlers(at(help.left + 2, help.top + 2));
  EXPECT_EQ(Bar().GetHelpButton(), 0);
  LPeriodical::DevoteTimeToIdlers(at(r.left + 3, r.top + 3));
  LPeriodical::DevoteTimeToIdlers(at(r.left + 3, Bar().GetLayout().height + 40));
  EXPECT_EQ(Bar().GetHelpButton(), 0);
  // Hidden under a dialog it does not follow.
  CKXTextToolbar::HideTextToolbar();
  LPeriodical::DevoteTimeToIdlers(at(r.left + 3, r.top + 3));
  EXPECT_EQ(Bar().GetHelpButton(), 0);
}

// The window's backing store at a palette point, as 0xRRGGBB.
std::uint32_t PixelAt(CKXTextToolbar& bar, std::int32_t h, std::int32_t v) {
  cairo_surface_t* s = LWindow::FetchWindowOf(&bar)->GetDrawPort()->Surface();
  cairo_surface_flush(s);
  const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                           v * cairo_image_surface_get_stride(s));
  return row[h] & 0xFFFFFF;
}

TEST_F(ToolbarTest, ButtonsShowTheirOwnIconsDimmedWhenDisabled) {
  std::set<std::vector<std::uint32_t>> seen;
  for (int n = 1; n <= kKxToolbarButtons; ++n) {
    int w = 0, h = 0;
    const std::uint32_t* p = KxFindIcon(short(kKxToolbarIconBase + n), w, h);
    ASSERT_NE(p, nullptr) << n;
    ASSERT_EQ(w * h, 256) << n;
    const std::vector<std::uint32_t> pixels(p, p + 256);
    EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t c) { return c != 0; })) << n;
    EXPECT_TRUE(seen.insert(pixels).second) << "two buttons share an icon: " << n;
  }
  int w = 1, h = 1;
  EXPECT_EQ(KxFindIcon(short(kKxToolbarIconBase + kKxToolbarButtons + 1), w, h), nullptr);
  EXPECT_EQ(w + h, 0);
  // Button 3 (save): centred in its button inside the inset; a pixel of
  // the disk's blue body, row 8, column 7.
  const RectL& r = Bar().GetLayout().rects[3];
  const std::int32_t inset = Bar().GetLayout().button >= 28 ? 4 : Bar().GetLayout().button >= 24 ? 2 : 1;
  const std::int32_t x = r.left + inset + (r.right - r.left - 2 * inset - 16) / 2 + 7;
  const std::int32_t y = r.top + inset + (r.bottom - r.top - 2 * inset - 16) / 2 + 8;
  target.on = {5};
  ASSERT_TRUE(Bar().FocusDraw());
  Bar().DrawSelf();
  EXPECT_EQ(PixelAt(Bar(), x, y), 0x2858C0u);
  target.on = {};
  Bar().DrawSelf();
  const std::uint32_t dimmed = PixelAt(Bar(), x, y);
  EXPECT_NE(dimmed, 0x2858C0u);
  EXPECT_GT(dimmed & 0xFF0000, 0x280000u) << "dimmed towards the face";
}

// A target whose status query focuses another window (a document's text
// view does) leaves the buttons drawn in the palette, not in that window.
TEST_F(ToolbarTest, AStatusQueryThatFocusesElsewhereDrawsNothingThere) {
  LWindow* other = LWindow::CreateWindow(kProgramControls, &target);
  ASSERT_NE(other, nullptr);
  other->Show();
  other->UpdatePort();
  cairo_surface_t* s = other->GetDrawPort()->Surface();
  cairo_surface_flush(s);
  const auto snapshot = [s] {
    const unsigned char* data = cairo_image_surface_get_data(s);
    return std::vector<unsigned char>(data, data + cairo_image_surface_get_stride(s) * cairo_image_surface_get_height(s));
  };
  const std::vector<unsigned char> before = snapshot();
  const RectL& r = Bar().GetLayout().rects[3];
  const std::int32_t inset = Bar().GetLayout().button >= 28 ? 4 : Bar().GetLayout().button >= 24 ? 2 : 1;
  const std::int32_t x = r.left + inset + (r.right - r.left - 2 * inset - 16) / 2 + 7;
  const std::int32_t y = r.top + inset + (r.bottom - r.top - 2 * inset - 16) / 2 + 8;
  target.on = {5};
  target.focus = other;
  ASSERT_TRUE(Bar().FocusDraw());
  Bar().DrawSelf();
  CKXTextToolbar::FindString();   // buttons 10 and 12 again
  const Rect b = LWindow::FetchWindowOf(&Bar())->GetGlobalBounds();
  CKXTextToolbar::Messages(Point{std::int16_t(b.top + r.top + 3), std::int16_t(b.left + r.left + 3)});   // the help line
  target.focus = nullptr;
  cairo_surface_flush(s);
  EXPECT_TRUE(snapshot() == before) << "the palette drew into another window";
  EXPECT_EQ(PixelAt(Bar(), x, y), 0x2858C0u);
  delete other;
}

}  // namespace
