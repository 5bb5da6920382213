// Fault injection shared by the tests: fail the n-th allocation of an edit,
// once for every n, so that the caller can check that a failed edit changed
// nothing and lost no block, and that one that got through is complete.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/exception.h"
#include "platform/memory.h"
#include "text/base/memory.h"

// Turns the first failed allocation into a lasting shortage, so that the
// memory layer's retry fails too.
class KxTestShortage : public KxMemoryRecoverer {
 public:
  Boolean INeedMemory() override {
    kx_memtest::FailAll(true);
    return false;
  }
};

// One edit under a failing allocation.
struct KxSweepStep {
  long nth;     // the allocation that failed; 0: every allocation failed
  bool threw;   // the edit gave up with memFullErr
  long leaked;  // blocks alive after the edit that were not before it
};

// For nth = first..last: `setup` builds the object afresh with memory to
// spare, then `edit` runs with the reserve emptied and the nth allocation
// failing (nth 0: every allocation), under a lasting shortage; `check` sees
// the outcome with failing switched off again. An exception other than
// memFullErr fails the test. Answers how many edits gave up.
inline int KxSweepAllocations(long first, long last, const std::function<void()>& setup,
                              const std::function<void()>& edit,
                              const std::function<void(const KxSweepStep&)>& check) {
  KxTestShortage shortage;
  KxMemSetRecoverer(&shortage);
  int failures = 0;
  for (long nth = first; nth <= last; ++nth) {
    setup();
    KxMemEmergencyFree();
    kx_memtest::SetMaxBlock(0);  // no refill of the reserve meanwhile
    const long live = kx_memtest::LiveBlocks();
    if (nth == 0)
      kx_memtest::FailAll(true);
    else
      kx_memtest::FailNth(nth);
    KxSweepStep step{nth, false, 0};
    try {
      edit();
    } catch (const LException& e) {
      step.threw = true;
      EXPECT_EQ(e.GetErrorCode(), memFullErr) << "failing allocation " << nth;
    }
    kx_memtest::Reset();
    kx_memtest::SetMaxBlock(0);
    step.leaked = kx_memtest::LiveBlocks() - live;
    failures += step.threw;
    check(step);
  }
  kx_memtest::Reset();
  KxMemSetRecoverer(nullptr);
  KxMemPrinting(0);  // refills the reserve
  return failures;
}
