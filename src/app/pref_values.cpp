#include "app/pref_values.h"

#include <algorithm>
#include <limits>

#include "text/base/geometry.h"

namespace {

constexpr std::int16_t kMillimetres = 0;

bool FitsShort(std::int32_t v) {
  return v >= std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max();
}

}  // namespace

std::int64_t KxFieldNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    n = std::min<std::int64_t>(n * 10 + (text[i] - '0'), kKxFieldNumberTop);
  return negative ? -n : n;
}

std::int64_t KxMarginSecondValue(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return 0;
  std::size_t at = comma + 1;
  for (int blanks = 0; blanks < 2 && at < text.size() && text[at] == ' '; ++blanks) ++at;
  // The number must start here: a third blank leaves none.
  const std::string rest = text.substr(at);
  if (rest.empty() || rest[0] == ' ' || rest[0] == '\t') return 0;
  const std::int64_t second = KxFieldNumber(rest);
  return second == KxFieldNumber(text) ? 0 : second;
}

std::int32_t KxMarginToPoints(std::int32_t tenths) {
  return (KxUnitLToPointsL(tenths, kMillimetres) + 5) / 10;
}

std::int32_t KxMarginFromPoints(std::int32_t points) {
  const std::int32_t pointsL = std::clamp(points, -kKxMaxPointsL / 10, kKxMaxPointsL / 10) * 10;
  return KxAdjustUnitL(KxPointsLToUnitL(pointsL, kMillimetres), kMillimetres);
}

bool KxMarginFieldPoints(const std::string& text, std::int16_t& firstPoints, std::int16_t& secondPoints) {
  std::int64_t first = KxFieldNumber(text);
  std::int64_t second = KxMarginSecondValue(text);
  if (first < 0 || first > kKxMarginFieldMax) {
    first = kKxMarginFieldDefault;
    second = 0;
  }
  if (second < 0 || second > kKxMarginFieldMax) second = 0;
  const std::int32_t a = KxMarginToPoints(std::int32_t(first));
  const std::int32_t b = second == 0 ? 0 : KxMarginToPoints(std::int32_t(second));
  if (!FitsShort(a) || !FitsShort(b)) return false;
  firstPoints = std::int16_t(a);
  secondPoints = std::int16_t(b);
  return true;
}

int KxGaugeTypeItem(int type) {
  switch (type) {
    case 5: return 1;
    case 0: return 2;
    case 1: return 3;
    case 2: return 4;
    case 6: return 5;
    default: return 2;
  }
}

int KxGaugeItemType(int item) {
  static constexpr int kTypes[] = {5, 0, 1, 2, 6};
  return item >= 1 && item <= 5 ? kTypes[item - 1] : 0;
}

int KxSmoothingSizeItem(int size) {
  if (size > 16) return 13;
  if (size <= 4) return 1;
  return size - 3;
}

int KxSmoothingItemSize(int item) {
  item = std::clamp(item, 1, 13);
  return item < 2 ? item : item + 3;
}
