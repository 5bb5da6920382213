#include "layout/pict_jpeg.h"

#include <cstring>
#include <vector>

#include "layout/draw_picture.h"
#include "platform/toolbox/pict.h"
#include "text/base/memory.h"

namespace {
// Printing's memory rules for the length of a call.
class StMemPrinting {
 public:
  StMemPrinting() { KxMemPrinting(true); }
  ~StMemPrinting() { KxMemPrinting(false); }
  StMemPrinting(const StMemPrinting&) = delete;
  StMemPrinting& operator=(const StMemPrinting&) = delete;
};
}  // namespace

namespace {
KxJPEGPictureMaker gJPEGPictureMaker = nullptr;
}  // namespace

void KxSetJPEGPictureMaker(KxJPEGPictureMaker maker) { gJPEGPictureMaker = maker; }

Handle KxMakeJPEGPicture(const void* jpeg, long size) {
  return gJPEGPictureMaker ? gJPEGPictureMaker(jpeg, size) : UKXPict::GetPictureFromJPEG(jpeg, size);
}

Handle UKXPict::GetPictureFromJPEG(const void* data, long length) {
  const KxPictureConverter decode = KxGetPictureConverter(kKxPictureKindJPEG);
  if (!decode || !data || length <= 0) return nullptr;
  StMemPrinting printing;
  KxPicturePixels decoded;
  try {
    if (!decode(static_cast<const unsigned char*>(data), length, decoded)) return nullptr;
  } catch (...) {
    return nullptr;   // a decoder failure of any kind is a decoding failure
  }
  // Sizes in 64 bits: the decoder's word on the size is outside data too.
  const std::int64_t pixels = std::int64_t(decoded.width) * std::int64_t(decoded.height);
  if (decoded.width <= 0 || decoded.height <= 0 || pixels > kKxPictMaxPixels ||
      std::int64_t(decoded.rgb.size()) != pixels * 3)
    return nullptr;
  std::vector<std::uint32_t> map;
  try {
    map.resize(std::size_t(pixels));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (std::size_t i = 0; i < map.size(); ++i)
    map[i] = std::uint32_t(decoded.rgb[i * 3]) << 16 | std::uint32_t(decoded.rgb[i * 3 + 1]) << 8 |
             decoded.rgb[i * 3 + 2];
  const std::vector<std::uint8_t> record = KxPictFromPixels(decoded.width, decoded.height, map.data());
  if (record.size() <= std::size_t(kKxPictHeaderSize)) return nullptr;
  Handle h = KxMemHAlloc(long(record.size()), false);
  if (!h) return nullptr;
  std::memcpy(*h, record.data(), record.size());
  return h;
}
