#include "text/facilities.h"

#include "platform/core.h"
#include "text/base/memory.h"
#include "text/runs/runs.h"
#include "text/codes/unicode.h"

void KxTextFacilities() {
  KxPlatformFacilities();
  KxTextMemoryFacilities();
  KxTextRunsFacilities();
  KxTextUnicodeFacilities();
}
