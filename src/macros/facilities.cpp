#include "macros/facilities.h"

#include "macros/macro.h"
#include "platform/core.h"
#include "tools/facilities.h"

void KxMacrosFacilities() {
  KxToolsFacilities();
  KxRegisterFacility(kRankMacros, "macros", UKXTextMacro::Initialize, UKXTextMacro::Terminate);
}
