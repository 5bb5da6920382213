// The base of the program's scrollers: live thumb scrolling of ranges that
// a 16-bit control value cannot hold.
#pragma once

#include <cstdint>

#include "platform/framework/scroller.h"

// The bar's value for a 16-bit control value: unchanged when the range fits
// 16 bits; value + minimum when the range is at most 32767; otherwise
// 0..32767 spread over the range, minimum + range * value / 32767, in 64
// bits.
std::int32_t KxThumbLongValue(std::int16_t controlValue, std::int32_t minimum, std::int32_t maximum);
// The 16-bit control value that shows a bar value (the inverse, rounded down).
std::int16_t KxThumbControlValue(std::int32_t value, std::int32_t minimum, std::int32_t maximum);

class CKXScroller : public LScroller {
 public:
  explicit CKXScroller(const KxLayoutPaneRecord& record) : LScroller(record) {}
  // Live scrolling: the bar takes the long value of a 16-bit thumb position
  // and the view scrolls to it.
  void HandleThumbScroll(LScrollBar* bar, std::int16_t controlValue);
  LScrollBar* GetTrackedBar() const { return mTracked; }
  // Whether dragging a thumb scrolls as it goes (the preference), for every
  // scroller of the program; otherwise the view moves on the release.
  static void SetLiveScrolling(bool on) { sLiveScrolling = on; }
  static bool GetLiveScrolling() { return sLiveScrolling; }
  bool LiveThumb() const override { return sLiveScrolling; }
  void DrawSelf() override;

 private:
  LScrollBar* mTracked = nullptr;
  static inline bool sLiveScrolling = false;
};
