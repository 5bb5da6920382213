#include "layout/draw_lines.h"

#include <algorithm>

#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "platform/draw/port.h"

namespace {

constexpr int kDottedNet = 5;
constexpr std::int32_t kDashPeriod = 32, kDashOn = 16;   // thick dashed: 0xFF 0xFF 0x00 0x00 along the line
constexpr std::int32_t kDotPeriod = 2 * 2, kDotOn = 2;    // thick dotted
constexpr int kFirstInterline = 13, kInterlineBase = 8, kInterlineForms = 5;

enum class Stroke { kNone, kSolid, kDouble, kThick, kDotted, kThickDashed, kThickDotted };

struct LineForm {
  Stroke stroke;
  bool shortStart, shortEnd;
};

// The stroke of each base form 0-12 (kinds 13-27 reuse 8-12).
constexpr Stroke kStrokes[kFirstInterline] = {
    Stroke::kNone,        Stroke::kSolid,  Stroke::kDouble, Stroke::kThick,  Stroke::kDotted,
    Stroke::kNone,        Stroke::kNone,   Stroke::kThickDashed, Stroke::kThickDotted,
    Stroke::kSolid,       Stroke::kThick,  Stroke::kDouble, Stroke::kDotted};

LineForm FormOf(int kind) {
  if (kind < 0 || kind >= kKxLineKindCount) return {Stroke::kNone, false, false};
  if (kind < kFirstInterline) {
    if (kind == 12) return {Stroke::kNone, false, false};   // only a base for 17, 22 and 27
    const bool interline = kind >= 9 && kind <= 11;
    return {kStrokes[kind], interline, interline};
  }
  const int group = (kind - kFirstInterline) / kInterlineForms;   // 0 start, 1 end, 2 neither
  return {kStrokes[kInterlineBase + (kind - kFirstInterline) % kInterlineForms], group == 0, group == 1};
}

std::int32_t Floor(std::int32_t v, std::int32_t m) { return ((v % m) + m) % m; }

// Paints the along-the-line span [a0, a1) x [c0, c1) across, in axis order.
void PaintSpan(bool horizontal, std::int32_t a0, std::int32_t a1, std::int32_t c0, std::int32_t c1) {
  if (a1 <= a0 || c1 <= c0) return;
  KxPaintRectL(horizontal ? RectL{c0, a0, c1, a1} : RectL{a0, c0, a1, c1});
}

// Pieces that are on where (position mod period) < on, position counted in
// local coordinates so that neighbouring runs continue one rhythm.
void PaintBroken(bool horizontal, std::int32_t a0, std::int32_t a1, std::int32_t c0, std::int32_t c1,
                 std::int32_t period, std::int32_t on) {
  std::int32_t a = a0;
  while (a < a1) {
    const std::int32_t phase = Floor(a, period);
    if (phase < on) {
      const std::int32_t end = std::min(a1, a + (on - phase));
      PaintSpan(horizontal, a, end, c0, c1);
      a = end;
    } else {
      a += period - phase;
    }
  }
}

// The pattern mirrored on its diagonal: row r of the result is column r.
Pattern Transposed(const Pattern& p) {
  Pattern t{};
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c)
      if (p.pat[c] & (0x80 >> r)) t.pat[r] = std::uint8_t(t.pat[r] | (0x80 >> c));
  return t;
}

RectL ScaledRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, short scale) {
  return {KxDrawScale(y, scale), KxDrawScale(x, scale), KxDrawScale(y + h, scale), KxDrawScale(x + w, scale)};
}

}  // namespace

void KxTextDrawLine(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int kind, int color,
                    short scale) {
  const LineForm form = FormOf(kind);
  if (form.stroke == Stroke::kNone || !KxGetPort()) return;
  const bool horizontal = w > 1;
  const std::int32_t length = horizontal ? w : h;
  if (length <= 0) return;
  const std::int32_t unit = std::max(1, KxDrawScale(1, scale));
  const std::int32_t along = horizontal ? x : y, across = horizontal ? y : x;
  std::int32_t a0 = KxDrawScale(along, scale), a1 = KxDrawScale(along + length, scale);
  if (form.shortStart) a0 += unit;
  if (form.shortEnd) a1 -= unit;
  const std::int32_t c0 = KxDrawScale(across, scale);
  const std::int32_t thin = unit, thick = std::max(2, KxDrawScale(2, scale));

  CKXDrawState state;
  state.Normalize();
  PenMode(patOr);
  KxSetRGBColor(color);
  switch (form.stroke) {
    case Stroke::kSolid: PaintSpan(horizontal, a0, a1, c0, c0 + thin); break;
    case Stroke::kDouble: {
      const std::int32_t second = KxDrawScale(across + 2, scale);
      PaintSpan(horizontal, a0, a1, c0, c0 + thin);
      PaintSpan(horizontal, a0, a1, second, second + thin);
      break;
    }
    case Stroke::kThick: PaintSpan(horizontal, a0, a1, c0, c0 + thick); break;
    case Stroke::kDotted: {
      // Down a column the net is turned with the writing: net 5 holds no
      // pixel in every other column, so a one-unit vertical line there
      // would not show at all.
      Pattern net;
      KxGetNetPattern(kDottedNet, net);
      if (!horizontal) net = Transposed(net);
      PenPat(&net);
      PaintSpan(horizontal, a0, a1, c0, c0 + thin);
      break;
    }
    case Stroke::kThickDashed: PaintBroken(horizontal, a0, a1, c0, c0 + thick, kDashPeriod, kDashOn); break;
    case Stroke::kThickDotted: PaintBroken(horizontal, a0, a1, c0, c0 + thick, kDotPeriod, kDotOn); break;
    case Stroke::kNone: break;
  }
}

void KxTextDrawColoredLine(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint8_t thick,
                           const RGBColor& color, short scale) {
  if ((w == 0 && h == 0) || !KxGetPort()) return;
  CKXDrawState state;
  state.Normalize();
  RGBForeColor(&color);
  if (thick) PenSize(2, 2);
  MoveTo(KxDrawScale(x, scale), KxDrawScale(y, scale));
  if (w != 0)
    LineTo(KxDrawScale(x + w - 1, scale), KxDrawScale(y, scale));
  else
    LineTo(KxDrawScale(x, scale), KxDrawScale(y + h - 1, scale));
}

void KxTextDrawColoredFrame(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int net,
                            const RGBColor& color, short scale, std::uint8_t frame) {
  if (!KxGetPort() || (!frame && net == kKxNetNone)) return;
  CKXDrawState state;
  state.Normalize();
  PenMode(patOr);
  RGBForeColor(&color);
  const RectL r = ScaledRect(x, y, w, h, scale);
  if (!frame || net != kKxNetCount - 1) KxSetNetPattern(net);
  if (frame)
    KxFrameRectL(r);
  else
    KxPaintRectL(r);
}

void KxTextDrawNet(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int net, int color,
                   short scale, std::uint8_t frame) {
  RGBColor c;
  KxGetRGBColor(color, c);
  KxTextDrawColoredFrame(x, y, w, h, net, c, scale, frame);
}

void KxTextDrawFrame(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int net, int color,
                     short scale) {
  KxTextDrawNet(x, y, w, h, net, color, scale, 1);
}

// ---------------------------------------------------------------------------
// Control symbols

namespace {

constexpr unsigned char kTab = 9, kCR = 13, kFormFeed = 12, kSpace = 0x20;
constexpr std::int32_t kReturnWidth = 8;

// Plots a symbol in cell coordinates: u along the line, v across it (down
// in horizontal writing). Vertical writing turns it a quarter clockwise:
// u runs down the column, v from its right edge leftwards.
class Plotter {
 public:
  Plotter(const RectL& cell, bool vertical) : mCell(cell), mVertical(vertical) {}
  std::int32_t Length() const { return mVertical ? mCell.bottom - mCell.top : mCell.right - mCell.left; }
  std::int32_t Breadth() const { return mVertical ? mCell.right - mCell.left : mCell.bottom - mCell.top; }
  void Dot(std::int32_t u, std::int32_t v) const { Span(u, v, u + 1, v + 1); }
  // Pixels [u0, u1) x [v0, v1).
  void Span(std::int32_t u0, std::int32_t v0, std::int32_t u1, std::int32_t v1) const {
    if (u1 <= u0 || v1 <= v0) return;
    KxPaintRectL(mVertical ? RectL{mCell.top + u0, mCell.right - v1, mCell.top + u1, mCell.right - v0}
                           : RectL{mCell.top + v0, mCell.left + u0, mCell.top + v1, mCell.left + u1});
  }
  void Frame(std::int32_t u0, std::int32_t v0, std::int32_t u1, std::int32_t v1) const {
    Span(u0, v0, u1, v0 + 1);
    Span(u0, v1 - 1, u1, v1);
    Span(u0, v0, u0 + 1, v1);
    Span(u1 - 1, v0, u1, v1);
  }
  // The cell's point (u, v) in port coordinates.
  PointL At(std::int32_t u, std::int32_t v) const {
    return mVertical ? PointL{mCell.top + u, mCell.right - 1 - v} : PointL{mCell.top + v, mCell.left + u};
  }

 private:
  RectL mCell;
  bool mVertical;
};

// An arrow head pointing to decreasing (left) or increasing u at (u, v).
void Head(const Plotter& p, std::int32_t u, std::int32_t v, int direction) {
  for (int k = 1; k <= 2; ++k) {
    p.Dot(u + direction * k, v - k);
    p.Dot(u + direction * k, v + k);
  }
}

}  // namespace

void KxTextDrawControl(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, unsigned char c,
                       short scale) {
  if (!KxGetPort()) return;
  const RectL cell = ScaledRect(x, y, w, h, scale);
  if (cell.right <= cell.left || cell.bottom <= cell.top) return;
  const Plotter p(cell, CKXCharState::sVerticalDrawing);
  const std::int32_t len = p.Length(), breadth = p.Breadth();
  const std::int32_t mid = breadth / 2;
  CKXDrawState state;
  state.Normalize();
  switch (c) {
    case kCR: {
      // Down the right, then back left along the lower third, to a head.
      KxSetRGBColor(kKxColorReturnMark);
      const std::int32_t row = breadth - std::max<std::int32_t>(2, breadth / 3);
      p.Span(kReturnWidth - 1, std::max(0, row - 4), kReturnWidth, row + 1);
      p.Span(1, row, kReturnWidth, row + 1);
      Head(p, 1, row, 1);
      break;
    }
    case kTab:
      KxSetRGBColor(kKxColorTabMark);
      p.Span(1, mid, std::max(2, len - 1), mid + 1);
      Head(p, std::max(2, len - 1) - 1, mid, -1);
      break;
    case kSpace: {
      RGBColor dot;
      KxGetRGBColor(kKxColorSpaceMark, dot);
      if (dot.red == 0 && dot.green == 0 && dot.blue == 0) break;
      RGBForeColor(&dot);
      p.Dot(len / 2, mid);
      break;
    }
    case kFormFeed:
      KxSetRGBColor(kKxColorReturnMark);
      p.Frame(1, 1, len - 1, breadth - 1);
      p.Span(1, mid, len - 1, mid + 1);
      break;
    default: {
      if (c >= 0x20) break;
      KxSetRGBColor(kKxColorYellow);
      p.Frame(0, 0, len, breadth);
      KxSetRGBColor(kKxColorTabMark);
      const unsigned char letter = static_cast<unsigned char>(c + 64);
      KxFontInfo info;
      GetFontInfo(&info);
      if (CKXCharState::sVerticalDrawing) {
        const PointL at = p.At(0, 0);
        KxDrawTextTurned(&letter, 0, 1, cell.left, at.v, info.ascent, breadth);
      } else {
        const std::int32_t lw = CharWidth(letter);
        MoveTo(cell.left + std::max(0, (len - lw) / 2), cell.top + info.ascent);
        DrawText(&letter, 0, 1);
      }
    }
  }
}
