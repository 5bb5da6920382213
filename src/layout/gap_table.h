// A table of entries in the order of a position they hold (a line's start,
// a column-page's first line), kept for edits that come one after another
// at about the same place. An entry may hold a second position that rises
// with the first (a height run's top).
//
// The entries after mStep hold positions mDelta (and mDelta2) too low and
// follow mGap free entries: an edit moves that boundary from where the
// last one left it, then adds or removes entries and moves the positions
// of all later ones without touching them. Its cost is the distance the
// boundary moves, not the size of the table.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "text/base/array.h"

template <typename Entry, std::int32_t Entry::*kPos, typename Store, std::int32_t Entry::*kPos2 = nullptr>
class TKXGapTable {
 public:
  explicit TKXGapTable(std::unique_ptr<Store> items) : mItems(std::move(items)) {}

  long GetCount() const { return mItems->GetCount() - mGap; }

  // Entry `index` (1-based, in range) and its position.
  Entry At(long index) const {
    Entry e;
    if (index <= mStep) {
      std::memcpy(&e, mItems->GetItemPtr(index), sizeof e);
    } else {
      std::memcpy(&e, mItems->GetItemPtr(index + mGap), sizeof e);
      Move(e, 1);
    }
    return e;
  }
  long PosAt(long index) const { return long(At(index).*kPos); }

  // The last entry whose position (second position with `second`) is at
  // most `pos`, else 1; 0 when empty.
  long Find(long pos, bool second = false) const {
    const long n = GetCount();
    if (n <= 1) return n;
    if constexpr (kPos2 == nullptr) second = false;
    StKXArrayLock lock(*mItems);
    const Entry* p = Items();
    const auto field = second ? kPos2 : kPos;
    const long delta = second ? mDelta2 : mDelta;
    auto at = [&](long i) { return i > mStep ? long(p[i - 1 + mGap].*field) + delta : long(p[i - 1].*field); };
    long lo = 1, hi = n;  // at(lo) <= pos, or lo is 1
    while (lo < hi) {
      const long mid = lo + (hi - lo + 1) / 2;
      if (at(mid) <= pos)
        lo = mid;
      else
        hi = mid - 1;
    }
    return lo;
  }

  // Replaces entry `index` (in range).
  void SetAt(long index, Entry e) {
    StKXArrayLock lock(*mItems);
    if (index > mStep) Move(e, -1);
    Items()[index <= mStep ? index - 1 : index - 1 + mGap] = e;
  }

  // The positions of the entries after `index` move by `delta`.
  void Shift(long index, long delta) {
    if (delta == 0) return;
    MoveStep(index);
    mDelta += delta;
  }

  // What Splice(s, removed, added) needs allocated, so that Splice itself
  // cannot fail; the entries stay as they are.
  void MakeRoom(long s, long removed, long added) {
    if (s == 1 && removed >= GetCount()) {
      const long more = FrontGap(added) + added - mItems->GetCount();
      if (more > 0) {
        mItems->InsertItemsAt(static_cast<unsigned long>(more), mStep + 1, nullptr);
        mGap += more;
      }
      return;
    }
    if (added - removed <= mGap) return;
    MoveStep(s + removed - 1);
    // Room for more than this splice, so that growing is rare.
    const long more = added - removed - mGap + std::max(kLeastGap, GetCount() / 16);
    mItems->InsertItemsAt(static_cast<unsigned long>(more), mStep + 1, nullptr);
    mGap += more;
  }

  // Puts `added` entries, entry(0) to entry(added - 1), in place of the
  // `removed` from index `s` on; the positions of the entries after them
  // move by `delta` (the second ones by `delta2`).
  template <typename Make>
  void Splice(long s, long removed, long added, long delta, Make entry, long delta2 = 0) {
    MakeRoom(s, removed, added);
    if (s == 1 && removed >= GetCount()) {
      // A whole new table keeps its free entries in front, where the caret
      // of an opened text stands.
      const long gap = FrontGap(added), size = mItems->GetCount();
      {
        StKXArrayLock lock(*mItems);
        for (long k = 0; k < added; ++k) Items()[gap + k] = entry(k);
      }
      if (size > gap + added) mItems->RemoveItemsAt(static_cast<unsigned long>(size - gap - added), gap + added + 1);
      mStep = 0;
      mDelta = mDelta2 = 0;
      mGap = gap;
      return;
    }
    if (added == removed && delta == 0 && delta2 == 0) {
      // As many entries, none after them moved: put in place, wherever the
      // free entries are.
      StKXArrayLock lock(*mItems);
      for (long k = 0; k < added; ++k) {
        Entry e = entry(k);
        if (s + k > mStep) Move(e, -1);
        Items()[s + k <= mStep ? s + k - 1 : s + k - 1 + mGap] = e;
      }
      return;
    }
    MoveStep(s + removed - 1);
    // The removed entries join the free ones; the new ones leave them.
    mStep -= removed;
    mGap += removed - added;
    {
      StKXArrayLock lock(*mItems);
      for (long k = 0; k < added; ++k) Items()[mStep + k] = entry(k);
    }
    mStep += added;
    mDelta += delta;
    mDelta2 += delta2;
    if (mGap > std::max(kLeastGap, GetCount() / 4) * 2) {
      // Give back what a large removal left free.
      const long keep = std::max(kLeastGap, GetCount() / 16);
      mItems->RemoveItemsAt(static_cast<unsigned long>(mGap - keep), mStep + 1);
      mGap = keep;
    }
  }

  void Clear() {
    mItems->RemoveItemsAt(static_cast<unsigned long>(mItems->GetCount()), 1);
    mStep = mDelta = mDelta2 = mGap = 0;
  }

 private:
  static constexpr long kLeastGap = 64;
  static long FrontGap(long count) { return std::max(kLeastGap, count / 16); }

  Entry* Items() const { return static_cast<Entry*>(mItems->GetItemPtr(1)); }

  // Applies the pending shift to an entry stored after the boundary
  // (`sign` 1), or takes it off one about to be stored there (-1).
  void Move(Entry& e, int sign) const {
    e.*kPos += std::int32_t(sign * mDelta);
    if constexpr (kPos2 != nullptr) e.*kPos2 += std::int32_t(sign * mDelta2);
  }

  // Moves the boundary to after entry `index`.
  void MoveStep(long index) {
    index = std::clamp(index, 0L, GetCount());
    if (mGap == 0 && mDelta == 0 && mDelta2 == 0) mStep = index;
    if (index == mStep) return;
    StKXArrayLock lock(*mItems);
    Entry* p = Items();
    if (mDelta == 0 && mDelta2 == 0) {
      // Nothing pending: the entries only cross the free ones.
      if (index > mStep)
        std::memmove(p + mStep, p + mStep + mGap, size_t(index - mStep) * sizeof *p);
      else
        std::memmove(p + index + mGap, p + index, size_t(mStep - index) * sizeof *p);
    } else if (index > mStep) {
      for (long i = mStep; i < index; ++i) {
        p[i] = p[i + mGap];
        Move(p[i], 1);
      }
    } else {
      for (long i = mStep - 1; i >= index; --i) {
        p[i + mGap] = p[i];
        Move(p[i + mGap], -1);
      }
    }
    mStep = index;
  }

  std::unique_ptr<Store> mItems;
  long mStep = 0;
  long mDelta = 0;
  long mDelta2 = 0;
  long mGap = 0;
};
