#include "formats/facilities.h"

#include "document/facilities.h"

void KxFormatsFacilities() { KxDocumentFacilities(); }
