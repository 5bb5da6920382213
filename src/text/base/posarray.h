// The base of every offset-keyed run array.
//
// An entry is a 32-bit text offset (the start of a run) followed by a fixed
// element; entries are sorted by offset and a run reaches from its offset to
// the next entry's offset (the last run to the end of the text). This class
// owns how runs are found, split, inserted, deleted, copied and pasted as the
// text is edited, and merges equal neighbours so that no two adjacent runs
// carry the same element. Subclasses fix the element and override some
// operations; the four element hooks let a subclass own resources through
// its elements.
#pragma once

#include <cstdint>
#include <string>

#include "text/base/array.h"

// An entry seen through its offset only.
struct SKXPos {
  std::int32_t offset;
};

// Where a run lies: its index and the offsets it reaches from and to.
struct SKXRunSpan {
  long index = 0;
  long start = 0;
  long end = 0;
};

class CKXPosArray : public CKXArrayL {
 public:
  static constexpr long kMaxEntrySize = 128;

  explicit CKXPosArray(long entrySize);
  virtual ~CKXPosArray() = default;

  // Whole-array copies. The ranged GetItems copies `n` entries from the run
  // containing `from` on, with offsets made relative to `from`.
  virtual void GetItems(void* out, long n) const;
  virtual void GetItems(long from, void* out, long n) const;
  virtual void SetItems(const void* items, long n);
  virtual void SetItems(const CKXPosArray* other);

  // Whole entries, with the range rules of the handle array.
  virtual void GetAt(long index, void* entry) const;
  virtual void SetAt(long index, const void* entry);
  // The entry without its offset; out of range reads zero bytes.
  virtual void GetElementAt(long index, void* element) const;
  virtual void SetElementAt(long index, const void* element);
  virtual bool IsSameAt(long i, long j) const;
  virtual void InsertAt(long index, const void* entry);
  virtual void DeleteAt(long index, long n);
  // Deletes each run of first..last (cut to 2..count) whose element equals
  // that of the run before it as the array stands, so each group of equal
  // runs keeps its first run (and that run's offset). Linear: one pass
  // closes the gaps, one move brings the tail down. What the runs that go
  // own is freed last run first, as deleting them one by one would.
  // Answers how many went.
  long MergeSameRuns(long first, long last);
  // Splits run `index` so that a copy of it starts at `offset`.
  virtual void DivideAt(long index, long offset);
  // Puts `entry`'s element over [entry.offset, entry.offset + len) inside
  // run `index`, whose end is `limit`.
  virtual void CompareInsertAt(long index, const void* entry, long len, long limit);
  virtual void DeleteAll();
  virtual void Copy(long from, long to, CKXPosArray* dest) const;
  virtual void Paste(long from, long to, const CKXPosArray* src, long textLen);
  virtual void Paste(long from, long to, const void* items, long n, long textLen);
  virtual void Insert(long pos, const CKXPosArray* src, long len);
  virtual void Insert(long pos, const void* items, long n, long len);
  virtual void Delete(long from, long to, long textLen);
  virtual void Divide(long from, long to);
  // Hooks for elements that own resources; empty here. NewElementsAt runs
  // after entries were inserted or set, FreeElementsAt (from DeleteAt, with
  // the range already cut to the array) before entries are removed.
  virtual void NewElementsAt(long index, long n);
  virtual void FreeElementsAt(long index, long n);
  virtual void NewElementSub(void* element);
  virtual void FreeElementSub(void* element);

  void HLock() const { Lock(); }
  void HUnlock() const { Unlock(); }
  long GetEntrySize() const { return static_cast<long>(mItemSize); }
  long GetElementSize() const { return static_cast<long>(mItemSize) - 4; }

  // Index of the run containing `offset`: the greatest index whose offset is
  // <= `offset` (the last of equal offsets), else 1; 0 for an empty array.
  long GetArrayIndex(long offset) const;
  long GetArrayIndexAndPos(long offset, long& start) const;
  // The run containing `offset` (index as GetArrayIndex gives it). It ends
  // at the next run's offset, the last run at `lastEnd`; never before
  // offset + 1, so that a walk from run to run moves on even where the runs
  // and the text disagree.
  SKXRunSpan GetRunSpan(long offset, long lastEnd) const;
  long GetOffsetAt(long index) const;
  void SetOffsetAt(long index, long offset);
  // Adds `delta` to the offsets of entries index..count. The entries are
  // not touched at once: those from a boundary on hold their offsets too
  // low by one amount, and a shift moves that boundary from where the last
  // edit left it, so that typing at one place costs the same however many
  // runs follow. Every read through this class sees the offsets moved; a
  // read of the block itself (Lock, GetItemPtr) moves them all first.
  void CalcOffsetAt(long index, long delta);
  // The whole entry `index` with its offset, or false out of range.
  bool FetchAt(long index, void* entry) const;

  // The ordering rule as code: offsets from 0 up to textLength and
  // strictly rising; with `distinct`, no two neighbours carry the same
  // element. Answers a description of the first broken rule, "" when sound.
  std::string Check(long textLength, bool distinct = true) const;

  // Stepped bisection, then a short forward scan; arrays of fewer than 8
  // entries are scanned.
  static long FindArrayIndex(long offset, const void* entries, long entrySize, long count);

 protected:
  // Offset of entry `index` read through the locked pointer.
  static std::int32_t OffsetOf(const char* entry);
  static void SetOffsetOf(char* entry, long offset);
  // Entry `index` in the block and its true offset, without moving the
  // offsets left behind (index in 1..count).
  char* EntryAt(long index) const { return static_cast<char*>(RawItemPtr(index)); }
  long TrueOffsetAt(long index) const { return OffsetOf(EntryAt(index)) + ShiftAt(index); }
  // Copies entries index..index + n - 1 (in range) to `out` with their true
  // offsets less `from`.
  void CopyEntries(long index, void* out, long n, long from) const;
  // Inserts `n` whole entries at `index` in one move of the tail.
  void InsertEntries(long index, const void* entries, long n);
  // For arrays that always keep a run at 0: when from..to (ordered) is the
  // whole text, all runs but the first go and the first moves to 0; answers
  // whether that was the case.
  bool KeepFirstRunOnly(long from, long to, long textLen);

 private:
  // What entry `index`'s stored offset lacks.
  long ShiftAt(long index) const { return index >= mShiftFrom ? mShiftBy : 0; }
  // Puts the boundary before entry `at` (1..count + 1): the entries it
  // passes take or give up the amount.
  void MoveShiftTo(long at) const;
  static void SettleAll(const CKXArray& array);
  // Makes the offsets of entries 1..index true (the boundary moves past
  // them), before a read of them from the block.
  void SettleThrough(long index) const;
  // Entries in and out of the block, keeping the boundary's place.
  void PutEntries(long at, const void* entries, long n);
  void RemoveEntries(long index, long n);

  // Entries from mShiftFrom on hold offsets mShiftBy too low.
  mutable long mShiftFrom = 1;
  mutable long mShiftBy = 0;
  // The run GetArrayIndex found last.
  mutable long mLastFound = 1;
};
