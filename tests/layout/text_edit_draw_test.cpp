// The edit object drawing into a port: glyphs where the caret points are,
// and a surface after highlight changes, edits and redraws that equals a
// fresh draw, in both writings, at several scales and far from the origin.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "layout/text_edit.h"
#include "platform/draw/color.h"
#include "platform/draw/draw_fixture.h"

namespace {

struct Synth {
  Synth() { KxFontInstallBackend(KxSyntheticFontBackend()); }
};

class DrawEdit : private Synth, public CKXTextEdit {
 public:
  DrawEdit() : CKXTextEdit(RectL{0, 0, 0, 200}, RectL{0, 0, 200, 200}) {}
};

constexpr int kSide = 320;
constexpr std::int32_t kFar = 1000000;

struct Case {
  bool vertical;
  short scale;
  bool far;   // the text a million points down, the port at 0
};

class EditDrawTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    port = KxPort::NewImage(kSide, kSide);
    UKXColor::InitColorUtils();
    edit = std::make_unique<DrawEdit>();
    const Case s = GetParam();
    // "ab 漢字 cd" lines, a long one that wraps, and an empty last line.
    const std::string text =
        "ab \x8a\xbf\x8e\x9a cd\rsecond line with words that wrap past the width\r\x82\xa0\x82\xa2\x82\xa4 x\r";
    edit->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    SKXLineStyl style = edit->GetLineStyl();
    style.vertical = s.vertical ? 1 : 0;
    edit->SetLineStyl(style, 0);
    const std::int32_t top = s.far ? kFar : 0;
    const RectL dest = s.vertical ? RectL{0, top, 160, top + 400} : RectL{top, 0, top + 400, 160};
    view = s.vertical ? RectL{0, top, kSide, top + kSide} : RectL{top, 0, top + kSide, kSide};
    edit->Resize(dest, &view);
    if (s.scale) {
      // Zooming keeps the view where it was: put it back over the text.
      edit->SetEditScale(s.scale);
      const std::int32_t shown = KxScaleLong(top, s.scale, false);
      view = s.vertical ? RectL{0, shown, kSide, shown + kSide} : RectL{shown, 0, shown + kSide, kSide};
    }
    edit->SetQDViewRect(view, Point{0, 0});
    edit->GetViewRect(view);
    edit->SetDrawPort(port.get());
  }
  void TearDown() override {
    edit.reset();
    port.reset();
  }
  std::vector<std::uint8_t> Bytes() const {
    cairo_surface_flush(port->Surface());
    const unsigned char* d = cairo_image_surface_get_data(port->Surface());
    return {d, d + std::size_t(cairo_image_surface_get_stride(port->Surface())) * kSide};
  }
  bool Ink(long x, long y) const {
    if (x < 0 || y < 0 || x >= kSide || y >= kSide) return false;
    cairo_surface_flush(port->Surface());
    const unsigned char* d = cairo_image_surface_get_data(port->Surface());
    const auto* row = reinterpret_cast<const std::uint32_t*>(d + y * cairo_image_surface_get_stride(port->Surface()));
    return (row[x] & 0xFFFFFF) != 0xFFFFFF;
  }
  // Paints the port over, then draws the view afresh.
  std::vector<std::uint8_t> Fresh() {
    StKxPortSaver saver(port.get());
    Rect all = MakeRect(0, 0, kSide, kSide);
    PaintRect(&all);
    edit->Draw(view);
    return Bytes();
  }
  PointL PortPoint(long offset) const {
    PointL p = edit->GetPoint(offset);
    RectL v;
    Point origin;
    edit->GetQDViewRect(v, origin);
    return PointL{p.v - (v.top - origin.v), p.h - (v.left - origin.h)};
  }

  std::unique_ptr<KxPort> port;
  std::unique_ptr<DrawEdit> edit;
  RectL view{};
};

TEST_P(EditDrawTest, GlyphsStandWhereTheCaretPointsAre) {
  edit->Draw(view);
  const Case s = GetParam();
  const long lineHeight = KxScaleLong(13, s.scale, false);
  // Caret stops before the glyphs of the first line: a, b, 漢, 字, c, d.
  for (long offset : {0L, 1L, 3L, 5L, 8L, 9L}) {
    const PointL p = PortPoint(offset);
    if (!s.vertical) {
      const long y = p.v + lineHeight / 2;
      EXPECT_TRUE(Ink(p.h, y) && !Ink(p.h - 1, y)) << "offset " << offset << " at " << p.h;
    } else {
      const long x = p.h - lineHeight / 2;
      // A box's top edge, with its inside below; upright boxes may touch
      // the one above.
      const bool top = Ink(x, p.v) && !Ink(x, p.v + 1) && (!Ink(x, p.v - 1) || !Ink(x, p.v - 2));
      EXPECT_TRUE(top) << "offset " << offset << " at " << p.v;
    }
  }
}

TEST_P(EditDrawTest, HighlightChangesLeaveWhatAFreshDrawMakes) {
  edit->Draw(view);
  edit->Activate();
  std::mt19937 rng(7 + GetParam().scale);
  const long len = edit->GetLength();
  const int steps = KxDrawRandomSteps(40);
  for (int step = 0; step < steps; ++step) {
    switch (rng() % 4) {
      case 0: edit->SetSelect(long(rng() % (len + 1)), long(rng() % (len + 1))); break;
      case 1: {
        long a, e;
        edit->GetSelect(a, e);
        edit->SetSelect(a, long(rng() % (len + 1)));   // one end moves
        break;
      }
      case 2:
        edit->ViewSelection(0);
        edit->ViewSelection(1);
        break;
      case 3: {
        // A redraw of part of the view keeps the highlight.
        const std::int32_t y = std::int32_t(rng() % kSide), x = std::int32_t(rng() % kSide);
        edit->Draw(RectL{view.top + y / 2, view.left + x / 2, view.top + y, view.left + x});
        break;
      }
    }
    const auto now = Bytes();
    ASSERT_TRUE(now == Fresh()) << "step " << step;
  }
  // Deactivated, nothing is highlighted: the surface is the bare text.
  edit->Deactivate();
  const auto bare = Bytes();
  EXPECT_TRUE(bare == Fresh());
}

TEST_P(EditDrawTest, TypingRedrawsTheChangedLines) {
  edit->Draw(view);
  edit->Activate();
  edit->SetSelect(2, 2);
  for (const char* piece : {"xyz", "\r", "\x82\xa0", "long words to wrap the line again "}) {
    edit->Insert(piece, long(std::strlen(piece)), nullptr, 0);
    const auto now = Bytes();
    ASSERT_TRUE(now == Fresh()) << piece;
  }
  edit->SetSelect(0, 12);
  edit->Insert("", 0, nullptr, 0);   // deleting lines leaves blank below
  const auto now = Bytes();
  EXPECT_TRUE(now == Fresh());
}

INSTANTIATE_TEST_SUITE_P(Writings, EditDrawTest,
                         ::testing::Values(Case{false, 0, false}, Case{false, 133, false}, Case{false, 50, true},
                                           Case{false, 200, true}, Case{false, 0, true}, Case{true, 0, false},
                                           Case{true, 133, false}, Case{true, 200, false}));

}  // namespace
