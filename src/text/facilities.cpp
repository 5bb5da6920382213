#include "text/facilities.h"

#include "platform/core.h"
#include "text/base/memory.h"
#include "text/runs/runs.h"
#include "text/store/strarray.h"
#include "text/codes/unicode.h"

void KxTextFacilities() {
  KxPlatformFacilities();
  KxTextMemoryFacilities();
  KxRegisterFacility(kRankText, "character store", CKXStrArray::Initialize, CKXStrArray::Terminate);
  KxTextRunsFacilities();
  KxTextUnicodeFacilities();
}
