// The picture converters of the formats area, installed at start-up so that
// the layout can draw the pictures it finds in text.
#include "formats/picture_converters.h"

#include <vector>

#include "formats/jpeg.h"
#include "layout/draw_picture.h"
#include "platform/core.h"

bool KxConvertJPEGToPixels(const unsigned char* data, long length, KxPicturePixels& out) {
  if (!data || length <= 0) return false;
  // The decoder wants writable bytes that stay put while it works.
  std::vector<char> bytes(data, data + length);
  CKXJpegDecoder decoder;
  if (decoder.SetJpegData(bytes.data(), length) != 0 || decoder.DoDecode() != 0) return false;
  unsigned char *r, *g, *b;
  long width, height;
  decoder.GetPictData(&r, &g, &b, width, height);
  if (!r || !g || !b || width < 1 || height < 1 || width > kKxPictureMaxSide || height > kKxPictureMaxSide)
    return false;
  out.width = std::int32_t(width);
  out.height = std::int32_t(height);
  out.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
  for (long i = 0; i < width * height; ++i) {
    out.rgb[std::size_t(i) * 3] = r[i];
    out.rgb[std::size_t(i) * 3 + 1] = g[i];
    out.rgb[std::size_t(i) * 3 + 2] = b[i];
  }
  return true;
}

namespace {
void Install() { KxSetPictureConverter(kKxPictureKindJPEG, KxConvertJPEGToPixels); }
void Remove() { KxSetPictureConverter(kKxPictureKindJPEG, nullptr); }
}  // namespace

void KxPictureConverterFacilities() { KxRegisterFacility(kRankFormats, "picture converters", Install, Remove); }
