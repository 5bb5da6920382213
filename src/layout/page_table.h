// The column-page table: each column-page's first line (0-based) and line
// count, in order.
//
// Like the line table it keeps a pending shift and free entries where the
// last cut changed it: the entries after mStep hold first lines mDelta too
// low and follow mGap free entries. A line added or removed then renumbers
// the column-pages after it, and adds or removes one, without touching
// every entry after it.
#pragma once

#include <memory>

#include "text/runs/linearray.h"

class CKXPageTable {
 public:
  // One column-page of one line, as a new table of lines starts.
  CKXPageTable();

  long GetCount() const { return mItems->GetCount() - mGap; }
  // Column-page `index` (1-based) as the cut left it; false outside.
  bool FetchItemAt(long index, SKXPage* page) const;
  // Its first and last line, 1-based; 0 and 0 outside.
  void GetLineRangeAt(long index, long& first, long& last) const;
  // The last column-page whose first line is at most `line0`, else 1; 0
  // for an empty table.
  long GetArrayIndex(long line0) const;
  // Puts `added` column-pages in place of `removed` from index `s` on; the
  // first lines of the ones after move by `lineDelta`.
  void Splice(long s, long removed, const SKXPage* pages, long added, long lineDelta);

 private:
  SKXPage* Items() const { return static_cast<SKXPage*>(mItems->GetItemPtr(1)); }
  // Moves the boundary to after column-page `index`.
  void MoveStep(long index);

  std::unique_ptr<CKXPageArray> mItems;
  long mStep = 0;
  long mDelta = 0;
  long mGap = 0;
};
