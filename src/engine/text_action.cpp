#include "engine/text_action.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "engine/text_layer.h"
#include "platform/exception.h"
#include "platform/script.h"

namespace {
constexpr std::uint16_t kSpace = 0x20, kTab = 9, kCR = 13;

// A space may stand next to these without a smart space (0: the text edge).
bool IsSpaceEdge(std::uint16_t c) { return c == kSpace || c == kCR || c == kTab || c == 0; }

// The first (or last) line end in from..to, -1 for none, told by its byte
// as the paragraph runs tell it (walked by characters, a line end after a
// lead byte reads as its second byte). The read is as long as from..to: a
// paragraph's ends may lie the whole text away.
long FindCR(KXEditHandle edit, long from, long to, bool lastOne) {
  if (from >= to) return -1;
  std::string bytes(std::size_t(to - from), '\0');
  const long n = KXText_GetSelText(edit, from, to, bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr,
                                   0, nullptr, 0);
  bytes.resize(std::size_t(std::max(0L, n)));
  const std::size_t at = lastOne ? bytes.rfind('\r') : bytes.find('\r');
  return at == std::string::npos ? -1 : from + long(at);
}

// Disposes a styled text unless released.
struct TextOwner {
  KXTextHandle h;
  ~TextOwner() {
    if (h) KXText_Dispose(h);
  }
  KXTextHandle Release() { return std::exchange(h, KXTextHandle{}); }
};
// The paragraph runs of from..to as the text stands, offsets from `from`.
std::vector<SKXPara> ParaRunsOf(KXEditHandle edit, long from, long to) {
  std::vector<SKXPara> runs;
  if (from >= to) return runs;
  runs.resize(std::size_t(std::max<std::int32_t>(1, KXText_GetSelParaCount(edit, from, to))));
  runs.resize(std::size_t(KXText_GetSelParas(edit, from, to, runs.data(), std::int32_t(runs.size()))));
  while (!runs.empty() && runs.back().offset >= to - from) runs.pop_back();
  if (!runs.empty()) runs.front().offset = 0;
  return runs;
}

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
  mComposing = false;
  mMarkEdit = SKXMarkEdit{};
  CloseMarks();
  mParaSpan = mMoveSite = ParaSpan{};
  mLeftKeep = mRightKeep = 0;
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

bool CKXTextAction::InsideChar(long p) const {
  const KXEditHandle edit = mLayer->GetEdit();
  return p > 0 && p < KXText_GetLength(edit) && KXText_GetPrevCharPos(edit, p + 1) < p;
}

SKXRange CKXTextAction::RubyWiden(const SKXRange& r) const {
  const KXEditHandle edit = mLayer->GetEdit();
  // A base may end inside a two-byte character (an edit shrinks bases byte
  // by byte), and a selection cannot stop there: grow to whole characters
  // too, until neither end cuts a base or a character.
  long start = r.start, end = long(r.start) + r.length;
  unsigned char text[kKxRubyMaxText + 2];
  for (bool grew = true; grew;) {
    grew = false;
    long a = start, b = start, n = 0;
    if (KXText_GetRuby(edit, a, b, text, n) && a < start && b > start) start = a, grew = true;
    a = b = end;
    if (KXText_GetRuby(edit, a, b, text, n) && a < end && b > end) end = b, grew = true;
    if (InsideChar(start)) --start, grew = true;
    if (InsideChar(end)) ++end, grew = true;
  }
  return {std::int32_t(start), std::int32_t(end - start)};
}

SKXRange CKXTextAction::LeadWiden(const SKXRange& r) const {
  // The range starts on a character boundary, so a lead byte before it has
  // no second byte.
  if (r.start <= 0 || KXText_GetCharByte(mLayer->GetEdit(), r.start - 1) != kByteFirst) return r;
  // The byte may end a ruby base, which is then kept whole too.
  return LeadWiden(RubyWiden({r.start - 1, r.length + 1}));
}

CKXTextAction::ParaSpan CKXTextAction::GetParaSpan(const SKXRange& r) const {
  ParaSpan span;
  if (!(mSaveKind & kKxSavePara)) return span;
  const KXEditHandle edit = mLayer->GetEdit();
  const long len = KXText_GetLength(edit);
  // A paragraph has one style, so a byte of each paragraph the range
  // touches tells its runs: the span reaches one character to either side
  // and SetParaSpan widens it to whole paragraphs. Walking to the
  // paragraph ends here would cost a typed key in a long paragraph its
  // whole length.
  const long from = std::clamp<long>(r.start, 0, len);
  const long to = std::clamp<long>(long(r.start) + r.length, from, len);
  const long s = !KXText_IsParaStart(edit, from) ? KXText_GetPrevCharPos(edit, from) : from;
  const long e = to < len ? std::max(to + 1, KXText_GetNextCharPos(edit, to)) : len;
  span.start = std::int32_t(s);
  span.length = std::int32_t(e - s);
  span.tail = std::int32_t(len - e);
  span.runs = ParaRunsOf(edit, s, e);
  // An empty text has one paragraph too, and its style: the empty one
  // after a final line end is put back when the span, widened, reaches it.
  span.lastEmpty = KXText_IsParaStart(edit, len);
  if (span.lastEmpty) {
    SKXPara run{};
    KXText_GetSelParas(edit, len, len, &run, 1);
    span.last = run.para;
  }
  span.kept = true;
  return span;
}

void CKXTextAction::SetParaSpan(const ParaSpan& span) {
  if (!span.kept) return;
  const KXEditHandle edit = mLayer->GetEdit();
  // A paragraph has one style, so runs that stand as kept over the span
  // stand over its whole paragraphs: then their ends, which may lie the
  // whole text away, need not be found.
  const std::vector<SKXPara> now = ParaRunsOf(edit, span.start, long(span.start) + span.length);
  auto sameRuns = [&] {
    if (now.size() != span.runs.size()) return false;
    for (std::size_t k = 0; k < now.size(); ++k)
      if (now[k].offset != span.runs[k].offset || std::memcmp(&now[k].para, &span.runs[k].para, sizeof now[k].para))
        return false;
    if (!span.lastEmpty) return true;
    SKXPara last{};  // the empty one after a final line end, which the span may reach
    KXText_GetSelParas(edit, KXText_GetLength(edit), KXText_GetLength(edit), &last, 1);
    return std::memcmp(&last.para, &span.last, sizeof last.para) == 0;
  };
  if (sameRuns()) return;
  // Each run over its paragraphs, through the edit object so that the
  // lines are laid out again; runs that stand already are left alone.
  auto put = [&](long from, long to, const SParaStyl& was) {
    SKXPara now[2]{};
    const long n = KXText_GetSelParas(edit, from, to, now, 2);
    if (n == 1 && std::memcmp(&now[0].para, &was, sizeof was) == 0) return;
    mLayer->SetSelectionRange({std::int32_t(from), std::int32_t(to - from)}, false);
    mLayer->TextEditResult(KXTE_SetTextParaStyl(edit, was, 0));
  };
  // The text stands as when the span was taken: its ends grow to the
  // paragraphs' ends.
  const long len = KXText_GetLength(edit);
  long first = span.start, last = long(span.start) + span.length;
  if (!KXText_IsParaStart(edit, first)) {
    long s = 0, e = 0;
    KXText_Get1ParaPos(edit, first, s, e);
    first = s;
  }
  if (last < len && !KXText_IsParaStart(edit, last)) last = KXText_GetNextParaPos(edit, last);
  for (std::size_t k = 0; k < span.runs.size(); ++k) {
    const long from = k == 0 ? first : long(span.start) + span.runs[k].offset;
    const long to = k + 1 < span.runs.size() ? long(span.start) + span.runs[k + 1].offset : last;
    if (from < to) put(from, to, span.runs[k].para);
  }
  if (span.lastEmpty && last >= len) put(len, len, span.last);
}

void CKXTextAction::SetEmptyRuns(KXTextHandle kept) {
  // An empty text still has one style and one decoration run (what the
  // next typed character takes); taking its last bytes out leaves theirs.
  SKXStyl styl{}, stylNow{};
  SKXDeco deco{}, decoNow{};
  const KXEditHandle edit = mLayer->GetEdit();
  KXText_GetText(kept, nullptr, 0, &styl, 1, &deco, 1, nullptr, 0, nullptr, 0);
  KXText_GetText(edit, nullptr, 0, &stylNow, 1, &decoNow, 1, nullptr, 0, nullptr, 0);
  if (std::memcmp(&styl, &stylNow, sizeof styl) == 0 && std::memcmp(&deco, &decoNow, sizeof deco) == 0) return;
  SKXPara para{};
  KXText_GetSelParas(edit, 0, 0, &para, 1);
  KXText_SetText(edit, nullptr, 0, &styl, 1, &deco, 1, &para, 1);
  KXTE_CalcText(edit);
}

void CKXTextAction::GrowParaSpan(const SKXRange& r) {
  if (!mParaSpan.kept) return;
  const KXEditHandle edit = mLayer->GetEdit();
  const long len = KXText_GetLength(edit);
  const long end = len - mParaSpan.tail;  // where the span ends now
  // Neighbouring runs of one style are one: a run of keys grows the span
  // a character at a time.
  auto same = [](const SKXPara& a, const SKXPara& b) { return std::memcmp(&a.para, &b.para, sizeof a.para) == 0; };
  // Bytes between the span and a line end beyond it belong to the span's
  // paragraph at that end, whose run is kept already (the edit may have
  // given that paragraph another style since); the paragraphs past the
  // line end are untouched and stand as they were.
  if (r.start < mParaSpan.start) {
    const long cr = FindCR(edit, r.start, mParaSpan.start, true);
    const std::vector<SKXPara> more = cr >= 0 ? ParaRunsOf(edit, r.start, cr + 1) : std::vector<SKXPara>{};
    const std::int32_t grow = mParaSpan.start - r.start;
    for (SKXPara& run : mParaSpan.runs) run.offset += grow;
    if (!mParaSpan.runs.empty()) mParaSpan.runs.front().offset = std::int32_t(cr >= 0 ? cr + 1 - r.start : 0);
    if (!more.empty() && !mParaSpan.runs.empty() && same(more.back(), mParaSpan.runs.front()))
      mParaSpan.runs.erase(mParaSpan.runs.begin());
    mParaSpan.runs.insert(mParaSpan.runs.begin(), more.begin(), more.end());
    mParaSpan.start = r.start;
    mParaSpan.length += grow;
  }
  const long to = long(r.start) + r.length;
  if (to >= end && end < len) {
    // Up to a character past `to`, as a new span reaches.
    const long newEnd = to < len ? std::max(to + 1, KXText_GetNextCharPos(edit, to)) : len;
    const long cr = FindCR(edit, std::max(0L, end - 1), newEnd - 1, false);
    if (cr >= 0) {
      const std::int32_t base = mParaSpan.length + std::int32_t(cr + 1 - end);
      for (SKXPara run : ParaRunsOf(edit, cr + 1, newEnd)) {
        run.offset += base;
        if (!mParaSpan.runs.empty() && same(mParaSpan.runs.back(), run)) continue;
        mParaSpan.runs.push_back(run);
      }
    }
    mParaSpan.length += std::int32_t(newEnd - end);
    mParaSpan.tail = std::int32_t(len - newEnd);
  }
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
  mTotalBefore = mLayer->GetTotalRange().length;
  SKXRange kept = r;
  // Ruby lives in the decoration runs: whatever keeps them keeps every
  // base the range cuts whole, or putting them back would cut it.
  if ((saveKind & 1) || (saveKind & kKxSaveDeco) || saveKind == kKxSaveText) {
    kept = RubyWiden(r);
    if (type == kKxActMove && !UKXRange::RangesSame(kept, r)) {
      // A moved ruby base moves whole.
      r = kept;
      mLayer->SetSelectionRange(r, false);
    }
    // A move puts its text back where the kept range starts, so only what
    // it moves may stand in that range.
    if (type != kKxActMove) kept = LeadWiden(kept);
  }
  mLeftKeep = r.start - kept.start;
  mRightKeep = kept.start + kept.length - (r.start + r.length);
  mAfter = r;
  mBefore = kept;
  if (type == kKxActTyping) mAfter = kept;
  if (kept.length > 0 || saveKind == kKxSaveAll) mLayer->TextCopy(kept, EnsureSaved(), saveKind);
  mParaSpan = GetParaSpan(kept);
  // The marks as they stand, until the edit has run: then the action keeps
  // only what it did to them.
  if (KeepsMarks() && mLayer->HasMarks()) {
    mLayer->GetMarks(mMarksBefore);
    mMarksOpen = true;
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
  // A move sets its own after range, and its text never joins what follows.
  if (mType != kKxActMove) ReachNewEnd();
  mIsDone = true;
  if (mType != kKxActMove) {
    SettleMarks();
    if (mType != kKxActTyping) CloseMarks();
  }
}

void CKXTextAction::ReachNewEnd() {
  if (mAfter.start != mBefore.start) return;
  const long end = long(mBefore.start) + mBefore.length + (mLayer->GetTotalRange().length - mTotalBefore);
  if (end > long(mAfter.start) + mAfter.length) mAfter.length = std::int32_t(end - mAfter.start);
}

SKXRange CKXTextAction::CharWiden(const SKXRange& r) {
  // Characters are one or two bytes: an end inside one moves a byte out.
  const long start = r.start, end = long(r.start) + r.length;
  if (!InsideChar(start) && !InsideChar(end)) return r;
  // The bytes grown by may begin or end a ruby base: it is saved whole.
  const SKXRange grown = RubyWiden(r);
  const long a = grown.start, b = long(grown.start) + grown.length;
  const long savedLen = mSaved ? KXText_GetLength(mSaved) : 0;
  try {
    if (b > end) SaveAround({std::int32_t(end), std::int32_t(b - end)}, false);
    if (a < start) SaveAround({std::int32_t(a), std::int32_t(start - a)}, true);
  } catch (const LException&) {
    // Out of memory: the range and the saved text as they stood.
    if (mSaved && KXText_GetLength(mSaved) > savedLen) KXText_Delete(mSaved, savedLen, KXText_GetLength(mSaved));
    return r;
  }
  return {std::int32_t(a), std::int32_t(b - a)};
}

void CKXTextAction::UndoRedoAction() {
  if (mType == 0) return;
  // An open edit (a run of typing, a key that ran out of memory after it
  // took in more of the text) settles what it did to the marks first.
  if (mMarksOpen) SettleMarks();
  CompleteTyping();
  CloseMarks();
  SKXRange r = mLayer->CropRange(mAfter);
  const SKXRange before = r;
  // A selection stops at character boundaries, and bytes that pair across
  // an end of the range (a lone lead byte put next to others, or parted
  // from them) would keep it from reaching that end: the range grows to
  // whole characters, and the saved text over the bytes it grew by, which
  // stand as they stood. A move puts its text back elsewhere, and a copy of
  // attributes holds no bytes. A line end grown by at the back ends the
  // paragraph before it: the paragraphs after it stand as they stand now.
  ParaSpan grownParas;
  if (mType != kKxActMove && !(mSaveKind >= 2 && (mSaveKind & 1) == 0)) {
    const SKXRange grown = CharWiden(r);
    const std::int32_t grownEnd = grown.start + grown.length;
    const long cr = FindCR(mLayer->GetEdit(), long(r.start) + r.length, grownEnd, false);
    if (cr >= 0) grownParas = GetParaSpan({std::int32_t(cr + 1), std::int32_t(grownEnd - cr - 1)});
    r = grown;
  }
  mLayer->SetSelectionRange(r, false);
  const long lengthNow = mLayer->GetTotalRange().length;
  // Everything that can fail before the first change: the copy of what is
  // about to be replaced, and the marks as they stand.
  TextOwner now;
  if (r.length > 0 || mSaveKind == kKxSaveAll) {
    now.h = CKXTextLayer::NewText();
    mLayer->TextCopy(r, now.h, mSaveKind);
  }
  // The bytes grown by stand as they stood: the marks see the range
  // before it grew. A move takes its text out and puts the kept text back
  // where that stood.
  KXMarkSet marksAfter;
  SKXMarkEdit marksBack;
  const bool marks = KeepsMarks() && (!mMarkEdit.Empty() || mLayer->HasMarks());
  if (marks) {
    KXMarkSet standing;
    mLayer->GetMarks(standing);
    const long savedLength = mSaved ? KXText_GetLength(mSaved) : 0;
    SKXTextSwap swap{before.start, long(before.start) + before.length, before.start,
                     before.length + savedLength - r.length};
    if (mType == kKxActMove)
      swap = {r.start, long(r.start) + r.length,
              std::clamp<long>(mBefore.start, 0, lengthNow - r.length), savedLength};
    marksAfter = KxMarksTakenBack(standing, swap, mMarkEdit, &marksBack);
  }
  ParaSpan parasNow = GetParaSpan(r);

  // A move takes its text out where it stands and puts the kept text back
  // where that stood: the other end of the move.
  SKXRange at = r;
  ParaSpan siteNow;
  if (mType == kKxActMove) {
    mLayer->TextDelete(r);
    SetParaSpan(mMoveSite);
    at = mLayer->CropRange({mBefore.start, 0});
    siteNow = GetParaSpan(at);
  }
  long savedLen = 0;
  if (mSaved) {
    savedLen = KXText_GetLength(mSaved);
    mLayer->TextPaste(at, mSaved, mSaveKind);
    if (savedLen == 0 && mSaveKind == kKxSaveAll && mLayer->GetTotalRange().length == 0) SetEmptyRuns(mSaved);
  } else if (at.length > 0) {
    mLayer->TextDelete(at);
  }
  if (grownParas.kept) {
    // Its paragraphs moved by the change in length.
    grownParas.start += std::int32_t(mLayer->GetTotalRange().length - lengthNow);
    SetParaSpan(grownParas);
  }
  SetParaSpan(mParaSpan);
  mParaSpan = std::move(parasNow);
  mMoveSite = std::move(siteNow);
  if (mSaved) KXText_Dispose(mSaved);
  mSaved = now.Release();
  if (marks) {
    // The text's own upkeep moved the marks as the swap does, unless the
    // edit had changed some: only then is the set put anew.
    KXMarkSet standing;
    mLayer->GetMarks(standing);
    if (standing != marksAfter) mLayer->SetMarks(marksAfter);
    mMarkEdit = std::move(marksBack);
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
  // The run settled its marks at its last key.
  if (mType == kKxActTyping) {
    mType = kKxActTypingDone;
    CloseMarks();
  }
  mComposing = false;
}

bool CKXTextAction::RunEndsWith(const SKXRange& r) const {
  // Bytes kept past the caret (a forward delete that cut a ruby base) stand
  // after the run's own text: the run's end is then no caret's.
  return mType == kKxActTyping && mRightKeep == 0 && r.start >= mAfter.start &&
         long(r.start) + r.length == long(mAfter.start) + mAfter.length;
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
        // The space may begin a ruby base: the whole base is kept, and what
        // of it stays belongs to the result.
        const SKXRange space = RubyWiden({std::int32_t(end), 1});
        const std::int32_t n = space.start + space.length - std::int32_t(end);
        GrowParaSpan({std::int32_t(end), n});
        SaveAround({std::int32_t(end), n}, false);
        mBefore.length += n;
        mRightKeep = n - 1;
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
      const std::int32_t from = LeadWiden(RubyWiden({r.start, 0})).start;
      const std::int32_t n = mAfter.start - from;
      GrowParaSpan({from, 0});
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
    // The after range reaches past bytes already kept and past bytes of
    // the run's own that the caret stopped in front of (a lead byte it put
    // before an old character); beyond it, up to the end of a ruby base the
    // deletion cuts.
    const std::int32_t end = r.start + r.length;
    const std::int32_t keptEnd = mAfter.start + mAfter.length;
    if (end > keptEnd) {
      const SKXRange more = RubyWiden({end, 0});
      const std::int32_t to = std::max(end, more.start + more.length);
      GrowParaSpan({keptEnd, to - keptEnd});
      SaveAround({keptEnd, to - keptEnd}, false);
      mBefore.length += to - keptEnd;
      mRightKeep = to - end;
    } else {
      mRightKeep = keptEnd - end;
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
    ReachNewEnd();
  }
  mIsDone = true;
  SettleMarks();
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
