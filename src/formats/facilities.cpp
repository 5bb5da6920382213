#include "formats/facilities.h"

#include "document/facilities.h"
#include "formats/picture_converters.h"

void KxFormatsFacilities() {
  KxDocumentFacilities();
  KxPictureConverterFacilities();
}
