// JPEG data made into a picture of pixels: decoding through the installed
// converter, the size checks, the 1-bit choice. Whatever comes out must read
// back whole, at the size the decoder gave.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/facilities.h"
#include "layout/draw_picture.h"
#include "layout/pict_jpeg.h"
#include "platform/core.h"
#include "platform/toolbox/pict.h"
#include "text/base/memory.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxFormatsFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);   // exactly sized: overreads show
  Handle pict = UKXPict::GetPictureFromJPEG(bytes.empty() ? nullptr : bytes.data(), long(bytes.size()));
  if (!pict) return 0;
  KxPictPixels px;
  const long n = KxMemHSize(pict);
  if (!KxPictToPixels(reinterpret_cast<const std::uint8_t*>(*pict), std::size_t(n), px)) std::abort();
  KxPicturePixels decoded;
  if (!KxGetPictureConverter(kKxPictureKindJPEG)(bytes.data(), long(bytes.size()), decoded)) std::abort();
  if (px.width != decoded.width || px.height != decoded.height) std::abort();
  KxMemHFree(pict);
  return 0;
}
