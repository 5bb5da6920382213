// The application's wheel handler: scrolls the scroller under the pointer
// by arrow steps, then tells it the burst has ended (which resets its
// acceleration); a list box under the pointer moves a row a step instead.
//
// Desktop conventions here: the host has already summed smooth-scroll
// deltas into whole lines; Shift (like option) turns the wheel sideways;
// the command key (Ctrl) steps the scale instead of scrolling.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/framework/events.h"

class LListBox;
class LWindow;
class LScroller;

// Scroll-bar parts a wheel step uses, and the end-of-burst offset.
constexpr std::int16_t kKxWheelPartUp = 20;
constexpr std::int16_t kKxWheelPartDown = 21;
constexpr std::int16_t kKxWheelBurstEnd = 100;
// Steps one event may bring, however large its delta: a runaway device or
// a forged event cannot keep the program scrolling for minutes.
constexpr std::int64_t kKxWheelMaxSteps = 1000;
// Modifiers that turn the wheel sideways: option, right option, shift.
constexpr std::uint16_t kKxWheelSidewaysMask = 0x4800 | 0x0200;
constexpr std::uint16_t kKxWheelScaleModifier = 0x0100;   // command (Ctrl)

class CScrollWheelHandler {
 public:
  // On this desktop the wheel scrolls the window under the pointer, front
  // or not, so anyWindow is on by default.
  explicit CScrollWheelHandler(bool anyWindow = true, std::int32_t linesPerNotch = 1);

  // A wheel event (kKxWheelEvt: lines down and right): finds the window at
  // the pointer; true when something scrolled or scaled.
  bool HandleWheel(const EventRecord& event);
  // Scrolls the list box or scroller under the global point of `window`;
  // delta is positive for up (left). True when one took it.
  bool DoScrollEvent(LWindow* window, bool vertical, std::int32_t delta, Point global, std::uint16_t modifiers);
  // The steps a delta brings: |delta| x lines per notch, in 64 bits,
  // held to kKxWheelMaxSteps.
  std::int64_t StepsFor(std::int32_t delta) const;

  // Ctrl+wheel: called with the window and +1 (larger) or -1 (smaller)
  // per notch; none installed: the wheel with Ctrl does nothing.
  using ScaleHook = std::function<void(LWindow* window, int direction)>;
  void SetScaleHook(ScaleHook hook) { mScaleHook = std::move(hook); }

  void SetAnyWindow(bool any) { mAnyWindow = any; }
  void SetLinesPerNotch(std::int32_t lines) { mLinesPerNotch = lines; }

  // Sends wheel events that reach a window to this handler (null: none).
  static void Install(CScrollWheelHandler* handler);

 private:
  bool ScrollList(LListBox* list, bool vertical, std::int32_t delta, std::uint16_t modifiers);

  bool mAnyWindow;
  std::int32_t mLinesPerNotch;
  ScaleHook mScaleHook;
};
