// Where a window opens: its frame fitted into its standard bounds, which
// keep on the screen and, for dialogs, clear of the tool palette.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/framework/window.h"

// `frame` cut to the window's standard bounds' size, then moved inside
// them. Always fitted: CalcStandardBounds's answer only says whether the
// window stands there already.
inline Rect KxFitToStandardBounds(const LWindow& window, const Rect& frame) {
  Rect standard;
  window.CalcStandardBounds(standard);
  const int w = std::min(frame.right - frame.left, standard.right - standard.left);
  const int h = std::min(frame.bottom - frame.top, standard.bottom - standard.top);
  const int left = std::clamp<int>(frame.left, standard.left, std::max<int>(standard.left, standard.right - w));
  const int top = std::clamp<int>(frame.top, standard.top, std::max<int>(standard.top, standard.bottom - h));
  return Rect{std::int16_t(top), std::int16_t(left), std::int16_t(top + h), std::int16_t(left + w)};
}
