#include "text/base/array.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/exception.h"
#include "text/base/memory.h"

CKXArray::CKXArray(unsigned long itemSize) : mItemSize(itemSize) {
  if (itemSize == 0 || itemSize > kMaxItemSize) throw LException(paramErr);
  InitArray(KxMemHAlloc(0, true), 0);
}

CKXArray::~CKXArray() {
  if (mStorage) KxMemHFree(mStorage);
}

void CKXArray::InitArray(Handle block, unsigned long byteSize) {
  FinishDeferred();
  if (mStorage && mStorage != block) KxMemHFree(mStorage);
  mStorage = block;
  mLockedPtr = nullptr;
  mLockCount = 0;
  if (mStorage) KxMemHUnlock(mStorage);
  // Never claim more items than the block holds.
  unsigned long held = static_cast<unsigned long>(KxMemHSize(mStorage));
  if (byteSize > held) byteSize = held;
  mCount = static_cast<long>(byteSize / mItemSize);
  mAlloc = mCount;
  mGrowStep = static_cast<long>(kMaxItemSize / mItemSize);
}

void CKXArray::Lock() const {
  FinishDeferred();
  if (mLockCount++ == 0 && mStorage) mLockedPtr = KxMemHLock(mStorage);
}

void CKXArray::Unlock() const {
  if (mLockCount == 0) return;
  if (--mLockCount == 0) {
    if (mStorage) KxMemHUnlock(mStorage);
    mLockedPtr = nullptr;
  }
}

void CKXArray::PeekItem(long index, void* out) const {
  // A read moves nothing, so it needs no lock: line tables are read item
  // by item for every line laid out.
  std::memcpy(out, GetItemPtr(index), mItemSize);
}

void CKXArray::PokeItem(long index, const void* in) {
  StKXArrayLock lock(*this);
  std::memcpy(GetItemPtr(index), in, mItemSize);
}

bool CKXArray::FetchItemAt(long index, void* out) const {
  if (index == kLastIndex) index = mCount;
  if (index < 1 || index > mCount) return false;
  PeekItem(index, out);
  return true;
}

void CKXArray::SetItemAt(long index, const void* in) {
  if (index == kLastIndex) index = mCount;
  if (index < 1 || index > mCount) return;
  PokeItem(index, in);
}

void CKXArray::ShiftItems(long first, long last, long dest) {
  FinishDeferred();
  RawShiftItems(first, last, dest);
}

void CKXArray::RawShiftItems(long first, long last, long dest) {
  if (last < first) return;
  KxMemMove(RawItemPtr(first), RawItemPtr(dest), (last - first + 1) * static_cast<long>(mItemSize));
}

bool CKXArray::ClipRemoval(long& index, long& n) const {
  if (n < 1) return false;
  if (index == kLastIndex) index = mCount;
  if (index < 1 || index > mCount) return false;
  n = std::min(n, mCount - index + 1);
  return true;
}

void CKXArray::RemoveItemsAt(unsigned long n, long index) {
  FinishDeferred();
  RawRemoveItemsAt(n, index);
}

void CKXArray::RawRemoveItemsAt(unsigned long n, long index) {
  long count = static_cast<long>(std::min<unsigned long>(n, kLastIndex));
  if (!ClipRemoval(index, count)) return;
  // Items behind the removed ones move down; a removal up to the end
  // just drops the tail.
  RawShiftItems(index + count, mCount, index);
  mCount -= count;
  ReAllocItemCount(static_cast<unsigned long>(mCount));
}

void CKXArray::InsertItemsAt(unsigned long n, long index, const void* item) {
  FinishDeferred();
  RawInsertItemsAt(n, index, item);
}

void CKXArray::RawInsertItemsAt(unsigned long n, long index, const void* item) {
  if (n == 0) return;
  // Refit first: a failed allocation leaves the array as it was.
  const unsigned long limit = static_cast<unsigned long>(kKxMaxOffset) / mItemSize;
  if (n > limit - static_cast<unsigned long>(mCount)) throw LException(memFullErr);
  long oldCount = mCount;
  ReAllocItemCount(static_cast<unsigned long>(oldCount) + n);
  mCount = oldCount + static_cast<long>(n);
  long at;
  if (oldCount >= index) {
    at = index < 1 ? 1 : index;
    if (oldCount > 0) RawShiftItems(at, oldCount, at + static_cast<long>(n));
  } else {
    at = oldCount + 1;
  }
  if (item) {
    char* p = static_cast<char*>(RawItemPtr(at));
    for (unsigned long k = 0; k < n; ++k, p += mItemSize) std::memcpy(p, item, mItemSize);
  }
}

void CKXArray::ReAllocItemCount(unsigned long n) {
  unsigned long alloc = static_cast<unsigned long>(mAlloc);
  unsigned long step = static_cast<unsigned long>(mGrowStep);
  if (n <= alloc && alloc < n + step) return;
  unsigned long newAlloc = (n + step - 1) / step * step;
  if (newAlloc > static_cast<unsigned long>(kKxMaxOffset) / mItemSize) throw LException(memFullErr);
  KxMemHReAlloc(mStorage, static_cast<long>(newAlloc * mItemSize), true);
  mAlloc = static_cast<long>(newAlloc);
  // A locked block that had to move comes back as a new, unlocked handle:
  // keep the caller's lock and pointer valid.
  if (mLockCount > 0) mLockedPtr = KxMemHLock(mStorage);
}
