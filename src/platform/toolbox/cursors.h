// Cursors by number. Cursor IDs come in groups of 16, an animation of up to
// 16 frames (base ID + frame). The host shows a cursor for an ID; the
// program keeps which one is current.
#pragma once

#include <cstdint>

constexpr std::int16_t kKxArrowCursor = 1024;
constexpr std::int16_t kKxIBeamCursor = 1040;
constexpr std::int16_t kKxVerticalIBeamCursor = 1041;
constexpr std::int16_t kKxCrossCursor = 1056;
constexpr std::int16_t kKxPlusCursor = 1072;
constexpr std::int16_t kKxWatchCursor = 1088;
constexpr std::int16_t kKxDragCursor = 1104;
// No pointer at all (while a ruler mark is dragged).
constexpr std::int16_t kKxHiddenCursor = 1120;
constexpr std::int16_t kKxCursorGroupMask = ~std::int16_t(15);

class UCursors {
 public:
  // The current ID, 0 when none was set.
  static std::int16_t Get() { return sCurrent; }
  // Nothing for 0 or the current ID. An ID the program has a cursor for is
  // shown; else its group's base when that is one; else the group's
  // standard cursor (I-beam, cross, plus, watch); anything else shows the
  // arrow and records kKxArrowCursor.
  static void Set(std::int16_t id);
  // Animation: with 0 or an ID of the current group, the current group's
  // next frame (wrapping within the 16); another group's ID is set.
  static void Tick(std::int16_t id = 0);
  // Forgets the current ID so that the next Set shows its cursor again.
  static void Forget() { sCurrent = 0; }

 private:
  static void Show(std::int16_t id);
  static std::int16_t sCurrent;
};

// Shows a cursor for a scope (always reloaded); the end sets no other.
class StCursors {
 public:
  explicit StCursors(std::int16_t id) {
    UCursors::Forget();
    UCursors::Set(id);
  }
  static void Tick(std::int16_t id = 0) { UCursors::Tick(id); }
};
