// The edit object: construction, the settings that change layout, and the
// typing attributes.
#include "layout/text_edit.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/exception.h"
#include "text/base/memory.h"
#include "text/codes/script.h"

namespace {

// Creates a line-table array; on failure the memory layer's recovery runs
// once and the allocation is tried again.
template <typename T>
T* NewTable() {
  try {
    return new T;
  } catch (const std::bad_alloc&) {
  } catch (const LException&) {
  }
  KxMemRecovery();
  try {
    return new T;
  } catch (const std::bad_alloc&) {
    throw LException(memFullErr);
  }
}

}  // namespace

CKXTextEdit::CKXTextEdit(const RectL& dest, const RectL& view)
    : mLayout(*this),
      mLines(std::unique_ptr<CKXLineArray>(NewTable<CKXLineArray>())),
      mHeits(std::unique_ptr<TKXArray<SKXHeitRun>>(NewTable<TKXArray<SKXHeitRun>>())),
      mDest(dest),
      mView(view) {
  // One line of the default height, as a new line table holds one line.
  mHeits.Splice(1, 0, 1, 0, [](long) { return SKXHeitRun{0, 0, CKXHeitArray::kDefaultHeight, 0}; });
  mLineStyl = SKXLineStyl{};
  mLineStyl.wrap = 1;
  mStyls->GetStylAt(1, mCurStyl);
  mDecos->GetDecoAt(1, mCurDeco);
  mCurDeco.pictID = 0;
  if (mParas->GetCount() > 0) {
    mParas->GetParaAt(1, mCurPara);
    mCurParaIndex = 1;
  }
  ClearScriptType();
  SetSelPoint(0, 0, 0);
  mResult = 0;
}

CKXTextEdit::~CKXTextEdit() = default;

bool CKXTextEdit::GetCurPara(SParaStyl& p) const {
  p = mCurPara;
  return mCurParaIndex > 0;
}

void CKXTextEdit::GetParaStylDefault(SParaStyl& para) const {
  para = SParaStyl{};
  para.lineSpace = mLineStyl.lineSpace;
  para.charSpace = mLineStyl.charSpace == kKxCharSpaceGrid ? 0 : mLineStyl.charSpace;
  para.justify = mLineStyl.justify;
}

short CKXTextEdit::GetScriptType(long pos) const {
  if (pos < 0) return 0;
  if (pos >= mScriptStart && pos < mScriptEnd) return mScriptCode;
  long start = 0, end = 0;
  const short script = GetScriptRun(pos, start, end);
  mScriptStart = start;
  mScriptEnd = end;
  mScriptCode = script;
  return script;
}

void CKXTextEdit::ClearScriptType() {
  mScriptStart = 0;
  mScriptEnd = -1;
  mScriptCode = 0;
}

// ---- settings -------------------------------------------------------------------------

std::uint16_t CKXTextEdit::SetLineStyl(const SKXLineStyl& style, std::uint8_t redraw) {
  const SKXLineStyl old = mLineStyl;
  mLineStyl = style;
  mReachMemo = ReachMemo{};
  mResult = 0;
  if (!redraw) return 0;
  ViewSelection(0);
  const bool relayout = old.tabInterval != style.tabInterval || old.lineSpace != style.lineSpace ||
                        old.charSpace != style.charSpace || old.mode != style.mode || old.wrap != style.wrap ||
                        old.wordWrap != style.wordWrap || old.vertical != style.vertical;
  if (relayout) {
    CalcText();
    UpdateView();
    mResult |= kKxEditTextChanged;
  } else if (old.justify != style.justify) {
    SetSelPoint(mSelEnd, mSelAnchor != mSelEnd, mAutoView);
    UpdateView();
    mResult |= kKxEditTextChanged;
  } else if (old.controlView != style.controlView) {
    UpdateView();
  }
  ViewSelection(1);
  return mResult;
}

std::uint16_t CKXTextEdit::SetLineSpace(short space) {
  SKXLineStyl s = mLineStyl;
  s.lineSpace = space;
  return SetLineStyl(s, 1);
}

std::uint16_t CKXTextEdit::SetLineTurn(std::uint8_t wrap) {
  SKXLineStyl s = mLineStyl;
  s.wrap = wrap;
  return SetLineStyl(s, 1);
}

std::uint16_t CKXTextEdit::SetCtrlView(std::uint8_t show) {
  SKXLineStyl s = mLineStyl;
  s.controlView = show;
  return SetLineStyl(s, 1);
}

std::uint16_t CKXTextEdit::SetEditStyl(const SKXEditStyl& style, std::uint8_t redraw) {
  mEditStyl = style;
  mResult = 0;
  if (!redraw) return 0;
  if (style.font != 0 || style.size != 0) {
    // A plain text (one style run) takes the new default; the runs of a
    // styled text are the user's and stay.
    if (mStyls->GetCount() <= 1) {
      mStyls->InitStylArray(style.font ? style.font : 1, style.size ? style.size : 12, 0);
      mStyls->GetStylAt(1, mCurStyl);
    }
  }
  ClearScriptType();
  ViewSelection(0);
  CalcText();
  UpdateView();
  mResult |= kKxEditTextChanged;
  ViewSelection(1);
  return mResult;
}

std::uint16_t CKXTextEdit::SetVertical(std::uint8_t vertical) {
  if ((mLineStyl.vertical != 0) == (vertical != 0)) return 0;
  RectL view;
  Point origin;
  GetQDViewRect(view, origin);
  SKXLineStyl s = mLineStyl;
  s.vertical = vertical ? 1 : 0;
  const std::uint16_t result = SetLineStyl(s, 1);
  SetQDViewRect(view, origin);
  return result;
}
