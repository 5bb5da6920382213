// Mouse tracking without a nested event loop of the caller's own.
#pragma once

#include "platform/types.h"

class UMouseUtils {
 public:
  // Waits up to one tick for a mouse event; true while the button is still
  // down (a mouse-up ends it and is taken).
  static bool StillDown();
  // Follows the mouse until it moves or the button comes up; true (with the
  // point, global) when it moved first.
  static bool GetMouseIfMove(Point& where);
  // Whether the press being handled moved beyond a click before the host
  // delivered it (the toolbox's WaitMouseMoved): a desktop host holds a
  // press back until the mouse moves or comes up and says which; scripts
  // set it themselves.
  static void SetMovedAtPress(bool moved);
  static bool MovedAtPress();
};
