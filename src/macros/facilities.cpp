#include "macros/facilities.h"

#include "text/facilities.h"

void KxMacrosFacilities() { KxTextFacilities(); }
