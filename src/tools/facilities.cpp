#include "tools/facilities.h"

#include "text/facilities.h"

void KxToolsFacilities() { KxTextFacilities(); }
