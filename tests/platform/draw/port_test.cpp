#include "platform/draw/port.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

#include "draw_fixture.h"
#include "platform/draw/offscreen.h"
#include "platform/draw/port_fill.h"
#include "platform/exception.h"

namespace {

// Every inverting operation, done twice anywhere under any origin, clip,
// pen and highlighting, gives back every byte of the surface (the unused
// fourth byte of each pixel included).
TEST_F(DrawTest, InvertingTwiceRestoresEveryByte) {
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<std::uint8_t> start = Bytes();
  for (std::uint8_t& b : start) b = std::uint8_t(rng());
  SetBytes(start);
  const Pattern pats[] = {kKxBlackPat, kKxGrayPat, kKxLtGrayPat, kKxDkGrayPat};
  const int steps = RandomSteps(300);
  for (int step = 0; step < steps; ++step) {
    SetOrigin(pick(-40000, 40000) * (pick(0, 3) == 0), pick(-100, 100));
    const PointL o = KxGetOrigin();
    auto localRect = [&] {
      const int l = o.h + pick(-20, kWidth + 20), t = o.v + pick(-20, kHeight + 20);
      return RectL{t, l, t + pick(-5, 60), l + pick(-5, 80)};
    };
    StKxRegion clip;
    const RectL c = localRect();
    KxRectRgnL(clip, c);
    if (pick(0, 1)) {
      StKxRegion hole;
      KxRectRgnL(hole, localRect());
      DiffRgn(clip, hole, clip);
    }
    SetClip(clip);
    const RGBColor fore{std::uint16_t(rng()), std::uint16_t(rng()), std::uint16_t(rng())};
    RGBForeColor(&fore);
    HiliteColor(&fore);
    PenSize(pick(0, 4), pick(0, 4));
    PenPat(&pats[pick(0, 3)]);
    PenMode(pick(0, 1) ? patXor : srcXor);
    const int kind = pick(0, 4);
    const RectL r = localRect();
    Rect r16;
    KxSetRect(r16, r);
    const PointL a{o.v + pick(-30, 80), o.h + pick(-30, 90)}, b{o.v + pick(-30, 80), o.h + pick(-30, 90)};
    const bool hilite = pick(0, 3) == 0;
    for (int twice = 0; twice < 2; ++twice) {
      if (hilite) LMSetHiliteMode(0);
      switch (kind) {
        case 0: InvertRect(&r16); break;
        case 1: {
          StKxRegion rg;
          KxRectRgnL(rg, r);
          InvertRgn(rg);
          break;
        }
        case 2:
          MoveTo(a.h, a.v);
          LineTo(b.h, b.v);
          break;
        case 3: FrameRect(&r16); break;
        case 4:
          TextMode(srcXor);
          MoveTo(a.h, a.v);
          DrawText("Ab\x88\x9F", 0, 4);
          break;
      }
    }
    LMSetHiliteMode(kHiliteModeOff);
    ASSERT_EQ(Bytes(), start) << "step " << step << " kind " << kind;
  }
}

// Highlighting swaps exactly the back colour and the highlight colour, once.
TEST_F(DrawTest, HighlightSwapsBackAndHighlightColorsOnce) {
  const RGBColor mark{0xFFFF, 0xDDDD, 0x9999}, red{0xFFFF, 0, 0};
  HiliteColor(&mark);
  RGBForeColor(&red);
  Rect left = MakeRect(0, 0, 8, 8);
  PaintRect(&left);
  Rect all = MakeRect(0, 0, 16, 8);
  LMSetHiliteMode(LMGetHiliteMode() & ~kHiliteModeOff);
  InvertRect(&all);
  EXPECT_EQ(Px(0, 0), 0xFF0000u);   // other colours stay
  EXPECT_EQ(Px(12, 4), 0xFFDD99u);
  EXPECT_EQ(LMGetHiliteMode() & kHiliteModeOff, kHiliteModeOff);
  InvertRect(&all);   // highlighting was used up: a plain inversion
  EXPECT_EQ(Px(0, 0), 0x00FFFFu);
  EXPECT_EQ(Px(12, 4), 0x002266u);
}

// A pixel at local (h, v) takes bit 7 - h mod 8 of row v mod 8, whatever
// the origin; so the picture moves with the origin.
TEST_F(DrawTest, PatternsRepeatFromLocalOrigin) {
  const Pattern stairs = {{0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}};
  const Pattern mixed = {{0xF0, 0x0F, 0xAA, 0x01, 0x80, 0x3C, 0x00, 0xFF}};
  for (const Pattern& pat : {stairs, mixed}) {
    for (const PointL origin : {PointL{0, 0}, PointL{3, 5}, PointL{-7, -13}, PointL{32001, -29999}}) {
      SetOrigin(origin.h, origin.v);
      Rect r;
      GetPortBounds(port.get(), &r);
      EraseRect(&r);
      const Rect big = MakeRect(-32768, -32768, 32767, 32767);
      FillRect(&big, &pat);
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const std::int64_t h = x + std::int64_t(origin.h), v = y + std::int64_t(origin.v);
          const bool set = (pat.pat[v & 7] >> (7 - (h & 7))) & 1;
          ASSERT_EQ(Px(x, y), set ? kBlack : kWhite) << "origin " << origin.h << "," << origin.v << " at " << x
                                                     << "," << y;
        }
    }
  }
}

// Lines: both ends drawn, one pixel a step along the longer axis; a wide pen
// inverts each covered pixel once; two XOR lines cancel where they cross.
TEST_F(DrawTest, LinesAndXorLines) {
  MoveTo(2, 3);
  LineTo(9, 3);
  EXPECT_EQ(CountInk(), 8);
  LineTo(9, 3);   // a point is one pixel, already there
  EXPECT_EQ(CountInk(), 8);
  Rect all = MakeRect(0, 0, kWidth, kHeight);
  EraseRect(&all);

  MoveTo(0, 0);
  LineTo(10, 5);   // x is the longer axis: 11 pixels, one per column
  EXPECT_EQ(CountInk(), 11);
  for (int x = 0; x <= 10; ++x) {
    int found = 0;
    for (int y = 0; y < kHeight; ++y) found += Px(x, y) == kBlack;
    EXPECT_EQ(found, 1) << "column " << x;
  }
  EXPECT_EQ(Px(0, 0), kBlack);
  EXPECT_EQ(Px(10, 5), kBlack);
  EraseRect(&all);

  PenMode(patXor);
  PenSize(3, 3);
  MoveTo(5, 5);
  LineTo(30, 20);
  const int swept = CountInk();
  EXPECT_GT(swept, 26 * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) ASSERT_TRUE(Px(x, y) == kBlack || Px(x, y) == kWhite);

  EraseRect(&all);
  PenSize(1, 1);
  MoveTo(0, 10);
  LineTo(20, 10);
  MoveTo(10, 0);
  LineTo(10, 20);
  EXPECT_EQ(Px(10, 10), kWhite);   // crossed twice
  EXPECT_EQ(CountInk(), 21 + 21 - 2);
  EXPECT_EQ(KxGetPenL().h, 10);
  EXPECT_EQ(KxGetPenL().v, 20);
}

// Frames lie inside the rectangle, the pen's size thick; a pen too big for
// the rectangle fills it.
TEST_F(DrawTest, FramesLieInsideThePen) {
  struct Case {
    Rect r;
    int pw, ph, ink;
  };
  const Case cases[] = {
      {MakeRect(2, 2, 12, 8), 1, 1, 10 * 6 - 8 * 4},
      {MakeRect(2, 2, 12, 8), 3, 2, 10 * 6 - 4 * 2},
      {MakeRect(2, 2, 12, 8), 5, 1, 10 * 6},
      {MakeRect(2, 2, 12, 8), 0, 1, 0},
      {MakeRect(12, 2, 2, 8), 1, 1, 0},   // empty
  };
  for (const Case& c : cases) {
    Rect all = MakeRect(0, 0, kWidth, kHeight);
    EraseRect(&all);
    PenSize(c.pw, c.ph);
    FrameRect(&c.r);
    EXPECT_EQ(CountInk(), c.ink) << c.pw << "x" << c.ph;
  }
}

TEST_F(DrawTest, RoundRectsStayInsideAndCutTheirCorners) {
  Rect r = MakeRect(4, 4, 40, 30);
  PaintRoundRect(&r, 12, 10);
  EXPECT_EQ(Px(4, 4), kWhite);
  EXPECT_EQ(Px(39, 29), kWhite);
  EXPECT_EQ(Px(22, 4), kBlack);
  EXPECT_EQ(Px(4, 17), kBlack);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool in = x >= 4 && x < 40 && y >= 4 && y < 30;
      if (!in) {
        ASSERT_EQ(Px(x, y), kWhite);
      } else {
        // Symmetric about both axes of the rectangle.
        ASSERT_EQ(Px(x, y), Px(4 + 39 - x, y));
        ASSERT_EQ(Px(x, y), Px(x, 4 + 29 - y));
      }
    }
  const int painted = CountInk();
  Rect all = MakeRect(0, 0, kWidth, kHeight);
  EraseRect(&all);
  FrameRoundRect(&r, 12, 10);
  EXPECT_LT(CountInk(), painted);
  EXPECT_EQ(Px(22, 4), kBlack);
  EXPECT_EQ(Px(22, 15), kWhite);
}

// 32-bit coordinates inside; 16-bit answers held at the limits.
TEST_F(DrawTest, CoordinatesAreHeldNotWrapped) {
  MoveTo(40000, -50000);
  Point p;
  GetPen(&p);
  EXPECT_EQ(p.h, 32767);
  EXPECT_EQ(p.v, -32768);
  EXPECT_EQ(KxGetPenL().h, 40000);
  MoveTo(INT32_MAX - 1, INT32_MIN + 1);
  Move(10, -10);
  EXPECT_EQ(KxGetPenL().h, INT32_MAX);
  EXPECT_EQ(KxGetPenL().v, INT32_MIN);

  SetOrigin(32760, -32760);
  Rect bounds;
  GetPortBounds(port.get(), &bounds);
  EXPECT_EQ(bounds.left, 32760);
  EXPECT_EQ(bounds.right, 32767);
  EXPECT_EQ(bounds.top, -32760);
  EXPECT_EQ(bounds.bottom, -32760 + kHeight);
  Point g{0, 0};
  LocalToGlobal(&g);
  EXPECT_EQ(g.h, -32760);
  EXPECT_EQ(g.v, 32760);

  // Far beyond 16 bits, drawing still lands on the right pixels.
  SetOrigin(INT32_MAX - 20, INT32_MIN + 10);
  MoveTo(INT32_MAX - 10, INT32_MIN + 15);
  LineTo(INT32_MAX, INT32_MIN + 15);
  EXPECT_EQ(CountInk(), 11);
  EXPECT_EQ(Px(10, 5), kBlack);
  EXPECT_EQ(Px(20, 5), kBlack);

  Rect r16;
  KxSetRect(r16, RectL{-70000, 70000, 70000, -70000});
  EXPECT_EQ(r16.top, -32768);
  EXPECT_EQ(r16.left, 32767);
  EXPECT_EQ(r16.bottom, 32767);
  EXPECT_EQ(r16.right, -32768);
}

// A text image is far taller than 16 bits reach: under an origin past
// 32767 the 32-bit shape calls fill the pixels they name, where the
// 16-bit forms (narrowed) cannot, and the event point comes back whole.
TEST_F(DrawTest, RectanglesAndPointsPast16BitsLandOnTheirPixels) {
  SetOrigin(-5, 40000);
  KxPaintRectL(RectL{40002, 0, 40004, 3});   // device (5..7, 2..3)
  EXPECT_EQ(CountInk(), 6);
  EXPECT_EQ(Px(5, 2), kBlack);
  EXPECT_EQ(Px(7, 3), kBlack);
  KxEraseRectL(RectL{40002, 0, 40003, 3});
  EXPECT_EQ(CountInk(), 3);
  KxInvertRectL(RectL{40000, -5, 40000 + kHeight, -5 + kWidth});
  EXPECT_EQ(CountInk(), kWidth * kHeight - 3);
  KxInvertRectL(RectL{40000, -5, 40000 + kHeight, -5 + kWidth});
  KxFillRectL(RectL{40010, 0, 40012, 1}, &kKxBlackPat);
  EXPECT_EQ(Px(5, 10), kBlack);
  EXPECT_EQ(Px(5, 11), kBlack);
  PenSize(1, 1);
  KxFrameRectL(RectL{40020, 10, 40025, 20});   // device (15..24, 20..24): a 10 x 5 ring
  EXPECT_EQ(Px(15, 20), kBlack);
  EXPECT_EQ(Px(24, 24), kBlack);
  EXPECT_EQ(Px(16, 21), kWhite);
  EXPECT_EQ(CountInk(), 3 + 2 + (2 * 10 + 2 * 3));

  // The 16-bit forms keep their meaning: the same rectangle narrowed lies
  // above the surface and draws nothing.
  const int before = CountInk();
  Rect narrowed;
  KxSetRect(narrowed, RectL{40030, 0, 40032, 3});
  PaintRect(&narrowed);
  EXPECT_EQ(CountInk(), before);

  Point global{7, 3};   // v, h
  const PointL local = KxGlobalToLocalL(global);
  EXPECT_EQ(local.v, 40007);
  EXPECT_EQ(local.h, -2);
  GlobalToLocal(&global);
  EXPECT_EQ(global.v, 32767);
  EXPECT_EQ(global.h, -2);
}

TEST_F(DrawTest, ClipScopesNarrowAndRestore) {
  {
    KxClipScope outer(RectL{0, 0, 20, 20});
    {
      KxClipScope inner(RectL{10, 10, 40, 40});
      Rect all = MakeRect(0, 0, kWidth, kHeight);
      PaintRect(&all);
    }
    EXPECT_EQ(CountInk(), 10 * 10);
    Rect all = MakeRect(0, 0, kWidth, kHeight);
    EraseRect(&all);
    PaintRect(&all);
    EXPECT_EQ(CountInk(), 20 * 20);
  }
  Rect all = MakeRect(0, 0, kWidth, kHeight);
  PaintRect(&all);
  EXPECT_EQ(CountInk(), kWidth * kHeight);
}

// ScrollRect moves the pixels and erases and reports exactly the strip it
// uncovered.
TEST_F(DrawTest, ScrollRectMovesPixelsAndReportsTheStrip) {
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if ((x * 7 + y * 3) % 5 == 0) {
        Rect dot = MakeRect(x, y, x + 1, y + 1);
        PaintRect(&dot);
      }
  const std::vector<std::uint8_t> before = Bytes();
  auto pixelOf = [&](const std::vector<std::uint8_t>& b, int x, int y) {
    const int stride = cairo_image_surface_get_stride(port->Surface());
    return reinterpret_cast<const std::uint32_t*>(b.data() + y * stride)[x] & 0xFFFFFF;
  };
  SetOrigin(100, 200);
  const Rect area = MakeRect(110, 205, 150, 235);   // surface 10..50 x 5..35
  StKxRegion update;
  ScrollRect(&area, -3, 4, update);
  StKxRegion expected, kept;
  SetRectRgn(expected, 110, 205, 150, 235);
  SetRectRgn(kept, 110, 209, 147, 235);
  DiffRgn(expected, kept, expected);
  EXPECT_TRUE(EqualRgn(update, expected));
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool inArea = x >= 10 && x < 50 && y >= 5 && y < 35;
      const bool moved = inArea && x < 47 && y >= 9;
      const std::uint32_t want = !inArea ? pixelOf(before, x, y) : moved ? pixelOf(before, x + 3, y - 4) : kWhite;
      ASSERT_EQ(Px(x, y), want) << x << "," << y;
    }
}

// Scrolls every way, in one rectangle and in an area whose clip cuts it in
// two: each kept pixel comes from where it was before the scroll.
TEST_F(DrawTest, ScrollRectMovesEveryWay) {
  const int shifts[][2] = {{-3, 4}, {3, -4}, {0, 5}, {0, -5}, {6, 0}, {-6, 0}, {2, 2}, {-2, -2}};
  const Rect all = MakeRect(0, 0, kWidth, kHeight);
  for (const bool holed : {false, true})
    for (const auto& d : shifts) {
      ClipRect(&all);
      EraseRect(&all);
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
          if ((x * 7 + y * 3) % 5 == 0 || (x + y) % 11 == 0) {
            Rect dot = MakeRect(x, y, x + 1, y + 1);
            PaintRect(&dot);
          }
      const std::vector<std::uint8_t> before = Bytes();
      auto pixelOf = [&](int x, int y) {
        const int stride = cairo_image_surface_get_stride(port->Surface());
        return reinterpret_cast<const std::uint32_t*>(before.data() + y * stride)[x] & 0xFFFFFF;
      };
      StKxRegion clip;
      SetRectRgn(clip, 0, 0, kWidth, kHeight);
      if (holed) {
        StKxRegion hole;
        SetRectRgn(hole, 25, 0, 30, kHeight);  // splits the area into two columns
        DiffRgn(clip, hole, clip);
      }
      SetClip(clip);
      const Rect area = MakeRect(10, 5, 50, 35);
      StKxRegion update;
      ScrollRect(&area, std::int16_t(d[0]), std::int16_t(d[1]), update);
      auto open = [&](int x, int y) { return x >= 10 && x < 50 && y >= 5 && y < 35 && !(holed && x >= 25 && x < 30); };
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          std::uint32_t want = pixelOf(x, y);
          if (open(x, y)) want = open(x - d[0], y - d[1]) ? pixelOf(x - d[0], y - d[1]) : kWhite;
          ASSERT_EQ(Px(x, y), want) << "shift " << d[0] << "," << d[1] << (holed ? " holed" : "") << " at " << x << ","
                                    << y;
        }
    }
}

// What is drawn offscreen appears in the port when the offscreen ends, cut
// by the port's clip; the port is current again.
TEST_F(DrawTest, OffscreenCopiesBackThroughTheClip) {
  Rect dot = MakeRect(12, 12, 14, 14);
  PaintRect(&dot);
  const Rect clip = MakeRect(0, 0, 30, 48);
  ClipRect(&clip);
  {
    KxOffscreen off(RectL{10, 10, 40, 40});
    EXPECT_EQ(KxGetPort(), off.Port());
    Rect inside = MakeRect(20, 10, 40, 40);
    PaintRect(&inside);
    EXPECT_EQ(CountInk(), 4);   // nothing in the port yet
  }
  EXPECT_EQ(KxGetPort(), port.get());
  EXPECT_EQ(Px(12, 12), kBlack);   // the offscreen began with the port's pixels
  EXPECT_EQ(CountInk(), 4 + 10 * 30);
  EXPECT_EQ(Px(31, 20), kWhite);
}

// Text moves the pen by the measured widths; synthetic glyphs are boxes
// within their advance; srcBic paints the back colour.
TEST_F(DrawTest, TextAdvancesByMeasuredWidths) {
  TextFont(kKxApplicationFont);
  TextSize(12);
  const char text[] = "AB\x88\x9F";   // two single bytes and a kanji
  MoveTo(2, 20);
  DrawText(text, 0, 4);
  EXPECT_EQ(KxGetPenL().h, 2 + TextWidth(text, 0, 4));
  EXPECT_EQ(TextWidth(text, 0, 4), 6 + 6 + 12);
  EXPECT_GT(CountInk(), 0);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (Px(x, y) != kWhite) {
        ASSERT_GE(x, 2);
        ASSERT_LT(x, 26);
        ASSERT_GE(y, 20 - 9);
        ASSERT_LT(y, 20 + 3);
      }
  const RGBColor red{0xFFFF, 0, 0};
  RGBBackColor(&red);
  TextMode(srcBic);
  MoveTo(2, 20);
  DrawText(text, 0, 1);
  EXPECT_EQ(Px(2, 11), 0xFF0000u);
  // Without a current port nothing happens.
  SetPort(nullptr);
  DrawText(text, 0, 4);
  MoveTo(1, 1);
  EXPECT_EQ(KxGetPenL().h, 0);
}

// The window host copies out only ports whose stamp moved: every drawing
// call that changes a pixel must move it, and stamps never repeat between
// ports (a new port may take an old one's address).
TEST_F(DrawTest, EveryChangeMovesTheStamp) {
  auto bytes = [&] {
    cairo_surface_t* s = port->SurfaceToRead();
    cairo_surface_flush(s);
    const unsigned char* d = cairo_image_surface_get_data(s);
    return std::vector<std::uint8_t>(d, d + std::size_t(cairo_image_surface_get_stride(s)) * kHeight);
  };
  TextFont(kKxApplicationFont);
  TextSize(12);
  Rect dot = MakeRect(3, 3, 9, 9), band = MakeRect(0, 10, 64, 30);
  const std::vector<std::function<void()>> draws = {
      [&] { PaintRect(&dot); },
      [&] { EraseRect(&dot); },
      [&] { InvertRect(&band); },
      [&] { MoveTo(1, 40); LineTo(60, 44); },
      [&] { MoveTo(4, 24); DrawText("Ab\x88\x9F", 0, 4); },
      [&] {
        StKxRegion uncovered;
        ScrollRect(&band, 5, 3, uncovered);
      },
      [&] {
        KxOffscreen off(RectL{0, 0, 20, 20});
        Rect r = MakeRect(0, 0, 20, 20);
        InvertRect(&r);
      },
  };
  for (const auto& draw : draws) {
    const std::vector<std::uint8_t> before = bytes();
    const std::uint64_t stamp = port->Stamp();
    draw();
    const std::uint64_t after = port->Stamp();
    if (bytes() != before) {
      EXPECT_NE(after, stamp);
    }
    EXPECT_EQ(port->Stamp(), after) << "reading moved the stamp";
  }
  const std::uint64_t last = port->Stamp();
  std::set<std::uint64_t> seen{last};
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(seen.insert(KxPort::NewImage(4, 4)->Stamp()).second);
}

// A solid fill gives every pixel it covers one colour and keeps the unused
// byte; nothing outside changes. Random surfaces, rectangles and modes.
TEST_F(DrawTest, SolidFillsColourExactlyTheirPixels) {
  std::mt19937 rng(7001);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int steps = RandomSteps(200);
  for (int step = 0; step < steps; ++step) {
    std::vector<std::uint8_t> start = Bytes();
    for (std::uint8_t& b : start) b = std::uint8_t(rng());
    SetBytes(start);
    port->mFore = RGBColor{std::uint16_t(rng()), std::uint16_t(rng()), std::uint16_t(rng())};
    port->mBack = RGBColor{std::uint16_t(rng()), std::uint16_t(rng()), std::uint16_t(rng())};
    const short modes[] = {patCopy, patOr, patBic, notPatCopy};
    const short mode = modes[pick(0, 3)];
    const bool black = pick(0, 1) == 1;
    const kx_draw::DevRect r{pick(0, kWidth), pick(0, kHeight), pick(0, kWidth), pick(0, kHeight)};
    kx_draw::FillRegion(*port, kx_draw::DevRegion({r}), black ? kKxBlackPat : kKxWhitePat, mode);
    // Which pixels take which colour, from the mode's definition.
    const bool on = black != (mode == notPatCopy);
    std::int64_t color = -1;
    if (mode == patCopy || mode == notPatCopy) color = on ? kx_draw::PixelOf(port->mFore) : kx_draw::PixelOf(port->mBack);
    else if (on) color = kx_draw::PixelOf(mode == patOr ? port->mFore : port->mBack);
    const std::vector<std::uint8_t> after = Bytes();
    const int stride = cairo_image_surface_get_stride(port->SurfaceToRead());
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        std::uint32_t was, now;
        std::memcpy(&was, start.data() + y * stride + x * 4, 4);
        std::memcpy(&now, after.data() + y * stride + x * 4, 4);
        const bool inside = x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1;
        const std::uint32_t want = inside && color >= 0 ? (was & 0xFF000000u) | std::uint32_t(color) : was;
        ASSERT_EQ(now, want) << "step " << step << " at " << x << "," << y;
      }
  }
}

// Text masks skip empty stretches eight bytes at a time: a mask applied
// whole must give what it gives one column at a time (never eight wide),
// in every mode, blended or not.
TEST_F(DrawTest, MasksAppliedWholeMatchColumnByColumn) {
  std::mt19937 rng(7002);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int steps = RandomSteps(100);
  for (int step = 0; step < steps; ++step) {
    const int mw = pick(1, 60), mh = pick(1, 20), x = pick(-10, kWidth), y = pick(-5, kHeight);
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, mw, mh);
    cairo_surface_flush(mask);
    unsigned char* m = cairo_image_surface_get_data(mask);
    const int ms = cairo_image_surface_get_stride(mask);
    const int density = pick(0, 4);   // from empty to one byte in two covered
    for (int row = 0; row < mh; ++row)
      for (int col = 0; col < mw; ++col) m[row * ms + col] = pick(0, 7) < density ? std::uint8_t(rng()) : 0;
    cairo_surface_mark_dirty(mask);
    const short modes[] = {srcCopy, srcOr, srcXor, srcBic};
    const short mode = modes[pick(0, 3)];
    const bool blend = pick(0, 1) == 1;
    std::vector<std::uint8_t> start = Bytes();
    for (std::uint8_t& b : start) b = std::uint8_t(rng());
    port->mFore = RGBColor{std::uint16_t(rng()), std::uint16_t(rng()), std::uint16_t(rng())};

    SetBytes(start);
    kx_draw::ApplyMask(*port, mask, x, y, mode, blend);
    const std::vector<std::uint8_t> whole = Bytes();

    SetBytes(start);
    cairo_surface_t* column = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, mh);
    for (int col = 0; col < mw; ++col) {
      cairo_surface_flush(column);
      unsigned char* c = cairo_image_surface_get_data(column);
      const int cs = cairo_image_surface_get_stride(column);
      for (int row = 0; row < mh; ++row) c[row * cs] = m[row * ms + col];
      cairo_surface_mark_dirty(column);
      kx_draw::ApplyMask(*port, column, x + col, y, mode, blend);
    }
    cairo_surface_destroy(column);
    cairo_surface_destroy(mask);
    ASSERT_EQ(Bytes(), whole) << "step " << step;
  }
}

// Blending rounds each component to the nearest of (a (255 - s) + b s) / 255,
// halves down: every colour value under every cover, for every ink value.
TEST(DrawPort, BlendedMasksRoundEveryMixExactly) {
  auto port = KxPort::NewImage(256, 256);
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, 256, 256);
  cairo_surface_flush(mask);
  unsigned char* m = cairo_image_surface_get_data(mask);
  const int ms = cairo_image_surface_get_stride(mask);
  for (int cover = 0; cover < 256; ++cover)
    for (int x = 0; x < 256; ++x) m[cover * ms + x] = std::uint8_t(cover);
  cairo_surface_mark_dirty(mask);
  auto pixel = [](int a) { return std::uint32_t(a * 131 % 256) << 24 | std::uint32_t(a) << 16 | std::uint32_t(255 - a) << 8 | std::uint32_t(a ^ 0x5A); };
  // Every ink value in a long run, every fifth and the last by default.
  const int step = std::getenv("KX_RANDOM_STEPS") ? 1 : 5;
  for (int b = 0; b < 256; b = b < 255 ? std::min(255, b + step) : 256) {
    cairo_surface_t* s = port->Surface();
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const std::uint32_t p = pixel(x);
        std::memcpy(data + y * stride + x * 4, &p, 4);
      }
    cairo_surface_mark_dirty(s);
    const int ink[3] = {b, (b * 37 + 11) & 255, 255 - b};  // red, green, blue
    port->mFore = RGBColor{std::uint16_t(ink[0] * 257), std::uint16_t(ink[1] * 257), std::uint16_t(ink[2] * 257)};
    kx_draw::ApplyMask(*port, mask, 0, 0, srcOr, true);
    data = cairo_image_surface_get_data(port->SurfaceToRead());
    for (int cover = 0; cover < 256; ++cover)
      for (int x = 0; x < 256; ++x) {
        const std::uint32_t was = pixel(x);
        std::uint32_t want = was & 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
          const int shift = 16 - 8 * c, a = int(was >> shift) & 0xFF;
          want |= std::uint32_t((a * (255 - cover) + ink[c] * cover + 127) / 255) << shift;
        }
        std::uint32_t now;
        std::memcpy(&now, data + cover * stride + x * 4, 4);
        ASSERT_EQ(now, want) << "ink " << b << " cover " << cover << " at " << x;
      }
  }
  cairo_surface_destroy(mask);
}

TEST(DrawPort, ImageSizesAreChecked) {
  EXPECT_THROW(KxPort::NewImage(0, 10), LException);
  EXPECT_THROW(KxPort::NewImage(10, 40000), LException);
  auto p = KxPort::NewImage(3, 2);
  EXPECT_TRUE(p->IsRaster());
  EXPECT_EQ(p->Width(), 3);
}

}  // namespace
