#include "layout/draw_picture.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <new>

#include "layout/draw_lines.h"
#include "layout/draw_toolkit.h"
#include "platform/bytefields.h"
#include "platform/exception.h"
#include "platform/memory.h"
#include "platform/toolbox/pict.h"

const char sJPEGIDString[16] = {'*', 'J', 'P', 'E', 'G', '-', 'D', 'A', 'T', 'A', '-', 'S', 'T', 'A', 'R', 'T'};

namespace {

constexpr long kMarkerAlign = 16;
constexpr int kPlaceholderNet = 5;

std::uint16_t Get16(const unsigned char* p) { return KxGetU16BE(p); }
void Put16(unsigned char* p, std::uint16_t v) { KxPutU16BE(p, v); }

std::map<OSType, KxPictureConverter>& Converters() {
  static auto* converters = new std::map<OSType, KxPictureConverter>;
  return *converters;
}

}  // namespace

bool KXPictPtrGetSize(const void* record, long length, std::uint16_t& size) {
  if (!record || length < kKxPictHeaderSize) return false;
  size = Get16(static_cast<const unsigned char*>(record));
  return true;
}

bool KXPictPtrGetRect(const void* record, long length, Rect& frame) {
  if (!record || length < kKxPictHeaderSize) return false;
  const auto* p = static_cast<const unsigned char*>(record);
  frame.top = std::int16_t(Get16(p + 2));
  frame.left = std::int16_t(Get16(p + 4));
  frame.bottom = std::int16_t(Get16(p + 6));
  frame.right = std::int16_t(Get16(p + 8));
  return true;
}

bool KXPictPtrSetSize(void* record, long length, std::uint16_t size) {
  if (!record || length < kKxPictHeaderSize) return false;
  Put16(static_cast<unsigned char*>(record), size);
  return true;
}

bool KXPictPtrSetRect(void* record, long length, const Rect& frame) {
  if (!record || length < kKxPictHeaderSize) return false;
  auto* p = static_cast<unsigned char*>(record);
  Put16(p + 2, std::uint16_t(frame.top));
  Put16(p + 4, std::uint16_t(frame.left));
  Put16(p + 6, std::uint16_t(frame.bottom));
  Put16(p + 8, std::uint16_t(frame.right));
  return true;
}

bool KXPictGetSize(Handle pict, std::uint16_t& size) {
  return pict && *pict && KXPictPtrGetSize(*pict, long(GetHandleSize(pict)), size);
}

bool KXPictGetRect(Handle pict, Rect& frame) {
  return pict && *pict && KXPictPtrGetRect(*pict, long(GetHandleSize(pict)), frame);
}

long KxPictJPEGDataOffset(const void* record, long length) {
  std::uint16_t size;
  if (!KXPictPtrGetSize(record, length, size) || size != kKxPictJPEGSize) return -1;
  const auto* p = static_cast<const char*>(record);
  // The preview holds at least the header, so the marker is at 16 or later.
  for (long at = kMarkerAlign; at <= length - long(sizeof sJPEGIDString); at += kMarkerAlign)
    if (std::memcmp(p + at, sJPEGIDString, sizeof sJPEGIDString) == 0) return at + long(sizeof sJPEGIDString);
  return -1;
}

void KxSetPictureConverter(OSType kind, KxPictureConverter converter) {
  if (converter)
    Converters()[kind] = converter;
  else
    Converters().erase(kind);
}

KxPictureConverter KxGetPictureConverter(OSType kind) {
  auto it = Converters().find(kind);
  return it == Converters().end() ? nullptr : it->second;
}

namespace {

void DrawPlaceholder(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, short scale) {
  KxTextDrawNet(x, y, w, h, kPlaceholderNet, kKxColorBlue, scale, 0);
  CKXDrawState state;
  state.Normalize();
  KxTextFrameRect(RectL{y, x, y + h, x + w}, scale);
}

// The pixels stretched (nearest pixel) over dst, through the port's clip.
bool Blit(const KxPicturePixels& px, const RectL& dst) {
  const std::int64_t w = std::int64_t(dst.right) - dst.left, h = std::int64_t(dst.bottom) - dst.top;
  if (w < 1 || h < 1 || w > kKxPictureMaxSide || h > kKxPictureMaxSide) return false;
  if (px.width < 1 || px.height < 1 || px.rgb.size() != std::size_t(px.width) * std::size_t(px.height) * 3)
    return false;
  GrafPtr port = KxGetPort();
  if (!port) return false;
  // Only the part the port shows through its clip: a photo drawn at its
  // size is mostly outside the window.
  StKxRegion clip;
  GetClip(clip);
  const RectL box = KxRegionBoundsL(clip), bounds = port->PortRectL();
  const std::int32_t top = std::max({dst.top, box.top, bounds.top});
  const std::int32_t left = std::max({dst.left, box.left, bounds.left});
  const std::int32_t bottom = std::min({dst.bottom, box.bottom, bounds.bottom});
  const std::int32_t right = std::min({dst.right, box.right, bounds.right});
  if (top >= bottom || left >= right) return true;   // drawn: none of it shows
  std::unique_ptr<KxPort> image = KxPort::NewImage(right - left, bottom - top);
  cairo_surface_t* s = image->Surface();
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (std::int32_t row = top; row < bottom; ++row) {
    const std::int64_t sy = std::int64_t(row - dst.top) * px.height / h;
    auto* out = reinterpret_cast<std::uint32_t*>(data + std::size_t(row - top) * std::size_t(stride));
    for (std::int32_t col = left; col < right; ++col) {
      const std::int64_t sx = std::int64_t(col - dst.left) * px.width / w;
      const std::uint8_t* in = px.rgb.data() + (sy * px.width + sx) * 3;
      out[col - left] = std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2];
    }
  }
  cairo_surface_mark_dirty(s);
  KxCopyPortBits(image.get(), RectL{0, 0, bottom - top, right - left}, PointL{top, left});
  return true;
}

// The pictures last decoded from JPEG data, newest first, found again by
// their converter and their exact bytes: a view draws a picture again on
// every scroll, and a photo takes a tenth of a second to decode.
class DecodedPictures {
 public:
  const KxPicturePixels* Find(KxPictureConverter convert, const unsigned char* data, long length) {
    for (auto it = mEntries.begin(); it != mEntries.end(); ++it)
      if (it->convert == convert && it->data.size() == std::size_t(length) &&
          std::memcmp(it->data.data(), data, std::size_t(length)) == 0) {
        mEntries.splice(mEntries.begin(), mEntries, it);
        return &mEntries.front().pixels;
      }
    return nullptr;
  }
  void Keep(KxPictureConverter convert, const unsigned char* data, long length, KxPicturePixels&& pixels) {
    const std::size_t cost = std::size_t(length) + pixels.rgb.size();
    if (cost > kBudget) return;
    try {
      mEntries.push_front(Entry{convert, std::vector<unsigned char>(data, data + length), std::move(pixels)});
    } catch (const std::bad_alloc&) {
      return;   // drawn all the same, only not kept
    }
    mHeld += cost;
    while (mHeld > kBudget) {
      mHeld -= mEntries.back().data.size() + mEntries.back().pixels.rgb.size();
      mEntries.pop_back();
    }
  }

 private:
  // Room for one 16-megapixel photo with its data; the memory stays held
  // after the document closes, so no more.
  static constexpr std::size_t kBudget = std::size_t(64) << 20;
  struct Entry {
    KxPictureConverter convert;
    std::vector<unsigned char> data;
    KxPicturePixels pixels;
  };
  std::list<Entry> mEntries;
  std::size_t mHeld = 0;
};

DecodedPictures& Decoded() {
  static auto* pictures = new DecodedPictures;
  return *pictures;
}

}  // namespace

bool KxTextDrawPictureData(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const void* record,
                           long length, short scale) {
  if (!KxGetPort()) return false;
  const long at = KxPictJPEGDataOffset(record, length);
  const KxPictureConverter convert = KxGetPictureConverter(kKxPictureKindJPEG);
  // Screens and paper alike: a printout shows the picture, not its box.
  if (at < 0 || convert) {
    KxPicturePixels px;
    const RectL dst = KxScaleToRectL(RectL{y, x, y + h, x + w}, scale);
    try {
      if (at >= 0) {
        const unsigned char* data = static_cast<const unsigned char*>(record) + at;
        if (const KxPicturePixels* kept = Decoded().Find(convert, data, length - at)) {
          if (Blit(*kept, dst)) return true;
        } else if (convert(data, length - at, px)) {
          const bool drawn = Blit(px, dst);
          Decoded().Keep(convert, data, length - at, std::move(px));
          if (drawn) return true;
        }
      } else if (KxPictPixels pixels; length > 0 && KxPictToPixels(static_cast<const std::uint8_t*>(record),
                                                                        std::size_t(length), pixels)) {
        // A picture of pixels (a PICT file, a pasted picture).
        px.width = pixels.width;
        px.height = pixels.height;
        px.rgb.resize(pixels.rgb.size() * 3);
        for (std::size_t i = 0; i < pixels.rgb.size(); ++i) {
          px.rgb[3 * i] = std::uint8_t(pixels.rgb[i] >> 16);
          px.rgb[3 * i + 1] = std::uint8_t(pixels.rgb[i] >> 8);
          px.rgb[3 * i + 2] = std::uint8_t(pixels.rgb[i]);
        }
        if (Blit(px, dst)) return true;
      }
    } catch (const std::bad_alloc&) {
      // Too large to hold: shown as the box.
    } catch (const LException&) {
      // No surface for it: the same.
    }
  }
  DrawPlaceholder(x, y, w, h, scale);
  return false;
}

bool KxTextDrawPicture(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Handle pict, short scale) {
  if (!pict || !*pict) {
    DrawPlaceholder(x, y, w, h, scale);
    return false;
  }
  return KxTextDrawPictureData(x, y, w, h, *pict, long(GetHandleSize(pict)), scale);
}
