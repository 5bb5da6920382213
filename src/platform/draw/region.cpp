#include "platform/draw/region.h"

#include <algorithm>
#include <map>

#include "platform/exception.h"

namespace {

constexpr std::int32_t kLimit = kKxRegionLimit;
// Recorded slanted lines give one edge a row; only the 16-bit rows count.
constexpr std::int64_t kSlantRowMin = INT16_MIN;
constexpr std::int64_t kSlantRowMax = INT16_MAX + 1;

std::int32_t Pin(std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, -kLimit, kLimit)); }

void Throw(cairo_status_t status) {
  if (status != CAIRO_STATUS_SUCCESS) throw LException(memFullErr);
}

cairo_region_t* Created(cairo_region_t* r) {
  if (cairo_region_status(r) != CAIRO_STATUS_SUCCESS) {
    cairo_region_destroy(r);
    throw LException(memFullErr);
  }
  return r;
}

cairo_region_t* CreateRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
  const std::int32_t l = Pin(left), t = Pin(top), r = Pin(right), b = Pin(bottom);
  if (l >= r || t >= b) return Created(cairo_region_create());
  const cairo_rectangle_int_t rect{l, t, r - l, b - t};
  return Created(cairo_region_create_rectangle(&rect));
}

cairo_region_t* Copy(const cairo_region_t* r) { return Created(cairo_region_copy(r)); }

// Owns a cairo region for the length of one operation.
struct Temp {
  cairo_region_t* r;
  explicit Temp(cairo_region_t* region) : r(region) {}
  ~Temp() {
    if (r) cairo_region_destroy(r);
  }
  cairo_region_t* Release() {
    cairo_region_t* out = r;
    r = nullptr;
    return out;
  }
};

// r translated by (dx, dy), pixels that would leave the limit square dropped
// first. |dx|, |dy| <= 2 * kLimit, so nothing overflows.
void Translate(cairo_region_t* r, std::int64_t dx, std::int64_t dy) {
  Temp keep(CreateRect(-kLimit - dx, -kLimit - dy, kLimit - dx, kLimit - dy));
  Throw(cairo_region_intersect(r, keep.r));
  cairo_region_translate(r, int(dx), int(dy));
}

// The intersection (or union) of r moved by every amount in 0..n (times
// dir, +1 or -1) along one axis, by doubling: cur holds the moves 0..len,
// and cur with cur moved by s <= len + 1 holds 0..len + s.
cairo_region_t* Sweep(const cairo_region_t* r, std::int64_t n, int dir, bool horizontal, bool intersect) {
  Temp cur(Copy(r));
  std::int64_t len = 0;
  while (len < n) {
    const std::int64_t s = std::min(len + 1, n - len) * dir;
    Temp moved(Copy(cur.r));
    Translate(moved.r, horizontal ? s : 0, horizontal ? 0 : s);
    Throw(intersect ? cairo_region_intersect(cur.r, moved.r) : cairo_region_union(cur.r, moved.r));
    len += s * dir;
  }
  return cur.Release();
}

// Erosion (d > 0) or dilation (d < 0) along one axis by |d| on both sides:
// the moves 0..|d| one way combined with those the other way, so that no
// step carries a pixel out of the square that the result keeps.
cairo_region_t* InsetAxis(const cairo_region_t* r, std::int64_t d, bool horizontal) {
  if (d == 0) return Copy(r);
  const bool erode = d > 0;
  std::int64_t n = erode ? d : -d;
  // Nothing inside the square survives an erosion as wide as it; a
  // dilation by its width already covers it.
  if (erode && n >= kLimit) return Created(cairo_region_create());
  n = std::min<std::int64_t>(n, 2 * std::int64_t(kLimit));
  Temp one(Sweep(r, n, 1, horizontal, erode));
  Temp other(Sweep(r, n, -1, horizontal, erode));
  Throw(erode ? cairo_region_intersect(one.r, other.r) : cairo_region_union(one.r, other.r));
  return one.Release();
}

}  // namespace

KxRegion::KxRegion() : mRegion(Created(cairo_region_create())) {}
KxRegion::~KxRegion() { cairo_region_destroy(mRegion); }

void KxRegion::Adopt(cairo_region_t* r) {
  Created(r);
  cairo_region_destroy(mRegion);
  mRegion = r;
}

void KxRegion::Check() const {
  if (cairo_region_status(mRegion) != CAIRO_STATUS_SUCCESS) throw LException(FourCC("rgSt"));
  cairo_rectangle_int_t b;
  cairo_region_get_extents(mRegion, &b);
  if (!cairo_region_is_empty(mRegion) &&
      (b.x < -kLimit || b.y < -kLimit || std::int64_t(b.x) + b.width > kLimit ||
       std::int64_t(b.y) + b.height > kLimit))
    throw LException(FourCC("rgLm"));
}

RgnHandle NewRgn() {
  try {
    return new KxRegion;
  } catch (const LException&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void DisposeRgn(RgnHandle rgn) { delete rgn; }

StKxRegion::StKxRegion() : mRgn(NewRgn()) {
  if (!mRgn) throw LException(memFullErr);
}

void CopyRgn(RgnHandle src, RgnHandle dst) {
  if (!src || !dst || src == dst) return;
  dst->Adopt(Copy(src->Get()));
}

void SetEmptyRgn(RgnHandle rgn) {
  if (rgn) rgn->Adopt(cairo_region_create());
}

void SetRectRgn(RgnHandle rgn, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom) {
  if (rgn) rgn->Adopt(CreateRect(left, top, right, bottom));
}

void RectRgn(RgnHandle rgn, const Rect* r) {
  if (r) SetRectRgn(rgn, r->left, r->top, r->right, r->bottom);
}

void KxRectRgnL(RgnHandle rgn, const RectL& r) { SetRectRgn(rgn, r.left, r.top, r.right, r.bottom); }

void OffsetRgn(RgnHandle rgn, std::int32_t dh, std::int32_t dv) {
  if (!rgn || (dh == 0 && dv == 0)) return;
  // A move longer than the square leaves nothing in it.
  const std::int64_t limit = 2 * std::int64_t(kLimit);
  if (dh > limit || dh < -limit || dv > limit || dv < -limit) {
    SetEmptyRgn(rgn);
    return;
  }
  Temp moved(Copy(rgn->Get()));
  Translate(moved.r, dh, dv);
  rgn->Adopt(moved.Release());
}

void InsetRgn(RgnHandle rgn, std::int32_t dh, std::int32_t dv) {
  if (!rgn || cairo_region_is_empty(rgn->Get())) return;
  Temp across(InsetAxis(rgn->Get(), dh, true));
  rgn->Adopt(InsetAxis(across.r, dv, false));
}

namespace {
template <typename Op>
void Combine(RgnHandle a, RgnHandle b, RgnHandle dst, Op op) {
  if (!a || !b || !dst) return;
  Temp result(Copy(a->Get()));
  Throw(op(result.r, b->Get()));
  dst->Adopt(result.Release());
}
}  // namespace

void SectRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { Combine(a, b, dst, cairo_region_intersect); }
void UnionRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { Combine(a, b, dst, cairo_region_union); }
void DiffRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { Combine(a, b, dst, cairo_region_subtract); }
void XorRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { Combine(a, b, dst, cairo_region_xor); }

bool EmptyRgn(RgnHandle rgn) { return !rgn || cairo_region_is_empty(rgn->Get()); }

bool EqualRgn(RgnHandle a, RgnHandle b) {
  // Two empty regions are equal however they were made; cairo tells an
  // emptied region from a fresh one.
  if (EmptyRgn(a) || EmptyRgn(b)) return EmptyRgn(a) && EmptyRgn(b);
  return cairo_region_equal(a->Get(), b->Get());
}

bool KxPtInRgnL(const PointL& pt, RgnHandle rgn) {
  return rgn && cairo_region_contains_point(rgn->Get(), pt.h, pt.v);
}

bool PtInRgn(Point pt, RgnHandle rgn) { return KxPtInRgnL(PointL{pt.v, pt.h}, rgn); }

RectL KxRegionBoundsL(RgnHandle rgn) {
  if (EmptyRgn(rgn)) return {0, 0, 0, 0};
  cairo_rectangle_int_t b;
  cairo_region_get_extents(rgn->Get(), &b);
  return {b.y, b.x, b.y + b.height, b.x + b.width};
}

Rect* GetRegionBounds(RgnHandle rgn, Rect* bounds) {
  if (bounds) KxSetRect(*bounds, KxRegionBoundsL(rgn));
  return bounds;
}

std::vector<RectL> KxRegionRects(RgnHandle rgn) {
  std::vector<RectL> out;
  if (!rgn) return out;
  const int n = cairo_region_num_rectangles(rgn->Get());
  out.reserve(std::size_t(n));
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(rgn->Get(), i, &r);
    out.push_back({r.y, r.x, r.y + r.height, r.x + r.width});
  }
  return out;
}

// ---------------------------------------------------------------------------
// Recording

void KxRegionRecorder::AddEdge(std::int64_t x, std::int64_t top, std::int64_t bottom) {
  top = Pin(top);
  bottom = Pin(bottom);
  if (top >= bottom) return;
  mEdges.push_back({Pin(x), std::int32_t(top), std::int32_t(bottom)});
}

void KxRegionRecorder::AddRect(const RectL& r) {
  if (r.left >= r.right || r.top >= r.bottom) return;
  AddEdge(r.left, r.top, r.bottom);
  AddEdge(r.right, r.top, r.bottom);
}

void KxRegionRecorder::AddLine(const PointL& from, const PointL& to) {
  if (from.v == to.v) return;   // a level line crosses no row
  if (from.h == to.h) {
    AddEdge(from.h, std::min(from.v, to.v), std::max(from.v, to.v));
    return;
  }
  const PointL& a = from.v < to.v ? from : to;
  const PointL& b = from.v < to.v ? to : from;
  const std::int64_t dy = std::int64_t(b.v) - a.v, dx = std::int64_t(b.h) - a.h;
  const std::int64_t first = std::max<std::int64_t>(a.v, kSlantRowMin);
  const std::int64_t last = std::min<std::int64_t>(b.v, kSlantRowMax);
  for (std::int64_t y = first; y < last; ++y) {
    // The line's x at the middle of the row, rounded half up.
    // (128 bits: the row distance and the width are each up to 2^32.)
    const __int128 num = __int128(2 * (y - a.v)) * dx + dx + dy;
    const __int128 den = 2 * dy;
    const __int128 q = num >= 0 ? num / den : -((-num + den - 1) / den);
    AddEdge(std::int64_t(q) + a.h, y, y + 1);
  }
}

void KxRegionRecorder::AddRegion(RgnHandle rgn) {
  for (const RectL& r : KxRegionRects(rgn)) AddRect(r);
}

void KxRegionRecorder::Build(RgnHandle out) const {
  if (!out) return;
  // Sweep the rows from the top; between two neighbouring row starts or ends
  // the active edges are the same, so one band serves them all.
  std::map<std::int32_t, std::vector<std::pair<std::int32_t, int>>> events;   // row -> (x, +1/-1)
  for (const Edge& e : mEdges) {
    events[e.top].push_back({e.x, 1});
    events[e.bottom].push_back({e.x, -1});
  }
  Temp result(Created(cairo_region_create()));
  std::map<std::int32_t, int> active;   // x -> number of edges there
  for (auto it = events.begin(); it != events.end(); ++it) {
    for (const auto& [x, change] : it->second) {
      if ((active[x] += change) == 0) active.erase(x);
    }
    auto next = std::next(it);
    if (next == events.end()) break;
    bool inside = false;
    std::int32_t start = 0;
    for (const auto& [x, count] : active) {
      if (count % 2 == 0) continue;   // edges at one x cancel in pairs
      if (!inside) {
        start = x;
      } else if (start < x) {
        const cairo_rectangle_int_t r{start, it->first, x - start, next->first - it->first};
        Throw(cairo_region_union_rectangle(result.r, &r));
      }
      inside = !inside;
    }
  }
  out->Adopt(result.Release());
}
