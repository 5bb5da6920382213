// Moving pixels: copies between ports and scrolling within one.
#include <cstring>
#include <memory>

#include "platform/draw/port.h"
#include "platform/draw/port_fill.h"

namespace {

// Copies the pixels of region r (surface coordinates of dst) from src, whose
// pixel for dst's (x, y) is (x + dx, y + dy). Source pixels off src are
// left alone. src may be dst: a scroll.
void CopyPixels(KxPort& src, KxPort& dst, const kx_draw::DevRegion& r, std::int64_t dx, std::int64_t dy) {
  // Only pixels whose source exists.
  kx_draw::DevRegion have({kx_draw::DevRect::Cut(-dx, -dy, src.Width() - dx, src.Height() - dy,
                                                  dst.Width(), dst.Height())});
  have.Intersect(r);
  if (have.Empty()) return;
  cairo_surface_flush(src.Surface());
  const unsigned char* sdata = cairo_image_surface_get_data(src.Surface());
  const int sstride = cairo_image_surface_get_stride(src.Surface());
  if (!sdata) return;
  if (!dst.IsRaster()) {
    cairo_t* cr = cairo_create(dst.Surface());
    const int n = cairo_region_num_rectangles(have.Get());
    for (int i = 0; i < n; ++i) {
      cairo_rectangle_int_t rect;
      cairo_region_get_rectangle(have.Get(), i, &rect);
      cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    }
    cairo_set_source_surface(cr, src.Surface(), double(-dx), double(-dy));
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_fill(cr);
    cairo_destroy(cr);
    return;
  }
  cairo_rectangle_int_t b;
  cairo_region_get_extents(have.Get(), &b);
  if (&src == &dst && cairo_region_num_rectangles(have.Get()) == 1) {
    // A scroll of one rectangle, the usual case: row by row in the order
    // that reads every source row before it is written over, each row with
    // memmove (its source may overlap it).
    cairo_surface_t* s = dst.Surface();
    unsigned char* data = cairo_image_surface_get_data(s);
    const std::size_t stride = std::size_t(cairo_image_surface_get_stride(s));
    auto row = [&](int y) {
      std::memmove(data + std::size_t(y) * stride + std::size_t(b.x) * 4,
                   data + std::size_t(y + dy) * stride + std::size_t(b.x + dx) * 4, std::size_t(b.width) * 4);
    };
    if (dy > 0)
      for (int y = b.y; y < b.y + b.height; ++y) row(y);
    else
      for (int y = b.y + b.height - 1; y >= b.y; --y) row(y);
    cairo_surface_mark_dirty(s);
    return;
  }
  // Snapshot of the source rows and columns that are read.
  const int sx = int(b.x + dx), sy = int(b.y + dy);
  std::unique_ptr<std::uint32_t[]> snap(new std::uint32_t[std::size_t(b.width) * std::size_t(b.height)]);
  for (int y = 0; y < b.height; ++y)
    std::memcpy(&snap[std::size_t(y) * std::size_t(b.width)],
                sdata + std::size_t(sy + y) * std::size_t(sstride) + std::size_t(sx) * 4,
                std::size_t(b.width) * 4);
  cairo_surface_t* s = dst.Surface();
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  const int n = cairo_region_num_rectangles(have.Get());
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t rect;
    cairo_region_get_rectangle(have.Get(), i, &rect);
    for (int y = rect.y; y < rect.y + rect.height; ++y)
      std::memcpy(data + std::size_t(y) * std::size_t(stride) + std::size_t(rect.x) * 4,
                  &snap[std::size_t(y - b.y) * std::size_t(b.width) + std::size_t(rect.x - b.x)],
                  std::size_t(rect.width) * 4);
  }
  cairo_surface_mark_dirty(s);
}

}  // namespace

void KxCopyPortBits(GrafPtr src, const RectL& srcRect, const PointL& dstTopLeft) {
  GrafPtr dst = KxGetPort();
  if (!dst || !src || !src->IsRaster()) return;
  const std::int64_t w = std::int64_t(srcRect.right) - srcRect.left;
  const std::int64_t h = std::int64_t(srcRect.bottom) - srcRect.top;
  if (w <= 0 || h <= 0) return;
  const std::int64_t x = dst->DeviceH(dstTopLeft.h), y = dst->DeviceV(dstTopLeft.v);
  kx_draw::DevRegion r({kx_draw::DevRect::Cut(x, y, x + w, y + h, dst->Width(), dst->Height())});
  r.Intersect(kx_draw::DevRegion::Clip(*dst));
  CopyPixels(*src, *dst, r, src->DeviceH(srcRect.left) - x, src->DeviceV(srcRect.top) - y);
}

void ScrollRect(const Rect* r, std::int32_t dh, std::int32_t dv, RgnHandle update) {
  SetEmptyRgn(update);
  GrafPtr port = KxGetPort();
  if (!port || !r) return;
  KxPort& p = *port;
  kx_draw::DevRegion area({kx_draw::DevRect::Cut(p.DeviceH(r->left), p.DeviceV(r->top), p.DeviceH(r->right),
                                                 p.DeviceV(r->bottom), p.Width(), p.Height())});
  area.Intersect(kx_draw::DevRegion::Clip(p));
  if (area.Empty()) return;
  kx_draw::DevRegion moved;
  // A move as long as the area leaves nothing of it to keep.
  if (p.IsRaster() && dh > -p.Width() && dh < p.Width() && dv > -p.Height() && dv < p.Height()) {
    moved.Union(area);
    moved.Translate(dh, dv);
    moved.Intersect(area);
    CopyPixels(p, p, moved, -std::int64_t(dh), -std::int64_t(dv));
  }
  kx_draw::DevRegion strip;
  strip.Union(area);
  strip.Subtract(moved);
  kx_draw::FillRegion(p, strip, kKxWhitePat, patCopy);
  strip.ToLocal(p, update);
}
