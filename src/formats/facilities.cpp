#include "formats/facilities.h"

#include "text/facilities.h"

void KxFormatsFacilities() { KxTextFacilities(); }
