#include "macros/facilities.h"

#include "macros/macro.h"
#include "platform/core.h"
#include "text/facilities.h"

void KxMacrosFacilities() {
  KxTextFacilities();
  KxRegisterFacility(kRankMacros, "macros", UKXTextMacro::Initialize, UKXTextMacro::Terminate);
}
