// Rectangles and points in 32-bit coordinates, and their narrowing to the
// 16-bit screen forms. Narrowing holds a value at -32768..32767; it never
// wraps, so a far-off rectangle stays far off in the same direction.
#pragma once

#include <cstdint>

#include "platform/types.h"

struct RectL {
  std::int32_t top;
  std::int32_t left;
  std::int32_t bottom;
  std::int32_t right;
};

struct PointL {
  std::int32_t v;
  std::int32_t h;
};

// The nearest 16-bit value.
constexpr std::int16_t KxPinShort(std::int64_t v) {
  return std::int16_t(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v);
}

void KxSetRect(Rect& out, const RectL& r);
void KxSetPoint(Point& out, const PointL& p);
