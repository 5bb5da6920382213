// The picture converters of the formats area, installed at start-up so that
// the layout can draw the pictures it finds in text.
#include "formats/picture_converters.h"

#include <cstdint>
#include <new>
#include <vector>

#include "formats/jpeg.h"
#include "layout/draw_picture.h"
#include "platform/core.h"

bool KxConvertJPEGToPixels(const unsigned char* data, long length, KxPicturePixels& out) {
  if (!data || length <= 0) return false;
  // The decoder wants writable bytes that stay put while it works.
  std::vector<char> bytes(data, data + length);
  out.rgb.clear();
  CKXJpegPixelRows decoder(out.rgb);
  if (decoder.SetJpegData(bytes.data(), length) != 0) return false;
  unsigned char *r, *g, *b;
  long width, height;
  decoder.GetPictData(&r, &g, &b, width, height);
  if (width < 1 || height < 1 || width > kKxPictureMaxSide || height > kKxPictureMaxSide ||
      std::int64_t(width) * height > kKxPictureMaxPixels)
    return false;
  try {
    out.rgb.reserve(std::size_t(width) * std::size_t(height) * 3);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (decoder.DoDecodeRows() != 0 || out.rgb.size() != std::size_t(width) * std::size_t(height) * 3) {
    out.rgb.clear();
    return false;
  }
  out.width = std::int32_t(width);
  out.height = std::int32_t(height);
  return true;
}

namespace {
void Install() { KxSetPictureConverter(kKxPictureKindJPEG, KxConvertJPEGToPixels); }
void Remove() { KxSetPictureConverter(kKxPictureKindJPEG, nullptr); }
}  // namespace

void KxPictureConverterFacilities() { KxRegisterFacility(kRankFormats, "picture converters", Install, Remove); }
