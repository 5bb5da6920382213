#include "views/facilities.h"

#include "layout/facilities.h"
#include "platform/core.h"
#include "platform/toolbox/japanese_analysis.h"

// The engine area has no start-up of its own yet: the views start after the
// layout's.
void KxViewsFacilities() {
  KxLayoutFacilities();
  KxRegisterFacility(kRankViews, "japanese readings", nullptr, UJapaneseAnalysis::Terminate);
}
