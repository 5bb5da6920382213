#include "text/strarray.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/exception.h"
#include "text/flat.h"
#include "text/memory.h"
#include "text/script.h"

// --- side entries ---------------------------------------------------------------

namespace {

long RoundBlock(long n) {
  long step = CKXStrArray::kBlockStep;
  return std::max(step, (n + step - 1) / step * step);
}

}  // namespace

void KxGetUniCharFlat(const unsigned char* p, SKXUniChar& u, bool bigEndian) {
  u.offset = static_cast<std::int32_t>(KxFlatGet32(p, bigEndian));
  u.value = KxFlatGet32(p + 4, bigEndian);
}

void KxPutUniCharFlat(unsigned char* p, const SKXUniChar& u, bool bigEndian) {
  KxFlatPut32(p, static_cast<std::uint32_t>(u.offset), bigEndian);
  KxFlatPut32(p + 4, u.value, bigEndian);
}

long KxCheckUniChars(SKXUniChar* items, long n, long textLen) {
  if (!items || n < 1) return 0;
  long kept = 0;
  long last = -1;
  for (long k = 0; k < n; ++k) {
    const SKXUniChar u = items[k];
    if (u.offset <= last || u.offset >= textLen) continue;
    items[kept++] = u;
    last = u.offset;
  }
  return kept;
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

void CKXStrArray::RefreshStarts() const {
  // mStarts[k] is the offset of chunk k + 1; one more entry holds the length.
  if (mValidStarts > mCount) mValidStarts = mCount;
  mStarts.resize(static_cast<size_t>(mCount + 1));
  if (mCount == 0) {
    mStarts[0] = 0;
    mValidStarts = 0;
    return;
  }
  if (mValidStarts == mCount) return;
  long k = mValidStarts;
  if (k == 0) mStarts[0] = 0;
  const SKXStr* chunks = static_cast<const SKXStr*>(GetItemPtr(1));
  for (; k < mCount; ++k) mStarts[size_t(k) + 1] = mStarts[size_t(k)] + chunks[k].len;
  mValidStarts = mCount;
}

void CKXStrArray::GetIndexPos(long offset, long& chunk, long& pos) const {
  if (mCount == 0) {
    chunk = 1;
    pos = 0;
    return;
  }
  RefreshStarts();
  if (offset >= mStarts[size_t(mCount)]) {
    chunk = mCount;
    pos = mStarts[size_t(mCount)] - mStarts[size_t(mCount) - 1];
    return;
  }
  if (offset < 0) offset = 0;
  // The last chunk whose start is <= offset and that is not empty there.
  auto it = std::upper_bound(mStarts.begin(), mStarts.begin() + mCount, offset);
  chunk = static_cast<long>(it - mStarts.begin());
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
    SKXStr s{KxMemHAlloc(RoundBlock(take), true), static_cast<std::int16_t>(RoundBlock(take)), 0};
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
      if (hit) return mStarts[size_t(chunk) - 1] + (static_cast<const unsigned char*>(hit) - p);
    }
  }
  return mLength;
}

unsigned short CKXStrArray::GetChar(long offset, short script) const {
  if (offset < 0 || offset >= mLength) return 0;
  long chunk, pos, len;
  GetIndexPos(offset, chunk, pos);
  const unsigned char* p = ChunkBytes(chunk, len);
  short type = KxTextCharByte(p, static_cast<std::int32_t>(pos), script);
  if (type == kByteLast) return static_cast<unsigned short>(p[pos - 1] << 8 | p[pos]);
  if (type == kByteFirst && pos + 1 < len) return static_cast<unsigned short>(p[pos] << 8 | p[pos + 1]);
  return p[pos];
}

short CKXStrArray::GetCharByte(long offset, short script) const {
  if (offset < 0 || offset >= mLength) return kByteSingle;
  long chunk, pos, len;
  GetIndexPos(offset, chunk, pos);
  const unsigned char* p = ChunkBytes(chunk, len);
  return KxTextCharByte(p, static_cast<std::int32_t>(pos), script);
}

// --- editing ---------------------------------------------------------------------------

void CKXStrArray::Insert(long pos, const char* bytes, long n, const SKXCutScript& cut) {
  if (!bytes || n <= 0) return;
  if (mCount == 0) NewChunkAt(1);
  pos = std::clamp(pos, 0L, mLength);
  long chunk, at;
  GetIndexPos(pos, chunk, at);
  SKXStr s;
  GetAt(chunk, s);
  if (s.len + n <= kMaxChunk) {
    InsertTextStr(s, at, bytes, n);
    SetAt(chunk, s);
  } else {
    // Set the chunk's tail aside, fill the chunk and new ones after it with
    // the new bytes, then put the tail back behind them.
    const long tailLen = s.len - at;
    CKXPtrBlock tail(tailLen);
    if (!tail.Block()) throw LException(memFullErr);
    std::memcpy(tail.Block(), *s.bytes + at, static_cast<size_t>(tailLen));
    s.len = static_cast<std::int16_t>(at);
    SetAt(chunk, s);
    long done = 0;
    while (done < n) {
      long take = std::min(n - done, kFillChunk - s.len);
      if (take > 0 && take < n - done &&
          KxTextCharByte(bytes + done, take - 1, cut.At(done + take - 1)) == kByteFirst)
        --take;
      if (take > 0) {
        InsertTextStr(s, s.len, bytes + done, take);
        SetAt(chunk, s);
        done += take;
      }
      if (done < n) {
        NewChunkAt(++chunk);
        GetAt(chunk, s);
      }
    }
    if (tailLen > 0) {
      if (s.len + tailLen > kMaxChunk) {
        NewChunkAt(++chunk);
        GetAt(chunk, s);
      }
      InsertTextStr(s, s.len, tail.Block(), tailLen);
      SetAt(chunk, s);
    }
  }
  CalcTextSize();
  if (mUniChars) mUniChars->Insert(pos, nullptr, 0, n);
}

void CKXStrArray::Insert(long pos, const CKXStrArray* src, const SKXCutScript& cut) {
  if (!src || src->mLength == 0) return;
  if (src == this) {
    CKXStrArray copy;
    copy.SetItems(src);
    Insert(pos, &copy, cut);
    return;
  }
  pos = std::clamp(pos, 0L, mLength);
  // Cuts are judged by the script at their place in the whole of `src`.
  struct Shifted {
    const SKXCutScript* cut;
    long base;
    static short At(const void* c, long offset) {
      auto* self = static_cast<const Shifted*>(c);
      return self->cut->At(self->base + offset);
    }
  } shifted{&cut, 0};
  SKXCutScript piece{cut.script, Shifted::At, &shifted};
  for (long k = 1; k <= src->mCount; ++k) {
    SKXStr s;
    src->GetAt(k, s);
    if (s.len == 0) continue;
    CKXLock lock(s.bytes);
    Insert(pos + shifted.base, lock.Ptr(), s.len, piece);
    shifted.base += s.len;
  }
  if (src->mUniChars && src->mUniChars->GetCount() > 0) {
    if (!mUniChars) mUniChars = new CKXStrUCArray;
    mUniChars->Paste(pos, pos + src->mLength, src->mUniChars, mLength);
  }
}

void CKXStrArray::SetItems(const CKXStrArray* src) {
  if (!src || src == this) return;
  InitStrArray();
  Insert(0, src);
}

void CKXStrArray::Delete(long from, long to) {
  if (from > to) std::swap(from, to);
  from = std::clamp(from, 0L, mLength);
  to = std::clamp(to, 0L, mLength);
  if (mUniChars) {
    mUniChars->Delete(from, to, mLength);
    if (mUniChars->GetCount() == 0) DisposeUniChars();
  }
  if (from == to) return;
  long ci, pi, cj, pj;
  GetIndexPos(from, ci, pi);
  GetIndexPos(to, cj, pj);
  if (pj == 0 && cj > 1) {
    --cj;
    SKXStr prev;
    GetAt(cj, prev);
    pj = prev.len;
  }
  // Last chunk first, so that the indexes before it stay put.
  bool firstSurvives = true;
  for (long c = cj; c >= ci; --c) {
    SKXStr s;
    GetAt(c, s);
    long a = c == ci ? pi : 0;
    long b = c == cj ? pj : s.len;
    DeleteTextStr(s, a, b);
    if (s.len == 0) {
      SetAt(c, s);
      DeleteAt(c);
      if (c == ci) firstSurvives = false;
    } else {
      SetAt(c, s);
    }
  }
  if (mCount == 0) {
    NewChunkAt(1);
  } else {
    // Join the chunks that now meet at the deletion when they fit in one.
    long k = firstSurvives ? ci : ci - 1;
    if (k >= 1 && k < mCount) {
      SKXStr a, b;
      GetAt(k, a);
      GetAt(k + 1, b);
      if (a.len + b.len < kMaxChunk) {
        {
          CKXLock lock(b.bytes);
          InsertTextStr(a, a.len, lock.Ptr(), b.len);
        }
        SetAt(k, a);
        DeleteAt(k + 1);
      }
    }
  }
  CalcTextSize();
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
    SKXStr s{KxMemHAlloc(RoundBlock(b - a), true), static_cast<std::int16_t>(RoundBlock(b - a)),
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
    unsigned short code = static_cast<unsigned short>(b[0] << 8 | b[1]);
    bool placeholder = got >= 1 && (b[0] == 0xA0 || (got == 2 && (code == 0x81FC || code == 0xA3BF)));
    if (!placeholder) mUniChars->DeleteAt(i, 1);
  }
  if (mUniChars->GetCount() == 0) DisposeUniChars();
}
