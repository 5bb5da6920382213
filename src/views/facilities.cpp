#include "views/facilities.h"

#include "engine/facilities.h"
#include "platform/core.h"
#include "platform/toolbox/japanese_analysis.h"

void KxViewsFacilities() {
  KxEngineFacilities();
  KxRegisterFacility(kRankViews, "japanese readings", nullptr, UJapaneseAnalysis::Terminate);
}
