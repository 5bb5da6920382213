#include "text/facilities.h"

#include "platform/core.h"
#include "text/memory.h"

void KxTextFacilities() {
  KxPlatformFacilities();
  KxTextMemoryFacilities();
}
