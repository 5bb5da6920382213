// The edit object's caret and selection: placing the caret (with the typing
// attributes it picks up), blinking, the highlight as exclusive-or spans,
// bracket balancing, and clicks by character, word and paragraph.
//
// The highlight of a range is the text flow between its ends: on each line
// the strip from the left to the right position. Such regions compose by
// exclusive or like intervals (a..b ^ b..c = a..c), which is what lets a
// selection change invert only what changed.
#include <algorithm>
#include <cstring>

#include "layout/text_edit.h"
#include "platform/clock.h"

namespace {

// How far bracket balancing looks, in bytes.
constexpr long kBalanceLimit = 5000;

bool SameStyl(const SStyl& a, const SStyl& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool SameDeco(const SDeco& a, const SDeco& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool SamePara(const SParaStyl& a, const SParaStyl& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Interline kinds live in the low 3 bits of the line word.
constexpr std::uint16_t kInterLineBits = 0x0007;

}  // namespace

// ---- caret -----------------------------------------------------------------------------------

void CKXTextEdit::CaretRectAt(long line, const PointL& pt) {
  const long h = pt.h - (mCaretColumn > 0 ? 1 : 0);
  mCaretRect = RectL{pt.v, std::int32_t(h), std::int32_t(pt.v + GetLineHeightAt(line)), std::int32_t(h + 1)};
}

short CKXTextEdit::Activate() {
  if (mActive) return 0;
  mActive = 1;
  ViewSelection(1);
  if (mSelAnchor == mSelEnd) BlinkCaret(1);
  return 1;
}

short CKXTextEdit::Deactivate() {
  if (!mActive) return 0;
  ViewSelection(0);
  BlinkCaret(0);
  mActive = 0;
  return 1;
}

void CKXTextEdit::BlinkCaret(std::uint8_t on) {
  on = on ? 1 : 0;
  if (on && (!mActive || mSelAnchor != mSelEnd)) on = 0;
  if (on != mCaretDrawn) {
    ReverseCaret(mView);
    mCaretDrawn = on;
  }
  mNextBlink = TickCount() + GetCaretTime();
}

short CKXTextEdit::Idle() {
  if (!mActive || mSelAnchor != mSelEnd) return 0;
  if (std::int32_t(TickCount() - mNextBlink) < 0) return 0;
  BlinkCaret(mCaretDrawn ? 0 : 1);
  return 1;
}

void CKXTextEdit::ReverseCaret(const RectL& clip) {
  if (mPrinting) return;
  if (mCaretDrawn) {
    // Hiding inverts what was inverted, wherever the caret has gone since.
    if (mDrawnCaret.bottom > mDrawnCaret.top) InvertArea(mDrawnCaret);
    mDrawnCaret = RectL{};
    return;
  }
  RectL r;
  if (!KxSectRect(mCaretRect, clip, r)) return;
  mDrawnCaret = ToPortRect(r);
  if (mDrawnCaret.bottom > mDrawnCaret.top) InvertArea(mDrawnCaret);
}

// ---- selection ---------------------------------------------------------------------------------

std::uint16_t CKXTextEdit::SetSelPoint(long offset, std::uint8_t extend, std::uint8_t autoView) {
  const long len = GetLength();
  offset = std::clamp(offset, 0L, len);
  AdjustOffset(offset, false);
  const long line = GetLineNo(offset);
  const long column = offset - GetLineOffsetAt(line);

  // Typing attributes come from the character before the caret (the one at
  // it at offset 0 or when extending backwards).
  const long from = (offset == 0 || (extend && offset < mSelAnchor)) ? offset : GetPrevCharPos(offset);
  if (mStyls->GetCount() > 0) {
    SStyl s{};
    mStyls->GetStylAt(mStyls->GetArrayIndex(from), s);
    if (!SameStyl(s, mCurStyl)) {
      mCurStyl = s;
      mResult |= kKxEditStylChanged;
    }
  }
  if (mDecos->GetCount() > 0) {
    SDeco d{};
    mDecos->GetDecoAt(mDecos->GetArrayIndex(from), d);
    d.pictID = 0;
    d.lineBits &= std::uint16_t(~kInterLineBits);
    if (!SameDeco(d, mCurDeco)) {
      mCurDeco = d;
      mResult |= kKxEditDecoChanged;
    }
  }
  if (mParas->GetCount() > 0) {
    const long at = (extend && offset > mSelAnchor && offset > 0) ? offset - 1 : offset;
    const long index = mParas->GetArrayIndex(at);
    if (index != mCurParaIndex) {
      SParaStyl p{};
      if (index > 0)
        mParas->GetParaAt(index, p);
      else
        GetParaStylDefault(p);
      mCurParaIndex = index;
      if (!SamePara(p, mCurPara)) {
        mCurPara = p;
        mResult |= kKxEditParaChanged;
      }
    }
  }

  mCaretLine = line;
  mCaretColumn = column;
  mCaretPoint = GetLineToPtAt(line, column);
  CaretRectAt(line, mCaretPoint);
  const long oldAnchor = mSelAnchor, oldEnd = mSelEnd;
  mSelEnd = offset;
  if (!extend) mSelAnchor = offset;
  mClickMode = 0;
  if (mSelAnchor != oldAnchor || mSelEnd != oldEnd) mResult |= kKxEditSelChanged;
  if (autoView) SetSelView(0);
  return mResult;
}

void CKXTextEdit::InvertSpan(long a, long b) {
  if (a != b) ReverseSelection(a, b, mView);
}

void CKXTextEdit::ChangeHighlight(long oldA, long oldE, long newA, long newE) {
  const long l1 = std::min(oldA, oldE), h1 = std::max(oldA, oldE);
  const long l2 = std::min(newA, newE), h2 = std::max(newA, newE);
  InvertSpan(l1, l2);
  InvertSpan(h1, h2);
}

std::uint16_t CKXTextEdit::SetSelect(long start, long end) {
  mResult = 0;
  const long len = GetLength();
  start = std::clamp(start, 0L, len);
  end = std::clamp(end, 0L, len);
  AdjustOffset(start, false);
  AdjustOffset(end, false);
  const long oldA = mSelAnchor, oldE = mSelEnd;
  const bool wasEmpty = oldA == oldE, isEmpty = start == end;
  if (wasEmpty) BlinkCaret(0);
  SetSelPoint(end, 0, 0);
  if (mSelAnchor != start) mResult |= kKxEditSelChanged;
  mSelAnchor = start;
  if (mActive && mHilite) {
    if (!wasEmpty && !isEmpty)
      ChangeHighlight(oldA, oldE, start, end);  // only what changed is inverted
    else if (!wasEmpty)
      InvertSpan(oldA, oldE);
    else if (!isEmpty)
      InvertSpan(start, end);
  }
  if (isEmpty) BlinkCaret(1);
  mRememberX = 0;
  mClickMode = 0;
  mUnitAnchor = mSelAnchor;
  return mResult;
}

std::uint16_t CKXTextEdit::PreCalcSelection(long& low, long& high) {
  low = std::min(mSelAnchor, mSelEnd);
  high = std::max(mSelAnchor, mSelEnd);
  if (mSelAnchor == low && low != high) {
    const SStyl s = mCurStyl;
    const SDeco d = mCurDeco;
    const SParaStyl p = mCurPara;
    SetSelPoint(low, 0, 0);
    mCurStyl = s;
    mCurDeco = d;
    mCurPara = p;
    mSelAnchor = high;
  }
  return mResult;
}

std::uint16_t CKXTextEdit::PreCalcParaSelection(long& low, long& high) {
  mResult = 0;
  long a = std::min(mSelAnchor, mSelEnd), b = std::max(mSelAnchor, mSelEnd);
  long wa = a, wb = b;
  AdjustParaSelect(wa, wb);
  if (wa != a || wb != b) SetSelect(wa, wb);
  PreCalcSelection(low, high);
  mResult |= kKxEditParaChanged;
  return mResult;
}

long CKXTextEdit::DeleteSelection() {
  const long low = std::min(mSelAnchor, mSelEnd), high = std::max(mSelAnchor, mSelEnd);
  if (low == high) return 0;
  DeleteText(low, high);
  mSelAnchor = mSelEnd = low;
  mResult |= kKxEditSelChanged;  // a range became a caret
  return low - high;
}

void CKXTextEdit::ViewSelection(std::uint8_t show) {
  if (!mActive) return;
  if (mSelAnchor == mSelEnd) {
    BlinkCaret(0);
    return;
  }
  (void)show;  // inverting toggles: the same call hides and shows
  ReverseSelection(mSelAnchor, mSelEnd, mView);
}

void CKXTextEdit::ReverseSelection(long a, long b, const RectL& clip) {
  if (mHilite && mActive) FrameSelection(a, b, clip, 0);
}

void CKXTextEdit::SetHilite(std::uint8_t on) {
  if ((mHilite != 0) == (on != 0)) return;
  if (on) {
    mHilite = 1;
    ViewSelection(1);
  } else {
    ViewSelection(0);
    mHilite = 0;
  }
}

int CKXTextEdit::FrameSelection(long a, long b, const RectL& clip, std::uint8_t frame) {
  const long len = GetLength();
  a = std::clamp(a, 0L, len);
  b = std::clamp(b, 0L, len);
  if (a > b) std::swap(a, b);
  if (a == b) return 0;
  const long la = GetLineNo(a), lb = GetLineNo(b);
  PointL pa = GetLineToPtAt(la, a - GetLineOffsetAt(la));
  PointL pb = GetLineToPtAt(lb, b - GetLineOffsetAt(lb));
  auto clampH = [&](PointL& p, long line) {
    p.h = std::int32_t(std::clamp(long(p.h), GetLeftPos(line), std::max(GetLeftPos(line), GetRightPos(line))));
  };
  clampH(pa, la);
  clampH(pb, lb);
  const long ha = GetLineHeightAt(la), hb = GetLineHeightAt(lb);
  RectL rects[3];
  int n = 0;
  if (la == lb) {
    rects[n++] = RectL{pa.v, pa.h, std::int32_t(pa.v + ha), pb.h};
  } else {
    rects[n++] = RectL{pa.v, pa.h, std::int32_t(pa.v + ha), std::int32_t(GetRightPos(la))};
    if (lb > la + 1)
      rects[n++] = RectL{std::int32_t(pa.v + ha), std::int32_t(GetLeftPos(la)), pb.v, std::int32_t(GetRightPos(la))};
    rects[n++] = RectL{pb.v, std::int32_t(GetLeftPos(lb)), std::int32_t(pb.v + hb), pb.h};
  }
  int drawn = 0;
  for (int i = 0; i < n; ++i) {
    RectL r;
    if (!KxSectRect(rects[i], clip, r)) continue;
    const RectL port = ToPortRect(r);
    if (port.bottom <= port.top) continue;
    ++drawn;
    if (frame)
      FrameArea(port);
    else
      InvertArea(port);
  }
  return drawn;
}

void CKXTextEdit::DrawSelFrame() {
  if (mSelAnchor != mSelEnd) {
    FrameSelection(mSelAnchor, mSelEnd, mView, 1);
    return;
  }
  RectL r;
  if (KxSectRect(mCaretRect, mView, r)) {
    const RectL port = ToPortRect(r);
    if (port.bottom > port.top) FrameArea(port);
  }
}

bool CKXTextEdit::BalanceSelection(long& start, long& end) const {
  const long len = GetLength();
  long a = std::min(start, end), b = std::max(start, end);
  if (a < 0 || b > len || GetNextCharPos(a) != b || b - a != 1) return false;
  const std::uint16_t c = GetChar(a);
  std::uint16_t open = 0, close = 0;
  bool forward = true;
  switch (c) {
    case '(': open = '(', close = ')'; break;
    case '[': open = '[', close = ']'; break;
    case '{': open = '{', close = '}'; break;
    case ')': open = '(', close = ')', forward = false; break;
    case ']': open = '[', close = ']', forward = false; break;
    case '}': open = '{', close = '}', forward = false; break;
    default: return false;
  }
  // By characters: the trail byte of a double-byte character is no bracket.
  long depth = 0;
  if (forward) {
    for (long p = b; p < len && p - b < kBalanceLimit;) {
      const long next = GetNextCharPos(p);
      if (next <= p) break;
      if (next - p == 1) {
        const std::uint16_t x = GetChar(p);
        if (x == open) {
          ++depth;
        } else if (x == close) {
          if (depth == 0) {
            start = a;
            end = next;
            return true;
          }
          --depth;
        }
      }
      p = next;
    }
  } else {
    for (long p = a; p > 0 && a - p < kBalanceLimit;) {
      const long prev = GetPrevCharPos(p);
      if (prev >= p) break;
      if (p - prev == 1) {
        const std::uint16_t x = GetChar(prev);
        if (x == close) {
          ++depth;
        } else if (x == open) {
          if (depth == 0) {
            start = prev;
            end = b;
            return true;
          }
          --depth;
        }
      }
      p = prev;
    }
  }
  return false;
}

// ---- clicks ---------------------------------------------------------------------------------------

void CKXTextEdit::UnitAt(long offset, short mode, long& start, long& end) const {
  if (mode == 2) {
    Get1ParaPos(offset, start, end);
    return;
  }
  Get1WordPos(offset, start, end);
  long s = start, e = end;
  if (BalanceSelection(s, e)) {
    start = s;
    end = e;
  }
}

std::uint16_t CKXTextEdit::Click(const PointL& shown, std::uint8_t extend, short phase, short clickCount) {
  if (!mActive) return 0;
  mResult = 0;
  if (phase == 1) {
    if (mClickMode == 0) mLastClick = mSelEnd;
    return mResult;
  }
  if (phase == 2) {
    SetPosition(shown, 1, mClickMode);
    return mResult;
  }
  short mode = mClickMode;
  if (!extend) {
    if (clickCount < 1) {
      const std::uint32_t now = TickCount();
      if (std::int32_t(now - mClickDeadline) < 0 && GetOffset(shown) == mLastClick)
        mode = short((mClickMode + 1) % 3);
      else
        mode = 0;
      mClickDeadline = now + GetDblTime();
    } else {
      mode = clickCount - 1 > 2 ? 0 : short(clickCount - 1);
    }
  }
  const std::uint8_t autoView = mAutoView;
  if (mode == 0) mAutoView = 0;
  SetPosition(shown, extend, mode);
  mAutoView = autoView;
  mClickMode = mode;
  mRememberX = 0;
  return mResult;
}

void CKXTextEdit::SetPosition(const PointL& shown, std::uint8_t extend, short mode) {
  long offset = GetOffset(shown);
  const long oldA = mSelAnchor, oldE = mSelEnd;
  const bool incremental = extend && oldA != oldE;
  if (!incremental) ViewSelection(0);
  long anchor = extend ? mSelAnchor : offset;
  if (mode != 0) {
    long us = 0, ue = 0;
    UnitAt(offset, mode, us, ue);
    if (!extend) {
      // A fresh unit click selects the unit and goes on as an extension.
      anchor = us;
      mUnitAnchor = ue;
      offset = ue;
    } else {
      const long lo = std::min(mSelAnchor, mUnitAnchor), hi = std::max(mSelAnchor, mUnitAnchor);
      if (us < lo) {
        // Crossing the first unit backwards: it stays selected.
        anchor = hi;
        mUnitAnchor = lo;
        offset = us;
      } else {
        anchor = lo;
        mUnitAnchor = hi;
        offset = std::max(ue, hi);
      }
    }
  }
  const short keepMode = mClickMode;
  SetSelPoint(offset, 1, mAutoView);
  if (mSelAnchor != anchor) mResult |= kKxEditSelChanged;
  mSelAnchor = anchor;
  mClickMode = keepMode;
  if (mActive && mHilite) {
    if (incremental) {
      if (mSelAnchor != mSelEnd)
        ChangeHighlight(oldA, oldE, mSelAnchor, mSelEnd);
      else
        InvertSpan(oldA, oldE);
    } else if (mSelAnchor != mSelEnd) {
      InvertSpan(mSelAnchor, mSelEnd);
    }
  }
  if (mSelAnchor == mSelEnd) BlinkCaret(1);
}
