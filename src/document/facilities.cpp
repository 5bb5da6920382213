#include "document/facilities.h"

#include "app/facilities.h"
#include "document/color_schedule_container.h"
#include "document/custom_form.h"
#include "platform/core.h"

void KxDocumentFacilities() {
  KxAppFacilities();
  KxRegisterFacility(kRankDocument, "colour schedule container", KxInstallScheduleContainer, KxRemoveScheduleContainer);
  KxRegisterFacility(kRankDocument, "scrap book clips", KxInstallScrapTextSource, KxRemoveScrapTextSource);
  KxRegisterFacility(kRankDocument, "page form table chunk", [] { UKXTextCustomForm::InstallChunk(true); },
                     [] { UKXTextCustomForm::InstallChunk(false); });
}
