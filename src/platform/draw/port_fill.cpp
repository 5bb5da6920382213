#include "platform/draw/port_fill.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/exception.h"

namespace kx_draw {

namespace {

cairo_region_t* Checked(cairo_region_t* r) {
  if (cairo_region_status(r) != CAIRO_STATUS_SUCCESS) {
    cairo_region_destroy(r);
    throw LException(memFullErr);
  }
  return r;
}

void Check(cairo_status_t s) {
  if (s != CAIRO_STATUS_SUCCESS) throw LException(memFullErr);
}

enum class Op { kCopy, kOr, kXor, kBic };

// Pen modes use their pattern forms: the low two bits choose the operation,
// bit 2 the inverted pattern.
Op OpOf(short mode) { return Op(mode & 3); }
bool NotOf(short mode) { return (mode & 4) != 0; }

bool Solid(const Pattern& p, std::uint8_t byte) {
  for (std::uint8_t b : p.pat)
    if (b != byte) return false;
  return true;
}

// floor(num / den) for den > 0.
__int128 FloorDiv(__int128 num, __int128 den) { return num >= 0 ? num / den : -((-num + den - 1) / den); }

void FillRaster(KxPort& port, cairo_region_t* r, const Pattern& pat, Op op, bool hilite) {
  cairo_surface_t* s = port.Surface();
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  const std::uint32_t fore = PixelOf(port.mFore), back = PixelOf(port.mBack), mark = PixelOf(port.mHilite);
  const bool allSet = Solid(pat, 0xFF);
  // A fill that gives every pixel one colour (erasing, painting): a plain
  // loop over the row, which the compiler turns into wide stores.
  std::int64_t one = -1;
  if (allSet && (op == Op::kCopy || op == Op::kOr)) one = fore;
  else if (allSet && op == Op::kBic) one = back;
  else if (op == Op::kCopy && Solid(pat, 0)) one = back;
  const std::int64_t oh = port.mOrigin.h, ov = port.mOrigin.v;
  const int n = cairo_region_num_rectangles(r);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t rect;
    cairo_region_get_rectangle(r, i, &rect);
    // Bounds in locals: the rectangle's address was taken, and stores to
    // the rows could otherwise change it, which keeps the loops scalar.
    const int x0 = rect.x, x1 = rect.x + rect.width, y1 = rect.y + rect.height;
    for (int y = rect.y; y < y1; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + std::size_t(y) * std::size_t(stride));
      if (one >= 0) {
        const std::uint32_t color = std::uint32_t(one);
        for (int x = x0; x < x1; ++x) row[x] = (row[x] & ~kColorBits) | color;
        continue;
      }
      const std::uint8_t bits = pat.pat[(y + ov) & 7];
      for (int x = x0; x < x1; ++x) {
        const bool on = allSet || ((bits >> (7 - ((x + oh) & 7))) & 1);
        std::uint32_t& px = row[x];
        const std::uint32_t keep = px & ~kColorBits;
        switch (op) {
          case Op::kCopy: px = keep | (on ? fore : back); break;
          case Op::kOr: if (on) px = keep | fore; break;
          case Op::kBic: if (on) px = keep | back; break;
          case Op::kXor:
            if (!on) break;
            if (!hilite) {
              px ^= kColorBits;
            } else {
              // Highlighting swaps the two colours and leaves every other one.
              const std::uint32_t c = px & kColorBits;
              if (c == back) px = keep | mark;
              else if (c == mark) px = keep | back;
            }
            break;
        }
      }
    }
  }
  cairo_surface_mark_dirty(s);
}

void SetColor(cairo_t* cr, const RGBColor& c) {
  cairo_set_source_rgb(cr, c.red / 65535.0, c.green / 65535.0, c.blue / 65535.0);
}

// Vector surfaces: the same pixels as filled squares. Paper cannot invert
// what lies under it, and XOR only ever marks a selection, a caret or a
// drag: none of them is printed, so XOR draws nothing there.
void FillVector(KxPort& port, cairo_region_t* r, const Pattern& pat, Op op) {
  if (op == Op::kXor) return;
  if (op != Op::kCopy && Solid(pat, 0)) return;
  cairo_t* cr = cairo_create(port.Surface());
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  const RGBColor& ink = op == Op::kBic ? port.mBack : port.mFore;
  if (Solid(pat, 0xFF)) {
    SetColor(cr, ink);
  } else if (op == Op::kCopy && Solid(pat, 0)) {
    SetColor(cr, port.mBack);
  } else {
    // An 8 x 8 tile: set bits in the ink, clear ones in the back colour
    // (copy) or clear (the others), laid from local (0, 0).
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_surface_flush(tile);
    unsigned char* d = cairo_image_surface_get_data(tile);
    if (d) {
      const int st = cairo_image_surface_get_stride(tile);
      const std::uint32_t on = 0xFF000000u | PixelOf(ink);
      const std::uint32_t off = op == Op::kCopy ? 0xFF000000u | PixelOf(port.mBack) : 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          reinterpret_cast<std::uint32_t*>(d + y * st)[x] = ((pat.pat[y] >> (7 - x)) & 1) ? on : off;
    }
    cairo_surface_mark_dirty(tile);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(tile);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(p, CAIRO_FILTER_NEAREST);
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, double(port.mOrigin.h & 7), double(port.mOrigin.v & 7));
    cairo_pattern_set_matrix(p, &m);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_surface_destroy(tile);
  }
  // One fill per rectangle: a renderer fits a lone rectangle to whole
  // pixels, where the outline of several together would grow by an edge.
  const int n = cairo_region_num_rectangles(r);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t rect;
    cairo_region_get_rectangle(r, i, &rect);
    cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
}

}  // namespace

// ---------------------------------------------------------------------------
// DevRegion

DevRegion::DevRegion() : mRegion(Checked(cairo_region_create())) {}

DevRegion::DevRegion(const std::vector<DevRect>& rects) {
  std::vector<cairo_rectangle_int_t> list;
  list.reserve(rects.size());
  for (const DevRect& r : rects)
    if (!r.Empty()) list.push_back({r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0});
  mRegion = Checked(cairo_region_create_rectangles(list.data(), int(list.size())));
}

DevRegion::~DevRegion() {
  if (mRegion) cairo_region_destroy(mRegion);
}

DevRegion DevRegion::FromLocal(const KxPort& port, RgnHandle rgn) {
  DevRegion out;
  if (!rgn) return out;
  // Cut to the surface while still local: the surface's local rectangle is
  // inside the limit square whenever any pixel of a region can fall on it.
  StKxRegion visible;
  KxRectRgnL(visible, port.PortRectL());
  SectRgn(visible, rgn, visible);
  Check(cairo_region_union(out.mRegion, static_cast<RgnHandle>(visible)->Get()));
  if (!out.Empty()) out.Translate(-port.mOrigin.h, -port.mOrigin.v);
  return out;
}

DevRegion DevRegion::Clip(const KxPort& port) {
  // The wide-open clip (the whole square) lets every pixel through, also
  // under an origin beyond the square.
  cairo_rectangle_int_t e;
  cairo_region_get_extents(port.mClip.Get(), &e);
  if (cairo_region_num_rectangles(port.mClip.Get()) == 1 && e.x == -kKxRegionLimit &&
      e.y == -kKxRegionLimit && e.width == 2 * kKxRegionLimit && e.height == 2 * kKxRegionLimit)
    return DevRegion({DevRect{0, 0, port.Width(), port.Height()}});
  return FromLocal(port, const_cast<KxRegion*>(&port.mClip));
}

void DevRegion::Subtract(const DevRegion& other) { Check(cairo_region_subtract(mRegion, other.mRegion)); }
void DevRegion::Intersect(const DevRegion& other) { Check(cairo_region_intersect(mRegion, other.mRegion)); }
void DevRegion::Union(const DevRegion& other) { Check(cairo_region_union(mRegion, other.mRegion)); }
void DevRegion::Translate(int dx, int dy) { cairo_region_translate(mRegion, dx, dy); }
bool DevRegion::Empty() const { return cairo_region_is_empty(mRegion); }

void DevRegion::ToLocal(const KxPort& port, RgnHandle out) const {
  if (!out) return;
  cairo_region_t* copy = Checked(cairo_region_copy(mRegion));
  // Surface pixels are below 32768 and the origin is pinned to the limit
  // square first, so the move stays in range.
  const std::int64_t oh = std::clamp<std::int64_t>(port.mOrigin.h, -kKxRegionLimit, kKxRegionLimit);
  const std::int64_t ov = std::clamp<std::int64_t>(port.mOrigin.v, -kKxRegionLimit, kKxRegionLimit);
  cairo_region_translate(copy, int(oh), int(ov));
  out->Adopt(copy);
  // The limit square still holds: cut anything the move carried past it.
  StKxRegion square;
  SetRectRgn(square, -kKxRegionLimit, -kKxRegionLimit, kKxRegionLimit, kKxRegionLimit);
  SectRgn(out, square, out);
}

// ---------------------------------------------------------------------------
// Lines

void LinePixels(const KxPort& port, const PointL& from, const PointL& to, std::vector<DevRect>& out) {
  const std::int64_t pw = port.mPen.pnSize.h, ph = port.mPen.pnSize.v;
  if (pw <= 0 || ph <= 0) return;
  std::int64_t ax = port.DeviceH(from.h), ay = port.DeviceV(from.v);
  std::int64_t bx = port.DeviceH(to.h), by = port.DeviceV(to.v);
  const std::int64_t W = port.Width(), H = port.Height();
  auto add = [&](std::int64_t x, std::int64_t y) {
    if (x + pw <= 0 || y + ph <= 0 || x >= W || y >= H) return;
    out.push_back(DevRect::Cut(x, y, x + pw, y + ph, port.Width(), port.Height()));
  };
  const std::int64_t dx = bx - ax, dy = by - ay;
  const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
  if (xMajor ? dx < 0 : dy < 0) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  const std::int64_t major = xMajor ? bx - ax : by - ay;   // >= 0
  const std::int64_t minor = xMajor ? by - ay : bx - ax;
  if (major == 0) {
    add(ax, ay);
    return;
  }
  // Only the steps whose pen can reach the surface.
  const std::int64_t start = xMajor ? ax : ay, size = xMajor ? W : H, pen = xMajor ? pw : ph;
  const std::int64_t first = std::max<std::int64_t>(0, -pen + 1 - start);
  const std::int64_t last = std::min<std::int64_t>(major, size - 1 - start);
  for (std::int64_t t = first; t <= last; ++t) {
    // The minor coordinate at step t, rounded half up.
    const std::int64_t m = std::int64_t(FloorDiv(__int128(2 * t) * minor + major, 2 * __int128(major)));
    if (xMajor) add(ax + t, ay + m);
    else add(ax + m, ay + t);
  }
}

// ---------------------------------------------------------------------------
// Filling

void FillRegion(KxPort& port, const DevRegion& shape, const Pattern& pat, short mode) {
  const Op op = OpOf(mode);
  const bool hilite = op == Op::kXor && TakeHilite();
  if (shape.Empty()) return;
  DevRegion r = DevRegion::Clip(port);
  r.Intersect(shape);
  if (r.Empty()) return;
  Pattern p = pat;
  if (NotOf(mode))
    for (std::uint8_t& b : p.pat) b = std::uint8_t(~b);
  if (port.IsRaster()) FillRaster(port, r.Get(), p, op, hilite);
  else FillVector(port, r.Get(), p, op);
}

namespace {
// c mixed share/255 of the way towards ink, per component.
std::uint32_t Mix(std::uint32_t c, std::uint32_t ink, unsigned share) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned a = (c >> shift) & 0xFF, b = (ink >> shift) & 0xFF;
    out |= ((a * (255 - share) + b * share + 127) / 255) << shift;
  }
  return out;
}

// One pixel under one mask byte, as the operation does it.
inline void MaskPixel(std::uint32_t& p, unsigned cover, Op op, bool blend, std::uint32_t fore, std::uint32_t back) {
  const std::uint32_t keep = p & ~kColorBits;
  if (blend && op != Op::kXor) {
    if (cover) p = keep | Mix(p & kColorBits, op == Op::kBic ? back : fore, cover);
    return;
  }
  if (cover < 0x80) return;
  switch (op) {
    case Op::kCopy:
    case Op::kOr: p = keep | fore; break;
    case Op::kXor: p ^= kColorBits; break;
    case Op::kBic: p = keep | back; break;
  }
}

#if defined(__SSE2__)
// Mix for four pixels at once, each by its own mask byte; the unused byte
// stays. Every sum is below 65536, and for those (v * 0x8081) >> 23 is
// v / 255 exactly. A cover of 0 gives the pixel back unchanged.
inline __m128i MixFour(__m128i pixels, std::uint32_t covers, __m128i ink) {
  const __m128i zero = _mm_setzero_si128();
  __m128i c = _mm_cvtsi32_si128(int(covers));
  c = _mm_unpacklo_epi8(c, c);
  c = _mm_unpacklo_epi16(c, c);  // each cover four times over
  const __m128i full = _mm_set1_epi16(255), half = _mm_set1_epi16(127), magic = _mm_set1_epi16(short(0x8081));
  auto mix = [&](__m128i a, __m128i s) {
    __m128i v = _mm_add_epi16(_mm_mullo_epi16(a, _mm_sub_epi16(full, s)), _mm_mullo_epi16(ink, s));
    v = _mm_add_epi16(v, half);
    return _mm_srli_epi16(_mm_mulhi_epu16(v, magic), 7);
  };
  const __m128i lo = mix(_mm_unpacklo_epi8(pixels, zero), _mm_unpacklo_epi8(c, zero));
  const __m128i hi = mix(_mm_unpackhi_epi8(pixels, zero), _mm_unpackhi_epi8(c, zero));
  const __m128i colour = _mm_set1_epi32(int(kColorBits));
  return _mm_or_si128(_mm_and_si128(_mm_packus_epi16(lo, hi), colour), _mm_andnot_si128(colour, pixels));
}
#endif
}  // namespace

void ApplyMask(KxPort& port, cairo_surface_t* mask, int x, int y, short textMode, bool blend) {
  if (!port.IsRaster()) return;
  cairo_surface_flush(mask);
  const unsigned char* m = cairo_image_surface_get_data(mask);
  if (!m) return;
  const int mw = cairo_image_surface_get_width(mask), mh = cairo_image_surface_get_height(mask);
  const int ms = cairo_image_surface_get_stride(mask);
  DevRegion r = DevRegion::Clip(port);
  r.Intersect(DevRegion({DevRect::Cut(x, y, std::int64_t(x) + mw, std::int64_t(y) + mh, port.Width(), port.Height())}));
  if (r.Empty()) return;
  cairo_surface_t* s = port.Surface();
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  const Op op = OpOf(textMode);
  const std::uint32_t fore = PixelOf(port.mFore), back = PixelOf(port.mBack);
  const bool mixing = blend && op != Op::kXor;
  // The mask bits that make a pixel change: any cover when blending, else
  // only cover from 0x80 on.
  const std::uint64_t idle = mixing ? ~std::uint64_t(0) : 0x8080808080808080ull;
#if defined(__SSE2__)
  const std::uint32_t inkPixel = op == Op::kBic ? back : fore;
  const __m128i ink = _mm_unpacklo_epi8(_mm_set1_epi32(int(inkPixel)), _mm_setzero_si128());
#endif
  const int n = cairo_region_num_rectangles(r.Get());
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t rect;
    cairo_region_get_rectangle(r.Get(), i, &rect);
    const int x0 = rect.x, end = rect.x + rect.width, y1 = rect.y + rect.height;  // locals, as in FillRaster
    for (int py = rect.y; py < y1; ++py) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + std::size_t(py) * std::size_t(stride));
      const unsigned char* mrow = m + std::size_t(py - y) * std::size_t(ms);
      int px = x0;
      // Eight mask bytes at a time: most of a run's box lies between the
      // glyphs' strokes and changes nothing.
      for (; end - px >= 8; px += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, mrow + (px - x), 8);
        if (!(eight & idle)) continue;
#if defined(__SSE2__)
        if (mixing) {
          for (int half = 0; half < 8; half += 4) {
            std::uint32_t covers;
            std::memcpy(&covers, mrow + (px - x) + half, 4);
            if (!covers) continue;
            auto* at = reinterpret_cast<__m128i*>(row + px + half);
            _mm_storeu_si128(at, MixFour(_mm_loadu_si128(at), covers, ink));
          }
          continue;
        }
#endif
        for (int k = 0; k < 8; ++k) MaskPixel(row[px + k], mrow[px - x + k], op, blend, fore, back);
      }
      for (; px < end; ++px) MaskPixel(row[px], mrow[px - x], op, blend, fore, back);
    }
  }
  cairo_surface_mark_dirty(s);
}

}  // namespace kx_draw
