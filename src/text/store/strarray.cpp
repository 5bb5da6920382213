#include "text/store/strarray.h"

#include "text/store/findstore.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "platform/exception.h"
#include "text/base/flat.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"

// --- side entries ---------------------------------------------------------------

namespace {

long RoundBlock(long n) {
  long step = CKXStrArray::kBlockStep;
  return std::max(step, (n + step - 1) / step * step);
}

// A block of `size` bytes. Full chunks, of which a large text has
// thousands, come from slabs.
char** NewBlock(long size) {
  return size == CKXStrArray::kMaxChunk ? KxMemHAllocSlab(size, true) : KxMemHAlloc(size, true);
}

}  // namespace

bool KxIsPlaceholderAt(const unsigned char* b, long avail) {
  if (!b || avail < 1) return false;
  if (b[0] == CKXStrArray::kKxSingleBytePlaceholder) return true;
  if (avail < 2) return false;
  const unsigned short code = static_cast<unsigned short>(b[0] << 8 | b[1]);
  return code == CKXStrArray::GetUnicodeChar(1) || code == CKXStrArray::GetUnicodeChar(2);
}

void CKXStrUCArray::SetTextUniChars(const SKXUniChar* items, long n) { SetItems(items, n); }

void CKXStrUCArray::GetTextUniChars(SKXUniChar* out, long n) const { GetItems(out, n); }

void CKXStrUCArray::GetTextUniChars(long from, SKXUniChar* out, long n) const { GetPointsFrom(from, out, n); }

long CKXStrUCArray::GetTextUniCharsCount(long from, long to) const { return CountInRange(from, to); }

void CKXStrUCArray::SetUniCharAt(long index, unsigned long value) {
  SKXUniChar u;
  if (!FetchItemAt(index, &u)) return;
  u.value = static_cast<std::uint32_t>(value);
  SetItemAt(index, &u);
}

unsigned long CKXStrUCArray::GetUniCharAt(long index) const {
  SKXUniChar u;
  return FetchItemAt(index, &u) ? u.value : 0;
}

void CKXStrUCArray::InsertUniCharAt(long index, long offset, unsigned long value) {
  SKXUniChar u{static_cast<std::int32_t>(offset), static_cast<std::uint32_t>(value)};
  InsertAt(index, &u);
}

// --- chunks ------------------------------------------------------------------------

CKXStrArray::CKXStrArray() : CKXArrayL(sizeof(SKXStr)) { InitStrArray(); }

CKXStrArray::~CKXStrArray() { CKXStrArray::DeleteAll(); }

unsigned short CKXStrArray::GetUnicodeChar(short script) {
  switch (script) {
    case 1: return 0x81FC;
    case 2:
    case 3:
    case 25: return 0xA3BF;
    default: return 0xA0;
  }
}

void CKXStrArray::InitStrArray() {
  DeleteAll();
  NewChunkAt(1);
  CalcTextSize();
}

void CKXStrArray::NewChunkAt(long index) {
  SKXStr s{KxMemHAlloc(kBlockStep, true), static_cast<std::int16_t>(kBlockStep), 0};
  try {
    InsertItemsAt(1, index, &s);
  } catch (...) {
    KxMemHFree(s.bytes);
    throw;
  }
  Invalidate(index);
}

std::string CKXStrArray::Check() const {
  long total = 0;
  for (long i = 1; i <= GetCount(); ++i) {
    SKXStr s;
    GetAt(i, s);
    const std::string chunk = "chunk " + std::to_string(i);
    if (s.len < 0 || s.len > kMaxChunk) return chunk + ": length out of range";
    if (s.len > 0 && (!s.bytes || KxMemHSize(s.bytes) < s.len)) return chunk + ": block smaller than its bytes";
    total += s.len;
  }
  if (total != mLength) return "chunks hold " + std::to_string(total) + " bytes, not the length " + std::to_string(mLength);
  if (mUniChars) {
    std::string uni = mUniChars->Check(mLength - 1, false);
    if (!uni.empty()) return "side table: " + uni;
  }
  return "";
}

void CKXStrArray::GetAt(long index, SKXStr& chunk) const {
  if (!FetchItemAt(index, &chunk)) chunk = SKXStr{nullptr, 0, 0};
}

void CKXStrArray::SetAt(long index, const SKXStr& chunk) {
  SetItemAt(index, &chunk);
  Invalidate(index);
}

void CKXStrArray::InsertAt(long index, const SKXStr& chunk) {
  InsertItemsAt(1, index, &chunk);
  Invalidate(index);
}

void CKXStrArray::DeleteAt(long index) {
  SKXStr s;
  if (!FetchItemAt(index, &s)) return;
  if (index == kLastIndex) index = mCount;
  KxMemHFree(s.bytes);
  RemoveItemsAt(1, index);
  Invalidate(index);
}

void CKXStrArray::DeleteAll() {
  while (mCount > 0) DeleteAt(mCount);
  mLength = 0;
  DisposeUniChars();
  Invalidate(1);
}

void CKXStrArray::CalcTextSize() {
  RefreshStarts();
  mLength = mStarts.empty() ? 0 : mStarts.back();
}

void CKXStrArray::Invalidate(long fromChunk) const {
  mValidStarts = std::min(mValidStarts, std::max(fromChunk - 1, 0L));
}

void CKXStrArray::RefreshStarts() const { RefreshStartsTo(LONG_MAX); }

void CKXStrArray::RefreshStartsTo(long offset) const {
  // Every byte read asks: the common case first.
  if (mValidStarts == mCount && mCount > 0 && mStarts.size() == size_t(mCount + 1)) return;
  // mStarts[k] is the offset of chunk k + 1; one more entry holds the length.
  if (mValidStarts > mCount) mValidStarts = mCount;
  mStarts.resize(static_cast<size_t>(mCount + 1));
  if (mCount == 0) {
    mStarts[0] = 0;
    mValidStarts = 0;
    return;
  }
  long k = mValidStarts;
  if (k == 0) mStarts[0] = 0;
  if (mStarts[size_t(k)] > offset) return;
  const SKXStr* chunks = static_cast<const SKXStr*>(GetItemPtr(1));
  for (; k < mCount && mStarts[size_t(k)] <= offset; ++k) mStarts[size_t(k) + 1] = mStarts[size_t(k)] + chunks[k].len;
  mValidStarts = k;
}

long CKXStrArray::ChunkStart(long index) const {
  if (index <= 1 || mCount == 0) return 0;
  if (index > mCount) return mLength;
  if (index - 1 > mValidStarts) RefreshStarts();
  return mStarts[size_t(index) - 1];
}

void CKXStrArray::GetIndexPos(long offset, long& chunk, long& pos) const {
  if (mCount == 0) {
    chunk = 1;
    pos = 0;
    return;
  }
  if (offset >= mLength) {
    chunk = mCount;
    pos = mLength - ChunkStart(mCount);
    return;
  }
  if (offset < 0) offset = 0;
  RefreshStartsTo(offset);
  // The last chunk whose start is <= offset and that is not empty there:
  // the one last answered when the next one starts after offset. Starts up
  // to mValidStarts hold, and the one there lies past offset.
  const long c = mLastChunk;
  if (c >= 1 && c <= mValidStarts && mStarts[size_t(c) - 1] <= offset && offset < mStarts[size_t(c)]) {
    chunk = c;
  } else {
    auto it = std::upper_bound(mStarts.begin(), mStarts.begin() + mValidStarts, offset);
    chunk = static_cast<long>(it - mStarts.begin());
    mLastChunk = chunk;
  }
  pos = offset - mStarts[size_t(chunk) - 1];
}

const unsigned char* CKXStrArray::ChunkBytes(long index, long& len) const {
  const SKXStr* s = static_cast<const SKXStr*>(GetItemPtr(index));
  len = s->len;
  return reinterpret_cast<const unsigned char*>(*s->bytes);
}

void CKXStrArray::InsertTextStr(SKXStr& s, long at, const char* bytes, long n) {
  if (n <= 0) return;
  long newLen = s.len + n;
  if (newLen > s.alloc) {
    long size = RoundBlock(newLen);
    KxMemHReAlloc(s.bytes, size, true);
    s.alloc = static_cast<std::int16_t>(size);
  }
  char* p = *s.bytes;
  std::memmove(p + at + n, p + at, static_cast<size_t>(s.len - at));
  std::memcpy(p + at, bytes, static_cast<size_t>(n));
  s.len = static_cast<std::int16_t>(newLen);
}

void CKXStrArray::DeleteTextStr(SKXStr& s, long from, long to) {
  if (to <= from) return;
  if (from == 0 && to >= s.len) {
    s.len = 0;
    return;
  }
  char* p = *s.bytes;
  std::memmove(p + from, p + to, static_cast<size_t>(s.len - to));
  s.len = static_cast<std::int16_t>(s.len - (to - from));
}

void CKXStrArray::FitBlock(SKXStr& s) {
  // Shrinking a block never fails.
  long fit = RoundBlock(s.len);
  if (s.alloc - fit > kBlockStep) {
    KxMemHReAlloc(s.bytes, fit, true);
    s.alloc = static_cast<std::int16_t>(fit);
  }
}

// --- whole text -------------------------------------------------------------------------

void CKXStrArray::SetText(const char* text, long n, const SKXCutScript& cut) {
  DeleteAll();
  if (!text || n <= 0) {
    NewChunkAt(1);
    CalcTextSize();
    return;
  }
  long done = 0;
  while (done < n) {
    long take = std::min(n - done, kFillChunk);
    // Never leave the next chunk starting on a second byte.
    if (n - done >= 2 && take < n - done &&
        KxTextCharByte(text + done, take - 1, cut.At(done + take - 1)) == kByteFirst)
      --take;
    SKXStr s{NewBlock(RoundBlock(take)), static_cast<std::int16_t>(RoundBlock(take)), 0};
    std::memcpy(*s.bytes, text + done, static_cast<size_t>(take));
    s.len = static_cast<std::int16_t>(take);
    try {
      InsertItemsAt(1, mCount + 1, &s);
    } catch (...) {
      KxMemHFree(s.bytes);
      throw;
    }
    done += take;
  }
  Invalidate(1);
  CalcTextSize();
}

void CKXStrArray::GetText(char* buf, long& n) const { GetSelText(0, mLength, buf, n); }

void CKXStrArray::GetSelText(long from, long to, char* buf, long& n) const {
  if (from > to) std::swap(from, to);
  from = std::clamp(from, 0L, mLength);
  to = std::clamp(to, 0L, mLength);
  long want = std::min(to - from, n);
  n = 0;
  if (!buf || want <= 0) return;
  long chunk, pos;
  GetIndexPos(from, chunk, pos);
  while (n < want && chunk <= mCount) {
    long len;
    const unsigned char* p = ChunkBytes(chunk, len);
    long take = std::min(len - pos, want - n);
    if (take > 0) std::memcpy(buf + n, p + pos, static_cast<size_t>(take));
    n += std::max(take, 0L);
    ++chunk;
    pos = 0;
  }
}

long CKXStrArray::GetNextCR(long pos) const {
  if (pos < 0) pos = 0;
  if (pos >= mLength) return mLength;
  long chunk, at;
  GetIndexPos(pos, chunk, at);
  for (; chunk <= mCount; ++chunk, at = 0) {
    long len;
    const unsigned char* p = ChunkBytes(chunk, len);
    if (at < len) {
      const void* hit = std::memchr(p + at, 13, static_cast<size_t>(len - at));
      if (hit) return ChunkStart(chunk) + (static_cast<const unsigned char*>(hit) - p);
    }
  }
  return mLength;
}

long CKXStrArray::GetPrevCR(long pos) const {
  if (pos > mLength) pos = mLength;
  if (pos <= 0) return -1;
  // Chunk by chunk at memory speed: typing asks for its paragraph's start,
  // and a paragraph may be the whole text.
  long chunk, at;
  GetIndexPos(pos - 1, chunk, at);
  for (long end = at + 1; chunk >= 1; --chunk) {
    long len;
    const unsigned char* p = ChunkBytes(chunk, len);
    end = std::min(end, len);
    if (end > 0) {
      const void* hit = memrchr(p, 13, static_cast<size_t>(end));
      if (hit) return ChunkStart(chunk) + (static_cast<const unsigned char*>(hit) - p);
    }
    end = LONG_MAX;
  }
  return -1;
}

void CKXStrArray::GetChunkSpan(long offset, long& from, long& to) const {
  offset = std::clamp(offset, 0L, mLength);
  long chunk, pos, len;
  GetIndexPos(offset, chunk, pos);
  ChunkBytes(chunk, len);
  from = offset - pos;
  to = from + len;
}

unsigned short CKXStrArray::GetChar(long offset, short script) const { return GetChar(offset, script, 0); }

unsigned short CKXStrArray::GetChar(long offset, short script, long floor) const {
  if (offset < 0 || offset >= mLength) return 0;
  long chunk, pos, len;
  GetIndexPos(offset, chunk, pos);
  const unsigned char* p = ChunkBytes(chunk, len);
  const long skip = std::clamp(floor - (offset - pos), 0L, pos);
  short type = KxTextCharByte(p + skip, static_cast<std::int32_t>(pos - skip), script);
  if (type == kByteLast) return static_cast<unsigned short>(p[pos - 1] << 8 | p[pos]);
  if (type == kByteFirst && pos + 1 < len) return static_cast<unsigned short>(p[pos] << 8 | p[pos + 1]);
  return p[pos];
}

short CKXStrArray::GetCharByte(long offset, short script) const { return GetCharByte(offset, script, 0); }

short CKXStrArray::GetCharByte(long offset, short script, long floor) const {
  if (offset < 0 || offset >= mLength) return kByteSingle;
  long chunk, pos, len;
  GetIndexPos(offset, chunk, pos);
  const unsigned char* p = ChunkBytes(chunk, len);
  const long skip = std::clamp(floor - (offset - pos), 0L, pos);
  return KxTextCharByte(p + skip, static_cast<std::int32_t>(pos - skip), script);
}

// --- editing ---------------------------------------------------------------------------

namespace {

// Chunk lengths that a chunk of `len` bytes becomes when the pieces are
// inserted one after another at its position `at`, each as a single
// insertion would place it: into the chunk when it fits, else the chunk's
// tail is set aside, the new bytes fill the chunk and new ones after it to
// 16320 (never ending on a lead byte) and the tail goes back behind them,
// in a chunk of its own when it does not fit. The insertion point always
// stays in the last of these chunks, in front of the old tail.
template <typename Piece>
void PlanInsert(long len, long at, const Piece* pieces, long count, const SKXCutScript& cut,
                std::vector<long>& lens) {
  lens.assign(1, len);
  long point = at;
  for (long k = 0; k < count; ++k) {
    const Piece& piece = pieces[k];
    const long n = piece.n;
    if (n <= 0) continue;
    if (lens.back() + n <= CKXStrArray::kMaxChunk) {
      lens.back() += n;
      point += n;
      continue;
    }
    const long tail = lens.back() - point;
    lens.back() = point;
    long done = 0;
    while (done < n) {
      long take = std::min(n - done, CKXStrArray::kFillChunk - lens.back());
      if (take > 0 && take < n - done &&
          KxTextCharByte(piece.bytes + done, static_cast<std::int32_t>(take - 1),
                         cut.At(piece.base + done + take - 1)) == kByteFirst)
        --take;
      if (take > 0) {
        lens.back() += take;
        done += take;
      }
      if (done < n) lens.push_back(0);
    }
    if (tail > 0 && lens.back() + tail > CKXStrArray::kMaxChunk) lens.push_back(0);
    point = lens.back();
    lens.back() += tail;
  }
}

}  // namespace

bool CKXStrArray::ReserveUniChars(long n) {
  bool created = false;
  if (!mUniChars) {
    mUniChars = new CKXStrUCArray;
    created = true;
  }
  try {
    mUniChars->ReAllocItemCount(static_cast<unsigned long>(mUniChars->GetCount() + std::max(n, 0L)));
  } catch (...) {
    if (created) DisposeUniChars();
    throw;
  }
  return created;
}

void CKXStrArray::Insert(long pos, const char* bytes, long n, const SKXCutScript& cut) {
  if (!bytes || n <= 0) return;
  const SPiece piece{bytes, n, 0};
  InsertPieces(pos, &piece, 1, cut, nullptr, 0);
}

void CKXStrArray::Insert(long pos, const CKXStrArray* src, const SKXCutScript& cut) {
  if (!src || src->mLength == 0) return;
  if (src == this) {
    CKXStrArray copy;
    copy.SetItems(src);
    Insert(pos, &copy, cut);
    return;
  }
  // Each of src's chunks is one piece; the cuts are judged by the script at
  // their place in the whole of src. Nothing here moves src's blocks.
  std::vector<SPiece> pieces;
  pieces.reserve(static_cast<size_t>(src->mCount));
  long base = 0;
  for (long k = 1; k <= src->mCount; ++k) {
    long len;
    const unsigned char* p = src->ChunkBytes(k, len);
    if (len == 0) continue;
    pieces.push_back(SPiece{reinterpret_cast<const char*>(p), len, base});
    base += len;
  }
  const CKXStrUCArray* uni = src->mUniChars;
  if (!uni || uni->GetCount() == 0) {
    InsertPieces(pos, pieces.data(), static_cast<long>(pieces.size()), cut, nullptr, 0);
    return;
  }
  StKXArrayLock lock(*uni);
  InsertPieces(pos, pieces.data(), static_cast<long>(pieces.size()), cut,
               static_cast<const SKXUniChar*>(uni->GetItemPtr(1)), uni->GetCount());
}

void CKXStrArray::InsertPieces(long pos, const SPiece* pieces, long count, const SKXCutScript& cut,
                               const SKXUniChar* uni, long nUni) {
  long total = 0;
  for (long k = 0; k < count; ++k) total += std::max(pieces[k].n, 0L);
  if (total == 0) return;
  const bool added = mCount == 0;
  if (added) NewChunkAt(1);
  bool created = false;
  pos = std::clamp(pos, 0L, mLength);
  long chunk, at;
  GetIndexPos(pos, chunk, at);
  SKXStr s;
  GetAt(chunk, s);
  try {
    created = nUni > 0 && ReserveUniChars(nUni);
    if (count == 1 && s.len + total <= kMaxChunk) {
      // The block grows (or fails) before a byte moves.
      InsertTextStr(s, at, pieces[0].bytes, total);
      SetAt(chunk, s);
    } else {
      SplitInsert(chunk, at, pieces, count, cut);
    }
  } catch (...) {
    if (created) DisposeUniChars();
    if (added) DeleteAt(1);
    throw;
  }
  // Nothing below allocates: the side table has its room. The length
  // moves by what went in, so no chunk start behind the change is needed.
  mLength += total;
  if (mUniChars) mUniChars->Insert(pos, uni, nUni, total);
}

void CKXStrArray::SplitInsert(long chunk, long at, const SPiece* pieces, long count, const SKXCutScript& cut) {
  SKXStr s;
  GetAt(chunk, s);
  std::vector<long> lens;
  PlanInsert(s.len, at, pieces, count, cut, lens);
  const long m = static_cast<long>(lens.size());
  const long tail = s.len - at;

  // Everything that can fail, before the first change: room for the chunk
  // starts, the new chunks' slots and blocks, then the chunk's own block.
  mStarts.reserve(static_cast<size_t>(mCount + m));
  const SKXStr none{nullptr, 0, 0};
  InsertItemsAt(static_cast<unsigned long>(m - 1), chunk + 1, &none);
  long made = 0;
  try {
    for (; made < m - 1; ++made) {
      const long size = RoundBlock(lens[size_t(made) + 1]);
      const SKXStr fresh{NewBlock(size), static_cast<std::int16_t>(size), 0};
      SetItemAt(chunk + 1 + made, &fresh);
    }
    const long size = RoundBlock(lens[0]);
    if (size > s.alloc) {
      KxMemHReAlloc(s.bytes, size, true);  // keeps the bytes
      s.alloc = static_cast<std::int16_t>(size);
    }
  } catch (...) {
    for (long k = 1; k <= made; ++k) {
      SKXStr fresh;
      GetAt(chunk + k, fresh);
      KxMemHFree(fresh.bytes);
    }
    RemoveItemsAt(static_cast<unsigned long>(m - 1), chunk + 1);
    throw;
  }

  // Only moves from here on. The old tail goes to the end of the last chunk
  // first, then the new bytes fill the stretch from `at` on.
  SKXStr* chunks = static_cast<SKXStr*>(GetItemPtr(chunk));
  chunks[0] = s;
  char* first = *s.bytes;
  std::memmove(*chunks[m - 1].bytes + lens[size_t(m) - 1] - tail, first + at, static_cast<size_t>(tail));
  long j = 0, off = at;
  for (long k = 0; k < count; ++k) {
    const char* p = pieces[k].bytes;
    long left = std::max(pieces[k].n, 0L);
    while (left > 0) {
      long room = lens[size_t(j)] - off - (j == m - 1 ? tail : 0);
      if (room <= 0) {
        ++j;
        off = 0;
        continue;
      }
      long take = std::min(room, left);
      std::memcpy(*chunks[j].bytes + off, p, static_cast<size_t>(take));
      p += take;
      left -= take;
      off += take;
    }
  }
  for (long k = 0; k < m; ++k) chunks[k].len = static_cast<std::int16_t>(lens[size_t(k)]);
  Invalidate(chunk);
}

void CKXStrArray::SetItems(const CKXStrArray* src) {
  if (!src || src == this) return;
  InitStrArray();
  Insert(0, src);
}

bool CKXStrArray::SwapContents(CKXStrArray& other) {
  if (&other == this || mLockCount != 0 || other.mLockCount != 0) return false;
  std::swap(mStorage, other.mStorage);
  std::swap(mCount, other.mCount);
  std::swap(mAlloc, other.mAlloc);
  std::swap(mGrowStep, other.mGrowStep);
  std::swap(mUniChars, other.mUniChars);
  std::swap(mLength, other.mLength);
  mStarts.swap(other.mStarts);
  std::swap(mValidStarts, other.mValidStarts);
  std::swap(mLastChunk, other.mLastChunk);
  return true;
}

void CKXStrArray::Delete(long from, long to) {
  if (from > to) std::swap(from, to);
  from = std::clamp(from, 0L, mLength);
  to = std::clamp(to, 0L, mLength);
  if (from == to || mCount == 0) {
    if (mUniChars && mUniChars->GetCount() == 0) DisposeUniChars();
    return;
  }
  ApplyDelete(PlanDelete(from, to));
}

CKXStrArray::SDeletePlan CKXStrArray::PlanDelete(long from, long to) const {
  SDeletePlan d;
  d.from = from;
  d.to = to;
  GetIndexPos(from, d.ci, d.pi);
  GetIndexPos(to, d.cj, d.pj);
  if (d.pj == 0 && d.cj > 1) {
    --d.cj;
    SKXStr prev;
    GetAt(d.cj, prev);
    d.pj = prev.len;
  }
  SKXStr last;
  GetAt(d.cj, last);
  const long keepLast = last.len - d.pj;  // bytes left at the end of chunk cj
  // Chunk ci keeps its head (and the tail too when the range lies inside
  // it); chunk cj its tail; those between go. An emptied text keeps chunk
  // ci as its one empty chunk, so that no block is needed for it.
  d.whole = from == 0 && to == mLength;
  d.firstStays = d.whole || (d.ci == d.cj ? d.pi + keepLast > 0 : d.pi > 0);
  d.lastStays = d.ci != d.cj && keepLast > 0;
  const long firstLen = d.ci == d.cj ? d.pi + keepLast : d.pi;
  // The chunks that then meet at the deletion are joined when they fit in
  // one: k before the deletion and the one after it.
  d.k = d.firstStays ? d.ci : d.ci - 1;
  d.next = d.lastStays ? d.cj : d.cj + 1;
  long kLen = 0, nextLen = 0;
  if (d.k >= 1) {
    SKXStr kChunk;
    GetAt(d.k, kChunk);
    kLen = d.k == d.ci ? firstLen : kChunk.len;
  }
  if (d.next == d.cj) {
    nextLen = keepLast;
  } else if (d.next <= mCount) {
    SKXStr after;
    GetAt(d.next, after);
    nextLen = after.len;
  }
  d.join = !d.whole && d.k >= 1 && d.next <= mCount && kLen + nextLen < kMaxChunk;
  d.joinedLen = kLen + nextLen;
  return d;
}

void CKXStrArray::ApplyDelete(const SDeletePlan& d) {
  // The one thing that can fail, before the first change: room in k's
  // block for the joined bytes.
  if (d.join) {
    SKXStr kChunk;
    GetAt(d.k, kChunk);
    if (RoundBlock(d.joinedLen) > kChunk.alloc) {
      const long size = RoundBlock(d.joinedLen);
      KxMemHReAlloc(kChunk.bytes, size, true);  // keeps the bytes
      kChunk.alloc = static_cast<std::int16_t>(size);
      SetItemAt(d.k, &kChunk);
    }
  }

  // Nothing below allocates.
  if (mUniChars) {
    mUniChars->Delete(d.from, d.to, mLength);
    if (mUniChars->GetCount() == 0) DisposeUniChars();
  }
  if (d.firstStays) {
    SKXStr first;
    GetAt(d.ci, first);
    DeleteTextStr(first, d.pi, d.ci == d.cj ? d.pj : first.len);
    SetItemAt(d.ci, &first);
  }
  if (d.lastStays) {
    SKXStr last;
    GetAt(d.cj, last);
    DeleteTextStr(last, 0, d.pj);
    SetItemAt(d.cj, &last);
  }
  // Chunks lo..hi go: the emptied ones and the one joined to k.
  long lo = d.firstStays ? d.ci + 1 : d.ci;
  long hi = d.lastStays ? d.cj - 1 : d.cj;
  if (d.join) {
    SKXStr a, b;
    GetAt(d.k, a);
    GetAt(d.next, b);
    std::memcpy(*a.bytes + a.len, *b.bytes, static_cast<size_t>(b.len));
    a.len = static_cast<std::int16_t>(a.len + b.len);
    SetItemAt(d.k, &a);
    hi = d.next;
  }
  for (long c = lo; c <= hi; ++c) {
    SKXStr gone;
    GetAt(c, gone);
    KxMemHFree(gone.bytes);
  }
  if (hi >= lo) RemoveItemsAt(static_cast<unsigned long>(hi - lo + 1), lo);
  // Blocks with more than 128 bytes to spare shrink (which cannot fail);
  // the empty text's one chunk keeps a 128-byte block.
  for (long c : {d.join ? d.k : 0L, d.firstStays ? d.ci : 0L, d.lastStays && !d.join ? lo : 0L}) {
    if (c < 1 || c > mCount) continue;
    SKXStr fit;
    GetAt(c, fit);
    if (d.whole && fit.alloc > kBlockStep) {
      KxMemHReAlloc(fit.bytes, kBlockStep, true);
      fit.alloc = static_cast<std::int16_t>(kBlockStep);
    }
    FitBlock(fit);
    SetItemAt(c, &fit);
  }
  Invalidate(std::max(d.k, 1L));
  mLength -= d.to - d.from;
}

void CKXStrArray::Copy(long from, long to, CKXStrArray* dest) const {
  if (!dest || dest == this) return;
  if (from > to) std::swap(from, to);
  from = std::clamp(from, 0L, mLength);
  to = std::clamp(to, 0L, mLength);
  dest->DeleteAll();
  if (from == to) {
    // An empty copy is still a valid store: one empty chunk.
    dest->InitStrArray();
    return;
  }
  long ci, pi, cj, pj;
  GetIndexPos(from, ci, pi);
  GetIndexPos(to, cj, pj);
  for (long c = ci; c <= cj; ++c) {
    long len;
    const unsigned char* p = ChunkBytes(c, len);
    long a = c == ci ? pi : 0;
    long b = c == cj ? pj : len;
    if (b <= a) continue;
    SKXStr s{NewBlock(RoundBlock(b - a)), static_cast<std::int16_t>(RoundBlock(b - a)),
             static_cast<std::int16_t>(b - a)};
    // The source bytes stay put: only `dest` allocates here.
    p = ChunkBytes(c, len);
    std::memcpy(*s.bytes, p + a, static_cast<size_t>(b - a));
    try {
      dest->InsertItemsAt(1, dest->mCount + 1, &s);
    } catch (...) {
      KxMemHFree(s.bytes);
      throw;
    }
  }
  if (dest->mCount == 0) dest->NewChunkAt(1);
  dest->Invalidate(1);
  dest->CalcTextSize();
  if (mUniChars && mUniChars->CountInRange(from, to) > 0) {
    dest->mUniChars = new CKXStrUCArray;
    mUniChars->Copy(from, to, dest->mUniChars);
  }
}

// --- side table ------------------------------------------------------------------------------

void CKXStrArray::NewUniChars() {
  if (mUniChars)
    mUniChars->DeleteAll();
  else
    mUniChars = new CKXStrUCArray;
}

void CKXStrArray::DisposeUniChars() {
  delete mUniChars;
  mUniChars = nullptr;
}

long CKXStrArray::GetUniCharsCount() const { return mUniChars ? mUniChars->GetCount() : 0; }

void CKXStrArray::GetUniChars(SKXUniChar* out, long n) const {
  if (!out || n <= 0 || !mUniChars) return;
  mUniChars->GetTextUniChars(out, n);
}

void CKXStrArray::SetUniChars(const SKXUniChar* items, long n) {
  if (!items || n <= 0) return;
  std::vector<SKXUniChar> checked(items, items + n);
  n = KxCheckUniChars(checked.data(), n, mLength);
  NewUniChars();
  mUniChars->SetTextUniChars(checked.data(), n);
  if (n == 0) DisposeUniChars();
}

long CKXStrArray::GetSelUniCharsCount(long from, long to) const {
  return mUniChars ? mUniChars->GetTextUniCharsCount(from, to) : 0;
}

long CKXStrArray::GetSelUniChars(long from, long to, SKXUniChar* out, long max) const {
  if (!mUniChars || !out) return 0;
  if (from > to) std::swap(from, to);
  long n = std::min(max, mUniChars->GetTextUniCharsCount(from, to));
  if (n <= 0) return 0;
  return mUniChars->GetPointsFrom(from, out, n);
}

void CKXStrArray::SetSelUniChars(long from, long to, const SKXUniChar* items, long n) {
  if (!items || n <= 0) return;
  if (from > to) std::swap(from, to);
  from = std::clamp(from, 0L, mLength);
  to = std::clamp(to, 0L, mLength);
  std::vector<SKXUniChar> checked(items, items + n);
  n = KxCheckUniChars(checked.data(), n, to - from);
  if (!mUniChars) mUniChars = new CKXStrUCArray;
  mUniChars->Paste(from, to, checked.data(), n, mLength);
  if (mUniChars->GetCount() == 0) DisposeUniChars();
}

unsigned long CKXStrArray::GetUniChar(long offset) const {
  if (!mUniChars) return 0;
  long i = mUniChars->FirstIndexAtOrAfter(offset);
  if (i > mUniChars->GetCount() || mUniChars->GetOffsetAt(i) != offset) return 0;
  return mUniChars->GetUniCharAt(i);
}

bool CKXStrArray::IsUniCharExist(long from, long to) const {
  if (!mUniChars) return false;
  if (to == 0) return true;
  return mUniChars->CountInRange(from, to) > 0;
}

unsigned long CKXStrArray::GetUniCharIfExists(long offset, const char* bytes, long nbytes, short script) const {
  if (!bytes) return 0;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  unsigned short code;
  if (nbytes == 2)
    code = static_cast<unsigned short>(b[0] << 8 | b[1]);
  else if (nbytes == 1)
    code = b[0];
  else
    return 0;
  // The bridge writes the single byte 0xA0 for values below U+2000 in every
  // script, besides the script's own placeholder for the others.
  if (code == kKxSingleBytePlaceholder && nbytes == 1) return GetUniChar(offset);
  return code == GetUnicodeChar(script) ? GetUniChar(offset) : 0;
}

void CKXStrArray::AdjustUniChars(long from, long to) {
  if (!mUniChars) return;
  if (to == 0) to = mLength;
  long first = 0;
  long n = mUniChars->CountInRange(from, to, &first);
  for (long i = first + n - 1; n > 0 && i >= first; --i) {
    SKXUniChar u;
    mUniChars->GetAt(i, &u);
    if (u.value >= 0x10000 && u.value < 0x100000) continue;
    char two[2] = {0, 0};
    long got = 2;
    GetSelText(u.offset, u.offset + 2, two, got);
    const auto* b = reinterpret_cast<const unsigned char*>(two);
    if (!KxIsPlaceholderAt(b, got) && !KxUnicodeIsSharedCodeAt(b, got, u.value)) mUniChars->DeleteAt(i, 1);
  }
  if (mUniChars->GetCount() == 0) DisposeUniChars();
}

std::int32_t CKXStrArray::Find(long pos, const char* pattern, long patLen, long& found, short options,
                               short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns) const {
  return KxStrFind(*this, pos, pattern, patLen, found, options, script, styleRuns, decoRuns);
}

std::int32_t CKXStrArray::FindRegexp(long pos, const char* pattern, long patLen, long& found, short options,
                                     short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns) const {
  return KxStrFindRegexp(*this, pos, pattern, patLen, found, options, script, styleRuns, decoRuns);
}

std::int32_t CKXStrArray::CheckFind(long from, long to, const char* pattern, long patLen, short options,
                                    short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns) const {
  return KxStrCheckFind(*this, from, to, pattern, patLen, options, script, styleRuns, decoRuns);
}

long CKXStrArray::CheckReplaceRE(long from, long to, const char* pattern, long patLen, short options,
                                 const char* repl, long replLen, char**& out, short script,
                                 CKXArrayL* styleRuns, CKXArrayL* decoRuns,
                                 std::vector<SKXUniChar>* sides) const {
  return KxStrCheckReplaceRE(*this, from, to, pattern, patLen, options, repl, replLen, out, script, styleRuns,
                             decoRuns, sides);
}
