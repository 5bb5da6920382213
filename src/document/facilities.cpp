#include "document/facilities.h"

#include "app/facilities.h"
#include "document/color_schedule_container.h"
#include "platform/core.h"

void KxDocumentFacilities() {
  KxAppFacilities();
  KxRegisterFacility(kRankDocument, "colour schedule container", KxInstallScheduleContainer, KxRemoveScheduleContainer);
  KxRegisterFacility(kRankDocument, "scrap book clips", KxInstallScrapTextSource, KxRemoveScrapTextSource);
}
