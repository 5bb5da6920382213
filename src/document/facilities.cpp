#include "document/facilities.h"

#include "layout/facilities.h"

void KxDocumentFacilities() { KxLayoutFacilities(); }
