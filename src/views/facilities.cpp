#include "views/facilities.h"

#include "engine/facilities.h"
#include "platform/core.h"
#include "platform/toolbox/japanese_analysis.h"
#include "views/drag_view.h"

void KxViewsFacilities() {
  KxEngineFacilities();
  KxRegisterFacility(kRankViews, "japanese readings", nullptr, UJapaneseAnalysis::Terminate);
  KxRegisterFacility(kRankViews, "drops from the host", CKXDragView::InstallHostDrops, CKXDragView::RemoveHostDrops);
}
