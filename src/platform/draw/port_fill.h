// Inside the drawing port: pixel sets in surface coordinates and the one
// routine that fills them by a transfer mode. Only platform/draw uses this.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/draw/port.h"

namespace kx_draw {

inline std::int32_t Pin32(std::int64_t v) {
  return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// A rectangle of surface pixels, cut to the surface; x1 <= x0 or y1 <= y0
// means empty.
struct DevRect {
  int x0, y0, x1, y1;
  static DevRect Cut(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                     std::int32_t width, std::int32_t height) {
    return {int(std::clamp<std::int64_t>(left, 0, width)), int(std::clamp<std::int64_t>(top, 0, height)),
            int(std::clamp<std::int64_t>(right, 0, width)), int(std::clamp<std::int64_t>(bottom, 0, height))};
  }
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

// A set of surface pixels.
class DevRegion {
 public:
  DevRegion();
  explicit DevRegion(const std::vector<DevRect>& rects);
  DevRegion(DevRegion&& other) noexcept : mRegion(other.mRegion) { other.mRegion = nullptr; }
  DevRegion(const DevRegion&) = delete;
  DevRegion& operator=(const DevRegion&) = delete;
  ~DevRegion();
  // A local region's pixels that lie on the port's surface.
  static DevRegion FromLocal(const KxPort& port, RgnHandle rgn);
  // The port's clip on its surface.
  static DevRegion Clip(const KxPort& port);
  void Subtract(const DevRegion& other);
  void Intersect(const DevRegion& other);
  void Union(const DevRegion& other);
  void Translate(int dx, int dy);
  void ToLocal(const KxPort& port, RgnHandle out) const;
  bool Empty() const;
  cairo_region_t* Get() const { return mRegion; }

 private:
  cairo_region_t* mRegion;
};

// The pen's rectangles along the line from `from` to `to` (local), only
// those that can touch the surface.
void LinePixels(const KxPort& port, const PointL& from, const PointL& to, std::vector<DevRect>& out);

// Fills pixels (cut by the clip) with a pattern in a transfer mode.
void FillRegion(KxPort& port, const DevRegion& shape, const Pattern& pat, short mode);
inline void Fill(KxPort& port, const std::vector<DevRect>& rects, const Pattern& pat, short mode) {
  FillRegion(port, DevRegion(rects), pat, mode);
}
inline void FillPenRegion(KxPort& port, const DevRegion& shape) {
  if (port.mPenHidden <= 0) FillRegion(port, shape, port.mPen.pnPat, port.mPen.pnMode);
}
inline void FillPen(KxPort& port, const std::vector<DevRect>& rects) { FillPenRegion(port, DevRegion(rects)); }

// Applies an A8 mask (255 where a glyph covers) placed at surface (x, y) to
// a raster port through its clip: srcOr and srcCopy paint the fore colour,
// srcXor inverts, srcBic paints the back colour. With blend, partial cover
// mixes the colour in by its share (srcXor still goes by half cover).
void ApplyMask(KxPort& port, cairo_surface_t* mask, int x, int y, short textMode, bool blend = false);

// True once when highlighting was switched on for the next operation; it is
// then switched off again.
bool TakeHilite();

// The 24-bit pixel of a colour: the high byte of each component.
inline std::uint32_t PixelOf(const RGBColor& c) {
  return std::uint32_t(c.red >> 8) << 16 | std::uint32_t(c.green >> 8) << 8 | std::uint32_t(c.blue >> 8);
}
constexpr std::uint32_t kColorBits = 0x00FFFFFF;   // the pixel's colour; the top byte is unused

}  // namespace kx_draw
