// The colour schedule's store over a schedule blob from a file: the entry
// walk, today's checks, the polls and the executions of a whole day.
//
// Input: two bytes of start time (hour, minute) and a day byte, then the
// blob. Properties: the check list keeps its rules after every step, a
// check always names an entry of at least 1, and a day of polls ends.
#include <cstdint>
#include <cstdlib>

#include "app/color_schedule.h"
#include "app/facilities.h"
#include "platform/clock.h"
#include "platform/core.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (KxAppFacilities(), CoreInit(), true);
  (void)started;
  if (size < 3) return 0;
  static KxFakeClock clock;
  KxSetClock(&clock);
  clock.SetMovingTime(DateTimeRec{2026, std::int16_t(1 + data[2] % 12), std::int16_t(1 + data[2] % 28),
                                  std::int16_t(data[0] % 24), std::int16_t(data[1] % 60), 0, 0});
  UKXColorSchedule::Initialize();
  UKXColorSchedule::SetData(data + 3, size - 3);
  if (!UKXColorSchedule::CheckRules().empty()) std::abort();
  // A day and a half of polls, one every ten seconds.
  for (int step = 0; step < 13000; ++step) {
    clock.Advance(600);
    for (int guard = 0;; ++guard) {
      if (guard > 300) std::abort();
      const long k = UKXColorSchedule::Check();
      if (k == 0) break;
      UKXColorSchedule::Execution e;
      UKXColorSchedule::ExecuteAt(k, e);
      if (!UKXColorSchedule::CheckRules().empty()) std::abort();
    }
    if (step == 100 && UKXColorSchedule::Count() > 0) UKXColorSchedule::DeleteAt(1);
  }
  (void)UKXColorSchedule::FindDateIndex(250, 2, 29, 3);
  UKXColorSchedule::DeleteAll();
  UKXColorSchedule::Terminate();
  KxSetClock(nullptr);
  return 0;
}
