#include "app/facilities.h"

#include "app/color_prefs.h"
#include "app/globals.h"
#include "app/spelling_language.h"
#include "app/text_services.h"
#include "app/word_services.h"
#include "views/facilities.h"
#include "platform/core.h"

void KxAppFacilities() {
  KxViewsFacilities();
  KxRegisterFacility(kRankAppGlobals, "application globals", KxSetGlobalDefaults, nullptr);
  KxRegisterFacility(kRankAppLists, "application lists", nullptr, KxFreeGlobalLists);
  KxRegisterFacility(kRankColorPreference, "colour preferences", UKXColorPreference::Initialize,
                     UKXColorPreference::Terminate);
  KxRegisterFacility(kRankApp, "spelling checkers", [] { KxInstallWordServices(true); },
                     [] { KxInstallWordServices(false); });
  KxRegisterFacility(kRankApp, "spelling language", [] { KxInstallSpellLanguage(true); },
                     [] { KxInstallSpellLanguage(false); });
  KxRegisterFacility(kRankApp, "text view services", [] { KxInstallAppTextServices(true); },
                     [] { KxInstallAppTextServices(false); });
}
