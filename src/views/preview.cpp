#include "views/preview.h"

#include <algorithm>

#include "platform/draw/color.h"
#include "platform/memory.h"
#include "platform/script.h"

namespace {
constexpr short kJapaneseScript = 1;
constexpr std::uint8_t kReturn = 13;
}  // namespace

void KxDrawPictPixels(const KxPictPixels& pixels, std::int32_t left, std::int32_t top) {
  if (pixels.width <= 0 || pixels.height <= 0) return;
  std::unique_ptr<KxPort> off = KxPort::NewImage(pixels.width, pixels.height);
  cairo_surface_t* s = off->Surface();
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (std::int32_t y = 0; y < pixels.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + std::ptrdiff_t(y) * stride);
    std::copy_n(pixels.rgb.begin() + std::ptrdiff_t(y) * pixels.width, pixels.width, row);
  }
  cairo_surface_mark_dirty(s);
  KxCopyPortBits(off.get(), RectL{0, 0, pixels.height, pixels.width}, PointL{top, left});
}

KXPreview::KXPreview(const KxLayoutPaneRecord& record) : LView(record) {}

KXPreview::~KXPreview() {
  if (mData) DisposeHandle(mData);
}

void KXPreview::SetPreview(Handle data, OSType type) {
  if (mData) DisposeHandle(mData);
  mData = data;
  mType = type;
  mHasData = false;
  mPixels = KxPictPixels{};
  std::int32_t width = mFrameSize.width, height = mFrameSize.height;
  if (mData && *mData) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(*mData);
    const std::size_t size = std::size_t(std::max<Size>(0, GetHandleSize(mData)));
    if (type == kKxPreviewPICT) {
      if (KxPictToPixels(bytes, size, mPixels)) {
        width = mPixels.width;
        height = mPixels.height;
        mHasData = true;
      }
    } else if (type == kKxPreviewTEXT || type == kKxPreviewReadOnly || type == kKxPreviewDocument) {
      width = height = kKxPreviewTextImage;
      mHasData = true;
    }
  }
  ResizeImageTo(width, height, false);
  Refresh();
}

void KXPreview::DrawTextPreview(const RectL& image) {
  const auto* text = reinterpret_cast<const char*>(*mData);
  const std::int32_t size = std::int32_t(std::min<Size>(GetHandleSize(mData), kKxPreviewTextImage * 64));
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t lineHeight = std::max(1, info.ascent + info.descent + info.leading);
  std::int32_t v = image.top + info.ascent, h = image.left, lineStart = 0;
  // Wrapped at the image's width, a character at a time.
  for (std::int32_t i = 0; i < size && v - info.ascent < image.bottom;) {
    const std::int32_t len =
        (i + 1 < size && CharacterByteType(text, i, kJapaneseScript) < 0) ? 2 : 1;
    const bool newline = std::uint8_t(text[i]) == kReturn;
    const std::int32_t w = newline ? 0 : TextWidth(text, i, len);
    if (newline || (h + w > image.right && i > lineStart)) {
      v += lineHeight;
      h = image.left;
      lineStart = i + (newline ? 1 : 0);
      if (newline) {
        ++i;
        continue;
      }
    }
    MoveTo(h, v);
    DrawText(text, i, len);
    h += w;
    i += len;
  }
}

void KXPreview::DrawSelf() {
  RectL frame;
  CalcLocalFrameRect(frame);
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&UKXColor::sWhiteColor);
  Rect r;
  KxSetRect(r, frame);
  EraseRect(&r);
  const RectL image{0, 0, mImageSize.height, mImageSize.width};
  if (!mHasData) {
    // No data, or data that could not be read: a picture shows grey.
    if (mType == kKxPreviewPICT) {
      RGBForeColor(&UKXColor::sGrayColor);
      PaintRect(&r);
      RGBForeColor(&UKXColor::sBlackColor);
    }
    return;
  }
  if (mType == kKxPreviewPICT)
    KxDrawPictPixels(mPixels, image.left, image.top);
  else
    DrawTextPreview(image);
}
