#include "text/runs/marks.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/bytefields.h"
#include "platform/exception.h"
#include "text/base/memory.h"

namespace {

// Stored size of a name: a length byte and the bytes, with a 0 pad when the
// length is even (counted in the length byte) so that the size is even.
long StoredNameSize(long length) { return 1 + (length | 1); }

// Writes `name` (length-prefixed, may be null) in stored form; returns the size.
long StoreName(const unsigned char* name, char* out) {
  long len = name ? name[0] : 0;
  long stored = len | 1;
  out[0] = static_cast<char>(stored);
  if (len > 0) std::memcpy(out + 1, name + 1, static_cast<size_t>(len));
  if (stored != len) out[1 + len] = 0;
  return 1 + stored;
}

std::int32_t ReadI32(const char* p) { return static_cast<std::int32_t>(KxGetU32N(p)); }

void WriteI32(char* p, long value) { KxPutU32N(p, static_cast<std::uint32_t>(value)); }

}  // namespace

// --- marks --------------------------------------------------------------------

CKXMarkArray::CKXMarkArray() : CKXPosArray(sizeof(SKXMark)) {}

CKXMarkArray::~CKXMarkArray() {
  if (mNames) KxMemHFree(mNames);
}

long CKXMarkArray::NamesSize() const { return KxMemHSize(mNames); }

long CKXMarkArray::StoredNameSizeAt(long index) const {
  SKXMark m, next;
  if (!GetMark(index, m)) return 0;
  long end = GetMark(index + 1, next) ? next.nameOffset : NamesSize();
  return end - m.nameOffset;
}

void CKXMarkArray::AddToNameOffsets(long first, long delta) {
  if (delta == 0) return;
  StKXArrayLock lock(*this);
  for (long i = std::max(first, 1L); i <= mCount; ++i) {
    auto* p = static_cast<char*>(GetItemPtr(i)) + offsetof(SKXMark, nameOffset);
    WriteI32(p, ReadI32(p) + delta);
  }
}

void CKXMarkArray::InsertMarkAt(long index, long start, long length, const unsigned char* name) {
  if (index < 1) index = 1;
  if (index > mCount) index = mCount + 1;
  SKXMark at;
  long namePos = GetMark(index, at) ? at.nameOffset : NamesSize();
  long nameSize = StoredNameSize(name ? name[0] : 0);
  SKXMark entry{static_cast<std::int32_t>(start), static_cast<std::int32_t>(namePos),
                static_cast<std::int32_t>(length), 0, 0};
  InsertAt(index, &entry);
  long oldSize = NamesSize();
  try {
    KxMemHReAlloc(mNames, oldSize + nameSize, true);
  } catch (...) {
    RemoveItemsAt(1, index);  // the entry has no name yet
    throw;
  }
  {
    CKXLock names(mNames);
    KxMemMove(names.Ptr() + namePos, names.Ptr() + namePos + nameSize, oldSize - namePos);
    StoreName(name, names.Ptr() + namePos);
  }
  AddToNameOffsets(index + 1, nameSize);
  CalcRankAt(index);
}

void CKXMarkArray::InsertMark(long from, long to, const unsigned char* name) {
  if (from > to) std::swap(from, to);
  Delete(from, to, 0);
  long k = mCount == 0 ? 0 : GetArrayIndex(from);
  while (k >= 1 && GetOffsetAt(k) >= from) --k;
  InsertMarkAt(k + 1, from, to - from, name);
}

void CKXMarkArray::FreeElementsAt(long index, long n) {
  SKXMark first, after;
  GetMark(index, first);
  long begin = first.nameOffset;
  long oldSize = NamesSize();
  long end = GetMark(index + n, after) ? after.nameOffset : oldSize;
  if (end > begin && mNames) {
    {
      CKXLock names(mNames);
      KxMemMove(names.Ptr() + end, names.Ptr() + begin, oldSize - end);
    }
    long newSize = oldSize - (end - begin);
    if (newSize == 0) {
      KxMemHFree(mNames);
      mNames = nullptr;
    } else {
      KxMemHReAlloc(mNames, newSize, true);
    }
    AddToNameOffsets(index + n, -(end - begin));
  }
}

void CKXMarkArray::Delete(long from, long to, long shift) {
  if (from > to) std::swap(from, to);
  if (from == to && shift) return;
  SKXMark m;
  // The mark that starts before `from` and runs into the range is cut there.
  long k = mCount == 0 ? 0 : GetArrayIndex(from);
  while (k >= 1 && GetOffsetAt(k) >= from) --k;
  if (k >= 1 && GetMark(k, m) && long(m.start) + m.length > from) {
    m.length = static_cast<std::int32_t>(from - m.start);
    SetAt(k, &m);
  }
  long first = k + 1, last = first;
  while (last <= mCount && GetMark(last, m) && (m.start < to || (m.start == to && m.length == 0))) ++last;
  bool removed = last > first;
  if (removed) DeleteAt(first, last - first);
  if (shift) CalcOffsetAt(first, -(to - from));
  if (removed) ReCalcRank();
}

void CKXMarkArray::GetMarkStringAt(long index, unsigned char* out) const {
  out[0] = 0;
  SKXMark m;
  if (!GetMark(index, m) || !mNames) return;
  long size = StoredNameSizeAt(index);
  if (size < 1 || m.nameOffset < 0 || m.nameOffset + size > NamesSize()) return;
  CKXLock names(mNames);
  const auto* p = reinterpret_cast<const unsigned char*>(names.Ptr() + m.nameOffset);
  long len = std::min<long>(p[0], size - 1);
  if (len > 0 && p[len] == 0) --len;  // the pad
  out[0] = static_cast<unsigned char>(len);
  std::memcpy(out + 1, p + 1, static_cast<size_t>(len));
}

void CKXMarkArray::GetMarkRangeAt(long index, long& start, long& end) const {
  SKXMark m;
  if (!GetMark(index, m)) {
    start = end = 0;
    return;
  }
  start = m.start;
  end = long(m.start) + m.length;
}

long CKXMarkArray::GetMarkDataSize() const {
  if (mCount == 0) return 0;
  if (mCount > kMaxFlatMarks) throw LException(paramErr);
  return NamesSize() + 8 * mCount + 2;
}

long CKXMarkArray::GetMarkData(char* buf, long size) const {
  if (!buf || size < 2) return 0;
  if (mCount > kMaxFlatMarks) throw LException(paramErr);
  long p = 2, written = 0;
  CKXLock names(mNames);
  for (long i = 1; i <= mCount; ++i) {
    SKXMark m;
    GetMark(i, m);
    long nameSize = StoredNameSizeAt(i);
    if (p + 8 + nameSize > size) break;
    WriteI32(buf + p, m.start);
    WriteI32(buf + p + 4, long(m.start) + m.length);
    std::memcpy(buf + p + 8, names.Ptr() + m.nameOffset, static_cast<size_t>(nameSize));
    p += 8 + nameSize;
    ++written;
  }
  KxPutU16N(buf, static_cast<std::uint16_t>(written));
  return written;
}

bool CKXMarkArray::SetMarkData(const char* buf, long size) {
  if (!buf || size <= 0) {
    DeleteAll();
    return true;
  }
  if (size < 2) return false;
  const std::uint16_t count = KxGetU16N(buf);
  std::vector<SKXMark> entries;
  std::vector<char> names;
  entries.reserve(count);
  long p = 2, prevStart = -1, prevEnd = 0;
  for (long k = 0; k < count; ++k) {
    if (p + 9 > size) return false;
    long start = ReadI32(buf + p), end = ReadI32(buf + p + 4);
    long len = static_cast<unsigned char>(buf[p + 8]);
    long step = 8 + 1 + (len | 1);  // a pad byte follows an even length
    if (p + step > size) return false;
    // The array's own rule: starts rise (two empty marks never share one)
    // and marks do not overlap.
    if (start <= prevStart || start < prevEnd || end < start) return false;
    prevStart = start;
    prevEnd = end;
    unsigned char name[256];
    name[0] = static_cast<unsigned char>(len);
    std::memcpy(name + 1, buf + p + 9, static_cast<size_t>(len));
    if (len > 0 && name[len] == 0) --name[0];
    char stored[256];
    long storedSize = StoreName(name, stored);
    entries.push_back({static_cast<std::int32_t>(start), static_cast<std::int32_t>(names.size()),
                       static_cast<std::int32_t>(end - start), 0, 0});
    names.insert(names.end(), stored, stored + storedSize);
    p += step;
  }
  Handle block = nullptr;
  if (!names.empty()) {
    block = KxMemHAlloc(static_cast<long>(names.size()), true);
    CKXLock lock(block);
    std::memcpy(lock.Ptr(), names.data(), names.size());
  }
  DeleteAll();
  try {
    InsertEntries(1, entries.data(), static_cast<long>(entries.size()));
  } catch (...) {
    KxMemHFree(block);
    throw;
  }
  mNames = block;
  return true;
}

short CKXMarkArray::GetRankAt(long index) const {
  SKXMark m;
  return GetMark(index, m) ? m.rank : 0;
}

void CKXMarkArray::SetRankAt(long index, short rank) {
  SKXMark m;
  if (!GetMark(index, m)) return;
  m.rank = rank;
  SetAt(index, &m);
}

void CKXMarkArray::CalcRankAt(long index) {
  if (index < 1 || index > mCount) {
    ReCalcRank();
    return;
  }
  if (index == 1) return;
  short prev = GetRankAt(index - 1);
  SetRankAt(index, static_cast<short>(prev + ((prev > 0 && (prev & 1)) ? 1 : 0)));
}

void CKXMarkArray::ReCalcRank() {
  const long n = mCount;
  if (n == 0) return;
  std::vector<int> rank(static_cast<size_t>(n + 1));
  for (long i = 1; i <= n; ++i) rank[size_t(i)] = GetRankAt(i);
  std::vector<int> old = rank;
  auto level = [](int r) { return std::abs(r) & ~1; };
  int prev = 0;
  for (long i = 1; i <= n; ++i) {
    int r = rank[size_t(i)];
    int a = level(r);
    bool opener = (std::abs(r) & 1) != 0;
    bool collapsed = r < 0;
    if (a <= prev + 1) {
      if (opener && !(i < n && level(rank[size_t(i + 1)]) == a + 2)) rank[size_t(i)] = a;
    } else {
      // Too deep: lift this mark and the marks that hang below it, up to
      // and including the last mark (a group at the end keeps its shape).
      int d = a - prev;
      bool moved = false;
      long j = i + 1;
      while (j <= n) {
        int rj = rank[size_t(j)];
        int b = std::abs(rj);
        if (b >= a) {
          rank[size_t(j)] = rj < 0 ? -(b - d) : b - d;
          moved = true;
          ++j;
        } else {
          if (b <= prev || (b & ~1) == prev) break;
          a = b & ~1;
          d = a - prev;
        }
      }
      if (opener && moved)
        rank[size_t(i)] = collapsed ? -(prev + 1) : prev + 1;
      else
        rank[size_t(i)] = prev;
    }
    prev = std::abs(rank[size_t(i)]);
  }
  for (long i = 1; i <= n; ++i)
    if (rank[size_t(i)] != old[size_t(i)]) SetRankAt(i, static_cast<short>(rank[size_t(i)]));
}

void CKXMarkArray::GetRankData(char* buf, long n) const {
  n = std::min(n, mCount);
  for (long i = 1; i <= n; ++i) {
    int r = std::clamp<int>(GetRankAt(i), -128, 127);
    buf[i - 1] = static_cast<char>(static_cast<signed char>(r));
  }
}

void CKXMarkArray::SetRankData(const char* buf, long n) {
  n = std::min(n, mCount);
  for (long i = 1; i <= n; ++i) SetRankAt(i, static_cast<signed char>(buf[i - 1]));
}

bool CKXMarkArray::IsRankExist() const {
  for (long i = 1; i <= mCount; ++i)
    if (GetRankAt(i) != 0) return true;
  return false;
}

// --- markups --------------------------------------------------------------------

CKXMarkupArray::CKXMarkupArray() : CKXPosArray(sizeof(SKXMarkup)) {}

void CKXMarkupArray::InsertMarkupAt(long index, long start, long length) {
  SKXMarkup m{static_cast<std::int32_t>(start), static_cast<std::int32_t>(length)};
  InsertAt(std::clamp(index, 1L, mCount + 1), &m);
}

void CKXMarkupArray::GetMarkupRangeAt(long index, long& start, long& end) const {
  SKXMarkup m;
  if (!FetchItemAt(index, &m)) {
    start = end = 0;
    return;
  }
  start = m.start;
  end = long(m.start) + m.length;
}

void CKXMarkupArray::InsertMarkup(long from, long to) {
  if (from > to) std::swap(from, to);
  Delete(from, to, 0);
  long k = GetArrayIndex(from);
  long index = (k >= 1 && GetOffsetAt(k) <= from) ? k + 1 : std::max(k, 1L);
  InsertMarkupAt(index, from, to - from);
}

bool CKXMarkupArray::GetMarkup(long pos, long& start, long& end) const {
  long i = GetArrayIndex(pos);
  GetMarkupRangeAt(i, start, end);
  return i >= 1 && start <= pos && pos < end;
}

void CKXMarkupArray::GetMarkupCountAndIndex(long from, long to, long& count, long& first) const {
  if (from > to) std::swap(from, to);
  count = first = 0;
  if (from == to || mCount == 0) return;
  long s, e;
  long k = GetArrayIndex(from);
  while (k > 1 && (GetMarkupRangeAt(k - 1, s, e), e > from)) --k;
  while (k <= mCount && (GetMarkupRangeAt(k, s, e), e <= from)) ++k;
  while (k + count <= mCount && (GetMarkupRangeAt(k + count, s, e), s < to)) ++count;
  if (count > 0) first = k;
}

void CKXMarkupArray::Delete(long from, long to, long shift) {
  if (from > to) std::swap(from, to);
  if (from == to && shift) return;
  if (mCount == 0) return;
  long s, e;
  long k = GetArrayIndex(from);
  while (k > 1 && (GetMarkupRangeAt(k - 1, s, e), e >= from)) --k;
  while (k <= mCount && (GetMarkupRangeAt(k, s, e), e < from)) ++k;
  long last = k;
  while (last <= mCount && (GetMarkupRangeAt(last, s, e), s < to || (from == to && s == to))) ++last;
  if (last > k) DeleteAt(k, last - k);
  if (shift) CalcOffsetAt(k, -(to - from));
}
