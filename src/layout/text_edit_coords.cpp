// The edit object's coordinate spaces: vertical writing (a quarter turn
// clockwise about the rotation extent), the edit scale and the port origin;
// offsets to points and back; scrolling to the caret; printing mode.
#include <algorithm>

#include "layout/text_edit.h"

namespace {

// Line width reported for a text that does not wrap at the layout width.
constexpr long kUnwrappedWidth = 16000;

// The vertical margin the caret keeps from the view's edges.
constexpr long kViewMargin = 2;

}  // namespace

// ---- rotation and scale -------------------------------------------------------------------

long CKXTextEdit::RotationExtent() const { return std::max(mRotation, long(mView.bottom)); }

void CKXTextEdit::VerticalPt(PointL& p, std::uint8_t toShown) const {
  const long w = RotationExtent();
  const PointL q = p;
  if (toShown) {
    p.v = q.h;
    p.h = std::int32_t(w - q.v);
  } else {
    p.v = std::int32_t(w - q.h);
    p.h = q.v;
  }
}

void CKXTextEdit::VerticalRect(RectL& r, std::uint8_t toShown) const {
  const long w = RotationExtent();
  const RectL q = r;
  if (toShown) {
    r = RectL{q.left, std::int32_t(w - q.bottom), q.right, std::int32_t(w - q.top)};
  } else {
    r = RectL{std::int32_t(w - q.right), q.top, std::int32_t(w - q.left), q.bottom};
  }
}

void CKXTextEdit::VerticalSetup() {
  mView = RectL{};
  mRotation = RotationReference();
}

namespace {
short gScreenScale = 100;
constexpr short kLargestShownScale = 3200;
}  // namespace

void CKXTextEdit::SetScreenScale(short percent) { gScreenScale = std::clamp<short>(percent, 25, 400); }

short CKXTextEdit::GetScreenScale() { return gScreenScale; }

short CKXTextEdit::ShownScale() const {
  if (mPrinting || gScreenScale == 100) return mEditStyl.scale;
  const long stored = mEditStyl.scale == 0 ? 100 : mEditStyl.scale;
  const long shown = std::clamp<long>((stored * gScreenScale + 50) / 100, 1, kLargestShownScale);
  return shown == 100 ? short(0) : short(shown);
}

long CKXTextEdit::ScaleIn(long v) const { return KxScaleLong(std::int32_t(v), ShownScale(), true); }

long CKXTextEdit::ScaleOut(long v) const { return KxScaleLong(std::int32_t(v), ShownScale(), false); }

PointL CKXTextEdit::LayoutToShown(const PointL& layout) const {
  PointL p = layout;
  if (Vertical()) VerticalPt(p, 1);
  return PointL{std::int32_t(ScaleOut(p.v)), std::int32_t(ScaleOut(p.h))};
}

PointL CKXTextEdit::ShownToLayout(const PointL& shown) const {
  PointL p{std::int32_t(ScaleIn(shown.v)), std::int32_t(ScaleIn(shown.h))};
  const short scale = ShownScale();
  if (scale > 0 && scale < 100) {
    // Below 100 % one shown pixel covers several layout ones; take the one
    // furthest down the text in both writings, so that the line top that
    // GetPoint reports comes back to its own line.
    if (Vertical()) {
      while (ScaleOut(p.h - 1) == shown.h) --p.h;
    } else {
      while (ScaleOut(p.v + 1) == shown.v) ++p.v;
    }
  }
  if (Vertical()) VerticalPt(p, 0);
  return p;
}

RectL CKXTextEdit::ToPortRect(const RectL& layout) const {
  if (layout.bottom <= layout.top || layout.right <= layout.left) return RectL{};
  RectL r = layout;
  if (Vertical()) VerticalRect(r, 1);
  // Edge by edge, so that rectangles that meet stay meeting at any scale.
  r = RectL{std::int32_t(ScaleOut(r.top)), std::int32_t(ScaleOut(r.left)), std::int32_t(ScaleOut(r.bottom)),
            std::int32_t(ScaleOut(r.right))};
  if (mQDOffsetOn) KxOffsetRect(r, -mQDOffset.h, -mQDOffset.v);
  if (r.bottom <= r.top || r.right <= r.left) return RectL{};
  return r;
}

// ---- destination and view -------------------------------------------------------------------

void CKXTextEdit::SetDestRect(const RectL& dest) {
  RectL r = dest;
  KxScaleRect(r, ShownScale(), true);
  if (Vertical()) r = RectL{r.left, r.top, r.right, r.bottom};
  SetLayoutDest(r);
}

void CKXTextEdit::GetDestRect(RectL& dest) const {
  RectL r = ToDestRect();
  if (!mLineStyl.wrap && r.right - r.left < kUnwrappedWidth) r.right = std::int32_t(r.left + kUnwrappedWidth);
  if (Vertical()) r = RectL{r.left, r.top, r.right, r.bottom};
  KxScaleRect(r, ShownScale(), false);
  dest = r;
}

long CKXTextEdit::GetLeftPos(long /*line*/) const { return mDest.left; }

long CKXTextEdit::GetRightPos(long /*line*/) const {
  return mLineStyl.wrap ? long(mDest.right) : mDest.left + kUnwrappedWidth;
}

void CKXTextEdit::SetViewRect(const RectL& view) {
  RectL r = view;
  KxScaleRect(r, ShownScale(), true);
  if (Vertical()) {
    VerticalSetup();
    VerticalRect(r, 0);
    if (r.top < 0) {
      r.bottom -= r.top;
      r.top = 0;
    }
  }
  mView = r;
  mQDOffset = PointL{};
  mQDOffsetOn = 0;
  mScaledView = ShownScale() ? view : RectL{};
}

void CKXTextEdit::GetViewRect(RectL& view) const {
  RectL r = mView;
  if (Vertical()) VerticalRect(r, 1);
  KxScaleRect(r, ShownScale(), false);
  view = r;
}

void CKXTextEdit::SetViewRect(const Rect& view) {
  RectL r;
  KxSetRect(r, view);
  SetViewRect(r);
}

void CKXTextEdit::GetViewRect(Rect& view) const {
  RectL r;
  GetViewRect(r);
  KxSetRect(view, r);
}

void CKXTextEdit::SetQDViewRect(const RectL& view, const Point& origin) {
  SetViewRect(view);
  mQDOffset = PointL{std::int32_t(view.top - origin.v), std::int32_t(view.left - origin.h)};
  mQDOffsetOn = (mQDOffset.v != 0 || mQDOffset.h != 0) ? 1 : 0;
}

void CKXTextEdit::GetQDViewRect(RectL& view, Point& origin) const {
  GetViewRect(view);
  PointL o{std::int32_t(view.top - mQDOffset.v), std::int32_t(view.left - mQDOffset.h)};
  KxSetPoint(origin, o);
}

void CKXTextEdit::SetScaleViewRect(const RectL& view, const RectL* scaledView, std::uint8_t set) {
  if (set) {
    mView = view;
    if (scaledView) mScaledView = *scaledView;
    return;
  }
  const PointL offset = mQDOffset;
  const std::uint8_t on = mQDOffsetOn;
  const RectL scaled = mScaledView;
  SetViewRect(view);
  mQDOffset = offset;
  mQDOffsetOn = on;
  mScaledView = scaled;
}

std::uint16_t CKXTextEdit::Resize(const RectL& dest, const RectL* view) {
  mResult = 0;
  ViewSelection(0);
  SetDestRect(dest);
  SetViewRect(view ? *view : dest);
  CalcText();
  UpdateView();
  ViewSelection(1);
  return mResult;
}

std::uint16_t CKXTextEdit::SetEditScale(short percent) {
  if (percent == 100) percent = 0;
  percent = std::clamp<short>(percent, 0, 3200);
  RectL view;
  Point origin;
  GetQDViewRect(view, origin);
  ViewSelection(0);
  mEditStyl.scale = percent;
  SetQDViewRect(view, origin);
  // The caret stays where it was in the text; the selection is kept.
  SetSelPoint(mSelEnd, 1, 0);
  ViewSelection(1);
  UpdateView();
  mResult = kKxEditImageSize | kKxEditRedrawAll;
  return mResult;
}

// ---- points and offsets ------------------------------------------------------------------------

long CKXTextEdit::GetColumnToSizeAt(long line, long column) const {
  SKXLineInfo info;
  long length = 0;
  const long start = GetLineInfoAt(line, info, &length);
  return mLayout.GetColumnToSize(start, length, LayoutWidth(), column, mLineStyl);
}

long CKXTextEdit::GetSizeToColumnAt(long line, long x) const {
  SKXLineInfo info;
  long length = 0;
  const long start = GetLineInfoAt(line, info, &length);
  return mLayout.GetSizeToColumn(start, length, LayoutWidth(), x, mLineStyl);
}

PointL CKXTextEdit::GetLineToPtAt(long line, long column) const {
  return PointL{std::int32_t(mDest.top + GetLineHeightUntilAt(line)),
                std::int32_t(GetLeftPos(line) + GetColumnToSizeAt(line, column))};
}

long CKXTextEdit::GetPtToLine(const PointL& p, PointL& lineTopLeft) const {
  long delta = 0;
  const long line = GetLineFromHeight(long(std::max(p.v, 0)) - mDest.top, delta);
  lineTopLeft = PointL{std::int32_t(mDest.top + GetLineHeightUntilAt(line)), std::int32_t(GetLeftPos(line))};
  return line;
}

PointL CKXTextEdit::GetPoint(long offset) const {
  offset = std::clamp(offset, 0L, GetLength());
  const long line = GetLineNo(offset);
  return LayoutToShown(GetLineToPtAt(line, offset - GetLineOffsetAt(line)));
}

long CKXTextEdit::GetOffset(const PointL& shown) const {
  PointL p = ShownToLayout(shown);
  if (p.v < 0) p.v = -1;
  PointL topLeft;
  const long line = GetPtToLine(p, topLeft);
  const long start = GetLineOffsetAt(line);
  if (p.v < topLeft.v) return start;
  long x = long(p.h) - topLeft.h;
  if (p.v >= topLeft.v + GetLineHeightAt(line)) {
    if (line < GetLineCount()) {
      long before = std::max(start, GetLineOffsetAt(line + 1) - 1);
      AdjustOffset(before, false);
      return before;
    }
    x = GetRightPos(line) - topLeft.h;
  }
  return std::min(GetLength(), start + GetSizeToColumnAt(line, x));
}

void CKXTextEdit::Get1LinePos(long offset, long& start, long& end) const {
  const long line = GetLineNo(std::clamp(offset, 0L, GetLength()));
  start = GetLineOffsetAt(line);
  end = line < GetLineCount() ? GetLineOffsetAt(line + 1) : GetLength();
}

// ---- scrolling to the caret ------------------------------------------------------------------

bool CKXTextEdit::CaretInRect(const RectL& r) const {
  return KxPtInRect(PointL{mCaretRect.top, mCaretRect.left}, r) &&
         KxPtInRect(PointL{mCaretRect.bottom, mCaretRect.right}, r);
}

std::uint16_t CKXTextEdit::SetSelView(std::uint8_t center) {
  if (!mAutoView) return 0;
  RectL inner = mView;
  inner.top += kViewMargin;
  inner.bottom -= kViewMargin;
  if (CaretInRect(inner)) return 0;
  const std::uint16_t r = center ? std::uint16_t(kKxEditSelOutside | kKxEditScrollToSel) : kKxEditSelOutside;
  mResult |= r;
  return r;
}

PointL CKXTextEdit::GetSelView(std::uint8_t center) const {
  const long ct = mCaretRect.top, cl = mCaretRect.left, cr = mCaretRect.right;
  const long ch = long(mCaretRect.bottom) - ct;
  const long T = mView.top + kViewMargin, L = mView.left, B = mView.bottom - kViewMargin, R = mView.right;
  long dh = cl < L ? L - cl : (cl < R ? 0 : R - cr - 1);
  const long m = (B - T) / 2 - 2 * ch;
  long dv;
  if (ct < T) {
    dv = ch + (T - ct) - 1;
    if (center && m >= 1) dv += m;
    dv = std::min(dv, T - long(mDest.top));  // never past the text's top
    if (B <= ct + ch + dv) dv = T - ct;
  } else if (ct + ch < B) {
    dv = 0;
  } else {
    dv = B - ct - 2 * ch + 1;
    if (center && m >= 1) dv -= m;
    // Never past the text's bottom: laid out as far as that can matter.
    LayOnConst(0, 0, B - dv - mDest.top);
    if (!mLazyLine) dv = std::max(dv, B - SelViewBottom());
    if (T > ct + dv) dv = B - (ct + ch);
  }
  PointL d{std::int32_t(dv), std::int32_t(dh)};
  if (Vertical()) d = PointL{std::int32_t(dh), std::int32_t(-dv)};
  return PointL{std::int32_t(ScaleOut(d.v)), std::int32_t(ScaleOut(d.h))};
}

std::uint16_t CKXTextEdit::SetAutoView(std::uint8_t on) {
  SetSelPoint(mSelEnd, 1, 0);
  mAutoView = on ? 1 : 0;
  mResult = kKxEditImageSize;
  return mResult;
}

std::uint16_t CKXTextEdit::Scroll(long /*dh*/, long /*dv*/) { return kKxEditSelOutside; }

void CKXTextEdit::UpdateView() { mResult |= kKxEditRedrawAll; }

// ---- printing ---------------------------------------------------------------------------------

void CKXTextEdit::SetPrinting(std::uint8_t on) {
  if ((mPrinting != 0) == (on != 0)) return;
  if (on) {
    mSaved.scale = mEditStyl.scale;
    mSaved.active = mActive;
    mSaved.ctrlView = mLineStyl.controlView;
    mSaved.paperView = mEditStyl.paperView;
    GetQDViewRect(mSaved.qdView, mSaved.origin);
    mPrinting = 1;
    mEditStyl.scale = 0;
    mActive = 0;
    mLineStyl.controlView = 0;
    mEditStyl.paperView = 1;
    if (Vertical()) SetQDViewRect(mSaved.qdView, mSaved.origin);
  } else {
    mPrinting = 0;
    mEditStyl.scale = mSaved.scale;
    mActive = mSaved.active;
    mLineStyl.controlView = mSaved.ctrlView;
    mEditStyl.paperView = mSaved.paperView;
    SetQDViewRect(mSaved.qdView, mSaved.origin);
  }
}
