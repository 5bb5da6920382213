#include "formats/facilities.h"

#include "document/facilities.h"
#include "formats/picture_converters.h"
#include "formats/rtf_convert.h"

void KxFormatsFacilities() {
  KxDocumentFacilities();
  KxPictureConverterFacilities();
  KxRTFFacilities();
}
