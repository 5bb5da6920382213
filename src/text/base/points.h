// Offset-keyed arrays whose entries are points rather than runs.
//
// The Unicode side table and the ruby array hold one entry per position:
// an entry applies to what starts at its offset, entries are ordered by
// offset, and a range from..to covers the entries with from <= offset < to.
// Editing shifts the entries behind an edit and drops those inside a
// deleted range; nothing is split or merged.
#pragma once

#include "text/base/posarray.h"

class CKXPointArray : public CKXPosArray {
 public:
  explicit CKXPointArray(long entrySize) : CKXPosArray(entrySize) {}

  // Index of the first entry whose offset is at least `offset` (count + 1
  // when there is none).
  long FirstIndexAtOrAfter(long offset) const;
  // Number of entries with from <= offset < to, and the index of the first.
  long CountInRange(long from, long to, long* first = nullptr) const;
  // `n` entries from the first at or after `from`, with offsets made
  // relative to `from`; answers the number copied.
  long GetPointsFrom(long from, void* out, long n) const;

  void Copy(long from, long to, CKXPosArray* dest) const override;
  void Paste(long from, long to, const CKXPosArray* src, long textLen) override;
  void Paste(long from, long to, const void* items, long n, long textLen) override;
  void Insert(long pos, const CKXPosArray* src, long len) override;
  // Items carry offsets relative to `pos`; they go before the first entry at
  // or after `pos`, and the entries from there on move by `len`. With no
  // items this is the shift that goes with inserting text.
  void Insert(long pos, const void* items, long n, long len) override;
  void Delete(long from, long to, long textLen) override;
};
