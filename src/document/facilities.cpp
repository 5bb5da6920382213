#include "document/facilities.h"

#include "engine/facilities.h"

void KxDocumentFacilities() { KxEngineFacilities(); }
