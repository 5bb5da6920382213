#include "layout/page_table.h"

#include <algorithm>
#include <cstring>

namespace {

// Free entries the table keeps at least when it grows them.
constexpr long kLeastGap = 64;

}  // namespace

CKXPageTable::CKXPageTable() : mItems(std::make_unique<CKXPageArray>()) {}

bool CKXPageTable::FetchItemAt(long index, SKXPage* page) const {
  if (index < 1 || index > GetCount()) return false;
  StKXArrayLock lock(*mItems);
  if (index <= mStep) {
    *page = Items()[index - 1];
  } else {
    *page = Items()[index - 1 + mGap];
    page->firstLine += std::int32_t(mDelta);
  }
  return true;
}

void CKXPageTable::GetLineRangeAt(long index, long& first, long& last) const {
  SKXPage p{0, 0};
  if (!FetchItemAt(index, &p)) {
    first = last = 0;
    return;
  }
  first = long(p.firstLine) + 1;
  last = first + p.count - 1;
}

long CKXPageTable::GetArrayIndex(long line0) const {
  const long n = GetCount();
  if (n == 0) return 0;
  if (n == 1 || line0 < 1) return 1;
  StKXArrayLock lock(*mItems);
  const SKXPage* p = Items();
  auto at = [&](long i) { return i > mStep ? long(p[i - 1 + mGap].firstLine) + mDelta : long(p[i - 1].firstLine); };
  long lo = 1, hi = n;  // at(lo) <= line0, or lo is 1
  while (lo < hi) {
    const long mid = lo + (hi - lo + 1) / 2;
    if (at(mid) <= line0)
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

void CKXPageTable::MoveStep(long index) {
  index = std::clamp(index, 0L, GetCount());
  if (mGap == 0 && mDelta == 0) mStep = index;
  if (index == mStep) return;
  StKXArrayLock lock(*mItems);
  SKXPage* p = Items();
  const auto delta = std::int32_t(mDelta);
  if (delta == 0) {
    // Nothing pending: the column-pages only cross the free entries.
    if (index > mStep)
      std::memmove(p + mStep, p + mStep + mGap, size_t(index - mStep) * sizeof *p);
    else
      std::memmove(p + index + mGap, p + index, size_t(mStep - index) * sizeof *p);
  } else if (index > mStep) {
    for (long i = mStep; i < index; ++i) {
      p[i] = p[i + mGap];
      p[i].firstLine += delta;
    }
  } else {
    for (long i = mStep - 1; i >= index; --i) {
      p[i + mGap] = p[i];
      p[i + mGap].firstLine -= delta;
    }
  }
  mStep = index;
}

void CKXPageTable::Splice(long s, long removed, const SKXPage* pages, long added, long lineDelta) {
  if (s == 1 && removed >= GetCount()) {
    // A whole new cut keeps its free entries before the first column-page,
    // where the caret of an opened text stands.
    const long gap = std::max(kLeastGap, added / 16);
    const long size = mItems->GetCount();
    if (gap + added > size) mItems->InsertItemsAt(static_cast<unsigned long>(gap + added - size), 1, nullptr);
    if (gap + added < size) mItems->RemoveItemsAt(static_cast<unsigned long>(size - gap - added), 1);
    StKXArrayLock lock(*mItems);
    std::copy(pages, pages + added, Items() + gap);
    mStep = 0;
    mDelta = 0;
    mGap = gap;
    return;
  }
  if (added == removed && lineDelta == 0) {
    // The same number of column-pages with the same lines after them: put
    // in place, wherever the free entries are.
    StKXArrayLock lock(*mItems);
    for (long k = 0; k < added; ++k) {
      const long i = s + k;
      SKXPage& p = i <= mStep ? Items()[i - 1] : Items()[i - 1 + mGap];
      p = pages[k];
      if (i > mStep) p.firstLine -= std::int32_t(mDelta);
    }
    return;
  }
  MoveStep(s + removed - 1);
  // Room first: a grown gap leaves the column-pages as they were.
  if (added - removed > mGap) {
    const long more = added - removed - mGap + std::max(kLeastGap, GetCount() / 16);
    mItems->InsertItemsAt(static_cast<unsigned long>(more), mStep + 1, nullptr);
    mGap += more;
  }
  mStep -= removed;
  mGap += removed - added;
  if (added > 0) {
    StKXArrayLock lock(*mItems);
    std::copy(pages, pages + added, Items() + mStep);
  }
  mStep += added;
  mDelta += lineDelta;
  if (mGap > std::max(kLeastGap, GetCount() / 4) * 2) {
    // Give back what a large removal left free.
    const long keep = std::max(kLeastGap, GetCount() / 16);
    mItems->RemoveItemsAt(static_cast<unsigned long>(mGap - keep), mStep + 1);
    mGap = keep;
  }
}
