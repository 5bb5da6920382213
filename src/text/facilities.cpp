#include "text/facilities.h"

#include "platform/core.h"
#include "text/memory.h"
#include "text/runs.h"
#include "text/unicode.h"

void KxTextFacilities() {
  KxPlatformFacilities();
  KxTextMemoryFacilities();
  KxTextRunsFacilities();
  KxTextUnicodeFacilities();
}
