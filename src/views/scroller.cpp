#include "views/scroller.h"

#include <algorithm>
#include <limits>

#include "platform/draw/color.h"

namespace {
constexpr std::int32_t kControlMax = 32767;
bool Fits16(std::int32_t v) {
  return v >= std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max();
}
}  // namespace

std::int32_t KxThumbLongValue(std::int16_t controlValue, std::int32_t minimum, std::int32_t maximum) {
  if (maximum < minimum) std::swap(minimum, maximum);
  if (Fits16(minimum) && Fits16(maximum)) return std::clamp<std::int32_t>(controlValue, minimum, maximum);
  const std::int64_t range = std::int64_t(maximum) - minimum;
  if (range <= kControlMax) return std::int32_t(std::clamp<std::int64_t>(minimum + std::int64_t(controlValue), minimum, maximum));
  if (controlValue <= 0) return minimum;
  if (controlValue >= kControlMax) return maximum;
  return std::int32_t(minimum + range * controlValue / kControlMax);
}

std::int16_t KxThumbControlValue(std::int32_t value, std::int32_t minimum, std::int32_t maximum) {
  if (maximum < minimum) std::swap(minimum, maximum);
  value = std::clamp(value, minimum, maximum);
  if (Fits16(minimum) && Fits16(maximum)) return std::int16_t(value);
  const std::int64_t range = std::int64_t(maximum) - minimum;
  if (range <= kControlMax) return std::int16_t(value - minimum);
  return std::int16_t((std::int64_t(value) - minimum) * kControlMax / range);
}

void CKXScroller::HandleThumbScroll(LScrollBar* bar, std::int16_t controlValue) {
  if (!bar || (bar != GetVScrollBar() && bar != GetHScrollBar())) return;
  mTracked = bar;
  try {
    bar->SetValue(KxThumbLongValue(controlValue, bar->GetMinValue(), bar->GetMaxValue()));
    ScrollBarAction(bar, kControlIndicatorPart);
  } catch (...) {
    mTracked = nullptr;
    throw;
  }
  mTracked = nullptr;
}

void CKXScroller::DrawSelf() {
  LScroller::DrawSelf();
  const Rect f = CalcLocalFrameRect16();
  PenNormal();
  RGBForeColor(&UKXColor::sWhiteColor);
  FrameRect(&f);
}
