#include "tools/facilities.h"

#include "formats/facilities.h"

void KxToolsFacilities() { KxFormatsFacilities(); }
