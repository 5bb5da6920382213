// The column-page table: each column-page's first line (0-based) and line
// count, in order, kept like the line table: a line added or removed near
// the caret renumbers the column-pages after it, and adds or removes one,
// without touching every entry after it.
#pragma once

#include <memory>

#include "layout/gap_table.h"
#include "text/runs/linearray.h"

class CKXPageTable {
 public:
  // One column-page of one line, as a new table of lines starts.
  CKXPageTable() : mTable(std::make_unique<CKXPageArray>()) {}

  long GetCount() const { return mTable.GetCount(); }
  // Column-page `index` (1-based) as the cut left it; false outside.
  bool FetchItemAt(long index, SKXPage* page) const {
    if (index < 1 || index > GetCount()) return false;
    *page = mTable.At(index);
    return true;
  }
  // Its first and last line, 1-based; 0 and 0 outside.
  void GetLineRangeAt(long index, long& first, long& last) const {
    const SKXPage p = index >= 1 && index <= GetCount() ? mTable.At(index) : SKXPage{-1, 1};
    first = long(p.firstLine) + 1;
    last = first + p.count - 1;
  }
  // The last column-page whose first line is at most `line0`, else 1; 0
  // for an empty table.
  long GetArrayIndex(long line0) const { return mTable.Find(line0); }
  // Puts `added` column-pages in place of `removed` from index `s` on; the
  // first lines of the ones after move by `lineDelta`.
  void Splice(long s, long removed, const SKXPage* pages, long added, long lineDelta) {
    mTable.Splice(s, removed, added, lineDelta, [pages](long k) { return pages[k]; });
  }

 private:
  TKXGapTable<SKXPage, &SKXPage::firstLine, CKXPageArray> mTable;
};
