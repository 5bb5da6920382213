#include "document/facilities.h"

#include "app/facilities.h"

void KxDocumentFacilities() { KxAppFacilities(); }
