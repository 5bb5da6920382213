#include "text/text_store.h"

#include <algorithm>
#include <cstring>

#include "platform/exception.h"
#include "text/memory.h"

namespace {

// The script of an offset into a stretch that was put together from pieces
// of the text: the stretch's offsets map to positions of the text.
struct StretchCut {
  const SKXCutScript* cut;
  long start;    // text position of the stretch's first byte
  long gapAt;    // stretch offset where the gap (deleted or inserted bytes) begins
  long gapLen;   // positive: text bytes skipped there; negative: new bytes
  static short At(const void* self, long offset) {
    auto* s = static_cast<const StretchCut*>(self);
    long pos = s->start + offset;
    if (offset >= s->gapAt) pos += s->gapLen;
    return s->cut->At(pos);
  }
};

}  // namespace

long CKXTextStore::ChunkLen(long index) const {
  SKXStr s;
  GetAt(index, s);
  return s.len;
}

bool CKXTextStore::ReserveUniChars(long n) {
  bool created = false;
  if (!mUniChars) {
    mUniChars = new CKXStrUCArray;
    created = true;
  }
  try {
    mUniChars->ReAllocItemCount(static_cast<unsigned long>(mUniChars->GetCount() + n));
  } catch (...) {
    if (created) DisposeUniChars();
    throw;
  }
  return created;
}

void CKXTextStore::SwapChunks(long lo, long hi, CKXStrArray& piece) {
  const long m = piece.GetCount();
  const long old = hi - lo + 1;
  mStarts.reserve(static_cast<size_t>(mCount + m + 1));
  SKXStr none{nullptr, 0, 0};
  if (m > old) InsertItemsAt(static_cast<unsigned long>(m - old), hi + 1, &none);
  // Nothing below allocates.
  for (long k = 0; k < old; ++k) {
    SKXStr s;
    GetAt(lo + k, s);
    KxMemHFree(s.bytes);
    SetItemAt(lo + k, &none);
  }
  for (long k = 0; k < m; ++k) {
    SKXStr s;
    piece.GetAt(k + 1, s);
    SetItemAt(lo + k, &s);
    piece.SetItemAt(k + 1, &none);
  }
  if (m < old) RemoveItemsAt(static_cast<unsigned long>(old - m), lo + m);
  Invalidate(lo);
  CalcTextSize();
}

void CKXTextStore::InsertStrong(long pos, const char* bytes, long n, const SKXCutScript& cut) {
  if (!bytes || n <= 0) return;
  if (mCount == 0) NewChunkAt(1);
  pos = std::clamp(pos, 0L, mLength);
  long chunk, at;
  GetIndexPos(pos, chunk, at);
  SKXStr s;
  GetAt(chunk, s);
  if (s.len + n <= kMaxChunk) {
    // One block grows (or fails) before any byte moves.
    Insert(pos, bytes, n, cut);
    return;
  }
  const long total = s.len + n;
  CKXPtrBlock buf(total);
  if (!buf.Block()) throw LException(memFullErr);
  {
    CKXLock lock(s.bytes);
    std::memcpy(buf.Block(), lock.Ptr(), static_cast<size_t>(at));
    std::memcpy(buf.Block() + at, bytes, static_cast<size_t>(n));
    std::memcpy(buf.Block() + at + n, lock.Ptr() + at, static_cast<size_t>(s.len - at));
  }
  // Offsets of the stretch map to positions of the new bytes (relative to
  // them, as `cut` expects), the old bytes to the edges of the new ones.
  struct Cut {
    const SKXCutScript* cut;
    long at, n;
    static short At(const void* self, long offset) {
      auto* c = static_cast<const Cut*>(self);
      return c->cut->At(std::clamp(offset - c->at, 0L, c->n - 1));
    }
  } inner{&cut, at, n};
  CKXStrArray piece;
  piece.SetText(buf.Block(), total, SKXCutScript{cut.script, &Cut::At, &inner});
  SwapChunks(chunk, chunk, piece);
  if (mUniChars) mUniChars->Insert(pos, nullptr, 0, n);
}

void CKXTextStore::DeleteStrong(long from, long to, const SKXCutScript& cut) {
  if (from > to) std::swap(from, to);
  from = std::clamp(from, 0L, mLength);
  to = std::clamp(to, 0L, mLength);
  if (from == to || mCount == 0) return;
  long ci, pi, cj, pj;
  GetIndexPos(from, ci, pi);
  GetIndexPos(to, cj, pj);
  if (pj == 0 && cj > 1) {
    --cj;
    pj = ChunkLen(cj);
  }
  // The stretch lo..hi is rebuilt: the head of chunk ci, the tail of chunk
  // cj, and a neighbour when the result is small enough to join it.
  const long head = pi;
  const long tail = ChunkLen(cj) - pj;
  long lo = ci, hi = cj;
  long rest = head + tail;
  if (lo > 1 && rest + ChunkLen(lo - 1) < kMaxChunk) {
    --lo;
    rest += ChunkLen(lo);
  }
  if (hi < mCount && rest + ChunkLen(hi + 1) < kMaxChunk) {
    ++hi;
    rest += ChunkLen(hi);
  }
  CKXPtrBlock buf(std::max(rest, 1L));
  if (!buf.Block()) throw LException(memFullErr);
  long filled = 0, gapAt = 0;
  auto copy = [&](const SKXStr& s, long a, long b) {
    if (b <= a) return;
    CKXLock lock(s.bytes);
    std::memcpy(buf.Block() + filled, lock.Ptr() + a, static_cast<size_t>(b - a));
    filled += b - a;
  };
  for (long c = lo; c <= hi; ++c) {
    SKXStr s;
    GetAt(c, s);
    if (c < ci || c > cj) {
      copy(s, 0, s.len);  // a neighbour joining the stretch
      continue;
    }
    if (c == ci) {
      copy(s, 0, pi);
      gapAt = filled;
    }
    if (c == cj) copy(s, pj, s.len);
  }
  RefreshStarts();
  const long start = mStarts[static_cast<size_t>(lo - 1)];
  StretchCut stretch{&cut, start, gapAt, to - from};
  CKXStrArray piece;
  if (filled > 0 || mCount == hi - lo + 1) {
    piece.SetText(buf.Block(), filled, SKXCutScript{cut.script, &StretchCut::At, &stretch});
  } else {
    piece.DeleteAll();  // the stretch goes away whole
  }
  SwapChunks(lo, hi, piece);
  if (mUniChars) {
    mUniChars->Delete(from, to, mLength + (to - from));
    if (mUniChars->GetCount() == 0) DisposeUniChars();
  }
}
