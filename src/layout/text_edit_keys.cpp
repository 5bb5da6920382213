// Key input of the edit object: typing (a lead byte waits for its second
// byte; Return repeats the paragraph's leading indent), Backspace and
// Delete by character, word and line, and caret movement with Home, End,
// the page keys and the arrows (the remembered horizontal position and the
// acceleration of held Up and Down keys).
#include <algorithm>
#include <vector>

#include "layout/text_edit.h"
#include "platform/clock.h"
#include "text/codes/script.h"

namespace {

// Characters that auto indent repeats after a Return.
constexpr std::uint16_t kTab = 9, kSpace = 32, kFullWidthSpace = 0x8140;
bool IsIndentChar(std::uint16_t c) { return c == kTab || c == kSpace || c == kFullWidthSpace; }

// Word classes that word-wise movement steps over: space, punctuation,
// control and other single bytes (a double-byte class carries 0x100).
bool IsGapClass(short type) {
  const short c = short(type & 0xFF);
  return c == 11 || c == 13 || c == 16 || c == 17;
}

// Lines per key of a held Up or Down key, by repeat count.
long AccelStep(short count) {
  if (count <= 10) return 1;
  if (count <= 30) return 2;
  if (count <= 50) return 4;
  return 8;
}

// Scroll requests of the result word: both units scroll without moving.
constexpr std::uint16_t kScrollUp = 1, kScrollDown = 2, kScrollLeft = 3, kScrollRight = 4;

// The page keys leave a small gap to the view's edge.
constexpr long kPageUpSlack = 2, kPageDownSlack = 3;

}  // namespace

// ---- typing --------------------------------------------------------------------------------------

std::uint16_t CKXTextEdit::KeyIn(unsigned char key, char modifiers) {
  const short script = KxFontToScriptType(mCurStyl.font);
  std::uint16_t code = key;
  if (mPendingByte) {
    const std::uint16_t lead = mPendingByte;
    mPendingByte = 0;
    // Only a valid second byte joins; anything else drops the lead byte
    // and is handled as a key of its own, so no broken code is stored.
    if (KxTextCharSecond(key, script)) return TypeChar(std::uint16_t(lead << 8 | key));
  }
  if (key > 127 && KxTextCharFirst(key, script)) {
    mPendingByte = key;
    return 0;
  }
  mResult = 0;
  switch (code) {
    case kKxCharBackspace:
    case kKxCharDelete:
      return DeleteKey(key, modifiers);
    case kKxCharHome:
    case kKxCharEnd:
    case kKxCharPageUp:
    case kKxCharPageDown:
    case kKxCharLeftArrow:
    case kKxCharRightArrow:
    case kKxCharUpArrow:
    case kKxCharDownArrow:
      return MoveKey(key, modifiers);
    case kKxCharEscape:
      return 0;
    default:
      return TypeChar(code);
  }
}

std::uint16_t CKXTextEdit::TypeChar(std::uint16_t code) {
  mResult = 0;
  const long low = std::min(mSelAnchor, mSelEnd);
  // The indent is read before the selection goes: it ends at the lower end.
  std::vector<std::uint16_t> indent;
  if (code == kKxCharReturn && mEditStyl.autoIndent) {
    long start = 0, end = 0;
    Get1ParaPos(low, start, end);
    for (long p = start; p < low;) {
      const std::uint16_t c = GetChar(p);
      const long next = GetNextCharPos(p);
      if (!IsIndentChar(c) || next <= p) break;
      indent.push_back(c);
      p = next;
    }
  }
  ViewSelection(0);
  const long deleted = DeleteSelection();
  const long caret = mSelEnd;
  const long before = GetLength();
  InsertChar(caret, code, &mCurStyl, &mCurDeco);
  long at = caret + (GetLength() - before);
  for (const std::uint16_t c : indent) {
    const long n = GetLength();
    InsertChar(at, c, &mCurStyl, &mCurDeco);
    at += GetLength() - n;
  }
  const long inserted = GetLength() - before;
  return RecalcAndRedraw(caret + inserted, inserted + deleted, 0);
}

// ---- deleting ------------------------------------------------------------------------------------

std::uint16_t CKXTextEdit::DeleteKey(unsigned char key, char modifiers) {
  mResult = 0;
  mPendingByte = 0;
  const bool line = (modifiers & kKxModLine) != 0, word = (modifiers & kKxModWord) != 0;
  ViewSelection(0);
  if (mSelAnchor == mSelEnd) {
    const long caret = mSelEnd, len = GetLength();
    long target = caret;
    if (key == kKxCharBackspace) {
      if (caret > 0) {
        if (line) {
          target = GetLineOffsetAt(GetLineNo(caret));
        } else if (word) {
          long s = 0, e = 0;
          Get1WordPos(GetPrevCharPos(caret), s, e);
          target = s;
        } else {
          target = GetPrevCharPos(caret);
        }
      }
    } else if (line) {
      const long lineNo = GetLineNo(caret);
      const bool last = lineNo >= GetLineCount();
      target = last ? len : GetLineOffsetAt(lineNo + 1);
      // The paragraph's CR stays unless the word unit is held too; a line
      // that wraps has no CR to keep.
      if (!last && !word && target > caret && GetChar(target - 1) == kKxCharReturn) --target;
    } else if (word) {
      long s = 0, e = 0;
      Get1WordPos(caret, s, e);
      target = e;
    } else {
      target = GetNextCharPos(caret);
    }
    target = std::clamp(target, 0L, len);
    if (target != caret) SetSelPoint(target, 1, 0);
  }
  if (mSelAnchor == mSelEnd) {
    ViewSelection(1);
    if (mActive) BlinkCaret(1);
    return 0;
  }
  const long deleted = DeleteSelection();
  return RecalcAndRedraw(mSelEnd, deleted, 0);
}

// ---- moving --------------------------------------------------------------------------------------

long CKXTextEdit::WordLeft(long caret) const {
  long s = 0, e = 0;
  Get1WordPos(GetPrevCharPos(caret), s, e);
  long c = std::min(s, caret);
  // Over spaces and punctuation to the word before them; a step that does
  // not move (the text starts with them) ends the walk.
  while (c > 0 && IsGapClass(GetCharType(c))) {
    Get1WordPos(GetPrevCharPos(c), s, e);
    if (s >= c) break;
    c = s;
  }
  return c;
}

long CKXTextEdit::WordRight(long caret) const {
  const long len = GetLength();
  long s = 0, e = 0;
  Get1WordPos(caret, s, e);
  long c = std::max(e, caret);
  while (c < len && IsGapClass(GetCharType(c))) {
    Get1WordPos(c, s, e);
    if (e <= c) break;
    c = e;
  }
  return c;
}

long CKXTextEdit::PageTarget(long caret, bool up) const {
  const long count = GetLineCount();
  long line = GetLineNo(caret);
  const long start = line;
  const long h = GetLineHeightAt(line);
  const long top = mCaretRect.top;
  const long viewHeight = long(mView.bottom) - mView.top;
  long budget;
  // A step costs the paper it crosses: in paper view the rest of a page
  // and the gap to the next count, or a press would pass pages over.
  if (up) {
    const long d = top - mView.top - kPageUpSlack;
    budget = d < h ? viewHeight - (d + h) : d;
    for (long cost; line > 1 && (cost = GetLineHeightAt(line - 1) + GetLineGapAfter(line - 1)) <= budget; --line)
      budget -= cost;
  } else {
    const long below = mView.bottom - (top + h) - kPageDownSlack;
    budget = below < h ? viewHeight - below : below;
    for (long cost; line < count && (cost = GetLineGapAfter(line) + GetLineHeightAt(line + 1)) <= budget; ++line)
      budget -= cost;
  }
  // A gap longer than the view (a page's margins) is crossed a line at a
  // time rather than never.
  if (line == start) line = up ? std::max(1L, line - 1) : std::min(count, line + 1);
  return GetLineOffsetAt(line);
}

long CKXTextEdit::VerticalTarget(long caret, bool up, long step) {
  const long count = GetLineCount();
  const long line = GetLineNo(caret);
  if (up ? line <= 1 : line >= count) {
    mRememberX = 0;
    return up ? 0 : GetLength();
  }
  long x = GetColumnToSizeAt(line, caret - GetLineOffsetAt(line));
  if (mRememberX)
    x = std::max(x, mRememberX);
  else
    mRememberX = x;
  const long target = up ? std::max(1L, line - step) : std::min(count, line + step);
  const long start = GetLineOffsetAt(target);
  const long column = GetSizeToColumnAt(target, x);
  if (start + column == caret && column >= 1) {
    // The end of a wrapped line is the start of the next: take the line start.
    mRememberX = 0;
    return start;
  }
  return start + column;
}

std::uint16_t CKXTextEdit::MoveKey(unsigned char key, char modifiers) {
  mPendingByte = 0;
  const bool extend = (modifiers & kKxModExtend) != 0;
  const bool line = (modifiers & kKxModLine) != 0, word = (modifiers & kKxModWord) != 0;
  const long anchor = mSelAnchor;
  long caret = mSelEnd;
  const long low = std::min(anchor, caret), high = std::max(anchor, caret);
  const bool selection = low != high;
  if (Vertical()) {
    // Lines run top to bottom and follow each other from right to left.
    switch (key) {
      case kKxCharRightArrow: key = kKxCharUpArrow; break;
      case kKxCharUpArrow: key = kKxCharLeftArrow; break;
      case kKxCharDownArrow: key = kKxCharRightArrow; break;
      case kKxCharLeftArrow: key = kKxCharDownArrow; break;
      default: break;
    }
  }
  long step = 1;
  if (key == kKxCharUpArrow || key == kKxCharDownArrow) {
    if (key == mLastMoveKey && std::int32_t(TickCount() - mAccelDeadline) < 0) {
      if (mRepeatCount < 0x7FFF) ++mRepeatCount;
      step = AccelStep(mRepeatCount);
    } else {
      mRepeatCount = 1;
    }
  } else {
    mRememberX = 0;
    mRepeatCount = 0;
  }
  mResult = 0;
  const bool both = line && word;
  switch (key) {
    case kKxCharHome:
      caret = 0;
      break;
    case kKxCharEnd:
      caret = GetLength();
      break;
    case kKxCharPageUp:
    case kKxCharPageDown:
      caret = PageTarget(caret, key == kKxCharPageUp);
      break;
    case kKxCharLeftArrow:
      if (both) return mResult = kScrollLeft;
      if (selection && !extend)
        caret = low;
      else if (line)
        caret = GetLineOffsetAt(GetLineNo(caret));
      else if (word)
        caret = WordLeft(caret);
      else
        caret = GetPrevCharPos(caret);
      break;
    case kKxCharRightArrow:
      if (both) return mResult = kScrollRight;
      if (selection && !extend) {
        caret = high;
      } else if (line) {
        const long n = GetLineNo(caret);
        caret = n < GetLineCount() ? GetPrevCharPos(GetLineOffsetAt(n + 1)) : GetLength();
        // On a line that holds only its CR the caret stays.
        caret = std::max(caret, GetLineOffsetAt(n));
      } else if (word) {
        caret = WordRight(caret);
      } else {
        caret = GetNextCharPos(caret);
      }
      break;
    case kKxCharUpArrow:
    case kKxCharDownArrow:
      if (both) return mResult = key == kKxCharUpArrow ? kScrollUp : kScrollDown;
      if (selection && !extend) caret = key == kKxCharUpArrow ? low : high;
      caret = VerticalTarget(caret, key == kKxCharUpArrow, step);
      break;
    default:
      return 0;
  }
  caret = std::clamp(caret, 0L, GetLength());
  const long keepX = mRememberX;
  if (extend && selection) {
    const long oldA = mSelAnchor, oldE = mSelEnd;
    SetSelPoint(caret, 1, mAutoView);
    if (mActive && mHilite) {
      if (mSelAnchor != mSelEnd)
        ChangeHighlight(oldA, oldE, mSelAnchor, mSelEnd);
      else
        InvertSpan(oldA, oldE);
    }
  } else {
    ViewSelection(0);
    SetSelPoint(caret, extend ? 1 : 0, mAutoView);
    if (mSelAnchor != mSelEnd && mActive && mHilite) InvertSpan(mSelAnchor, mSelEnd);
  }
  mRememberX = keepX;
  if (mSelAnchor == mSelEnd && mActive) BlinkCaret(1);
  mAccelDeadline = TickCount() + GetCaretTime();
  mLastMoveKey = key;
  return mResult;
}
