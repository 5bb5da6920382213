// The preferences dialog's readings of what was typed (or pasted) into its
// number and margin fields. The input is the field's text.
//
// Properties: a number never leaves the saturation bounds; stored margins
// are within 0 and the points of 999.9 mm, a second margin is never the
// first value's twin, and a field that reads back its own stored text
// gives the same points.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/pref_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::int64_t n = KxFieldNumber(text);
  if (n > kKxFieldNumberTop || n < -kKxFieldNumberTop) std::abort();
  std::int16_t first = -1, second = -1;
  if (!KxMarginFieldPoints(text, first, second)) std::abort();   // every typed value fits its field
  const std::int32_t top = KxMarginToPoints(kKxMarginFieldMax);
  if (first < 0 || first > top || second < 0 || second > top) std::abort();
  const std::string shown =
      std::to_string(KxMarginFromPoints(first)) + (second ? ", " + std::to_string(KxMarginFromPoints(second)) : "");
  std::int16_t again = -1, againSecond = -1;
  if (!KxMarginFieldPoints(shown, again, againSecond) || again != first) std::abort();
  // A second value equal to the first reads as none; otherwise it survives.
  if (second != 0 && KxMarginFromPoints(second) != KxMarginFromPoints(first) && againSecond != second) std::abort();
  return 0;
}
