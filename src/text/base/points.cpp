#include "text/base/points.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/exception.h"

long CKXPointArray::FirstIndexAtOrAfter(long offset) const {
  long lo = 1, hi = mCount + 1;
  if (mCount == 0) return 1;
  while (lo < hi) {
    long mid = lo + (hi - lo) / 2;
    if (TrueOffsetAt(mid) < offset)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

long CKXPointArray::CountInRange(long from, long to, long* first) const {
  if (from > to) std::swap(from, to);
  long i = FirstIndexAtOrAfter(from);
  long j = FirstIndexAtOrAfter(to);
  if (first) *first = j > i ? i : 0;
  return j - i;
}

long CKXPointArray::GetPointsFrom(long from, void* out, long n) const {
  long i = FirstIndexAtOrAfter(from);
  n = std::min(n, mCount - i + 1);
  if (n < 1 || !out) return 0;
  CopyEntries(i, out, n, from);
  return n;
}

void CKXPointArray::Copy(long from, long to, CKXPosArray* dest) const {
  if (!dest) return;
  if (dest == this || dest->GetEntrySize() != GetEntrySize()) throw LException(paramErr);
  if (from > to) std::swap(from, to);
  dest->DeleteAll();
  long first = 0;
  long n = CountInRange(from, to, &first);
  if (n < 1) return;
  std::vector<char> items(static_cast<size_t>(n * GetEntrySize()));
  GetPointsFrom(from, items.data(), n);
  dest->SetItems(items.data(), n);
}

void CKXPointArray::Paste(long from, long to, const CKXPosArray* src, long textLen) {
  if (from > to) std::swap(from, to);
  Delete(from, to, textLen);
  Insert(from, src, to - from);
}

void CKXPointArray::Paste(long from, long to, const void* items, long n, long textLen) {
  if (from > to) std::swap(from, to);
  Delete(from, to, textLen);
  Insert(from, items, n, to - from);
}

void CKXPointArray::Insert(long pos, const CKXPosArray* src, long len) { CKXPosArray::Insert(pos, src, len); }

void CKXPointArray::Insert(long pos, const void* items, long n, long len) {
  if (len == 0) return;
  if (n < 0 || !items) n = 0;
  long at = FirstIndexAtOrAfter(pos);
  CalcOffsetAt(at, len);
  if (n == 0) return;
  InsertEntries(at, items, n);
  // New entries stand before the boundary: their offsets are true.
  char* p = EntryAt(at);
  for (long k = 0; k < n; ++k, p += GetEntrySize()) SetOffsetOf(p, OffsetOf(p) + pos);
}

void CKXPointArray::Delete(long from, long to, long textLen) {
  if (from > to) std::swap(from, to);
  if (from == to || mCount == 0) return;
  if (to - from == textLen) {
    DeleteAll();
    return;
  }
  long i = FirstIndexAtOrAfter(from);
  long j = FirstIndexAtOrAfter(to);
  CalcOffsetAt(j, -(to - from));
  if (j > i) DeleteAt(i, j - i);
}
