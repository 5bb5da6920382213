#include "views/scroll_wheel.h"

#include <algorithm>
#include <cstdlib>

#include "platform/framework/list_box.h"
#include "platform/framework/scroller.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"

CScrollWheelHandler::CScrollWheelHandler(bool anyWindow, std::int32_t linesPerNotch)
    : mAnyWindow(anyWindow), mLinesPerNotch(linesPerNotch) {}

void CScrollWheelHandler::Install(CScrollWheelHandler* handler) {
  if (!handler) {
    LWindow::SetWheelHook(nullptr);
    return;
  }
  LWindow::SetWheelHook([handler](LWindow*, const EventRecord& event) { handler->HandleWheel(event); });
}

std::int64_t CScrollWheelHandler::StepsFor(std::int32_t delta) const {
  const std::int64_t steps = std::llabs(std::int64_t(delta)) * std::max<std::int64_t>(0, mLinesPerNotch);
  return std::min(steps, kKxWheelMaxSteps);
}

bool CScrollWheelHandler::HandleWheel(const EventRecord& event) {
  if (event.what != kKxWheelEvt) return false;
  KxHost& host = KxCurrentHost();
  auto* window = dynamic_cast<LWindow*>(host.GetWindowClient(host.FindWindow(event.where)));
  if (!window) return false;
  const std::int32_t down = KxWheelLinesDown(event), right = KxWheelLinesRight(event);
  if (event.modifiers & kKxWheelScaleModifier) {
    if (down == 0 || !mScaleHook) return false;
    if (!mAnyWindow && !window->IsFront()) return false;
    // Wheel up (away from the user) enlarges.
    mScaleHook(window, down < 0 ? 1 : -1);
    return true;
  }
  bool done = false;
  // The desktop counts lines down and right; a positive delta here is up
  // and left.
  if (down != 0) done |= DoScrollEvent(window, true, -down, event.where, event.modifiers);
  if (right != 0) done |= DoScrollEvent(window, false, -right, event.where, event.modifiers);
  return done;
}

bool CScrollWheelHandler::DoScrollEvent(LWindow* window, bool vertical, std::int32_t delta, Point global,
                                        std::uint16_t modifiers) {
  if (!window) return false;
  if (!mAnyWindow && !window->IsFront()) return false;
  const SPoint32 port = window->GlobalToPortPoint(global);
  LScroller* scroller = nullptr;
  for (LPane* pane = window->FindDeepSubPaneContaining(port.h, port.v); pane; pane = pane->GetSuperView()) {
    if (auto* list = dynamic_cast<LListBox*>(pane)) return ScrollList(list, vertical, delta, modifiers);
    auto* s = dynamic_cast<LScroller*>(pane);
    if (s && s->GetScrollingView()) {
      scroller = s;
      break;
    }
  }
  if (!scroller) return false;
  if (modifiers & kKxWheelSidewaysMask) vertical = !vertical;
  const std::int16_t part = delta > 0 ? kKxWheelPartUp : kKxWheelPartDown;
  LScrollBar* bar = vertical ? scroller->GetVScrollBar() : scroller->GetHScrollBar();
  if (!bar) return false;
  const std::int64_t steps = StepsFor(delta);
  for (std::int64_t k = 0; k < steps; ++k) scroller->ScrollBarAction(bar, part);
  scroller->ScrollBarAction(bar, std::int16_t(part + kKxWheelBurstEnd));
  return true;
}

bool CScrollWheelHandler::ScrollList(LListBox* list, bool vertical, std::int32_t delta, std::uint16_t modifiers) {
  if (modifiers & kKxWheelSidewaysMask) vertical = !vertical;
  // Rows only go up and down; a disabled list is left as it is.
  if (!vertical || !list->IsEnabled()) return false;
  // A row a line, as text moves a line: the desktop's notch is three.
  const std::int64_t rows = StepsFor(delta);
  list->ScrollRowsBy(std::int32_t(delta > 0 ? -rows : rows));
  return true;
}
