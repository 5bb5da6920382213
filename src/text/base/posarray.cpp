#include "text/base/posarray.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/bytefields.h"
#include "platform/exception.h"

std::int32_t CKXPosArray::OffsetOf(const char* entry) { return static_cast<std::int32_t>(KxGetU32N(entry)); }

void CKXPosArray::SetOffsetOf(char* entry, long offset) { KxPutU32N(entry, static_cast<std::uint32_t>(offset)); }

CKXPosArray::CKXPosArray(long entrySize) : CKXArrayL(static_cast<unsigned long>(entrySize)) {
  if (entrySize < 4) throw LException(paramErr);
  mFinish = &SettleAll;
}

// --- offsets left behind --------------------------------------------------------

void CKXPosArray::MoveShiftTo(long at) const {
  at = std::clamp(at, 1L, mCount + 1);
  if (mShiftBy != 0) {
    const long size = GetEntrySize();
    char* p = EntryAt(std::min(at, mShiftFrom));
    for (long i = mShiftFrom; i < at; ++i, p += size) SetOffsetOf(p, OffsetOf(p) + mShiftBy);
    for (long i = at; i < mShiftFrom; ++i, p += size) SetOffsetOf(p, OffsetOf(p) - mShiftBy);
  }
  mShiftFrom = at;
  if (mShiftFrom > mCount) mShiftBy = 0;
  mDeferred = mShiftBy != 0;
}

void CKXPosArray::SettleAll(const CKXArray& array) {
  const auto& runs = static_cast<const CKXPosArray&>(array);
  runs.MoveShiftTo(runs.mCount + 1);
}

void CKXPosArray::SettleThrough(long index) const {
  if (mShiftBy != 0 && index >= mShiftFrom) MoveShiftTo(index + 1);
}

void CKXPosArray::PutEntries(long at, const void* entries, long n) {
  MoveShiftTo(at);
  RawInsertItemsAt(static_cast<unsigned long>(n), at, nullptr);
  std::memcpy(EntryAt(at), entries, static_cast<size_t>(n * GetEntrySize()));
  // The entries left behind moved up with the boundary.
  mShiftFrom = at + n;
}

void CKXPosArray::RemoveEntries(long index, long n) {
  if (index + n > mCount) {
    // The tail goes: whatever was left behind in it goes too.
    if (index <= mShiftFrom) mShiftBy = 0;
  } else {
    MoveShiftTo(index);
  }
  RawRemoveItemsAt(static_cast<unsigned long>(n), index);
  mDeferred = mShiftBy != 0;
}

// --- search -----------------------------------------------------------------

namespace {

template <typename Offset>
long FindIndex(long offset, long count, Offset off) {
  long h = count / 2;
  if (h > 3) {
    long step = h - 1;
    while (h < count) {
      long o = off(h);
      if (offset == o) break;
      if (offset < o) h -= step;
      step /= 2;
      if (step < 4) break;
      h += step;
    }
    if (h < 1) h = 1;
    while (h < count && off(h + 1) <= offset) ++h;
    return h;
  }
  long i = 1;
  while (i < count && off(i + 1) <= offset) ++i;
  return i;
}

}  // namespace

long CKXPosArray::FindArrayIndex(long offset, const void* entries, long entrySize, long count) {
  if (count < 1) return 0;
  const char* base = static_cast<const char*>(entries);
  return FindIndex(offset, count, [&](long i) { return static_cast<long>(OffsetOf(base + (i - 1) * entrySize)); });
}

long CKXPosArray::GetArrayIndex(long offset) const {
  if (mCount == 0) return 0;
  if (mCount == 1 || offset < 1) return 1;
  auto off = [this](long i) { return TrueOffsetAt(i); };
  // The layout asks about the run it asked about last, or the next one,
  // line after line: those two are tried before a search.
  for (long h = std::min(mLastFound, mCount); h <= std::min(mLastFound + 1, mCount); ++h)
    if (off(h) <= offset && (h == mCount || off(h + 1) > offset)) return h;
  mLastFound = FindIndex(offset, mCount, off);
  return mLastFound;
}

long CKXPosArray::GetArrayIndexAndPos(long offset, long& start) const {
  long i = GetArrayIndex(offset);
  start = GetOffsetAt(i);
  return i;
}

std::string CKXPosArray::Check(long textLength, bool distinct) const {
  for (long i = 1; i <= mCount; ++i) {
    const long offset = GetOffsetAt(i);
    const std::string where = "entry " + std::to_string(i) + " at " + std::to_string(offset);
    if (offset < 0 || offset > textLength) return where + ": outside the text";
    if (i > 1 && offset <= GetOffsetAt(i - 1)) return where + ": offsets not rising";
    if (distinct && i > 1 && IsSameAt(i - 1, i)) return where + ": equal to its neighbour";
  }
  return "";
}

SKXRunSpan CKXPosArray::GetRunSpan(long offset, long lastEnd) const {
  SKXRunSpan span;
  span.index = GetArrayIndex(offset);
  span.start = GetOffsetAt(span.index);
  span.end = span.index >= 1 && span.index < mCount ? GetOffsetAt(span.index + 1) : lastEnd;
  if (span.end <= offset) span.end = offset + 1;
  return span;
}

long CKXPosArray::GetOffsetAt(long index) const {
  if (index < 1 || mCount == 0) return 0;
  if (index > mCount) index = mCount;
  return TrueOffsetAt(index);
}

void CKXPosArray::SetOffsetAt(long index, long offset) {
  if (index < 1 || mCount == 0) return;
  if (index > mCount) index = mCount;
  SetOffsetOf(EntryAt(index), offset - ShiftAt(index));
}

void CKXPosArray::CalcOffsetAt(long index, long delta) {
  if (delta == 0 || index > mCount) return;
  if (index < 1) index = 1;
  MoveShiftTo(index);
  mShiftBy += delta;
  mDeferred = mShiftBy != 0;
}

// --- whole entries ------------------------------------------------------------

bool CKXPosArray::FetchAt(long index, void* entry) const {
  if (index == kLastIndex) index = mCount;
  if (index < 1 || index > mCount) return false;
  std::memcpy(entry, EntryAt(index), static_cast<size_t>(GetEntrySize()));
  SetOffsetOf(static_cast<char*>(entry), TrueOffsetAt(index));
  return true;
}

void CKXPosArray::GetAt(long index, void* entry) const { FetchAt(index, entry); }

void CKXPosArray::SetAt(long index, const void* entry) {
  if (index == kLastIndex) index = mCount;
  if (index < 1 || index > mCount) return;
  std::memcpy(EntryAt(index), entry, static_cast<size_t>(GetEntrySize()));
  SetOffsetAt(index, OffsetOf(static_cast<const char*>(entry)));
}

void CKXPosArray::InsertAt(long index, const void* entry) {
  PutEntries(index > mCount ? mCount + 1 : std::max(index, 1L), entry, 1);
}

void CKXPosArray::DeleteAt(long index, long n) {
  if (!ClipRemoval(index, n)) return;
  FreeElementsAt(index, n);  // what the elements own goes before the entries
  RemoveEntries(index, n);
}

long CKXPosArray::MergeSameRuns(long first, long last) {
  first = std::max(first, 2L);
  last = std::min(last, mCount);
  if (first > last) return 0;
  // Nothing allocates before the last step (which only shrinks the block):
  // no failure can leave the runs half merged. What the runs that go own
  // is freed first, while every run still stands where it stood.
  long gone = 0;
  for (long k = last; k >= first; --k) {
    if (!IsSameAt(k - 1, k)) continue;
    FreeElementsAt(k, 1);
    ++gone;
  }
  if (gone == 0) return 0;
  // Kept runs slide down over the gaps, with true offsets. Run k - 1 is
  // still in its own slot when run k is compared with it: a slide only
  // fills slots below k - 1.
  SettleThrough(last);
  const long size = GetEntrySize();
  long to = first;
  for (long k = first; k <= last; ++k) {
    if (IsSameAt(k - 1, k)) continue;
    if (to != k) std::memcpy(EntryAt(to), EntryAt(k), static_cast<size_t>(size));
    ++to;
  }
  // The tail behind `last` moves down once.
  RemoveEntries(to, last + 1 - to);
  return last + 1 - to;
}

void CKXPosArray::InsertEntries(long index, const void* entries, long n) {
  if (n < 1) return;
  const long size = GetEntrySize();
  // The entries may come from this very block, which the insertion moves.
  std::vector<char> copy;
  const char* src = static_cast<const char*>(entries);
  if (mStorage && *mStorage && src >= *mStorage && src < *mStorage + mCount * size) {
    copy.assign(src, src + n * size);
    src = copy.data();
  }
  PutEntries(index > mCount ? mCount + 1 : (index < 1 ? 1 : index), src, n);
}

void CKXPosArray::GetElementAt(long index, void* element) const {
  const long esize = GetElementSize();
  if (index < 1 || index > mCount) {
    std::memset(element, 0, static_cast<size_t>(esize));
    return;
  }
  // The elements are where they are: only offsets are left behind.
  std::memcpy(element, EntryAt(index) + 4, static_cast<size_t>(esize));
}

void CKXPosArray::SetElementAt(long index, const void* element) {
  if (index < 1 || index > mCount) return;
  std::memcpy(EntryAt(index) + 4, element, static_cast<size_t>(GetElementSize()));
}

bool CKXPosArray::IsSameAt(long i, long j) const {
  if (i < 1 || j < 1 || i > mCount || j > mCount) return false;
  return std::memcmp(EntryAt(i) + 4, EntryAt(j) + 4, static_cast<size_t>(GetElementSize())) == 0;
}

void CKXPosArray::DivideAt(long index, long offset) {
  if (index < 1 || index > mCount) return;
  char buffer[kMaxEntrySize];
  std::memcpy(buffer, EntryAt(index), static_cast<size_t>(GetEntrySize()));
  SetOffsetOf(buffer, offset);
  InsertAt(index + 1, buffer);
}

bool CKXPosArray::KeepFirstRunOnly(long from, long to, long textLen) {
  if (to - from != textLen || mCount == 0) return false;
  if (mCount > 1) DeleteAt(2, mCount - 1);
  SetOffsetAt(1, 0);
  return true;
}

void CKXPosArray::DeleteAll() {
  if (mCount > 0) DeleteAt(1, mCount);
}

// --- whole-array copies ---------------------------------------------------------

void CKXPosArray::CopyEntries(long index, void* out, long n, long from) const {
  const long size = GetEntrySize();
  std::memcpy(out, EntryAt(index), static_cast<size_t>(n * size));
  char* p = static_cast<char*>(out);
  for (long k = index; k < index + n; ++k, p += size) SetOffsetOf(p, OffsetOf(p) + ShiftAt(k) - from);
}

void CKXPosArray::GetItems(void* out, long n) const {
  if (n > mCount) n = mCount;
  if (n < 1) return;
  CopyEntries(1, out, n, 0);
}

void CKXPosArray::GetItems(long from, void* out, long n) const {
  long i = GetArrayIndex(from);
  if (i < 1) return;
  if (n > mCount - i + 1) n = mCount - i + 1;
  if (n < 1) return;
  CopyEntries(i, out, n, from);
  SetOffsetOf(static_cast<char*>(out), 0);
}

void CKXPosArray::SetItems(const void* items, long n) {
  DeleteAll();
  if (n < 1) return;
  InsertEntries(1, items, n);
  NewElementsAt(1, n);
}

void CKXPosArray::SetItems(const CKXPosArray* other) {
  if (!other || other == this) return;
  if (other->GetEntrySize() != GetEntrySize()) throw LException(paramErr);
  StKXArrayLock lock(*other);
  SetItems(other->GetItemPtr(1), other->GetCount());
}

void CKXPosArray::Copy(long from, long to, CKXPosArray* dest) const {
  if (!dest || mCount == 0) return;
  if (dest == this || dest->GetEntrySize() != GetEntrySize()) throw LException(paramErr);
  if (from > to) std::swap(from, to);
  long i = GetArrayIndex(from);
  long j = GetArrayIndex(to);
  long n = j - i + 1;
  if (GetOffsetAt(j) == to) n = std::max(j - i, 1L);
  dest->DeleteAll();
  SettleThrough(i + n - 1);
  dest->SetItems(EntryAt(i), n);
  dest->SetOffsetAt(1, 0);
  dest->CalcOffsetAt(2, -from);
}

// --- editing ------------------------------------------------------------------

void CKXPosArray::Insert(long pos, const CKXPosArray* src, long len) {
  if (!src) return;
  if (src->GetEntrySize() != GetEntrySize()) throw LException(paramErr);
  if (src == this) {
    // Read from a snapshot: inserting moves our own block.
    std::vector<char> copy(static_cast<size_t>(mCount * GetEntrySize()));
    GetItems(copy.data(), mCount);
    Insert(pos, copy.data(), static_cast<long>(copy.size()) / GetEntrySize(), len);
    return;
  }
  StKXArrayLock lock(*src);
  Insert(pos, src->GetItemPtr(1), src->GetCount(), len);
}

void CKXPosArray::Insert(long pos, const void* items, long n, long len) {
  if (len == 0) return;
  if (n < 0) n = 0;
  long at;
  if (mCount == 0) {
    // Nothing to split: the runs simply become the array.
    at = 1;
  } else {
    long i = GetArrayIndex(pos);
    if (pos > GetOffsetAt(i)) {
      DivideAt(i, pos);
      at = i + 1;
    } else {
      at = i;
    }
  }
  if (at < 1) at = 1;
  InsertEntries(at, items, n);
  NewElementsAt(at, n);
  if (pos > 0 && n > 0) {
    // New entries stand before the boundary: their offsets are true.
    char* p = EntryAt(at);
    for (long k = 0; k < n; ++k, p += GetEntrySize()) SetOffsetOf(p, OffsetOf(p) + pos);
  }
  CalcOffsetAt(at + n, len);
  if (at + n > 1 && IsSameAt(at + n - 1, at + n)) DeleteAt(at + n, 1);
  if (at > 1 && IsSameAt(at - 1, at)) DeleteAt(at, 1);
}

void CKXPosArray::Delete(long from, long to, long textLen) {
  if (from > to) std::swap(from, to);
  const long d = to - from;
  if (d == 0 || mCount == 0) return;
  long i = GetArrayIndex(from);
  long j = GetArrayIndex(to);
  CalcOffsetAt(i + 1, -d);
  if (i != j) {
    SetOffsetAt(j, from);
    // The runs strictly between go at once: one move of the tail.
    if (j - i > 1) DeleteAt(i + 1, j - i - 1);
    if (GetOffsetAt(i) == from) {
      DeleteAt(i, 1);
      if (i > 1 && IsSameAt(i - 1, i)) {
        DeleteAt(i, 1);
        --i;
      }
    } else if (IsSameAt(i, i + 1)) {
      DeleteAt(i + 1, 1);
    }
  }
  if (i < mCount) {
    if (GetOffsetAt(i + 1) == GetOffsetAt(i)) DeleteAt(i, 1);
  } else if (i == mCount && GetOffsetAt(i) == from && to >= textLen) {
    DeleteAt(i, 1);
  }
}

void CKXPosArray::Divide(long from, long to) {
  if (from > to) std::swap(from, to);
  for (long x : {from, to}) {
    long i = GetArrayIndex(x);
    // Only inside a run: before the first run there is nothing to split.
    if (i >= 1 && x > GetOffsetAt(i)) DivideAt(i, x);
  }
}

void CKXPosArray::Paste(long from, long to, const CKXPosArray* src, long textLen) {
  if (from > to) std::swap(from, to);
  if (to != from) CKXPosArray::Delete(from, to, textLen);
  Insert(from, src, to - from);
}

void CKXPosArray::Paste(long from, long to, const void* items, long n, long textLen) {
  if (from > to) std::swap(from, to);
  if (to != from) CKXPosArray::Delete(from, to, textLen);
  Insert(from, items, n, to - from);
}

void CKXPosArray::CompareInsertAt(long index, const void* entry, long len, long limit) {
  if (mCount == 0 || index > mCount) {
    InsertAt(mCount + 1, entry);
    return;
  }
  if (index < 1) index = 1;
  const long esize = GetElementSize();
  const char* e = static_cast<const char*>(entry);
  if (std::memcmp(EntryAt(index) + 4, e + 4, static_cast<size_t>(esize)) == 0) return;
  const long start = OffsetOf(e);
  const long end = start + len;
  if (start <= GetOffsetAt(index)) {
    if (end < limit) {
      SetOffsetAt(index, end);
      const bool growsLeft = index > 1 && std::memcmp(EntryAt(index - 1) + 4, e + 4, static_cast<size_t>(esize)) == 0;
      if (!growsLeft) InsertAt(index, entry);
    } else {
      SetAt(index, entry);
    }
    return;
  }
  if (end < limit) DivideAt(index, end);
  InsertAt(index + 1, entry);
}

void CKXPosArray::NewElementsAt(long, long) {}
void CKXPosArray::FreeElementsAt(long, long) {}
void CKXPosArray::NewElementSub(void*) {}
void CKXPosArray::FreeElementSub(void*) {}
