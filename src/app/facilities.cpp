#include "app/facilities.h"

#include "app/globals.h"
#include "layout/facilities.h"
#include "platform/core.h"

void KxAppFacilities() {
  KxLayoutFacilities();
  KxRegisterFacility(kRankAppGlobals, "application globals", KxSetGlobalDefaults, nullptr);
  KxRegisterFacility(kRankAppLists, "application lists", nullptr, KxFreeGlobalLists);
}
