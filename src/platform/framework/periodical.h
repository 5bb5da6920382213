// Idlers: objects that get time when no event waits. The program has no
// timers; everything periodic (caret blinking, auto-save, menu refresh)
// runs from here, on the tick clock.
#pragma once

#include <vector>

#include "platform/framework/events.h"

class LPeriodical {
 public:
  LPeriodical() = default;
  virtual ~LPeriodical();   // stops idling
  LPeriodical(const LPeriodical&) = delete;
  LPeriodical& operator=(const LPeriodical&) = delete;

  void StartIdling();
  void StopIdling();
  bool IsIdling() const;

  virtual void SpendTime(const EventRecord& event) = 0;

  // Gives each idler its turn, in the order they started. An idler may stop
  // itself or others, or be deleted, during the turn; one that starts
  // meanwhile gets its first turn next time.
  static void DevoteTimeToIdlers(const EventRecord& event);
  static std::size_t CountIdlers();

 private:
  static std::vector<LPeriodical*>& Idlers();
  static int sDevoting;
};
