#include "views/mark_outline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/text_engine.h"
#include "layout/kxte_api.h"

namespace {

// How many folded rows can stand above one mark: one a level.
constexpr int kMaxUnfoldSteps = kKxMarkMaxLevel + 3;

short MakeRank(short level, bool children, bool folded) {
  const short a = short(std::clamp<short>(level, 0, kKxMarkMaxLevel) * 2 + (children ? 1 : 0));
  return folded ? short(-a) : a;
}

// Marks changed here are no edit of the text: a typing run going on ends
// before they change, or its next key would count the change as its own and
// its undo would take it back.
void EndTypingRun(CKXTextEngine* engine) {
  if (engine && engine->IsTypingAction()) engine->CompleteTyping();
}

}  // namespace

short KxMarkRankLevel(short rank) {
  const int a = std::abs(int(rank));
  return short(std::min(a / 2, int(kKxMarkMaxLevel)));
}

// ---- state ---------------------------------------------------------------------------------------

const SKXMarkRank* CKXTextMarkUtil::GetRow(long row) const {
  return row >= 1 && row <= CountRows() ? &mRows[std::size_t(row - 1)] : nullptr;
}

long CKXTextMarkUtil::FindRowOfMark(long mark) const {
  auto it = std::lower_bound(mRows.begin(), mRows.end(), mark,
                             [](const SKXMarkRank& r, long m) { return r.index < m; });
  return it != mRows.end() && it->index == mark ? long(it - mRows.begin()) + 1 : 0;
}

void CKXTextMarkUtil::SetSelection(long anchor, long end) {
  mAnchor = anchor >= 1 && anchor <= CountRows() ? anchor : 0;
  mEnd = mAnchor && end >= 1 && end <= CountRows() ? end : 0;
}

bool CKXTextMarkUtil::SelectedRows(long& first, long& last) const {
  if (mAnchor < 1 || mRows.empty()) return false;
  first = mAnchor;
  last = mEnd >= 1 ? mEnd : mAnchor;
  if (first > last) std::swap(first, last);
  first = std::min(first, CountRows());
  last = std::min(last, CountRows());
  return true;
}

bool CKXTextMarkUtil::IsRowSelected(long row) const {
  long first = 0, last = 0;
  return SelectedRows(first, last) && row >= first && row <= last;
}

RectL CKXTextMarkUtil::NameRect(long row) const {
  const SKXMarkRank* r = GetRow(row);
  if (!r) return RectL{0, 0, 0, 0};
  const std::int32_t y = std::int32_t((row - 1) * mRowHeight);
  const std::int32_t x = r->level * kKxMarkLevelIndent + kKxMarkIconWidth;
  return RectL{y, x, y + mRowHeight, x + r->width + kKxMarkNameSlack};
}

void CKXTextMarkUtil::InvertSelection() {
  long first = 0, last = 0;
  if (!SelectedRows(first, last)) return;
  for (long row = first; row <= last; ++row) InvertMarkRect(NameRect(row));
}

// ---- rows ------------------------------------------------------------------------------------------

void CKXTextMarkUtil::ReCalcMark(short height, short ascent) {
  mRowHeight = std::max<short>(kKxMarkRowMinHeight, short(height + 2));
  mAscent = ascent;
  mRows.clear();
  CKXTextEngine* engine = GetTextEngine();
  const long count = engine ? KXTE_GetMarkCount(engine->GetEdit()) : 0;
  if (count <= 0) {
    mAnchor = mEnd = 0;
    SetImageSize(0, 0);
    CheckButtons();
    return;
  }
  KXEditHandle e = engine->GetEdit();
  mRows.reserve(std::size_t(count));
  long width = 0, imageHeight = 0;
  short hideBelow = -1;   // the level of the folded row whose branch is skipped
  for (long i = 1; i <= count; ++i) {
    const short rank = KXTE_GetMarkRank(e, i);
    SKXMarkRank row;
    row.index = i;
    row.level = KxMarkRankLevel(rank);
    if (hideBelow >= 0) {
      if (row.level > hideBelow) continue;
      hideBelow = -1;
    }
    row.children = KxMarkRankChildren(rank);
    row.folded = KxMarkRankFolded(rank);
    unsigned char name[256] = {};
    KXTE_GetMarkString(e, i, name);
    row.width = GetMarkStringWidth(name);
    width = std::max(width, long(row.width) + row.level * kKxMarkLevelIndent + kKxMarkIconWidth + 2);
    imageHeight += mRowHeight;
    mRows.push_back(row);
    // Only a row that shows its fold triangle may hide rows: anything else
    // could never be unfolded again.
    if (row.folded && row.children) hideBelow = row.level;
  }
  if (mAnchor > CountRows() || mEnd > CountRows()) mAnchor = mEnd = 0;
  SetImageSize(width, imageHeight);
  CheckButtons();
}

long CKXTextMarkUtil::FindPrevIndex(long row, short level) const {
  if (row < 2 || row > CountRows() || level < 0) return 0;
  for (long r = row - 1; r >= 1; --r)
    if (mRows[std::size_t(r - 1)].level == level) return r;
  return 0;
}

bool CKXTextMarkUtil::GetRangeIndex(long& first, long& last, long& anchor, bool sibling) {
  CKXTextEngine* engine = GetTextEngine();
  long firstRow = 0, lastRow = 0;
  if (mRows.empty() || !engine || !SelectedRows(firstRow, lastRow)) return false;
  KXEditHandle e = engine->GetEdit();
  const long count = KXTE_GetMarkCount(e);
  if (count <= 0) return false;
  const SKXMarkRank& head = mRows[std::size_t(firstRow - 1)];
  const long anchorRow = FindPrevIndex(firstRow, sibling ? head.level : short(head.level - 1));
  if (anchorRow == 0) return false;
  first = head.index;
  anchor = mRows[std::size_t(anchorRow - 1)].index;
  last = mRows[std::size_t(lastRow - 1)].index;
  // The block takes whole branches: every mark below the first row's level
  // that follows it moves with it (folded or shown), so that no mark is
  // left two levels below its new neighbour.
  while (last < count && KxMarkRankLevel(KXTE_GetMarkRank(e, last + 1)) > head.level) ++last;
  return true;
}

CKXTextMarkUtil::Buttons CKXTextMarkUtil::CalcButtons() const {
  Buttons b;
  long first = 0, last = 0;
  if (!SelectedRows(first, last)) return b;
  b.del = true;
  const short level = mRows[std::size_t(first - 1)].level;
  if (first == 1) return b;
  for (long r = first; r <= last; ++r)
    if (mRows[std::size_t(r - 1)].level < level) return b;
  b.left = level > 0;
  const short before = mRows[std::size_t(first - 2)].level;
  if (before == level) {
    b.right = true;
  } else if (before > level) {
    const long nearer = std::max(FindPrevIndex(first, level), FindPrevIndex(first, short(level - 1)));
    b.right = nearer > 0 && mRows[std::size_t(nearer - 1)].level == level;
  }
  return b;
}

void CKXTextMarkUtil::CheckButtons() {
  const Buttons b = CalcButtons();
  EnableLeftButton(b.left);
  EnableRightButton(b.right);
  EnableDeleteButton(b.del);
}

void CKXTextMarkUtil::SetMarkChanged() {
  if (CKXTextEngine* engine = GetTextEngine()) engine->SetTextChanged(true);
}

// ---- moving --------------------------------------------------------------------------------------

void CKXTextMarkUtil::MoveLeft() {
  // A message that arrives past the disabled button (level 0 in the block,
  // no parent) is refused as the button is.
  if (IsReadOnly() || !CalcButtons().left) return;
  long first = 0, last = 0, anchor = 0;
  if (!GetRangeIndex(first, last, anchor, false)) return;
  EndTypingRun(GetTextEngine());
  KXEditHandle e = GetTextEngine()->GetEdit();
  const long count = KXTE_GetMarkCount(e);
  const short lastLevel = KxMarkRankLevel(KXTE_GetMarkRank(e, last));
  for (long i = first; i <= last; ++i) {
    const short r = KXTE_GetMarkRank(e, i);
    KXTE_SetMarkRank(e, i, MakeRank(short(KxMarkRankLevel(r) - 1), KxMarkRankChildren(r), KxMarkRankFolded(r)));
  }
  // The siblings after the block become the children of its last mark.
  if (last < count && KxMarkRankLevel(KXTE_GetMarkRank(e, last + 1)) == lastLevel) {
    const short r = KXTE_GetMarkRank(e, last);
    KXTE_SetMarkRank(e, last, MakeRank(KxMarkRankLevel(r), true, KxMarkRankFolded(r)));
  }
  // A parent whose only children moved out has none left.
  if (anchor == first - 1) {
    const short r = KXTE_GetMarkRank(e, anchor);
    if (KxMarkRankChildren(r)) KXTE_SetMarkRank(e, anchor, MakeRank(KxMarkRankLevel(r), false, false));
  }
  InitMarkView();
  SetMarkChanged();
  RefreshMark();
}

void CKXTextMarkUtil::MoveRight() {
  if (IsReadOnly() || !CalcButtons().right) return;
  long first = 0, last = 0, anchor = 0;
  if (!GetRangeIndex(first, last, anchor, true)) return;
  KXEditHandle e = GetTextEngine()->GetEdit();
  for (long i = first; i <= last; ++i)
    if (KxMarkRankLevel(KXTE_GetMarkRank(e, i)) >= kKxMarkMaxLevel) {
      AlertBeep();
      return;
    }
  EndTypingRun(GetTextEngine());
  for (long i = first; i <= last; ++i) {
    const short r = KXTE_GetMarkRank(e, i);
    KXTE_SetMarkRank(e, i, MakeRank(short(KxMarkRankLevel(r) + 1), KxMarkRankChildren(r), KxMarkRankFolded(r)));
  }
  // The previous sibling becomes the parent.
  const short r = KXTE_GetMarkRank(e, anchor);
  if (!KxMarkRankChildren(r))
    KXTE_SetMarkRank(e, anchor, MakeRank(KxMarkRankLevel(r), true, false));
  else if (KxMarkRankFolded(r))
    mAnchor = mEnd = 0;   // the block went inside a folded branch
  InitMarkView();
  SetMarkChanged();
  RefreshMark();
}

// ---- adding and deleting ----------------------------------------------------------------------------

long CKXTextMarkUtil::RevealMark(long mark) {
  CKXTextEngine* engine = GetTextEngine();
  if (!engine) return 0;
  KXEditHandle e = engine->GetEdit();
  for (int step = 0; step < kMaxUnfoldSteps; ++step) {
    if (const long row = FindRowOfMark(mark)) return row;
    // The last shown row before the mark is the folded one that hides it.
    auto it = std::lower_bound(mRows.begin(), mRows.end(), mark,
                               [](const SKXMarkRank& r, long m) { return r.index < m; });
    if (it == mRows.begin()) return 0;
    const SKXMarkRank& hiding = *(it - 1);
    const short r = KXTE_GetMarkRank(e, hiding.index);
    if (r >= 0) return 0;
    KXTE_SetMarkRank(e, hiding.index, short(-r));
    InitMarkView();
  }
  return 0;
}

void CKXTextMarkUtil::SelectRowAndShow(long row) {
  const SKXMarkRank* r = GetRow(row);
  if (!r) return;
  mAnchor = row;
  mEnd = 0;
  CheckButtons();
  RectL frame;
  GetFrameRect(frame);
  const long top = (row - 1) * mRowHeight;
  if (top < frame.top || top + mRowHeight > frame.bottom) {
    const long frameHeight = long(frame.bottom) - frame.top;
    SetImagePos(frame.left, std::max(0L, top - (frameHeight - mRowHeight) / 2), true);
  }
  if (CKXTextEngine* engine = GetTextEngine()) {
    const SKXRange mark = engine->GetMarkRange(r->index), sel = engine->GetSelectionRange();
    if (mark.start != sel.start || mark.length != sel.length) ExecuteMarkAt(r->index);
  }
  RefreshMark();
}

void CKXTextMarkUtil::AddMark() {
  CKXTextEngine* engine = GetTextEngine();
  if (IsReadOnly() || !engine) return;
  KXEditHandle e = engine->GetEdit();
  const SKXRange sel = engine->GetSelectionRange();
  const long selEnd = long(sel.start) + sel.length;
  unsigned char name[256] = {};
  if (sel.length > 0) {
    // A name is the selected bytes themselves: short, one line, no controls.
    if (sel.length >= kKxMarkNameLimit) {
      AlertBeep();
      return;
    }
    char bytes[kKxMarkNameLimit] = {};
    const long got = engine->TextGetThruPtr(sel, bytes, sel.length);
    for (long k = 0; k < got; ++k)
      if (static_cast<unsigned char>(bytes[k]) < 32) {
        AlertBeep();
        return;
      }
    name[0] = static_cast<unsigned char>(got);
    std::memcpy(name + 1, bytes, std::size_t(got));
  }
  EndTypingRun(engine);
  InvertSelection();
  mAnchor = mEnd = 0;
  const long count = KXTE_GetMarkCount(e);
  for (long i = 1; i <= count; ++i) {
    long s = 0, t = 0;
    KXTE_GetMarkRange(e, i, s, t);
    if (t > s && s <= sel.start && selEnd <= t) {
      SelectRowAndShow(RevealMark(i));
      return;
    }
  }
  if (sel.length == 0) {
    long found = 0;
    for (long i = 1; i <= count; ++i) {
      long s = 0, t = 0;
      KXTE_GetMarkRange(e, i, s, t);
      if (t <= sel.start) found = i;
    }
    if (found == 0) {
      AlertBeep();
      RefreshMark();
      return;
    }
    SelectRowAndShow(RevealMark(found));
    return;
  }
  engine->InsertMark(sel, name);
  long added = 0;
  const long after = KXTE_GetMarkCount(e);
  for (long i = 1; i <= after && !added; ++i) {
    long s = 0, t = 0;
    KXTE_GetMarkRange(e, i, s, t);
    if (s == sel.start && t == selEnd) added = i;
  }
  // The new mark takes its place in the outline from the mark before it:
  // that mark's first child when it opens a group (folded or not), else
  // its sibling; never a folded group of its own.
  if (added > 1) {
    const short prev = KXTE_GetMarkRank(e, added - 1);
    const short level = KxMarkRankLevel(prev);
    const bool child = KxMarkRankChildren(prev) && level < kKxMarkMaxLevel;
    KXTE_SetMarkRank(e, added, MakeRank(short(child ? level + 1 : level), false, false));
  } else if (added == 1) {
    KXTE_SetMarkRank(e, added, 0);
  }
  SetMarkChanged();
  InitMarkView();
  if (after == 1) RefreshMarkList();
  SelectRowAndShow(RevealMark(added));
}

void CKXTextMarkUtil::DelMark() {
  CKXTextEngine* engine = GetTextEngine();
  long firstRow = 0, lastRow = 0;
  if (IsReadOnly() || !engine || !SelectedRows(firstRow, lastRow)) return;
  EndTypingRun(engine);
  KXEditHandle e = engine->GetEdit();
  const long count = KXTE_GetMarkCount(e);
  const SKXMarkRank& tail = mRows[std::size_t(lastRow - 1)];
  const long first = mRows[std::size_t(firstRow - 1)].index;
  long last = tail.index;
  // A folded last row goes with the branch it hides.
  if (tail.folded && tail.children)
    while (last < count && KxMarkRankLevel(KXTE_GetMarkRank(e, last + 1)) > tail.level) ++last;
  for (long i = last; i >= first; --i) KXTE_DeleteMark(e, i);
  if (mAnchor > firstRow) mAnchor = firstRow;
  mEnd = 0;
  InitMarkView();
  SetMarkChanged();
  CheckButtons();
  RefreshMark();
}

// ---- drawing and clicks ----------------------------------------------------------------------------

void CKXTextMarkUtil::DrawMark(const RectL& rect) {
  CKXTextEngine* engine = GetTextEngine();
  if (!engine || mRows.empty()) return;
  KXEditHandle e = engine->GetEdit();
  const long firstRow = std::max(1L, long(rect.top) / mRowHeight + 1);
  const long lastRow = std::min(CountRows(), long(rect.bottom) / mRowHeight + 1);
  for (long row = firstRow; row <= lastRow; ++row) {
    const SKXMarkRank& r = mRows[std::size_t(row - 1)];
    const long y = (row - 1) * mRowHeight;
    const long x = r.level * kKxMarkLevelIndent + kKxMarkIconWidth;
    unsigned char name[256] = {};
    KXTE_GetMarkString(e, r.index, name);
    DrawMarkString(x, y + 1, name);
    if (r.children) DrawRankIcon(x - kKxMarkIconWidth, y, r.folded, false);
    if (IsRowSelected(row)) InvertMarkRect(NameRect(row));
  }
}

void CKXTextMarkUtil::ClickMark(const PointL& where, short modifiers) {
  CKXTextEngine* engine = GetTextEngine();
  if (!engine || mRows.empty()) {
    mAnchor = mEnd = 0;
    CheckButtons();
    return;
  }
  const long row = std::clamp(long(where.v) / mRowHeight + 1, 1L, CountRows());
  const SKXMarkRank r = mRows[std::size_t(row - 1)];
  const RectL name = NameRect(row);
  InvertSelection();
  if (where.h >= name.left && where.h < name.right) {
    if ((modifiers & kKxMarkClickShift) && mAnchor) {
      mEnd = row;
    } else {
      mAnchor = row;
      mEnd = 0;
    }
    InvertSelection();
    if (!(modifiers & (kKxMarkClickShift | kKxMarkClickOption))) ExecuteMarkAt(r.index);
  } else if (r.children && where.h >= name.left - kKxMarkIconWidth && where.h < name.left) {
    const RectL box{name.top, name.left - kKxMarkIconWidth, name.bottom, name.left};
    auto inBox = [&box](const PointL& p) {
      return p.v >= box.top && p.v < box.bottom && p.h >= box.left && p.h < box.right;
    };
    bool inside = true;
    DrawRankIcon(box.left, box.top, r.folded, true);
    PointL p = where;
    while (StillDown(p)) {
      const bool now = inBox(p);
      if (now != inside) DrawRankIcon(box.left, box.top, r.folded, now);
      inside = now;
    }
    DrawRankIcon(box.left, box.top, r.folded, false);
    if (inside) {
      EndTypingRun(engine);
      mAnchor = mEnd = 0;
      KXEditHandle e = engine->GetEdit();
      KXTE_SetMarkRank(e, r.index, short(-KXTE_GetMarkRank(e, r.index)));
      InitMarkView();
      SetMarkChanged();
      RefreshMark();
    } else {
      InvertSelection();   // the selection stays as it was
    }
  } else {
    mAnchor = mEnd = 0;
  }
  CheckButtons();
}
