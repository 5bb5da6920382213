#include "text/facilities.h"

#include "platform/core.h"
#include "text/memory.h"
#include "text/runs.h"

void KxTextFacilities() {
  KxPlatformFacilities();
  KxTextMemoryFacilities();
  KxTextRunsFacilities();
}
