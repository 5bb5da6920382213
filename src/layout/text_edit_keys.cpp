// Basic key input of the edit object: typing a character, Backspace and
// Delete by character, arrows, Home and End, and insertion of bytes. Each
// is one frame around a change of the store: hide the highlight, change,
// lay out again, place the caret, show the highlight.
//
// Kept deliberately simple; the full key handling (word and line units,
// remembered horizontal position, auto indent) replaces this file.
#include <algorithm>

#include "layout/text_edit.h"
#include "text/codes/script.h"

std::uint16_t CKXTextEdit::Insert(const char* bytes, long length, const SKXUniChar* uni, long count) {
  mResult = 0;
  if (!bytes || length <= 0) return 0;
  ViewSelection(0);
  const long deleted = DeleteSelection();
  const long caret = mSelEnd;
  const long before = GetLength();
  InsertString(caret, bytes, length, &mCurStyl, &mCurDeco, uni, count);
  const long inserted = GetLength() - before;
  return RecalcAndRedraw(caret + inserted, inserted + deleted, 0);
}

std::uint16_t CKXTextEdit::TypeChar(std::uint16_t code) {
  char bytes[2];
  long n = 0;
  if (code > 0xFF) bytes[n++] = char(code >> 8);
  bytes[n++] = char(code & 0xFF);
  return Insert(bytes, n, nullptr, 0);
}

std::uint16_t CKXTextEdit::KeyIn(unsigned char key, char modifiers) {
  mResult = 0;
  switch (key) {
    case kKxKeyBackspace:
    case kKxKeyDelete:
      return DeleteKey(key, modifiers);
    case kKxKeyHome:
    case kKxKeyEnd:
    case kKxKeyPageUp:
    case kKxKeyPageDown:
    case kKxKeyLeft:
    case kKxKeyRight:
    case kKxKeyUp:
    case kKxKeyDown:
      return MoveKey(key, modifiers);
    case kKxKeyEscape:
      return 0;
    default:
      return TypeChar(key);
  }
}

std::uint16_t CKXTextEdit::DeleteKey(unsigned char key, char /*modifiers*/) {
  mResult = 0;
  ViewSelection(0);
  if (mSelAnchor == mSelEnd) {
    const long caret = mSelEnd;
    const long target = key == kKxKeyBackspace ? (caret > 0 ? GetPrevCharPos(caret) : caret) : GetNextCharPos(caret);
    if (target != caret) {
      SetSelPoint(key == kKxKeyBackspace ? caret : target, 0, 0);
      SetSelPoint(key == kKxKeyBackspace ? target : caret, 1, 0);
    }
  }
  if (mSelAnchor == mSelEnd) {
    ViewSelection(1);
    if (mActive) BlinkCaret(1);
    return 0;
  }
  const long deleted = DeleteSelection();
  return RecalcAndRedraw(mSelEnd, deleted, 0);
}

std::uint16_t CKXTextEdit::MoveKey(unsigned char key, char modifiers) {
  mResult = 0;
  const bool extend = (modifiers & kKxModExtend) != 0;
  const long anchor = mSelAnchor;
  long caret = mSelEnd;
  const long low = std::min(anchor, caret), high = std::max(anchor, caret);
  const bool selection = low != high;
  if (Vertical()) {
    // Lines run top to bottom and follow each other from right to left.
    switch (key) {
      case kKxKeyRight: key = kKxKeyUp; break;
      case kKxKeyUp: key = kKxKeyLeft; break;
      case kKxKeyDown: key = kKxKeyRight; break;
      case kKxKeyLeft: key = kKxKeyDown; break;
      default: break;
    }
  }
  switch (key) {
    case kKxKeyHome:
      caret = 0;
      break;
    case kKxKeyEnd:
      caret = GetLength();
      break;
    case kKxKeyLeft:
      caret = (selection && !extend) ? low : GetPrevCharPos(caret);
      break;
    case kKxKeyRight:
      caret = (selection && !extend) ? high : GetNextCharPos(caret);
      break;
    case kKxKeyUp:
    case kKxKeyDown: {
      if (selection && !extend) caret = key == kKxKeyUp ? low : high;
      const long line = GetLineNo(caret);
      const long target = key == kKxKeyUp ? line - 1 : line + 1;
      if (target < 1) {
        caret = 0;
      } else if (target > GetLineCount()) {
        caret = GetLength();
      } else {
        const long x = GetColumnToSizeAt(line, caret - GetLineOffsetAt(line));
        caret = GetLineOffsetAt(target) + GetSizeToColumnAt(target, x);
      }
      break;
    }
    default:
      return 0;
  }
  caret = std::clamp(caret, 0L, GetLength());
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
  if (mSelAnchor == mSelEnd && mActive) BlinkCaret(1);
  return mResult;
}
