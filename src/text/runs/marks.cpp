#include "text/runs/marks.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <queue>
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

// Whether a batch of edits can be walked in one pass: each starts at or
// after the end of what the one before put in.
bool InTextOrder(const std::vector<SKXSplice>& edits) {
  for (std::size_t k = 1; k < edits.size(); ++k)
    if (edits[k].pos < edits[k - 1].pos + edits[k - 1].inserted) return false;
  return true;
}

int RankLevel(int r) { return std::abs(r) & ~1; }

// The outline ranks of a mark list that loses marks step by step, with
// ReCalcRank's pass after each step, as those whole passes leave them. A
// pass changes nothing at a mark that fits: its level at most one step
// below the mark before it, and, opening a group, a child after it. So a
// pass here visits only the marks whose neighbours went or changed and
// those the pass before left unfit (a pass that lifts a group can leave its
// opener without a child: the next pass closes it). Every change lowers a
// rank, which bounds the work by the sum of the ranks.
class RankReplay {
 public:
  explicit RankReplay(std::vector<int> ranks) : mRank(std::move(ranks)) {
    const long n = long(mRank.size());
    mPrev.resize(size_t(n));
    mNext.resize(size_t(n));
    for (long i = 0; i < n; ++i) mPrev[size_t(i)] = i - 1, mNext[size_t(i)] = i + 1 < n ? i + 1 : -1;
    mAlive.assign(size_t(n), 1);
    mStamp.assign(size_t(n), 0);
    mBefore.resize(size_t(n));
  }

  // Marks `gone` (indexes, rising) leave the list; then ReCalcRank's pass.
  void Remove(const std::vector<long>& gone) {
    std::vector<long> seeds;
    for (long i : gone) {
      const long p = mPrev[size_t(i)], q = mNext[size_t(i)];
      if (p >= 0) mNext[size_t(p)] = q;
      if (q >= 0) mPrev[size_t(q)] = p;
      mAlive[size_t(i)] = 0;
    }
    if (mFirstPass) {
      // The ranks as given may not fit anywhere: the first pass visits all.
      for (long i = 0; i < long(mRank.size()); ++i)
        if (mAlive[size_t(i)]) seeds.push_back(i);
      mFirstPass = false;
    } else {
      seeds.swap(mUnfit);
      for (long i : gone) {
        if (mPrev[size_t(i)] >= 0) seeds.push_back(mPrev[size_t(i)]);
        if (mNext[size_t(i)] >= 0) seeds.push_back(mNext[size_t(i)]);
      }
    }
    Pass(seeds);
  }

  const std::vector<int>& Ranks() const { return mRank; }

 private:
  int PrevRank(long i) const { return mPrev[size_t(i)] < 0 ? 0 : std::abs(mRank[size_t(mPrev[size_t(i)])]); }
  bool Fits(long i) const {
    const int r = mRank[size_t(i)], a = RankLevel(r);
    if (a > PrevRank(i) + 1) return false;
    const long q = mNext[size_t(i)];
    return (std::abs(r) & 1) == 0 || (q >= 0 && RankLevel(mRank[size_t(q)]) == a + 2);
  }

  // ReCalcRank's pass (marks.cpp, ReCalcRank) at the marks that may change.
  void Pass(const std::vector<long>& seeds) {
    ++mPassNo;
    std::priority_queue<long, std::vector<long>, std::greater<long>> todo(seeds.begin(), seeds.end());
    std::vector<long> touched;
    auto keep = [&](long i) {
      if (mStamp[size_t(i)] == mPassNo) return;
      mStamp[size_t(i)] = mPassNo;
      mBefore[size_t(i)] = mRank[size_t(i)];
      touched.push_back(i);
    };
    for (long last = -1; !todo.empty();) {
      const long i = todo.top();
      todo.pop();
      if (i <= last || !mAlive[size_t(i)]) continue;
      last = i;
      keep(i);
      const int prev = PrevRank(i);
      int& r = mRank[size_t(i)];
      int a = RankLevel(r);
      const bool opener = (std::abs(r) & 1) != 0, collapsed = r < 0;
      const long q = mNext[size_t(i)];
      if (a <= prev + 1) {
        if (opener && !(q >= 0 && RankLevel(mRank[size_t(q)]) == a + 2)) r = a;
      } else {
        int d = a - prev;
        bool moved = false;
        for (long j = q; j >= 0;) {
          int& rj = mRank[size_t(j)];
          const int b = std::abs(rj);
          if (b >= a) {
            keep(j);
            rj = rj < 0 ? -(b - d) : b - d;
            moved = true;
            todo.push(j);
            j = mNext[size_t(j)];
          } else {
            if (b <= prev || (b & ~1) == prev) break;
            a = b & ~1;
            d = a - prev;
          }
        }
        r = opener && moved ? (collapsed ? -(prev + 1) : prev + 1) : prev;
      }
      if (r != mBefore[size_t(i)] && q >= 0) todo.push(q);
    }
    mUnfit.clear();
    for (long t : touched)
      for (long c : {mPrev[size_t(t)], t, mNext[size_t(t)]})
        if (c >= 0 && mAlive[size_t(c)] && !Fits(c)) mUnfit.push_back(c);
  }

  std::vector<int> mRank;
  std::vector<long> mPrev, mNext;  // the marks still there, as a list
  std::vector<char> mAlive;
  std::vector<unsigned> mStamp;  // the pass that last kept a rank before changing it
  std::vector<int> mBefore;      // that rank
  std::vector<long> mUnfit;      // marks the last pass left unfit
  unsigned mPassNo = 0;
  bool mFirstPass = true;
};

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

void CKXMarkArray::Inserted(long pos, long length) {
  if (length <= 0 || mCount == 0) return;
  long k = GetArrayIndex(pos);
  while (k >= 1 && GetOffsetAt(k) >= pos) --k;
  SKXMark m;
  if (k >= 1 && GetMark(k, m) && long(m.start) + m.length > pos) {
    m.length = static_cast<std::int32_t>(pos - m.start);
    SetAt(k, &m);
  }
  CalcOffsetAt(k + 1, length);
}

bool CKXMarkArray::Splice(const std::vector<SKXSplice>& edits) {
  if (mCount == 0 || edits.empty()) return false;
  if (!InTextOrder(edits)) {
    const long before = mCount;
    for (const SKXSplice& e : edits) {
      if (e.removed > 0) Delete(e.pos, e.pos + e.removed, 1);
      Inserted(e.pos, e.inserted);
    }
    return mCount != before;
  }
  // Everything that can fail, before the first change. Marks before an
  // edit's place never move again: only the last of them can still be cut
  // (by that edit). The others wait, moved by `delta`.
  const long count = mCount;
  std::vector<SKXMark> marks(static_cast<size_t>(count));
  GetItems(marks.data(), count);
  std::vector<int> ranks(marks.size());
  for (size_t i = 0; i < marks.size(); ++i) ranks[i] = marks[i].rank;
  RankReplay replay(std::move(ranks));
  std::vector<long> kept;  // indexes of the marks that stay, in order
  std::vector<long> gone;
  size_t next = 0;
  long delta = 0;
  auto settleBefore = [&](long pos) {
    for (; next < marks.size() && marks[next].start + delta < pos; ++next) {
      marks[next].start = static_cast<std::int32_t>(marks[next].start + delta);
      kept.push_back(long(next));
    }
  };
  auto cutAt = [&](long pos) {
    if (kept.empty()) return;
    SKXMark& m = marks[size_t(kept.back())];
    if (long(m.start) + m.length > pos) m.length = static_cast<std::int32_t>(pos - m.start);
  };
  for (const SKXSplice& e : edits) {
    if (e.removed > 0) {
      const long from = e.pos, to = e.pos + e.removed;
      settleBefore(from);
      cutAt(from);
      gone.clear();
      for (; next < marks.size(); ++next) {
        const long start = marks[next].start + delta;
        if (!(start < to || (start == to && marks[next].length == 0))) break;
        gone.push_back(long(next));
      }
      if (!gone.empty()) replay.Remove(gone);
      delta -= e.removed;
    }
    if (e.inserted > 0) {
      settleBefore(e.pos);
      cutAt(e.pos);
      delta += e.inserted;
    }
  }
  for (; next < marks.size(); ++next) {
    marks[next].start = static_cast<std::int32_t>(marks[next].start + delta);
    kept.push_back(long(next));
  }
  const bool removed = long(kept.size()) != count;
  // The names of the marks that stay go back to back in a new block.
  std::vector<long> nameSizes;
  Handle names = nullptr;
  if (removed) {
    long size = 0;
    for (long i : kept) nameSizes.push_back(StoredNameSizeAt(i + 1)), size += nameSizes.back();
    if (size > 0 && mNames) names = KxMemHAlloc(size, true);
  }
  // Nothing below allocates: the marks that stay go to the front.
  const std::vector<int>& rank = replay.Ranks();
  {
    CKXLock oldNames(mNames);
    CKXLock newNames(names);
    StKXArrayLock lock(*this);
    long namePos = 0;
    for (size_t k = 0; k < kept.size(); ++k) {
      SKXMark m = marks[size_t(kept[k])];
      m.rank = static_cast<std::int16_t>(rank[size_t(kept[k])]);
      if (removed) {
        if (names && nameSizes[k] > 0)
          std::memcpy(newNames.Ptr() + namePos, oldNames.Ptr() + m.nameOffset, size_t(nameSizes[k]));
        m.nameOffset = static_cast<std::int32_t>(namePos);
        namePos += nameSizes[k];
      }
      std::memcpy(GetItemPtr(long(k) + 1), &m, sizeof m);
    }
  }
  if (!removed) return false;
  RemoveItemsAt(static_cast<unsigned long>(count - long(kept.size())), long(kept.size()) + 1);
  if (mNames) KxMemHFree(mNames);
  mNames = names;
  return true;
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
  std::vector<int> rank(static_cast<size_t>(n));
  for (long i = 1; i <= n; ++i) rank[size_t(i - 1)] = GetRankAt(i);
  const std::vector<int> old = rank;
  ReLevel(rank);
  for (long i = 1; i <= n; ++i)
    if (rank[size_t(i - 1)] != old[size_t(i - 1)]) SetRankAt(i, static_cast<short>(rank[size_t(i - 1)]));
}

void CKXMarkArray::ReLevel(std::vector<int>& rank) {
  const size_t n = rank.size();
  auto level = [](int r) { return std::abs(r) & ~1; };
  int prev = 0;
  for (size_t i = 0; i < n; ++i) {
    int r = rank[i];
    int a = level(r);
    bool opener = (std::abs(r) & 1) != 0;
    bool collapsed = r < 0;
    if (a <= prev + 1) {
      if (opener && !(i + 1 < n && level(rank[i + 1]) == a + 2)) rank[i] = a;
    } else {
      // Too deep: lift this mark and the marks that hang below it, up to
      // and including the last mark (a group at the end keeps its shape).
      int d = a - prev;
      bool moved = false;
      size_t j = i + 1;
      while (j < n) {
        int rj = rank[j];
        int b = std::abs(rj);
        if (b >= a) {
          rank[j] = rj < 0 ? -(b - d) : b - d;
          moved = true;
          ++j;
        } else {
          if (b <= prev || (b & ~1) == prev) break;
          a = b & ~1;
          d = a - prev;
        }
      }
      if (opener && moved)
        rank[i] = collapsed ? -(prev + 1) : prev + 1;
      else
        rank[i] = prev;
    }
    prev = std::abs(rank[i]);
  }
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

void CKXMarkupArray::Inserted(long pos, long length) {
  if (length <= 0 || mCount == 0) return;
  long k = GetArrayIndex(pos);
  while (k >= 1 && GetOffsetAt(k) >= pos) --k;
  if (k >= 1) {
    long s = 0, e = 0;
    GetMarkupRangeAt(k, s, e);
    if (pos < e) {
      DeleteAt(k, 1);
      --k;
    }
  }
  CalcOffsetAt(k + 1, length);
}

void CKXMarkupArray::Splice(const std::vector<SKXSplice>& edits) {
  if (mCount == 0 || edits.empty()) return;
  if (!InTextOrder(edits)) {
    for (const SKXSplice& e : edits) {
      if (e.removed > 0) Delete(e.pos, e.pos + e.removed, 1);
      Inserted(e.pos, e.inserted);
    }
    return;
  }
  // As for marks; a markup that ends before an edit's place stays where
  // it is, one that an edit reaches goes whole.
  const long count = mCount;
  std::vector<SKXMarkup> markups(static_cast<size_t>(count));
  GetItems(markups.data(), count);
  std::vector<SKXMarkup> out;
  out.reserve(markups.size());
  size_t next = 0;
  long delta = 0;
  auto moved = [&](size_t i) {
    return SKXMarkup{static_cast<std::int32_t>(markups[i].start + delta), markups[i].length};
  };
  for (const SKXSplice& e : edits) {
    if (e.removed > 0) {
      const long from = e.pos, to = e.pos + e.removed;
      for (; next < markups.size() && markups[next].start + delta + markups[next].length < from; ++next)
        out.push_back(moved(next));
      while (next < markups.size() && markups[next].start + delta < to) ++next;
      delta -= e.removed;
    }
    if (e.inserted > 0) {
      for (; next < markups.size() && markups[next].start + delta < e.pos; ++next) out.push_back(moved(next));
      if (!out.empty() && e.pos < long(out.back().start) + out.back().length &&
          out.back().start < e.pos)
        out.pop_back();
      delta += e.inserted;
    }
  }
  for (; next < markups.size(); ++next) out.push_back(moved(next));
  // Nothing below allocates.
  {
    StKXArrayLock lock(*this);
    for (size_t k = 0; k < out.size(); ++k) std::memcpy(GetItemPtr(long(k) + 1), &out[k], sizeof out[k]);
  }
  if (long(out.size()) < count)
    RemoveItemsAt(static_cast<unsigned long>(count - long(out.size())), long(out.size()) + 1);
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
