#include "document/facilities.h"

#include "text/facilities.h"

void KxDocumentFacilities() { KxTextFacilities(); }
