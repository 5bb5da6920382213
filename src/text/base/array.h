// The growable array of fixed-size items used throughout the program.
//
// Items live back to back in one relocatable block of the memory layer that
// is locked only while it is read or written; indexes are 1-based. The
// logical allocation grows and shrinks in granules of about 128 bytes (with
// one granule of hysteresis); the handle underneath keeps geometric spare
// room, so appending item by item stays linear.
#pragma once

#include "platform/types.h"

class CKXArray {
 public:
  // Index value that stands for the last item wherever an index is range
  // checked (FetchItemAt, SetItemAt, RemoveItemsAt).
  static constexpr long kLastIndex = kKxMaxOffset;
  // Largest item; the grow step 128 / item size must not be 0.
  static constexpr unsigned long kMaxItemSize = 128;

  explicit CKXArray(unsigned long itemSize);
  ~CKXArray();
  CKXArray(const CKXArray&) = delete;
  CKXArray& operator=(const CKXArray&) = delete;

  // Adopts an existing block of items (the array then owns it); the
  // current block is freed.
  void InitArray(Handle block, unsigned long byteSize);

  // Nested lock: the block is locked from the first Lock to the last Unlock.
  void Lock() const;
  void Unlock() const;

  // Address of item `index`, unchecked. Without a lock held by the caller
  // it stays valid only until the next allocation.
  void* GetItemPtr(long index) const {
    FinishDeferred();
    return RawItemPtr(index);
  }
  void PeekItem(long index, void* out) const;
  void PokeItem(long index, const void* in);

  // Range-checked access: out-of-range reads answer false, writes do nothing.
  bool FetchItemAt(long index, void* out) const;
  void SetItemAt(long index, const void* in);

  // Moves items first..last so that `first` lands at `dest`.
  void ShiftItems(long first, long last, long dest);
  // Count first, index second.
  void RemoveItemsAt(unsigned long n, long index);
  // The items a removal of `n` at `index` touches: resolves kLastIndex and
  // cuts `n` to the items from `index` on; false when there are none.
  bool ClipRemoval(long& index, long& n) const;
  // Every new slot receives a copy of `item` when it is not null.
  void InsertItemsAt(unsigned long n, long index, const void* item);
  // Re-fits the block to room for `n` items (grows and shrinks).
  void ReAllocItemCount(unsigned long n);

  long GetCount() const { return mCount; }
  long GetAlloc() const { return mAlloc; }
  long GetGrowStep() const { return mGrowStep; }
  unsigned long GetItemSize() const { return mItemSize; }
  unsigned long GetLockCount() const { return mLockCount; }
  Handle GetHandle() const {
    FinishDeferred();
    return mStorage;
  }

 protected:
  // An array may leave work on its items for later (the run arrays move
  // offsets lazily): while mDeferred is set, every read or change of the
  // items through this class first has mFinish finish it, so that what
  // callers see is always complete.
  void FinishDeferred() const {
    if (mDeferred) mFinish(*this);
  }
  // The same operations without finishing the deferred work, for the array
  // that knows which items it left.
  void* RawItemPtr(long index) const {
    char* base = mLockCount == 0 ? (mStorage ? *mStorage : nullptr) : mLockedPtr;
    return base ? base + (index - 1) * static_cast<long>(mItemSize) : nullptr;
  }
  void RawShiftItems(long first, long last, long dest);
  void RawRemoveItemsAt(unsigned long n, long index);
  void RawInsertItemsAt(unsigned long n, long index, const void* item);

  mutable bool mDeferred = false;
  void (*mFinish)(const CKXArray&) = nullptr;
  Handle mStorage = nullptr;
  mutable char* mLockedPtr = nullptr;
  mutable unsigned long mLockCount = 0;
  unsigned long mItemSize;
  long mCount = 0;
  long mAlloc = 0;
  long mGrowStep = 0;
};

// The same array under the name the run arrays, the character store and the
// compiled expressions derive from.
class CKXArrayL : public CKXArray {
 public:
  using CKXArray::CKXArray;
};

// Typed wrapper over CKXArray.
template <typename T>
class TKXArray : public CKXArray {
 public:
  static_assert(sizeof(T) <= CKXArray::kMaxItemSize, "items are at most 128 bytes");
  TKXArray() : CKXArray(sizeof(T)) {}
  virtual ~TKXArray() = default;
  void AddItem(const T& item) { InsertItemsAt(1, mCount + 1, &item); }
  void DeleteAll() { RemoveItemsAt(static_cast<unsigned long>(mCount), 1); }
};

// Locks an array for a scope.
class StKXArrayLock {
 public:
  explicit StKXArrayLock(const CKXArray& array) : mArray(array) { mArray.Lock(); }
  ~StKXArrayLock() { mArray.Unlock(); }
  StKXArrayLock(const StKXArrayLock&) = delete;
  StKXArrayLock& operator=(const StKXArrayLock&) = delete;

 private:
  const CKXArray& mArray;
};
