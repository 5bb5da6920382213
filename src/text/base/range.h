// A text range: a byte offset and a length; its end is start + length.
#pragma once

#include <algorithm>
#include <cstdint>

struct SKXRange {
  std::int32_t start;
  std::int32_t length;
};

// Operations on ranges. Ends are computed in 64 bits so that ranges near the
// limits of 32 bits do not wrap.
class UKXRange {
 public:
  // a lies inside b (ends included).
  static bool RangeWithinRange(const SKXRange& a, const SKXRange& b) {
    return a.start >= b.start && End(a) <= End(b);
  }

  // False when the ranges are apart; ranges that only touch intersect with
  // length 0. When out is given it receives the common part.
  static bool RangeIntersection(const SKXRange& a, const SKXRange& b, SKXRange* out) {
    if ((a.start < b.start && b.start > End(a)) || (a.start > b.start && a.start > End(b)))
      return false;
    if (out) {
      std::int32_t start = std::max(a.start, b.start);
      std::int64_t end = std::min(End(a), End(b));
      *out = {start, Narrow(end - start)};
    }
    return true;
  }

  // r pulled inside bounds: a range outside them becomes empty at the nearer
  // bound.
  static void RangeCrop(const SKXRange& r, const SKXRange& bounds, SKXRange& out) {
    std::int64_t start = std::min<std::int64_t>(std::max(r.start, bounds.start), End(bounds));
    std::int64_t end = std::max<std::int64_t>(std::min(End(r), End(bounds)), bounds.start);
    out = {Narrow(start), Narrow(end - start)};
  }

  static void RangeShift(const SKXRange& r, std::int32_t delta, SKXRange& out) {
    out = {Narrow(std::int64_t(r.start) + delta), r.length};
  }

  static bool RangesSame(const SKXRange& a, const SKXRange& b) {
    return a.start == b.start && a.length == b.length;
  }

  static std::int32_t Min(std::int32_t a, std::int32_t b) { return a < b ? a : b; }

  static std::int64_t End(const SKXRange& r) { return std::int64_t(r.start) + r.length; }

 private:
  static std::int32_t Narrow(std::int64_t v) {
    return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  }
};
