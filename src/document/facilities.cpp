#include "document/facilities.h"

#include <cstring>
#include <vector>

#include "app/facilities.h"
#include "app/text_services.h"
#include "document/color_schedule_container.h"
#include "document/custom_form.h"
#include "document/file_tube.h"
#include "layout/pict_jpeg.h"
#include "platform/core.h"
#include "text/base/memory.h"

namespace {

// A chosen JPEG goes into the text in the file tube's JPEG form, so that a
// save stores the JPEG itself and not its decoded pixels. The handle is of
// the memory layer, as the text store's picture table frees it.
Handle JPEGFormPicture(const void* jpeg, long size) {
  const std::vector<std::uint8_t> form = CKXTextFileTube::GetPictureFromJPEG(jpeg, size);
  if (form.empty()) return nullptr;
  Handle h = KxMemHAlloc(long(form.size()), false);
  if (h) std::memcpy(*h, form.data(), form.size());
  return h;
}

}  // namespace

void KxDocumentFacilities() {
  KxAppFacilities();
  KxRegisterFacility(kRankDocument, "colour schedule container", KxInstallScheduleContainer, KxRemoveScheduleContainer);
  KxRegisterFacility(kRankDocument, "scrap book clips", KxInstallScrapTextSource, KxRemoveScrapTextSource);
  KxRegisterFacility(kRankDocument, "page form table chunk", [] { UKXTextCustomForm::InstallChunk(true); },
                     [] { UKXTextCustomForm::InstallChunk(false); });
  KxRegisterFacility(kRankDocument, "JPEG pictures kept whole", [] { KxSetJPEGPictureMaker(JPEGFormPicture); },
                     [] { KxSetJPEGPictureMaker(nullptr); });
}
