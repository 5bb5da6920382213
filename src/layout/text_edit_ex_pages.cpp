// Cutting the line table into column-pages, and the mappings between
// pages, columns, lines and points on the paper image.
//
// A column-page is filled with lines while they fit into the usable page
// height; a line after a page-break line always starts a new one, and a
// line taller than the page stands alone. The cut runs over the height
// runs of the line table: a run of equal lines is placed a page at a time,
// so cutting costs in pages and runs, not in lines.
#include <algorithm>
#include <limits>
#include <vector>

#include "layout/text_edit_ex.h"

namespace {

// A cursor over the height runs: the height of a line without a lookup
// while it stays in the run last found.
struct RunCursor {
  const CKXTextEdit& edit;
  SKXHeitCalc hc{};
  // 0-based line -> its height code; `end` gets the end of its run.
  std::uint16_t CodeAt(long line0, long& end) {
    if (hc.first == SKXHeitCalc::kInvalid || line0 < hc.first || line0 >= hc.end) {
      SKXLineInfo info;
      hc.first = SKXHeitCalc::kInvalid;
      edit.GetLineInfoAt(line0 + 1, info, nullptr, &hc);
    }
    // A run ends before the deferred lines, when there are any: the count
    // is asked only of a complete table.
    end = hc.end == SKXHeitCalc::kInvalid ? edit.GetLineCount() : hc.end;
    return hc.code;
  }
  long HeightAt(long line0) {
    long end = 0;
    return CodeAt(line0, end) & kKxLineHeightMask;
  }
};

constexpr std::int32_t kMaxCoordinate = std::numeric_limits<std::int32_t>::max();

}  // namespace

// ---- cutting ---------------------------------------------------------------------------------------

long CKXTextEditEx::GetColumnPageCount() const { return Pages()->GetCount(); }

bool CKXTextEditEx::GetColumnPage(long index, long& first, long& last) const {
  if (index < 1 || index > Pages()->GetCount()) {
    first = last = 0;
    return false;
  }
  Pages()->GetLineRangeAt(index, first, last);
  return true;
}

long CKXTextEditEx::CutPageIndexOfLine(long line) const {
  const long count = mPages->GetCount();
  if (count <= 1) return 1;
  return std::clamp(mPages->GetArrayIndex(std::max(0L, line - 1)), 1L, count);
}

long CKXTextEditEx::PageIndexOfLine(long line) const {
  EnsurePagesThrough(line, 0);
  return CutPageIndexOfLine(line);
}

void CKXTextEditEx::EnsurePagesThrough(long line, long index) const {
  if (!mPagesPending) return;
  // The column-pages before the one holding mPagesFrom are cut already.
  const long s = mPagesFrom > 1 ? CutPageIndexOfLine(mPagesFrom) : 1;
  SKXPage p{0, 0};
  mPages->FetchItemAt(s, &p);
  if (mPagesFrom > 1 && line <= long(p.firstLine) && index < s) return;
  const_cast<CKXTextEditEx*>(this)->RecalcPageFrom(mPagesFrom, -1, 0, std::max(1L, line), std::max(1L, index));
}

long CKXTextEditEx::KnownPageCount() const {
  return mPagesPending ? std::numeric_limits<std::int32_t>::max() : mPageCount;
}

void CKXTextEditEx::RecalcPage(long fromLine) { RecalcPageFrom(fromLine, -1, 0); }

void CKXTextEditEx::RecalcPageFrom(long fromLine, long convergeFrom, long lineDelta, long throughLine,
                                   long throughIndex) {
  const bool partial = throughLine > 0 || throughIndex > 0;
  if (mPagesPending) {
    // A cut waited for the layout: it starts at least where that one would.
    mPagesPending = false;
    fromLine = std::min(fromLine < 1 ? 0 : fromLine, mPagesFrom);
    convergeFrom = -1;
    lineDelta = 0;
  }
  // A partial cut lays out only the lines it places: the count it goes by
  // is the table's, deferred lines included, asked again as it grows.
  const long full = partial ? 0 : GetLineCount();
  auto count = [&] { return partial ? StoredLineCount() : full; };
  const long U = UsableHeight();
  const long oldPages = mPages->GetCount();
  long s = 1;  // the first column-page cut again
  long F = 0;  // its first line, 0-based
  if (fromLine > 1 && oldPages > 0) {
    s = CutPageIndexOfLine(fromLine);
    SKXPage p{0, 0};
    mPages->FetchItemAt(s, &p);
    // Pages before s hold unchanged lines; s itself begins before fromLine.
    F = std::clamp<long>(p.firstLine, 0, count() - 1);
  }
  std::vector<SKXPage> cut;
  long tail = 0;  // old column-page index that the cut converged on, 0 for none
  long oldCursor = s + 1;
  auto oldFirst = [&](long index) {
    SKXPage p{0, 0};
    mPages->FetchItemAt(index, &p);
    return long(p.firstLine);
  };
  RunCursor runs{*this};
  long R = U;
  std::uint16_t prev = 0;
  long L = F;
  bool stopped = false;
  while (L < count() && tail == 0 && !stopped) {
    long end = 0;
    const std::uint16_t code = runs.CodeAt(L, end);
    const long h = code & kKxLineHeightMask;
    const bool breaks = (code & kKxLinePageBreak) != 0;
    while (L < end) {
      if (L > F && (R < h || (prev & kKxLinePageBreak))) {
        cut.push_back(SKXPage{std::int32_t(F), std::int32_t(L - F)});
        F = L;
        R = U;
        if (partial && F >= throughLine && s - 1 + long(cut.size()) >= throughIndex) {
          stopped = true;
          break;
        }
        // From here on the lines are the old ones renumbered: when an old
        // page began at the same line, every later page is as it was.
        if (convergeFrom >= 0 && F >= convergeFrom) {
          const long old = F - lineDelta;
          while (oldCursor <= oldPages && oldFirst(oldCursor) < old) ++oldCursor;
          if (oldCursor <= oldPages && oldFirst(oldCursor) == old) {
            tail = oldCursor;
            break;
          }
        }
      }
      R -= h;
      prev = code;
      ++L;
      if (!breaks && L < end) {
        // The rest of the run a page at a time.
        const long m = h == 0 ? end - L : (R >= h ? std::min(end - L, R / h) : 0);
        L += m;
        R -= m * h;
      }
    }
  }
  const long n = count();
  if (tail == 0) cut.push_back(SKXPage{std::int32_t(F), std::int32_t(std::max(1L, n - F))});

  const long removed = (tail ? tail : oldPages + 1) - s;
  const long added = long(cut.size());
  mPages->Splice(s, removed, cut.data(), added, tail ? lineDelta : 0);
  if (stopped) {
    // The lines after the last page cut wait in one page: cut from there
    // when asked. The page count stays the one last reported until then.
    mPagesPending = true;
    mPagesFrom = F + 1;
    return;
  }

  const long columnPages = mPages->GetCount();
  const long columns = Columns();
  const long pages = columns > 1 ? (columnPages + columns - 1) / columns : columnPages;
  mPageCountChanged = pages != mPageCount ? 1 : 0;
  mPageCount = pages;
  mCurPage = std::clamp(mCurPage, 1L, std::max(1L, mPageCount));
  SetImageBottom();
}

void CKXTextEditEx::SetImageBottom() {
  // 64-bit: a long text on a tall paper passes the 32-bit range.
  const long long height = static_cast<long long>(mPageCount) * PaperStep();
  const long long bottom = std::min<long long>(mPaperImage.top + height, kMaxCoordinate);
  const long long right = std::min<long long>(static_cast<long long>(mPaperImage.left) + mPageStyl.paperWidth,
                                              kMaxCoordinate);
  mPaperImage.bottom = std::int32_t(bottom);
  mPaperImage.right = std::int32_t(right);
}

const char* CKXTextEditEx::CheckPages() const {
  EnsurePages();
  const long count = Pages()->GetCount();
  if (count < 1) return "no column-pages";
  long next = 0;
  for (long k = 1; k <= count; ++k) {
    SKXPage p{0, 0};
    Pages()->FetchItemAt(k, &p);
    if (p.firstLine != next) return "column-pages do not follow each other";
    if (p.count < 1) return "empty column-page";
    next = long(p.firstLine) + p.count;
  }
  if (next != GetLineCount()) return "column-pages do not end at the last line";
  const long columns = Columns();
  const long pages = columns > 1 ? (count + columns - 1) / columns : count;
  if (pages != mPageCount) return "page count does not match the column-pages";
  return nullptr;
}

// ---- pages, columns and lines ---------------------------------------------------------------------------

long CKXTextEditEx::GetLineToColmNo(long line) const {
  const long columns = Columns();
  if (columns < 2) return 1;
  const long c = PageIndexOfLine(line) % columns;
  return c == 0 ? columns : c;
}

long CKXTextEditEx::GetPageNo(long line) const {
  const long k = PageIndexOfLine(line);
  const long columns = Columns();
  return columns > 1 ? (k + columns - 1) / columns : k;
}

std::uint16_t CKXTextEditEx::Scroll(long dh, long dv) {
  const std::uint16_t r = CKXTextEdit::Scroll(dh, dv);
  if (!mPages || !Paper()) return r;
  RecalcCurPage();
  // The space between two sheets belongs to the sheet below it: a page
  // jump leaves the view's top just above the sheet, so that its edge
  // shows, and that sheet is the page shown (else the next jump would
  // land on it again).
  const long v = long(GetLayoutView().top) - mPaperImage.top;
  const long step = PaperStep();
  const long sheet = v >= 0 ? v / step + 1 : 0;
  if (sheet >= 1 && v % step >= mPageStyl.paperHeight && mCurPage == sheet && sheet < mPageCount)
    mCurPage = sheet + 1;
  return r;
}

PointL CKXTextEditEx::GetPagePoint(long page) const {
  EnsurePages();
  if (page == 0) page = 1;
  if (page < 0) page = std::max(1L, mPageCount);
  const long long v = static_cast<long long>(mPaperImage.top) + (page - 1) * static_cast<long long>(PaperStep());
  PointL p{std::int32_t(std::min<long long>(v, kMaxCoordinate)), mPaperImage.left};
  if (Vertical()) p.v = std::int32_t(std::min<long long>(v + mPageStyl.paperHeight, kMaxCoordinate));
  return LayoutToShown(p);
}

bool CKXTextEditEx::GetPageInfo(long page, short column, long& first, long& last, RectL& textRect,
                                RectL& paperRect) const {
  const long columns = Columns();
  column = short(std::clamp<long>(column, 1, columns));
  long index = columns > 1 ? (page - 1) * columns + column : page;
  bool ok = true;
  EnsurePagesThrough(0, std::max(1L, index));
  const long count = mPages->GetCount();
  if (index > count || index < 1) {
    index = std::clamp(index, 1L, count);
    ok = false;
  }
  mPages->GetLineRangeAt(index, first, last);
  const long long top = static_cast<long long>(mPaperImage.top) + (page - 1) * static_cast<long long>(PaperStep());
  auto pin = [](long long v) { return std::int32_t(std::clamp<long long>(v, -kMaxCoordinate, kMaxCoordinate)); };
  paperRect = RectL{pin(top), mPaperImage.left, pin(top + mPageStyl.paperHeight),
                    pin(static_cast<long long>(mPaperImage.left) + mPageStyl.paperWidth)};
  const long long tTop = top + mPageStyl.textArea.top;
  const long long tLeft =
      static_cast<long long>(mPaperImage.left) + mPageStyl.textArea.left + (column > 1 ? ColumnOffset(column) : 0);
  textRect = RectL{pin(tTop), pin(tLeft), pin(tTop + mPageSize.v), pin(tLeft + mPageSize.h)};
  return ok;
}

short CKXTextEditEx::GetLineHeightExAt(long line, long& runCount, short* extra) const {
  line = ClampLine(line);
  RunCursor runs{*this};
  long end = 0;
  const long h = runs.CodeAt(line - 1, end) & kKxLineHeightMask;
  runCount = end - (line - 1);
  if (!extra) return short(h);
  *extra = 0;
  if (!Paper()) return short(h);
  const long k = PageIndexOfLine(line);
  long first = 0, last = 0;
  mPages->GetLineRangeAt(k, first, last);
  runCount = std::min(runCount, last - line + 1);
  // The line's top within its column-page.
  long acc = 0;
  for (long l = first; l < line; ++l) acc += runs.HeightAt(l - 1);
  if (mCenterGap > 0 && acc < mCenterGap) {
    // The first half ends with the line after which the tops reach the gap.
    long upTo = acc, l = line;
    while (l <= last && upTo < mCenterGap) upTo += runs.HeightAt(l++ - 1);
    runCount = std::min(runCount, l - line);
    if (l - 1 == line) *extra = short(std::min<long>(mForm.centerGap, 32767));
  }
  if (line == last) {
    runCount = 1;
    long top = acc + (mCenterGap > 0 && acc >= mCenterGap ? mForm.centerGap : 0);
    const long rest = PaperStep() - mPageStyl.textArea.top - (top + h);
    *extra = short(std::clamp<long>(rest, 0, 32767));
  }
  return short(h);
}

long CKXTextEditEx::GetLineGapAfter(long line) const {
  if (!Paper()) return 0;
  long runs = 0;
  short extra = 0;
  GetLineHeightExAt(line, runs, &extra);
  return extra;
}

PointL CKXTextEditEx::GetPageLinePointUntilAt(long line, long& page, short& column) const {
  line = ClampLine(line);
  const long k = PageIndexOfLine(line);
  const long columns = Columns();
  page = columns > 1 ? (k - 1) / columns + 1 : k;
  column = short(columns > 1 ? (k - 1) % columns + 1 : 1);
  long first = 0, last = 0;
  mPages->GetLineRangeAt(k, first, last);
  const long acc = GetLineHeightUntilAt(line) - GetLineHeightUntilAt(first);
  long long v = static_cast<long long>(page - 1) * PaperStep() + acc;
  if (mCenterGap > 0 && acc >= mCenterGap) v += mForm.centerGap;
  return PointL{std::int32_t(std::min<long long>(v, kMaxCoordinate)), std::int32_t(ColumnOffset(column))};
}

long CKXTextEditEx::GetPageLineFromPoint(const PointL& pt, long& vOffset, long& page, short& column) const {
  const long columns = Columns();
  column = 1;
  for (long c = 2; c <= columns; ++c)
    if (ColumnOffset(c) <= pt.h) column = short(c);
  const long step = PaperStep();
  page = pt.v < 0 ? 1 : long(pt.v) / step + 1;
  // The pages through the one after the point's (the point may lie in the
  // next page's top margin), cut as far as needed.
  EnsurePagesThrough(0, (page + 1) * columns);
  page = std::min(std::max(1L, KnownPageCount()), page);
  RunCursor runs{*this};
  for (;;) {
    const long count = mPages->GetCount();
    const long index = std::min(count, columns > 1 ? (page - 1) * columns + column : page);
    long first = 0, last = 0;
    mPages->GetLineRangeAt(index, first, last);
    const long pageTop = (page - 1) * step;
    // The last line whose top is not below the point.
    long acc = 0, line = first, top = pageTop;
    for (long l = first; l <= last; ++l) {
      long t = pageTop + acc + (mCenterGap > 0 && acc >= mCenterGap ? mForm.centerGap : 0);
      if (l > first && t > pt.v) break;
      line = l;
      top = t;
      acc += runs.HeightAt(l - 1);
    }
    // Past the column-page's end and into the next page's top margin: the
    // first line of the next page.
    const long endTop = pageTop + acc + (mCenterGap > 0 && acc >= mCenterGap ? mForm.centerGap : 0);
    if (line == last && pt.v >= endTop && page < KnownPageCount() && pt.v >= page * step - mPageStyl.textArea.top) {
      ++page;
      EnsurePagesThrough(0, (page + 1) * columns);
      continue;
    }
    vOffset = top - pt.v;
    return line;
  }
}

void CKXTextEditEx::GetCurLineColm(long& line, long& column) const {
  line = GetCaretLine();
  column = GetCaretColumn();
}

// ---- paper-view mappings ----------------------------------------------------------------------------

long CKXTextEditEx::GetTopPos() const {
  if (!Paper()) return CKXTextEdit::GetTopPos();
  return long(mPaperImage.top) + mPageStyl.textArea.top;
}

long CKXTextEditEx::GetLeftPos(long line) const {
  if (!Paper()) return CKXTextEdit::GetLeftPos(line);
  const long base = long(mPaperImage.left) + mPageStyl.textArea.left;
  return Columns() > 1 && line >= 1 ? base + ColumnOffset(GetLineToColmNo(line)) : base;
}

long CKXTextEditEx::GetRightPos(long line) const {
  if (!Paper()) return CKXTextEdit::GetRightPos(line);
  return GetLeftPos(line) + mPageSize.h;
}

long CKXTextEditEx::GetPtToLine(const PointL& p, PointL& lineTopLeft) const {
  if (!Paper()) return CKXTextEdit::GetPtToLine(p, lineTopLeft);
  const long left = GetLeftPos(0);
  long vOffset = 0, page = 1;
  short column = 1;
  const long line =
      GetPageLineFromPoint(PointL{std::int32_t(p.v - GetTopPos()), std::int32_t(p.h - left)}, vOffset, page, column);
  lineTopLeft = PointL{std::int32_t(p.v + vOffset), std::int32_t(left + ColumnOffset(column))};
  return line;
}

PointL CKXTextEditEx::GetLineToPtAt(long line, long column) const {
  if (!Paper()) return CKXTextEdit::GetLineToPtAt(line, column);
  long page = 1;
  short col = 1;
  const PointL at = GetPageLinePointUntilAt(line, page, col);
  const long long v = static_cast<long long>(GetTopPos()) + at.v;
  return PointL{std::int32_t(std::min<long long>(v, kMaxCoordinate)),
                std::int32_t(GetLeftPos(0) + GetColumnToSizeAt(line, column) + at.h)};
}
