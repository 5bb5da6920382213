// The edit object drawing into a port: glyphs where the caret points are,
// and a surface after highlight changes, edits and redraws that equals a
// fresh draw, in both writings, at several scales and far from the origin:
// through the edit object's own offset, or through the port's origin as a
// window's text view scrolled down a long text has it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "layout/text_edit.h"
#include "platform/draw/color.h"
#include "platform/draw/draw_fixture.h"
#include "text/base/memory.h"

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
  bool far;             // the text a million points down (vertical: left)
  bool viaOrigin = false;   // far: the port's origin is the view's corner, else the port is at 0
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
    if (s.viaOrigin) {
      edit->SetViewRect(view);
      StKxPortSaver saver(port.get());
      SetOrigin(view.left, view.top);
    } else {
      edit->SetQDViewRect(view, Point{0, 0});
    }
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
    KxPaintRectL(port->PortRectL());
    edit->Draw(view);
    return Bytes();
  }
  PointL PortPoint(long offset) const {
    PointL p = edit->GetPoint(offset);
    if (GetParam().viaOrigin) return PointL{p.v - port->mOrigin.v, p.h - port->mOrigin.h};
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
                                           Case{true, 133, false}, Case{true, 200, false},
                                           Case{false, 0, true, true}, Case{false, 150, true, true},
                                           Case{true, 0, true, true}));

// A picture 30 wide and 40 tall (a header-only record: drawn as the framed
// empty box) after "ab", then "c" and a second line "d", in both writings.
// Its line is as thick as the picture across and the picture stands inside
// it: turned in vertical writing, the column is the picture's width wide and
// the picture takes its height along the column.
class EditPictureTest : public EditDrawTest {
 protected:
  static constexpr long kWide = 30, kTall = 40;
  void SetUp() override {
    EditDrawTest::SetUp();
    PicHandle h = KxMemHAlloc(10, true);
    const unsigned char header[10] = {0, 10, 0, 0, 0, 0, 0, kTall, 0, kWide};
    std::memcpy(*h, header, 10);
    SKXDeco runs[3]{};
    runs[1].offset = 2;
    runs[1].deco.pictID = CKXDecoArray::SetPicture(h);   // the text owns it
    runs[2].offset = 3;
    const std::string text = "ab\xCA" "c\rd";
    edit->SetText(text.data(), long(text.size()), nullptr, 0, runs, 3, nullptr, 0, nullptr, 0);
    edit->CalcText();
  }
  // Ink at (along the line from its start, across it from its top edge):
  // in vertical writing the top edge is the column's right side.
  bool At(const PointL& line, long along, long across) const {
    return GetParam().vertical ? Ink(line.h - 1 - across, line.v + along) : Ink(line.h + along, line.v + across);
  }
};

TEST_P(EditPictureTest, PictureFillsItsOwnLine) {
  const bool v = GetParam().vertical;
  const long thick = v ? kWide : kTall, along = v ? kTall : kWide;
  EXPECT_EQ(edit->GetLineCodeAt(1), thick);
  EXPECT_EQ(edit->GetLineCodeAt(2), 13);
  const PointL first = PortPoint(0), second = PortPoint(5);
  // The next line starts the picture's thickness over.
  EXPECT_EQ(v ? first.h - second.h : second.v - first.v, thick);
  EXPECT_EQ(v ? second.v : second.h, v ? first.v : first.h);
  // "c" follows the picture by its extent along the line.
  const PointL pict = PortPoint(2), after = PortPoint(3);
  EXPECT_EQ(v ? after.v - pict.v : after.h - pict.h, along);

  edit->Draw(view);
  const long p = v ? pict.v - first.v : pict.h - first.h;
  // The box's frame: its corners inside the line, and nothing of it in the
  // next line or outside the line's top edge.
  for (long a : {p, p + along - 1})
    for (long c : {0L, thick - 1}) EXPECT_TRUE(At(first, a, c)) << a << "," << c;
  for (long a = p; a < p + along; ++a)   // the next line holds only "d", before this
    for (long c = thick; c < thick + 13; ++c) EXPECT_FALSE(At(first, a, c)) << "next line at " << a << "," << c;
  EXPECT_FALSE(At(first, p + along / 2, -1));
  // "b" stays whole: its glyph box ends one short of the picture.
  bool b = false;
  for (long c = 0; c < thick; ++c) b = b || At(first, p - 2, c);
  EXPECT_TRUE(b);
}

INSTANTIATE_TEST_SUITE_P(Writings, EditPictureTest,
                         ::testing::Values(Case{false, 0, false}, Case{true, 0, false}, Case{false, 0, true, true},
                                           Case{true, 0, true, true}));

}  // namespace
