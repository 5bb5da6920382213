// The edit object's drawing: lines into its port, erasing under them, the
// blank below the text, and the caret and selection as exclusive-or
// inversions of the port's pixels.
//
// Rectangles reach the port in 32 bits, the way the coordinate code computes them
// (rotated, scaled edge by edge, moved by the origin offset: ToPortRect),
// so that what is erased, drawn and inverted meets exactly. Text goes
// through the drawing toolkit, which scales unscaled coordinates itself:
// it is handed coordinates less a base that scales exactly (a multiple of
// 100), and the port origin takes up the rest of the offset, so that even
// an offset of millions of points keeps the toolkit's 16-bit coordinates
// small and every glyph lands on the pixel the coordinate code names.
#include <algorithm>

#include "layout/draw_toolkit.h"
#include "layout/text_draw_line.h"
#include "layout/text_edit.h"
#include "platform/draw/port.h"
#include "platform/draw/region.h"

namespace {

// "No limit" for clips that run on past the text.
constexpr std::int32_t kUnbounded = 1 << 27;

long FloorTo(long v, long m) { return (v >= 0 ? v / m : -((-v + m - 1) / m)) * m; }

// Moves the port origin by a residue for a scope, the clip with it so that
// it keeps covering the same pixels.
class StOriginShift {
 public:
  StOriginShift(std::int32_t dh, std::int32_t dv) : mDh(dh), mDv(dv) {
    if (dh == 0 && dv == 0) return;
    mOrigin = KxGetOrigin();
    GetClip(mSaved);
    StKxRegion moved;
    CopyRgn(mSaved, moved);
    OffsetRgn(moved, dh, dv);
    SetOrigin(mOrigin.h + dh, mOrigin.v + dv);
    SetClip(moved);
  }
  ~StOriginShift() {
    if (mDh == 0 && mDv == 0) return;
    SetOrigin(mOrigin.h, mOrigin.v);
    SetClip(mSaved);
  }
  StOriginShift(const StOriginShift&) = delete;
  StOriginShift& operator=(const StOriginShift&) = delete;

 private:
  std::int32_t mDh, mDv;
  PointL mOrigin{};
  StKxRegion mSaved;
};

}  // namespace

// ---- hooks ------------------------------------------------------------------------------------

void CKXTextEdit::DrawHook(long firstLine, long count) {
  if (mDrawPort) DrawLinesAt(firstLine, count, mView);
}

void CKXTextEdit::InvertArea(const RectL& port) {
  if (!mDrawPort || port.bottom <= port.top || port.right <= port.left) return;
  StKxPortSaver saver(mDrawPort);
  KxInvertRectL(port);
}

void CKXTextEdit::FrameArea(const RectL& port) {
  if (!mDrawPort || port.bottom <= port.top || port.right <= port.left) return;
  StKxPortSaver saver(mDrawPort);
  CKXDrawState state;
  state.Normalize();
  PenMode(patXor);   // framing twice takes the frame away
  KxFrameRectL(port);
}

// ---- primitives --------------------------------------------------------------------------------

void CKXTextEdit::TextInvertRect(const RectL& layout) { InvertArea(ToPortRect(layout)); }

void CKXTextEdit::TextFrameRect(const RectL& layout) { FrameArea(ToPortRect(layout)); }

void CKXTextEdit::TextEraseRect(const RectL& layout) {
  const RectL port = ToPortRect(layout);
  if (!mDrawPort || port.bottom <= port.top) return;
  StKxPortSaver saver(mDrawPort);
  KxEraseRectL(port);
}

void CKXTextEdit::DrawLineText(const PointL& origin, long start, long length, long width, short lineHeight,
                               const SKXLineStyl& style, short scale, const RectL* clip) const {
  KxDrawLineText(mLayout, this, origin, start, length, width, lineHeight, style, scale, clip);
}

void CKXTextEdit::TextDrawString(const PointL& pen, long start, long length, long width, long height,
                                 const RectL& clip) {
  if (!mDrawPort) return;
  StKxPortSaver saver(mDrawPort);
  const short scale = ShownScale() == 100 ? 0 : ShownScale();
  // The offset splits into a base (unscaled, a multiple of 100 when
  // scaled, so that it scales without rounding) and a residue in pixels.
  PointL base{}, residue{};
  if (mQDOffsetOn) {
    if (scale == 0) {
      base = mQDOffset;
    } else {
      base.v = std::int32_t(FloorTo(ScaleIn(mQDOffset.v), 100));
      base.h = std::int32_t(FloorTo(ScaleIn(mQDOffset.h), 100));
      residue.v = std::int32_t(mQDOffset.v - long(base.v) / 100 * scale);
      residue.h = std::int32_t(mQDOffset.h - long(base.h) / 100 * scale);
    }
  }
  PointL origin = pen;
  RectL shownClip = clip;
  if (Vertical()) {
    VerticalPt(origin, 1);
    VerticalRect(shownClip, 1);
  }
  origin.v -= base.v;
  origin.h -= base.h;
  KxOffsetRect(shownClip, -base.h, -base.v);
  StOriginShift shift(residue.h, residue.v);
  SKXLineStyl style = mLineStyl;
  DrawLineText(origin, start, length, width, short(std::clamp(height, 0L, 32767L)), style, scale, &shownClip);
}

// ---- lines ---------------------------------------------------------------------------------------

long CKXTextEdit::GetDrawPoint(PointL& pen, const RectL& r) const {
  long delta = 0;
  const long line = GetLineFromHeight(std::max(long(r.top) - mDest.top, 0L), delta);
  pen = PointL{std::int32_t(mDest.top + GetLineHeightUntilAt(line)), std::int32_t(GetLeftPos(line))};
  return line;
}

long CKXTextEdit::GetDrawLine(PointL& pen, const RectL& shown) const {
  RectL r = shown;
  KxScaleRect(r, ShownScale(), true);
  if (Vertical()) VerticalRect(r, 0);
  return GetDrawPoint(pen, r);
}

void CKXTextEdit::DrawLineAt(long line, PointL& pen, const RectL& clip, std::uint8_t erase) {
  SKXLineInfo info;
  long length = 0;
  const long start = GetLineInfoAt(line, info, &length);
  const long height = info.height & kKxLineHeightMask;
  const PointL top = pen;
  pen.v = std::int32_t(pen.v + height);
  if (top.v >= clip.bottom || pen.v <= clip.top) return;
  RectL band;
  if (!KxSectRect(RectL{top.v, clip.left, pen.v, clip.right}, clip, band)) return;
  if (erase) TextEraseRect(band);
  if (!mDrawPort) return;
  // A line draws inside its own band: glyphs taller than a line at a small
  // scale would otherwise reach into the next one, and a redraw of some
  // lines would differ from a redraw of all.
  StKxPortSaver saver(mDrawPort);
  KxClipScope lineClip(ToPortRect(band));
  DrawRuledLineAt(line, top, LayoutWidth(), height);
  // Measured as the coordinate code measures, so that caret and glyphs meet.
  TextDrawString(top, start, length, LayoutWidth(), height, clip);
}

void CKXTextEdit::DrawBlankLinesAt(long /*line*/, const PointL& pen, const RectL& clip, std::uint8_t erase) {
  if (!erase) return;
  RectL r{pen.v, clip.left, clip.bottom, clip.right}, c;
  if (KxSectRect(r, clip, c)) TextEraseRect(c);
}

void CKXTextEdit::DrawLinesAt(long first, long count, const RectL& clip) {
  if (!mDrawPort) return;
  LayOn(0, 0, long(clip.bottom) - mDest.top);
  const long n = StoredLineCount();
  first = std::clamp(first, 1L, std::max(1L, n));
  StKxPortSaver saver(mDrawPort);
  CKXQuartzDrawing smoothing(mPrinting);
  PointL pen{std::int32_t(mDest.top + GetLineHeightUntilAt(first)), std::int32_t(GetLeftPos(first))};
  long line = first;
  for (long k = 0; k < count && line <= n && pen.v < clip.bottom; ++k) DrawLineAt(line++, pen, clip, 1);
  if (line > n) {
    const RectL below{pen.v, mDest.left, kUnbounded, mLineStyl.wrap ? mDest.right : kUnbounded};
    RectL c;
    if (KxSectRect(below, clip, c)) DrawBlankLinesAt(n, pen, c, 1);
  }
}

void CKXTextEdit::Draw(const Rect& update) {
  RectL r;
  KxSetRect(r, update);
  Draw(r);
}

void CKXTextEdit::Draw(const RectL& update) {
  if (!mDrawPort || update.bottom <= update.top || update.right <= update.left) return;
  StKxPortSaver saver(mDrawPort);
  // The update in layout space, a unit larger on every side so that no
  // rounding of the scale leaves a pixel out; the port clip is exact.
  RectL layout = update;
  KxScaleRect(layout, ShownScale(), true);
  if (ShownScale()) layout = RectL{layout.top - 1, layout.left - 1, layout.bottom + 1, layout.right + 1};
  if (Vertical()) VerticalRect(layout, 0);
  // Lines deferred below the update stay so; the destination then reaches
  // past it.
  LayOn(0, 0, long(layout.bottom) - mDest.top);
  RectL dest = mDest;
  if (!mLineStyl.wrap) dest.right = kUnbounded;
  dest.bottom = std::max(dest.bottom, layout.bottom);
  RectL port = update;
  if (mQDOffsetOn) KxOffsetRect(port, -mQDOffset.h, -mQDOffset.v);
  KxClipScope clipScope(port);
  {
    // The update is painted whole: what lies outside the text is ground.
    KxEraseRectL(port);
  }
  RectL clip;
  if (KxSectRect(dest, layout, clip)) {
    CKXQuartzDrawing smoothing(mPrinting);
    PointL pen;
    long line = GetDrawPoint(pen, clip);
    const long n = StoredLineCount();
    while (line <= n && pen.v < clip.bottom) DrawLineAt(line++, pen, clip, 0);
  }
  RestoreHighlight(layout);
}

void CKXTextEdit::RestoreHighlight(const RectL& layout) {
  if (!mActive) return;
  RectL shown;
  if (mSelAnchor != mSelEnd && KxSectRect(layout, mView, shown))
    ReverseSelection(mSelAnchor, mSelEnd, shown);
  else if (mSelAnchor == mSelEnd && mCaretDrawn)
    InvertArea(mDrawnCaret);
}
