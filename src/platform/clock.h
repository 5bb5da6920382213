// The platform's clock: the tick count (1/60 s), the double-click and caret
// blink intervals, the local date and time, and the system's own time and
// date texts.
//
// Everything goes through the installed KxClock. Without one the POSIX
// clock answers; tests install a KxFakeClock, the GTK host may install one
// that takes the intervals from the desktop settings.
#pragma once

#include <cstdint>

#include "platform/types.h"

// The local date and time; dayOfWeek 1 is Sunday, 7 Saturday.
struct DateTimeRec {
  std::int16_t year;
  std::int16_t month;
  std::int16_t day;
  std::int16_t hour;
  std::int16_t minute;
  std::int16_t second;
  std::int16_t dayOfWeek;
};

class KxClock {
 public:
  virtual ~KxClock() = default;
  // Ticks of 1/60 s since some fixed start.
  virtual std::uint32_t Ticks() = 0;
  // Longest interval between two clicks of a double click, in ticks.
  virtual std::uint32_t DoubleClickTicks() = 0;
  // Interval between two phases of the blinking caret, in ticks.
  virtual std::uint32_t CaretBlinkTicks() = 0;
  virtual DateTimeRec LocalTime() = 0;
};

// The real clock: ticks since the first call, local time from the C library.
class KxPosixClock : public KxClock {
 public:
  std::uint32_t Ticks() override;
  std::uint32_t DoubleClickTicks() override { return mDoubleClick; }
  std::uint32_t CaretBlinkTicks() override { return mBlink; }
  DateTimeRec LocalTime() override;
  // The host sets these from the desktop's settings.
  void SetIntervals(std::uint32_t doubleClick, std::uint32_t blink) {
    mDoubleClick = doubleClick;
    mBlink = blink;
  }

 private:
  // Desktop defaults: a 400 ms double click, a caret that changes every 600 ms.
  std::uint32_t mDoubleClick = 24;
  std::uint32_t mBlink = 36;
};

// The date and time `seconds` later (or earlier), by the Gregorian
// calendar, the day of the week following.
DateTimeRec KxAddSeconds(const DateTimeRec& t, std::int64_t seconds);
// The days from 1970-01-01 to a Gregorian date.
std::int64_t KxDaysFromCivil(int year, int month, int day);
// The day of the week (1 Sunday .. 7 Saturday) of a Gregorian date.
std::int16_t KxDayOfWeek(int year, int month, int day);

// A clock for tests: ticks move only when told. The local time is fixed,
// unless SetMovingTime made it move with the ticks (60 a second).
class KxFakeClock : public KxClock {
 public:
  std::uint32_t Ticks() override { return ticks; }
  std::uint32_t DoubleClickTicks() override { return doubleClick; }
  std::uint32_t CaretBlinkTicks() override { return blink; }
  DateTimeRec LocalTime() override {
    return moving ? KxAddSeconds(now, std::int64_t(ticks - movingFrom) / 60) : now;
  }
  void Advance(std::uint32_t n) { ticks += n; }
  // From now on the local time is `at` and moves with the ticks.
  void SetMovingTime(const DateTimeRec& at) {
    now = at;
    now.dayOfWeek = KxDayOfWeek(at.year, at.month, at.day);
    movingFrom = ticks;
    moving = true;
  }
  bool moving = false;
  std::uint32_t movingFrom = 0;

  std::uint32_t ticks = 0;
  std::uint32_t doubleClick = 24;
  std::uint32_t blink = 36;
  DateTimeRec now{2000, 1, 1, 0, 0, 0, 7};
};

// Installs a clock (not owned); null restores the POSIX clock.
void KxSetClock(KxClock* clock);
KxClock& KxCurrentClock();

std::uint32_t TickCount();
std::uint32_t GetDblTime();
std::uint32_t GetCaretTime();
void GetTime(DateTimeRec& now);

// The system's texts for a time and a date, in the current locale (see
// clock.cpp for the formats). The result is ASCII: a locale whose text is
// not gives way to the C locale's, since the program's internal encoding is
// not the locale's.
void TimeString(const DateTimeRec& t, bool wantSeconds, Str255 result);
enum DateForm { shortDate = 0, longDate = 1, abbrevDate = 2 };
void DateString(const DateTimeRec& t, DateForm form, Str255 result);
