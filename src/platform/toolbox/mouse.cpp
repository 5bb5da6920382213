#include "platform/toolbox/mouse.h"

#include "platform/framework/events.h"
#include "platform/host/host.h"

namespace {
constexpr std::uint32_t kStillDownTicks = 1;   // about 0.01 s
constexpr int kMaxPolls = 600;                 // ten seconds of ticks: never wait forever
}  // namespace

namespace {
bool gMovedAtPress = false;
}  // namespace

void UMouseUtils::SetMovedAtPress(bool moved) { gMovedAtPress = moved; }
bool UMouseUtils::MovedAtPress() { return gMovedAtPress; }

bool UMouseUtils::StillDown() {
  KxHost& host = KxCurrentHost();
  if (host.ShouldStop()) return false;
  EventRecord e;
  if (host.WaitNextEvent(e, kStillDownTicks)) return e.what != mouseUp;
  return (e.modifiers & kKxEventButtonState) == 0;
}

bool UMouseUtils::GetMouseIfMove(Point& where) {
  KxHost& host = KxCurrentHost();
  bool started = false;
  Point first{0, 0};
  for (int i = 0; i < kMaxPolls && !host.ShouldStop(); ++i) {
    EventRecord e;
    const bool got = host.WaitNextEvent(e, kStillDownTicks);
    if (got && e.what == mouseUp) return false;
    if (!got && (e.modifiers & kKxEventButtonState)) return false;
    if (!started) {
      first = e.where;
      started = true;
    } else if (e.where.h != first.h || e.where.v != first.v) {
      where = e.where;
      return true;
    }
  }
  return false;
}
