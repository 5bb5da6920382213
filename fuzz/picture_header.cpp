// Picture records as documents and the clipboard hand them over: the header,
// the JPEG marker search and the JPEG data behind it, drawn into a small
// port. Input: the record's bytes as they stand.
// Properties: a record whose JPEG data offset is found lies inside it; a
// drawn picture leaves nothing outside its rectangle.
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/facilities.h"
#include "layout/draw_picture.h"
#include "platform/core.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxFormatsFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const long length = long(size);
  const long at = KxPictJPEGDataOffset(data, length);
  if (at >= 0 && (at < 32 || at > length)) std::abort();
  std::uint16_t pictSize;
  Rect frame;
  const bool header = KXPictPtrGetSize(data, length, pictSize) && KXPictPtrGetRect(data, length, frame);
  if (header != (length >= kKxPictHeaderSize)) std::abort();

  auto port = KxPort::NewImage(48, 32);
  StKxPortSaver saver(port.get());
  KxTextDrawPictureData(4, 4, 24, 16, data, length, 0);
  cairo_surface_flush(port->Surface());
  const unsigned char* d = cairo_image_surface_get_data(port->Surface());
  const int stride = cairo_image_surface_get_stride(port->Surface());
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 48; ++x) {
      const bool inside = x >= 4 && x < 28 && y >= 4 && y < 20;
      const std::uint32_t px = reinterpret_cast<const std::uint32_t*>(d + y * stride)[x] & 0xFFFFFF;
      if (!inside && px != 0xFFFFFF) std::abort();
    }
  return 0;
}
