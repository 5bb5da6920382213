#include "formats/facilities.h"

#include "document/facilities.h"
#include "engine/flavor_exchange.h"
#include "formats/aozora.h"
#include "formats/picture_converters.h"
#include "formats/rtf_convert.h"
#include "platform/core.h"

namespace {
bool ReadAozora(CKXText& text, const char* bytes, long length, const SStyl& style) {
  return ConvertAozoraTextWithTextRef(&text, bytes, length, &style) != 0;
}
}  // namespace

void KxFormatsFacilities() {
  KxDocumentFacilities();
  KxPictureConverterFacilities();
  KxRTFFacilities();
  KxRegisterFacility(kRankFormats, "Aozora reader", [] { KxSetAozoraReader(ReadAozora); },
                     [] { KxSetAozoraReader(nullptr); });
}
