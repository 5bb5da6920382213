// Marks (named ranges with an outline rank) and markups (unnamed ranges).
//
// Both are range entries over the run array, kept in text order and never
// overlapping. Mark names live in one names block, back to back in mark
// order, each as a length byte and its bytes, padded with a 0 byte (counted
// in the length byte) so that every stored name has an even size. Marks are
// exchanged with documents as a flat block and ranks as one byte per mark.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"
#include "text/base/posarray.h"

// Entry of the mark array. The range length is 32-bit so that a mark may
// span more than 32 KB of text; the flat form stores the end as 32 bits too.
struct SKXMark {
  std::int32_t start;
  std::int32_t nameOffset;  // in the names block
  std::int32_t length;
  std::int16_t rank;  // |rank| & ~1: level * 2; bit 0: opens a group; < 0: collapsed
  std::int16_t pad;   // always 0, so that entries compare byte by byte
};

struct SKXMarkup {
  std::int32_t start;
  std::int32_t length;
};

// One edit as the upkeep of marks and markups sees it: `removed` bytes
// taken out at `pos`, then `inserted` bytes put in there (offsets of the
// text as the edit found it).
struct SKXSplice {
  long pos = 0, removed = 0, inserted = 0;
};

class CKXMarkArray : public CKXPosArray {
 public:
  // Largest number of marks the flat form's 16-bit count can carry.
  static constexpr long kMaxFlatMarks = 0xFFFF;

  CKXMarkArray();
  ~CKXMarkArray() override;

  // `name` is a length-prefixed string (null for no name).
  virtual void InsertMark(long from, long to, const unsigned char* name);
  virtual void InsertMarkAt(long index, long start, long length, const unsigned char* name);
  // Copies the name out as a length-prefixed string; empty when out of range.
  virtual void GetMarkStringAt(long index, unsigned char* out) const;
  virtual void GetMarkRangeAt(long index, long& start, long& end) const;
  // Size of the flat form; 0 when there are no marks. Marks beyond what the
  // 16-bit count can carry are refused (LException paramErr).
  virtual long GetMarkDataSize() const;
  // Writes the count and the whole records that fit in `size` bytes; the
  // count written is the number of records written, which is returned.
  virtual long GetMarkData(char* buf, long size) const;
  // Replaces all marks from a flat form of `size` bytes, with rank 0. The
  // block is checked whole first: a bad count, name or range leaves the
  // marks unchanged and answers false.
  virtual bool SetMarkData(const char* buf, long size);
  virtual short GetRankAt(long index) const;
  virtual void SetRankAt(long index, short rank);
  virtual void CalcRankAt(long index);
  virtual void ReCalcRank();
  // ReCalcRank's pass over ranks held outside an array, one per mark in
  // mark order: marks read from a file are re-levelled by it.
  static void ReLevel(std::vector<int>& ranks);
  // One signed byte per mark, min(n, count) of them.
  virtual void GetRankData(char* buf, long n) const;
  virtual void SetRankData(const char* buf, long n);
  virtual bool IsRankExist() const;

  // Removes the names of the entries that go.
  void FreeElementsAt(long index, long n) override;
  // The third argument is the shift flag: with it set, later marks move
  // back by to - from (text deleted); without it the range is only cleared.
  void Delete(long from, long to, long shift) override;
  // Text inserted: the mark over `pos` is cut there; it and the marks from
  // pos on move by length.
  void Inserted(long pos, long length);
  // The marks after each edit in turn, as Delete(pos, pos + removed, 1)
  // and then Inserted(pos, inserted) would leave them, ranks included, in
  // one pass when every edit starts at or after the end of what the one
  // before put in (else edit by edit). Answers whether a mark went.
  bool Splice(const std::vector<SKXSplice>& edits);

  long GetMarkCount() const { return GetCount(); }
  Handle GetNamesBlock() const { return mNames; }

 private:
  bool GetMark(long index, SKXMark& mark) const { return FetchAt(index, &mark); }
  long NamesSize() const;
  long StoredNameSizeAt(long index) const;
  void AddToNameOffsets(long first, long delta);

  Handle mNames = nullptr;
};

class CKXMarkupArray : public CKXPosArray {
 public:
  CKXMarkupArray();

  virtual void InsertMarkup(long from, long to);
  // The markup at or before `pos`; true when it contains `pos`.
  virtual bool GetMarkup(long pos, long& start, long& end) const;
  virtual void InsertMarkupAt(long index, long start, long length);
  virtual void GetMarkupRangeAt(long index, long& start, long& end) const;
  // The markups touching a non-empty range: how many, and the first index.
  void GetMarkupCountAndIndex(long from, long to, long& count, long& first) const;

  // The third argument is the shift flag, as for marks.
  void Delete(long from, long to, long shift) override;
  // Text inserted: a markup that `pos` falls strictly inside goes; those
  // from pos on move by length.
  void Inserted(long pos, long length);
  // As CKXMarkArray::Splice, with the markups' own rules.
  void Splice(const std::vector<SKXSplice>& edits);

  long GetMarkupCount() const { return GetCount(); }
};
