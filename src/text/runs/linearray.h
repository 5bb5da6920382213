// The layout engine's index arrays: where each display line starts, the
// height of runs of lines, and the first line and line count of each page.
// They hold no text attributes; keys are byte offsets (lines) or 0-based
// line numbers (heights and pages).
#pragma once

#include <cstdint>

#include "text/base/posarray.h"

struct SKXLine {
  std::int32_t offset;  // the line's first byte
};

// Height code: bits 0-13 the height in pixels of every line of the run,
// bit 14 a page break in the run.
constexpr short kKxHeightMask = 0x3FFF;
constexpr short kKxHeightPageBreak = 0x4000;

struct SKXHeit {
  std::int32_t line;  // first line of the run
  std::int16_t code;
  std::int16_t pad;  // always 0, so that runs compare byte by byte
};

// A column-page. The line count is 32-bit: tall papers and zero-height
// lines put far more than 32,767 lines on one page.
struct SKXPage {
  std::int32_t firstLine;
  std::int32_t count;
};

// Line entries have no element, so any two compare equal: the array is
// edited with the whole-entry operations only, never the merging ones.
class CKXLineArray : public CKXPosArray {
 public:
  CKXLineArray();

  void InitLineArray();
  virtual void GetTextLines(SKXLine* out, long n) const;
  virtual void SetTextLines(const SKXLine* lines, long n);
  // Start offset of line `index`, and the distance to the next line's start
  // (0 for the last line).
  virtual long GetLineAt(long index, long& length) const;
  long GetLineAt(long index) const;
  virtual void SetLineAt(long index, long offset);
  virtual void InsertLineAt(long index, long offset);
};

class CKXHeitArray : public CKXPosArray {
 public:
  static constexpr short kDefaultHeight = 14;

  CKXHeitArray();

  void InitHeitArray(short code);
  virtual void GetTextHeits(SKXHeit* out, long n) const;
  virtual void SetTextHeits(const SKXHeit* heits, long n);
  virtual short GetHeightAt(long index) const;
  virtual void SetHeightAt(long index, short code);
  virtual void InsertHeightAt(long index, long line, short code);
  // Puts a run of `n` lines with `code` into run `index`, whose end is `limit`.
  virtual void InsertHeightAt(long index, long line, short code, long n, long limit);
  // Total height of lines first..last (inclusive); the last run ends at
  // `lastLine`. Sets `pageBreak` to 1 when a run met has a page break (it is
  // never cleared here).
  virtual long GetRangeHeight(long first, long last, long lastLine, unsigned char& pageBreak) const;
};

class CKXPageArray : public CKXPosArray {
 public:
  CKXPageArray();

  void InitPageArray(long count);
  virtual void GetTextPages(SKXPage* out, long n) const;
  virtual void SetTextPages(const SKXPage* pages, long n);
  virtual long GetLineCountAt(long index) const;
  virtual void SetlineCountAt(long index, long count);
  virtual void InsertPageAt(long index, long firstLine, long count);
  // The page's lines as 1-based numbers.
  virtual void GetLineRangeAt(long index, long& first, long& last) const;
};
