// Line drawing against the measured positions, with the synthetic font
// (size 12: ascent 9, descent 3, height 13; single bytes 6 wide, double-byte
// characters 12; each glyph a box one pixel narrower than its advance, from
// the top of its ascent to the bottom of its descent) and no smoothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "layout/draw_lines.h"
#include "layout/draw_text.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "layout/text_draw_line.h"
#include "platform/draw/color.h"
#include "platform/draw/draw_fixture.h"

namespace {

struct Synth {
  Synth() { KxFontInstallBackend(KxSyntheticFontBackend()); }
};

// A styled text whose markups the test sets.
class LineText : private Synth, public CKXText {
 public:
  explicit LineText(const std::string& s, short size = 12) {
    SKXStyl run{0, SStyl{0, 0, 1, 0, 0, size, RGBColor{0, 0, 0}}};
    SetText(s.data(), long(s.size()), &run, 1, nullptr, 0, nullptr, 0, nullptr, 0);
  }
  long GetMarkupLocs(long, long, long capacity, long* out) const override {
    for (long i = 0; i < capacity && i < long(markups.size()); ++i) out[i] = markups[size_t(i)];
    return long(markups.size()) + extraAnswer;
  }
  std::vector<long> markups;
  long extraAnswer = 0;   // answers more than it wrote
};

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xDD0806;   // colour 1 of the table, 8 bits a channel

class LineDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    port = KxPort::NewImage(kW, kH);
    SetPort(port.get());
    UKXColor::InitColorUtils();
  }
  void TearDown() override {
    CKXCharState::sVerticalDrawing = 0;
    SetPort(nullptr);
    port.reset();
  }
  std::uint32_t Px(long x, long y) const {
    if (x < 0 || y < 0 || x >= kW || y >= kH) return kWhite;
    cairo_surface_flush(port->Surface());
    const unsigned char* d = cairo_image_surface_get_data(port->Surface());
    const int stride = cairo_image_surface_get_stride(port->Surface());
    return reinterpret_cast<const std::uint32_t*>(d + y * stride)[x] & 0xFFFFFF;
  }
  bool Ink(long x, long y) const { return Px(x, y) != kWhite; }
  void Clear() {
    Rect r = MakeRect(0, 0, kW, kH);
    EraseRect(&r);
  }
  // Columns (x) of a row that hold a colour (or any ink).
  std::vector<long> Row(long y, std::uint32_t color = 0, bool any = true) const {
    std::vector<long> xs;
    for (long x = 0; x < kW; ++x)
      if (any ? Ink(x, y) : Px(x, y) == color) xs.push_back(x);
    return xs;
  }
  std::vector<long> Measure(const CKXText& t, long start, long n, long width, const SKXLineStyl& style,
                            short* baseline = nullptr) {
    std::vector<char> bytes(size_t(n) + 1);
    long got = n;
    t.CopyBytes(start, start + n, bytes.data(), got);
    std::vector<long> pos(size_t(n) + 1);
    short b = 0;
    CKXTextLayoutOf(t).GetMeasureText(start, n, width, bytes.data(), pos.data(), &style, nullptr, &b);
    if (baseline) *baseline = b;
    for (long& p : pos) p = std::labs(p);
    return pos;
  }
  void DrawLine(const CKXText& t, const PointL& origin, long start, long n, long width, short lineHeight,
                const SKXLineStyl& style, short scale = 0, const RectL* clip = nullptr) {
    KxDrawLineText(CKXTextLayoutOf(t), &t, origin, start, n, width, lineHeight, style, scale, clip);
  }

  static constexpr int kW = 640, kH = 640;
  std::unique_ptr<KxPort> port;
};

SKXLineStyl Unwrapped(bool vertical = false, bool ctrl = false) {
  SKXLineStyl s;
  s.wrap = 0;
  s.vertical = vertical ? 1 : 0;
  s.controlView = ctrl ? 1 : 0;
  return s;
}

SDeco LineBits(int inter, int under, int centre, int upper, int color) {
  return SDeco{std::uint16_t(inter | under << 3 | centre << 6 | upper << 9 | color << 12), 0, 0, 0};
}

// ---------------------------------------------------------------------------
// Tabs, controls, long lines

TEST_F(LineDrawTest, DottedLeaderFillsARightTabFlushRight) {
  LineText t("ab\tcd");
  const short stop[1] = {120};
  t.SetParaTabs(0, 5, 1, stop, 2, 1);   // right tab, leader "."
  const SKXLineStyl style = Unwrapped();
  short baseline = 0;
  const auto pos = Measure(t, 0, 5, 400, style, &baseline);
  ASSERT_EQ(pos[5], 120);   // "cd" ends at the stop
  DrawLine(t, PointL{10, 0}, 0, 5, 400, 13, style);
  const long y = 10 + baseline - 9, tab0 = pos[2], tab1 = pos[3];   // the boxes' top edges
  const long n = (tab1 - tab0) / 6;
  ASSERT_GE(n, 10);
  // Leaders are "." boxes, 5 of every 6 pixels, ending a pixel before the tab's end.
  long boxes = 0;
  for (long x = tab0; x < tab1; ++x)
    if (Ink(x, y) && !Ink(x - 1, y)) ++boxes;
  EXPECT_EQ(boxes, n);

  EXPECT_TRUE(Ink(tab1 - 2, y));
  EXPECT_FALSE(Ink(tab1 - 1, y));
  for (long x = tab0; x < tab1 - n * 6; ++x) EXPECT_FALSE(Ink(x, y)) << x;
}

TEST_F(LineDrawTest, ControlSymbolsOnlyWithControlView) {
  LineText t("a\tb c\r");
  for (bool ctrl : {false, true}) {
    Clear();
    const SKXLineStyl style = Unwrapped(false, ctrl);
    const auto pos = Measure(t, 0, 6, 400, style);
    DrawLine(t, PointL{0, 0}, 0, 6, 400, 13, style);
    long tabInk = 0, crInk = 0;
    for (long y = 0; y < 13; ++y) {
      for (long x = pos[1]; x < pos[2]; ++x) tabInk += Ink(x, y);
      for (long x = pos[5]; x < pos[5] + 8; ++x) crInk += Ink(x, y);
    }
    EXPECT_EQ(tabInk > 0, ctrl);
    EXPECT_EQ(crInk > 0, ctrl);
    EXPECT_TRUE(Ink(pos[0], 8));   // the letters either way
    EXPECT_TRUE(Ink(pos[4], 8));
  }
}

TEST_F(LineDrawTest, LongLineIsDrawnToItsEndAndClipped) {
  std::string s(4999, 'a');
  s += 'Z';
  LineText t(s);
  const SKXLineStyl style = Unwrapped();
  const auto pos = Measure(t, 0, 5000, 40000, style);
  ASSERT_EQ(pos[4999], 4999 * 6);
  // The line's end at x 100: its last glyph is there, nothing lies past it.
  const PointL origin{0, std::int32_t(100 - pos[4999])};
  const RectL clip{0, 0, kH, kW};
  DrawLine(t, origin, 0, 5000, 40000, 13, style, 0, &clip);
  EXPECT_TRUE(Ink(100, 5));
  EXPECT_TRUE(Ink(104, 5));
  EXPECT_FALSE(Ink(105, 5));
  EXPECT_TRUE(Ink(94, 5));
  EXPECT_FALSE(Ink(106, 5));
  // With a clip that excludes the end, the end is not drawn; what is inside is.
  Clear();
  const RectL left{0, 0, kH, 50};
  DrawLine(t, origin, 0, 5000, 40000, 13, style, 0, &left);
  EXPECT_TRUE(Ink(10, 5));
  EXPECT_FALSE(Ink(100, 5));
}

// A clip only removes: inside it, a clipped drawing of a long line (whose
// start and end lie far outside) matches the whole drawing, whatever the
// mix of tabs, controls, spaced-out and decorated characters.
TEST_F(LineDrawTest, ClippedLongLineMatchesTheWholeDrawingInsideTheClip) {
  std::mt19937 rng(77);
  const int steps = KxDrawRandomSteps(12);
  const char* pieces[] = {"a", "W", "\x82\xa0", "\x8a\xbf", " ", "\t", "\x12", "ab cd", "\x83\x41\x83\x42"};
  for (int step = 0; step < steps; ++step) {
    std::string s;
    while (s.size() < 3000) s += pieces[rng() % 9];
    LineText t(s);
    for (int k = 0; k < 4; ++k) {
      const long a = long(rng() % s.size()), b = std::min<long>(long(s.size()), a + 1 + long(rng() % 400));
      long from = a, to = b;
      t.AdjustOffset(from, false);
      t.AdjustOffset(to, false);
      t.SetDeco(from, to, LineBits(int(rng() % 5), int(rng() % 6), int(rng() % 5), 0, 1));
    }
    SKXLineStyl style = Unwrapped(false, step % 2 == 1);
    if (step % 3 == 2) style.charSpace = 2;   // every character spaced apart
    const long n = long(s.size());
    const auto pos = Measure(t, 0, n, 40000, style);
    // The line's middle at the port's left edge.
    const PointL origin{0, std::int32_t(-pos[size_t(n / 2)])};
    Clear();
    DrawLine(t, origin, 0, n, 40000, 24, style);
    std::vector<std::uint32_t> whole;
    for (long y = 0; y < 24; ++y)
      for (long x = 0; x < kW; ++x) whole.push_back(Px(x, y));
    Clear();
    const RectL clip{0, 200, 24, 400};
    DrawLine(t, origin, 0, n, 40000, 24, style, 0, &clip);
    for (long y = 0; y < 24; ++y)
      for (long x = clip.left; x < clip.right; ++x)
        ASSERT_EQ(Px(x, y), whole[size_t(y * kW + x)]) << "step " << step << " at " << x << "," << y;
  }
}

// ---------------------------------------------------------------------------
// Decoration lines

TEST_F(LineDrawTest, InterlineKindsMapToLineKindsOfTheSameLook) {
  struct Case {
    int inter;
    bool start, end;
    int kind, cut;
  } cases[] = {
      {1, true, true, 9, 0},   {1, true, false, 14, 0}, {1, false, true, 19, 0}, {1, false, false, 24, 0},
      {2, true, true, 11, 0},  {2, false, false, 26, 0}, {3, true, true, 10, 0},  {3, true, false, 15, 0},
      {4, true, true, 17, 1},  {4, false, true, 22, 0},  {4, false, false, 27, 0}, {5, true, true, 13, 1},
      {5, false, false, 23, 0}, {0, true, true, 0, 0},   {6, true, true, 0, 0},   {7, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    int cut = -1;
    EXPECT_EQ(KxInterLineKind(c.inter, c.start, c.end, cut), c.kind) << c.inter << c.start << c.end;
    EXPECT_EQ(cut, c.cut) << c.inter;
  }
  // Drawn: solid one row, thick two, double two rows with a gap, dotted
  // every other pixel; each one unit in at both ends of its run.
  const char* text = "xx bbbbbbbb yy";
  for (int inter = 1; inter <= 4; ++inter) {
    Clear();
    LineText t(text);
    t.SetDeco(3, 11, LineBits(inter, 0, 0, 0, 1));
    SKXLineStyl style = Unwrapped();
    style.lineSpace = 6;   // room below the text
    const auto pos = Measure(t, 0, 14, 400, style);
    DrawLine(t, PointL{0, 0}, 0, 14, 400, 19, style);
    std::vector<long> rows;
    long first = kW, last = -1, pixels = 0;
    for (long y = 0; y < 19; ++y) {
      const auto xs = Row(y, kRed, false);
      if (xs.empty()) continue;
      rows.push_back(y);
      first = std::min(first, xs.front());
      last = std::max(last, xs.back());
      pixels += long(xs.size());
    }
    ASSERT_FALSE(rows.empty()) << inter;
    EXPECT_GE(first, pos[3] + 1) << inter;
    EXPECT_LE(first, pos[3] + (inter == 4 ? 2 : 1)) << inter;   // dotted: the pattern may skip it
    EXPECT_LE(last, pos[11] - 2) << inter;
    EXPECT_GE(last, pos[11] - 3) << inter;   // dotted: the last pixel may be off
    const long length = pos[11] - pos[3] - 2;
    switch (inter) {
      case 1: EXPECT_EQ(rows.size(), 1u); EXPECT_EQ(pixels, length); break;
      case 2: ASSERT_EQ(rows.size(), 2u); EXPECT_EQ(rows[1] - rows[0], 2); break;
      case 3: ASSERT_EQ(rows.size(), 2u); EXPECT_EQ(rows[1] - rows[0], 1); break;
      case 4: EXPECT_EQ(rows.size(), 1u); EXPECT_LT(pixels, length / 2 + 2); break;
    }
  }
}

TEST_F(LineDrawTest, InterlineSpansOnlyItsRunAcrossLines) {
  // The run covers the end of one line and the start of the next: it is
  // shortened only where the run itself begins and ends.
  LineText t("aaaaabbbbbbbbbbccccc");
  t.SetDeco(5, 15, LineBits(1, 0, 0, 0, 1));
  SKXLineStyl style = Unwrapped();
  style.lineSpace = 6;
  DrawLine(t, PointL{0, 0}, 0, 10, 400, 19, style);
  DrawLine(t, PointL{40, 0}, 10, 10, 400, 19, style);
  long y1 = -1, y2 = -1;
  for (long y = 0; y < 19; ++y)
    if (!Row(y, kRed, false).empty()) y1 = y;
  for (long y = 40; y < 59; ++y)
    if (!Row(y, kRed, false).empty()) y2 = y;
  ASSERT_GE(y1, 0);
  ASSERT_GE(y2, 0);
  const auto r1 = Row(y1, kRed, false), r2 = Row(y2, kRed, false);
  EXPECT_EQ(r1.front(), 5 * 6 + 1);
  EXPECT_EQ(r1.back(), 10 * 6 - 1);   // runs on to the line's end
  EXPECT_EQ(r2.front(), 0);
  EXPECT_EQ(r2.back(), 5 * 6 - 2);
  EXPECT_EQ(long(r1.size()), r1.back() - r1.front() + 1);
}

TEST_F(LineDrawTest, EmphasisDotsOnePerCharacter) {
  struct Case {
    std::string text;
    bool vertical;
  } cases[] = {{"abcde", false}, {"\x82\xa0\x82\xa2\x82\xa4", false}, {"\x82\xa0\x82\xa2\x82\xa4", true}};
  for (const Case& c : cases) {
    Clear();
    LineText t(c.text);
    const long n = long(c.text.size());
    t.SetDeco(0, n, LineBits(0, 5, 0, 0, 1));   // dots as underline
    const SKXLineStyl style = Unwrapped(c.vertical);
    const auto pos = Measure(t, 0, n, 400, style);
    const PointL origin{0, 100};
    DrawLine(t, origin, 0, n, 400, 20, style);
    // Red pixels: 2 x 2 dots, each centred on a character's advance.
    std::vector<long> centres;
    for (long i = 0; i < n; ++i)
      if (pos[size_t(i + 1)] > pos[size_t(i)]) centres.push_back((pos[size_t(i)] + pos[size_t(i + 1)]) / 2);
    long red = 0;
    for (long y = 0; y < kH; ++y)
      for (long x = 0; x < kW; ++x) red += Px(x, y) == kRed;
    EXPECT_EQ(red, long(centres.size()) * 4) << c.text;
    for (long cx : centres) {
      bool found = false;
      for (long y = 0; y < kH && !found; ++y)
        for (long x = 0; x < kW && !found; ++x)
          if (Px(x, y) == kRed) {
            const long along = c.vertical ? y : x - 100;
            if (along == cx - 1) found = true;
          }
      EXPECT_TRUE(found) << c.text << " " << cx;
    }
    if (c.vertical) {
      // On the right of the column (the text's top side).
      for (long y = 0; y < kH; ++y)
        for (long x = 0; x < 100 - 13; ++x) EXPECT_NE(Px(x, y), kRed);
    }
  }
}

// ---------------------------------------------------------------------------
// Ruby and groups

TEST_F(LineDrawTest, RubyOverhangsEvenlyAndCentresOverItsBase) {
  struct Case {
    std::string base, ruby;
  } cases[] = {
      {"\x8a\xbf", "\x82\xa9\x82\xf1\x82\xb6"},                                   // narrow base, long ruby
      {"\x93\xfa\x96\x7b\x8c\xea", "\x82\xc9\x82\xd9\x82\xf1\x82\xb2"},           // wide base
      {"\x93\xfa\x96\x7b\x8c\xea", "\x82\xc9"},                                   // one character
  };
  for (const Case& c : cases) {
    Clear();
    const std::string s = "ab" + c.base + "cd";
    LineText t(s);
    t.SetRuby(2, 2 + long(c.base.size()), reinterpret_cast<const unsigned char*>(c.ruby.data()),
              long(c.ruby.size()));
    const SKXLineStyl style = Unwrapped();
    short baseline = 0;
    const long n = long(s.size());
    const auto pos = Measure(t, 0, n, 400, style, &baseline);
    DrawLine(t, PointL{0, 20}, 0, n, 400, 30, style);
    // The ruby lies above the base's top; find its ink.
    const long baseTop = baseline - 9;
    long left = kW, right = -1, bottom = -1;
    for (long y = 0; y < baseTop; ++y)
      for (long x = 0; x < kW; ++x)
        if (Ink(x, y)) {
          left = std::min(left, x);
          right = std::max(right, x);
          bottom = y;
        }
    ASSERT_GE(right, 0) << c.ruby;

    EXPECT_LT(bottom, baseTop);
    // Both ends are boxes a pixel short of their advance: compare advances.
    const long baseL = 20 + pos[2], baseR = 20 + pos[2 + c.base.size()];
    const long over = (baseL - left) - (right + 2 - baseR);
    EXPECT_LE(std::labs(over), 1) << c.ruby;
    if (c.ruby.size() / 2 * 6 > c.base.size() / 2 * 12) {
      EXPECT_EQ(baseL - left, (right + 2 - baseR)) << "even overhang";
      EXPECT_GT(baseL - left, 0);
    }
  }
}

TEST_F(LineDrawTest, HorizontalGroupIsCentredInItsColumn) {
  for (const std::string group : {"12", "1", "123"}) {
    Clear();
    const std::string s = "\x95\xbd" + group + "\x94\x4e";   // 平..年
    LineText t(s);
    t.SetDeco(2, 2 + long(group.size()), SDeco{0, 0, 0x08, 0});
    const SKXLineStyl style = Unwrapped(true);
    short baseline = 0;
    const long n = long(s.size());
    const auto pos = Measure(t, 0, n, 400, style, &baseline);
    const PointL origin{0, 100};   // the column's right edge at x 100
    DrawLine(t, origin, 0, n, 20, 20, style);
    // The group's row band along the column: pos[2] .. pos[2 + size].
    long left = kW, right = -1;
    for (long y = pos[2]; y < pos[2 + group.size()]; ++y)
      for (long x = 0; x < kW; ++x)
        if (Ink(x, y)) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
    ASSERT_GE(right, 0) << group;
    const long t0 = long(group.size()) * 6;
    // The column of the run: baseline - ascent .. + height across, mirrored.
    const long colRight = 100 - (baseline - 9), colLeft = colRight - 13;
    const long advanceRight = left + t0;
    EXPECT_EQ(right, advanceRight - 2);
    const long gapLeft = left - colLeft, gapRight = colRight - advanceRight;
    if (t0 <= 13) {
      EXPECT_LE(std::labs(gapLeft - gapRight), 1) << group;
    }
    EXPECT_GE(left, 100 - 20);   // inside the line
  }
}

// ---------------------------------------------------------------------------
// Markups

TEST_F(LineDrawTest, MarkupsBeyondTheCapacityAreIgnored) {
  LineText t("abcdefgh");
  t.markups = {1, 3};
  t.extraAnswer = 1000;   // claims more than it wrote or could fit
  const SKXLineStyl style = Unwrapped();
  DrawLine(t, PointL{0, 0}, 0, 8, 400, 20, style);
  long red = 0;
  for (long y = 0; y < 20; ++y) red += long(Row(y, kRed, false).size());
  EXPECT_GT(red, 0);
  // Offsets out of the line are clamped, not read past.
  Clear();
  t.markups = {-50, 2, 7, 900000};
  t.extraAnswer = 0;
  DrawLine(t, PointL{0, 0}, 0, 8, 400, 20, style);
  for (long y = 0; y < 20; ++y) {
    const auto xs = Row(y, kRed, false);
    if (!xs.empty()) {
      EXPECT_LT(xs.back(), 8 * 6);
    }
  }
}

// ---------------------------------------------------------------------------
// Differential: every glyph box at its measured position

TEST_F(LineDrawTest, RandomStyledLinesDrawEveryGlyphAtItsMeasuredPosition) {
  std::mt19937 rng(20240611);
  const int steps = KxDrawRandomSteps(60);
  const char* glyphs[] = {"a", "W", "\x82\xa0", "\x8a\xbf", "1", "\x83\x41"};
  const short scales[] = {0, 50, 133, 200};
  for (int step = 0; step < steps; ++step) {
    const bool vertical = step % 2 == 1;
    const short size = short(9 + rng() % 10);
    const short scale = scales[rng() % 4];
    std::string s;
    std::vector<long> starts;
    const int count = 3 + int(rng() % 6);
    for (int k = 0; k < count; ++k) {
      starts.push_back(long(s.size()));
      s += glyphs[rng() % 6];
      s += "  ";
    }
    LineText t(s, size);
    // Runs of other colours and of the other family (same metrics).
    for (int k = 0; k < 3; ++k) {
      const long a = long(rng() % s.size()), b = std::min<long>(long(s.size()), a + 1 + long(rng() % 6));
      long from = a, to = b;
      t.AdjustOffset(from, false);
      t.AdjustOffset(to, false);
      t.SetStylColor(from, to, RGBColor{std::uint16_t(rng() % 0x8000), 0, std::uint16_t(rng() % 0x8000)});
    }
    SKXLineStyl style = Unwrapped(vertical);
    style.wrap = 1;
    style.justify = std::uint8_t(rng() % 3);
    if (rng() % 3 == 0) style.charSpace = short(1 + rng() % 3);
    short baseline = 0;
    const long n = long(s.size());
    const auto pos = Measure(t, 0, n, 300, style, &baseline);
    Clear();
    const PointL origin = vertical ? PointL{4, 120} : PointL{30, 2};
    DrawLine(t, origin, 0, n, 300, short(size * 2), style, scale);
    short a = 0, d = 0;
    {
      CKXCharState cs;
      cs.SetStyl(1, size, 0);
      cs.GetFontInfo(a, d);
    }
    const long top = baseline - a;
    for (long i : starts) {
      if (!vertical) {
        const long x = KxDrawScale(std::int32_t(origin.h + pos[size_t(i)]), scale);
        const long y = KxDrawScale(std::int32_t(origin.v + top), scale) + KxDrawScale(a, scale) - 1;
        EXPECT_TRUE(Ink(x, y) && !Ink(x - 1, y)) << "step " << step << " byte " << i << " x " << x;
      } else {
        const long v = KxDrawScale(std::int32_t(origin.v + pos[size_t(i)]), scale);
        const long x = KxDrawScale(std::int32_t(origin.h - top), scale) - KxDrawScale(a, scale) + 1;
        EXPECT_TRUE(Ink(x, v) && !Ink(x, v - 1)) << "step " << step << " byte " << i << " v " << v;
      }
      if (HasFailure()) return;
    }
  }
}

}  // namespace
