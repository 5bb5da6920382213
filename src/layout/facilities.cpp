#include "layout/facilities.h"

#include "text/facilities.h"

void KxLayoutFacilities() { KxTextFacilities(); }
