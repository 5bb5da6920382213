#include "text/runs/linearray.h"

#include <algorithm>

// --- line starts ----------------------------------------------------------------

CKXLineArray::CKXLineArray() : CKXPosArray(sizeof(SKXLine)) { InitLineArray(); }

void CKXLineArray::InitLineArray() {
  DeleteAll();
  SKXLine first{0};
  InsertAt(1, &first);
}

void CKXLineArray::GetTextLines(SKXLine* out, long n) const { GetItems(out, n); }

void CKXLineArray::SetTextLines(const SKXLine* lines, long n) { SetItems(lines, n); }

long CKXLineArray::GetLineAt(long index, long& length) const {
  long start = GetOffsetAt(index);
  length = (index >= 1 && index < mCount) ? GetOffsetAt(index + 1) - start : 0;
  return start;
}

long CKXLineArray::GetLineAt(long index) const { return GetOffsetAt(index); }

void CKXLineArray::SetLineAt(long index, long offset) {
  SKXLine line{static_cast<std::int32_t>(offset)};
  SetAt(index, &line);
}

void CKXLineArray::InsertLineAt(long index, long offset) {
  SKXLine line{static_cast<std::int32_t>(offset)};
  InsertAt(index, &line);
}

// --- height runs ----------------------------------------------------------------

CKXHeitArray::CKXHeitArray() : CKXPosArray(sizeof(SKXHeit)) { InitHeitArray(kDefaultHeight); }

void CKXHeitArray::InitHeitArray(short code) {
  DeleteAll();
  InsertHeightAt(1, 0, code);
}

void CKXHeitArray::GetTextHeits(SKXHeit* out, long n) const { GetItems(out, n); }

void CKXHeitArray::SetTextHeits(const SKXHeit* heits, long n) { SetItems(heits, n); }

short CKXHeitArray::GetHeightAt(long index) const {
  SKXHeit h{0, 0, 0};
  FetchItemAt(index, &h);
  return h.code;
}

void CKXHeitArray::SetHeightAt(long index, short code) {
  SKXHeit h;
  if (!FetchItemAt(index, &h)) return;
  h.code = code;
  SetAt(index, &h);
}

void CKXHeitArray::InsertHeightAt(long index, long line, short code) {
  SKXHeit h{static_cast<std::int32_t>(line), code, 0};
  InsertAt(index, &h);
}

void CKXHeitArray::InsertHeightAt(long index, long line, short code, long n, long limit) {
  SKXHeit h{static_cast<std::int32_t>(line), code, 0};
  CompareInsertAt(index, &h, n, limit);
}

long CKXHeitArray::GetRangeHeight(long first, long last, long lastLine, unsigned char& pageBreak) const {
  if (mCount == 0) return 0;
  long i = GetArrayIndex(first);
  long j = GetArrayIndex(last);
  long total = 0;
  StKXArrayLock lock(*this);
  for (long k = i; k <= j; ++k) {
    SKXHeit h;
    PeekItem(k, &h);
    long runFirst = h.line;
    long runLast = k < mCount ? GetOffsetAt(k + 1) - 1 : lastLine;
    long lines = std::min(runLast, last) - std::max(runFirst, first) + 1;
    if (lines > 0) total += lines * (h.code & kKxHeightMask);
    if (h.code & kKxHeightPageBreak) pageBreak = 1;
  }
  return total;
}

// --- pages ----------------------------------------------------------------------

CKXPageArray::CKXPageArray() : CKXPosArray(sizeof(SKXPage)) { InitPageArray(1); }

void CKXPageArray::InitPageArray(long count) {
  DeleteAll();
  InsertPageAt(1, 0, count);
}

void CKXPageArray::GetTextPages(SKXPage* out, long n) const { GetItems(out, n); }

void CKXPageArray::SetTextPages(const SKXPage* pages, long n) { SetItems(pages, n); }

long CKXPageArray::GetLineCountAt(long index) const {
  SKXPage p{0, 0};
  FetchItemAt(index, &p);
  return p.count;
}

void CKXPageArray::SetlineCountAt(long index, long count) {
  SKXPage p;
  if (!FetchItemAt(index, &p)) return;
  p.count = static_cast<std::int32_t>(count);
  SetAt(index, &p);
}

void CKXPageArray::InsertPageAt(long index, long firstLine, long count) {
  SKXPage p{static_cast<std::int32_t>(firstLine), static_cast<std::int32_t>(count)};
  InsertAt(index, &p);
}

void CKXPageArray::GetLineRangeAt(long index, long& first, long& last) const {
  SKXPage p{0, 0};
  if (!FetchItemAt(index, &p)) {
    first = last = 0;
    return;
  }
  first = long(p.firstLine) + 1;
  last = first + p.count - 1;
}
