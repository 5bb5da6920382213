// Characters, words, paragraphs and lines of a range, for the scripting
// model's element lookup.
//
// The elements of a range are cut from its start on: the first element
// begins at the range's start even inside a word, paragraph or line; the
// last may run past the range's end (and is cut there when reported).
#include <algorithm>
#include <cstring>

#include "layout/text_edit_ex.h"

namespace {

// Word-boundary classes that end words without being words themselves.
constexpr short kTypeReturn = 10;
constexpr short kTypeSpace = 11;
constexpr unsigned char kReturn = 13;

// Block size of the scan for a return (a trail byte is never 13).
constexpr long kScanBlock = 4096;

}  // namespace

long CKXTextEditEx::ParaEndFrom(long p) const {
  const long len = GetLength();
  char block[kScanBlock];
  while (p < len) {
    const long n = CopyBytes(p, std::min(len, p + kScanBlock), block, kScanBlock);
    if (n <= 0) break;
    const void* cr = std::memchr(block, kReturn, size_t(n));
    if (cr) return p + (static_cast<const char*>(cr) - block) + 1;
    p += n;
  }
  return len;
}

long CKXTextEditEx::GetPartInfo(long index, long kind, long start, long end, long& outA, long& outB) const {
  if (kind < kKxPartChar || kind > kKxPartLine) return 0;
  const long len = GetLength();
  if (start > end) std::swap(start, end);
  start = std::clamp(start, 0L, len);
  end = std::clamp(end, 0L, len);
  AdjustOffset(start, false);
  // The element beginning at or after p (and before the range's end).
  auto next = [&](long p, long& a, long& b) {
    if (kind == kKxPartWord) {
      while (p < end) {
        const short t = GetCharType(p);
        if (t != kTypeReturn && t != kTypeSpace) break;
        p = GetNextCharPos(p);
      }
    }
    if (p >= end) return false;
    a = p;
    switch (kind) {
      case kKxPartChar:
        b = GetNextCharPos(p);
        break;
      case kKxPartWord: {
        const short t = GetCharType(p);
        long q = GetNextCharPos(p);
        while (q < len && GetCharType(q) == t) q = GetNextCharPos(q);
        b = q;
        break;
      }
      case kKxPartPara: {
        b = ParaEndFrom(p);
        break;
      }
      default: {
        const long line = GetLineNo(p);
        b = line < GetLineCount() ? GetLineOffsetAt(line + 1) : len;
        if (b <= p) b = len;
        break;
      }
    }
    if (b <= a) b = std::min(len, a + 1);
    return true;
  };
  auto report = [&](long a, long b) {
    outA = a;
    outB = std::min(b, end);
    return b > end ? long(kKxPartChar) : kind;
  };

  long a = 0, b = 0;
  if (index > 0) {
    long p = start;
    for (long k = 1; next(p, a, b); ++k) {
      if (k == index) return report(a, b);
      p = b;
    }
    outA = outB = end;
    return 0;
  }
  if (index == kKxPartCount) {
    long count = 0;
    for (long p = start; next(p, a, b); p = b) ++count;
    outA = count;
    return kind;
  }
  if (index == kKxPartOverlap || index == kKxPartOverlapNumbers) {
    long x = std::clamp(std::min(outA, outB), start, end);
    long y = std::clamp(std::max(outA, outB), start, end);
    long firstA = -1, lastB = -1, firstN = 0, lastN = 0;
    long k = 0;
    for (long p = start; next(p, a, b); p = b) {
      ++k;
      if (a > y || (a == y && x != y)) break;
      const bool overlaps = x == y ? (a <= x && x < b) : (a < y && b > x);
      if (!overlaps) continue;
      if (firstA < 0) {
        firstA = a;
        firstN = k;
      }
      lastB = b;
      lastN = k;
    }
    if (firstA < 0) {
      outA = outB = x;
      return 0;
    }
    if (index == kKxPartOverlapNumbers) {
      outA = firstN;
      outB = lastN;
      return kind;
    }
    return report(firstA, lastB);
  }
  if (!next(start, a, b)) {
    outA = outB = start;
    return 0;
  }
  return report(a, b);
}
