#include "platform/toolbox/cursors.h"

#include <algorithm>
#include <iterator>

#include "platform/host/host.h"

std::int16_t UCursors::sCurrent = 0;

namespace {
// The cursors the program carries: the standard ones, the vertical I-beam,
// the watch's eight frames, the drag hand and the split bars.
constexpr std::int16_t kCarried[] = {1024, 1025, 1040, 1041, 1056, 1072, 1088, 1089, 1090, 1091,
                                     1092, 1093, 1094, 1095, 1104, 1110, 1111};
bool Carried(std::int16_t id) { return std::find(std::begin(kCarried), std::end(kCarried), id) != std::end(kCarried); }
}  // namespace

void UCursors::Show(std::int16_t id) {
  sCurrent = id;
  KxCurrentHost().SetCursor(id);
}

void UCursors::Set(std::int16_t id) {
  if (id == 0 || id == sCurrent) return;
  const std::int16_t base = std::int16_t(id & kKxCursorGroupMask);
  std::int16_t choice;
  if (Carried(id))
    choice = id;
  else if (Carried(base))
    choice = base;
  else
    switch (base) {
      case kKxIBeamCursor:
      case kKxCrossCursor:
      case kKxPlusCursor:
      case kKxWatchCursor:
        choice = base;
        break;
      case kKxDragCursor:
        choice = kKxPlusCursor;
        break;
      default:
        choice = kKxArrowCursor;
        break;
    }
  if (choice == sCurrent) return;
  Show(choice);
}

void UCursors::Tick(std::int16_t id) {
  const std::int16_t group = std::int16_t(sCurrent & kKxCursorGroupMask);
  if (id == 0 || (sCurrent != 0 && std::int16_t(id & kKxCursorGroupMask) == group)) {
    if (sCurrent == 0) return;
    Show(std::int16_t(group | ((sCurrent + 1) & 15)));
    return;
  }
  Set(id);
}
