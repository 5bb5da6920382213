#include "engine/text_action.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/text_layer.h"

namespace {
constexpr std::uint16_t kSpace = 0x20, kTab = 9, kCR = 13;

// A space may stand next to these without a smart space (0: the text edge).
bool IsSpaceEdge(std::uint16_t c) { return c == kSpace || c == kCR || c == kTab || c == 0; }

// Disposes a styled text unless released.
struct TextOwner {
  KXTextHandle h;
  ~TextOwner() {
    if (h) KXText_Dispose(h);
  }
  KXTextHandle Release() { return std::exchange(h, KXTextHandle{}); }
};
}  // namespace

CKXTextAction::CKXTextAction(CKXTextLayer* layer)
    : mLayer(layer), mAfter(CKXTextLayer::sTextUndefined), mBefore(CKXTextLayer::sTextUndefined) {}

CKXTextAction::~CKXTextAction() { DisposeAction(); }

void CKXTextAction::DisposeAction() {
  mType = 0;
  mSaveKind = 0;
  if (mSaved) KXText_Dispose(mSaved);
  mSaved = nullptr;
  mAfter = mBefore = CKXTextLayer::sTextUndefined;
  mIsDone = false;
  mSmartFlags = 0;
  mTypingKind = 0;
  mMarks.clear();
  mHasMarks = false;
}

KXTextHandle CKXTextAction::EnsureSaved() {
  if (!mSaved) mSaved = CKXTextLayer::NewText();
  return mSaved;
}

void CKXTextAction::SaveAround(const SKXRange& r, bool front) {
  if (r.length <= 0) return;
  TextOwner piece{CKXTextLayer::NewText()};
  mLayer->TextCopy(r, piece.h, mSaveKind);
  const KXTextHandle saved = EnsureSaved();
  KXText_Insert(saved, front ? 0 : KXText_GetLength(saved), piece.h, mSaveKind);
}

SKXRange CKXTextAction::RubyWiden(const SKXRange& r) const {
  const KXEditHandle edit = mLayer->GetEdit();
  const long len = KXText_GetLength(edit);
  // A base may end inside a two-byte character (an edit shrinks bases byte
  // by byte), and a selection cannot stop there: grow to whole characters
  // too, until neither end cuts a base or a character.
  auto inChar = [&](long p) { return p > 0 && p < len && KXText_GetPrevCharPos(edit, p + 1) < p; };
  long start = r.start, end = long(r.start) + r.length;
  unsigned char text[kKxRubyMaxText + 2];
  for (bool grew = true; grew;) {
    grew = false;
    long a = start, b = start, n = 0;
    if (KXText_GetRuby(edit, a, b, text, n) && a < start && b > start) start = a, grew = true;
    a = b = end;
    if (KXText_GetRuby(edit, a, b, text, n) && a < end && b > end) end = b, grew = true;
    if (inChar(start)) --start, grew = true;
    if (inChar(end)) ++end, grew = true;
  }
  return {std::int32_t(start), std::int32_t(end - start)};
}

CKXTextAction::ParaEnds CKXTextAction::GetParaEnds(const SKXRange& r) const {
  ParaEnds ends;
  if (mSaveKind != kKxSaveAll) return ends;
  const KXEditHandle edit = mLayer->GetEdit();
  SKXPara run{};
  KXText_GetSelParas(edit, r.start, r.start, &run, 1);
  ends.head = run.para;
  const long end = long(r.start) + r.length;
  KXText_GetSelParas(edit, end, end, &run, 1);
  ends.tail = run.para;
  ends.kept = true;
  return ends;
}

void CKXTextAction::SetParaEnds(const SKXRange& r, const ParaEnds& ends) {
  if (!ends.kept) return;
  const ParaEnds now = GetParaEnds(r);
  const KXEditHandle edit = mLayer->GetEdit();
  auto restore = [&](long at, const SParaStyl& was, const SParaStyl& is) {
    if (std::memcmp(&was, &is, sizeof was) == 0) return;
    mLayer->SetSelectionRange({std::int32_t(at), 0}, false);
    mLayer->TextEditResult(KXTE_SetTextParaStyl(edit, was, 0));
  };
  restore(r.start, ends.head, now.head);
  restore(long(r.start) + r.length, ends.tail, now.tail);
}

void CKXTextAction::NewAction(short type, short saveKind) {
  if (mType != 0) DisposeAction();
  if (type == 0) return;
  SKXRange r = mLayer->GetSelectionRange();
  mLayer->SetBeforeRange(r);
  if (saveKind == 8 || saveKind == 14) {
    long s = 0, e = 0, s2 = 0, e2 = 0;
    KXText_Get1ParaPos(mLayer->GetEdit(), r.start, s, e);
    KXText_Get1ParaPos(mLayer->GetEdit(), std::max<long>(r.start, long(r.start) + r.length - 1), s2, e2);
    const SKXRange para{std::int32_t(s), std::int32_t(std::max(e, e2) - s)};
    if (!UKXRange::RangesSame(para, r)) {
      r = para;
      mLayer->SetSelectionRange(r, false);
    }
  }
  // Smart space: the space that the edit takes along is kept in the saved
  // text with its own style, so undo puts back exactly what stood there.
  std::uint8_t smart = 0;
  if ((type == kKxActCut || type == kKxActClear || type == kKxActMove) && r.length > 0 &&
      mLayer->CheckSmartEdit(r)) {
    const std::uint16_t c1 = r.start > 0 ? mLayer->GetChar(r.start - mLayer->PrevCharSize(r.start)) : 0;
    const long end = long(r.start) + r.length;
    const std::uint16_t c2 = end < mLayer->GetTotalRange().length ? mLayer->GetChar(end) : 0;
    if (c1 == kSpace && IsSpaceEdge(c2)) {
      smart = kKxSmartBefore;
      r = {r.start - 1, r.length + 1};
    } else if (c1 != kSpace && c2 == kSpace && (c1 == kCR || c1 == kTab || c1 == 0)) {
      smart = kKxSmartAfter;
      r.length += 1;
    }
    if (smart) mLayer->SetSelectionRange(r, false);
  }
  mType = std::uint16_t(type);
  mSaveKind = saveKind;
  mSmartFlags = smart;
  SKXRange kept = r;
  if ((saveKind & 1) || saveKind == kKxSaveText) {
    kept = RubyWiden(r);
    if (type == kKxActMove && !UKXRange::RangesSame(kept, r)) {
      // A moved ruby base moves whole.
      r = kept;
      mLayer->SetSelectionRange(r, false);
    }
  }
  mLeftKeep = r.start - kept.start;
  mRightKeep = kept.start + kept.length - (r.start + r.length);
  mAfter = r;
  mBefore = kept;
  if (type == kKxActTyping) mAfter = kept;
  if (kept.length > 0 || saveKind == kKxSaveAll) mLayer->TextCopy(kept, EnsureSaved(), saveKind);
  mParaEnds = GetParaEnds(kept);
  if (mLayer->HasMarks()) {
    mLayer->GetMarks(mMarks);
    mHasMarks = true;
  }
}

void CKXTextAction::AfterAction() {
  if (mType == 0) return;
  const SKXRange sel = mLayer->GetSelectionRange();
  const std::int32_t start = mBefore.start + mLeftKeep;
  if (sel.length == 0 && sel.start > start)
    mAfter = {start, sel.start - start};
  else
    mAfter = sel;
  mAfter = {mAfter.start - mLeftKeep, mAfter.length + mLeftKeep + mRightKeep};
  mIsDone = true;
}

void CKXTextAction::UndoRedoAction() {
  if (mType == 0) return;
  CompleteTyping();
  const SKXRange r = mLayer->CropRange(mAfter);
  mLayer->SetSelectionRange(r, false);
  // Everything that can fail before the first change: the copy of what is
  // about to be replaced, and the marks as they stand.
  TextOwner now;
  if (r.length > 0 || mSaveKind == kKxSaveAll) {
    now.h = CKXTextLayer::NewText();
    mLayer->TextCopy(r, now.h, mSaveKind);
  }
  KXMarkSet marksNow;
  if (mHasMarks) mLayer->GetMarks(marksNow);
  ParaEnds parasNow = GetParaEnds(r);

  // A move takes its text out where it stands and puts the kept text back
  // where that stood: the other end of the move.
  SKXRange at = r;
  ParaEnds siteNow;
  if (mType == kKxActMove) {
    mLayer->TextDelete(r);
    SetParaEnds({r.start, 0}, mMoveSite);
    at = mLayer->CropRange({mBefore.start, 0});
    siteNow = GetParaEnds(at);
  }
  long savedLen = 0;
  if (mSaved) {
    savedLen = KXText_GetLength(mSaved);
    mLayer->TextPaste(at, mSaved, mSaveKind);
  } else if (at.length > 0) {
    mLayer->TextDelete(at);
  }
  SetParaEnds({at.start, std::int32_t(savedLen)}, mParaEnds);
  mParaEnds = parasNow;
  mMoveSite = siteNow;
  if (mSaved) KXText_Dispose(mSaved);
  mSaved = now.Release();
  if (mHasMarks) {
    mLayer->SetMarks(mMarks);
    mMarks = std::move(marksNow);
  }
  mBefore = r;
  mAfter = {at.start, std::int32_t(savedLen)};
  // A copy of attributes alone holds no bytes: the text kept its length.
  if (mSaveKind >= 2 && (mSaveKind & 1) == 0) mAfter = r;
  mLeftKeep = mRightKeep = 0;
  mLayer->SetSelectionRange(mAfter, true);
  mIsDone = !mIsDone;
  mLayer->SetBeforeRange({mAfter.start, 0});
}

short CKXTextAction::GetActionType() const { return short(mType + (mType > 0 && !mIsDone ? 1 : 0)); }

void CKXTextAction::CompleteTyping() {
  if (mType == kKxActTyping) mType = kKxActTypingDone;
}

bool CKXTextAction::IsTypingAction() const { return mType == kKxActTyping || mType == kKxActTypingDone; }

bool CKXTextAction::IsCompleted() const { return mType == kKxActTypingDone; }

void CKXTextAction::BeforeTyping(unsigned short key, char modifiers) {
  const short kind = mLayer->GetKeyType(key);
  mTypingKind = std::uint16_t(kind);
  if (kind != kKxKeyInsert && kind != kKxKeyBack && kind != kKxKeyForward) {
    CompleteTyping();
    return;
  }
  if (mType != kKxActTyping || kind == kKxKeyInsert) return;
  const bool command = (modifiers & 2) != 0;
  SKXRange sel = mLayer->GetSelectionRange();
  if (sel.length > 0) {
    // The selection was kept when the action began; a forward delete may
    // take a smart space after it along.
    if (kind == kKxKeyForward) {
      const long end = long(sel.start) + sel.length;
      const std::uint16_t before = sel.start > 0 ? mLayer->GetChar(sel.start - mLayer->PrevCharSize(sel.start)) : 0;
      if (mRightKeep == 0 && mLayer->CheckSmartEdit(sel) && end < mLayer->GetTotalRange().length && mLayer->GetChar(end) == kSpace &&
          (before == kSpace || before == kCR || before == kTab || before == 0)) {
        SaveAround({std::int32_t(end), 1}, false);
        mBefore.length += 1;
        sel.length += 1;
        mLayer->SetSelectionRange(sel, false);
        mSmartFlags |= kKxSmartAfter;
      }
    }
    if (command) mLayer->SetDeleted(sel);
    return;
  }
  if (kind == kKxKeyBack) {
    const SKXRange r = mLayer->GetLeftSelectionRange(modifiers);
    if (r.length <= 0) return;
    // Bytes before the typed text were there when the run began: they go
    // in front of the saved text, from the start of a ruby base they cut.
    if (r.start < mAfter.start) {
      const std::int32_t from = RubyWiden({r.start, 0}).start;
      const std::int32_t n = mAfter.start - from;
      bool lineEnd = false;
      for (long p = from; p < mAfter.start && !lineEnd; ++p) lineEnd = mLayer->GetChar(p) == kCR;
      if (lineEnd) mParaEnds.head = GetParaEnds({from, 0}).head;
      SaveAround({from, n}, true);
      mBefore.start -= n;
      mBefore.length += n;
      mAfter = {from, mAfter.length + n};
    }
    if (command) mLayer->SetDeleted(r);
    mLayer->SetSelectionRange(r, false);
  } else {
    const SKXRange r = mLayer->GetRightSelectionRange(modifiers);
    if (r.length <= 0) return;
    // Bytes already kept come first; beyond them, up to the end of a ruby
    // base the deletion cuts.
    const std::int32_t end = r.start + r.length, keptEnd = r.start + mRightKeep;
    if (end > keptEnd) {
      const SKXRange more = RubyWiden({end, 0});
      const std::int32_t to = std::max(end, more.start + more.length);
      // Past a line end the paragraph at the new end is one the run has
      // not touched yet: its style is the one to give back.
      bool lineEnd = false;
      for (long p = keptEnd; p < to && !lineEnd; ++p) lineEnd = mLayer->GetChar(p) == kCR;
      if (lineEnd) mParaEnds.tail = GetParaEnds({to, 0}).tail;
      SaveAround({keptEnd, to - keptEnd}, false);
      mBefore.length += to - keptEnd;
      mRightKeep = to - end;
    } else {
      mRightKeep -= r.length;
    }
    if (command) mLayer->SetDeleted(r);
    mLayer->SetSelectionRange(r, false);
  }
}

void CKXTextAction::AfterTyping() {
  if (mType != kKxActTyping) return;
  const SKXRange sel = mLayer->GetSelectionRange();
  if (sel.length == 0) {
    if (mTypingKind == kKxKeyBack && sel.start < mAfter.start) {
      mAfter = {sel.start, 0};
      mLayer->SetBeforeRange(mAfter);
    } else {
      mAfter.length = std::max(0, sel.start - mAfter.start);
    }
    mAfter.length += mRightKeep;
  }
  mIsDone = true;
}

std::uint8_t CKXTextAction::CheckSmartEdit(const SKXRange& range, KXTextHandle styledText) {
  const long n = KXText_GetLength(styledText);
  if (!mLayer->GetSmartEdit() || n == 0 || !KXText_CheckSmartEdit(styledText, 0, n)) return 0;
  const SKXRange r = mLayer->CropRange(range);
  const long end = long(r.start) + r.length;
  const std::uint16_t c1 = r.start > 0 ? mLayer->GetChar(r.start - mLayer->PrevCharSize(r.start)) : 0;
  const std::uint16_t c2 = end < mLayer->GetTotalRange().length ? mLayer->GetChar(end) : 0;
  std::uint8_t flags = 0;
  if (!IsSpaceEdge(c1)) {
    KXText_InsertChar(styledText, 0, kSpace, nullptr, nullptr);
    flags |= kKxSmartAddedBefore;
  }
  if (!IsSpaceEdge(c2)) {
    KXText_InsertChar(styledText, KXText_GetLength(styledText), kSpace, nullptr, nullptr);
    flags |= kKxSmartAddedAfter;
  }
  mSmartFlags |= flags;
  return flags;
}
