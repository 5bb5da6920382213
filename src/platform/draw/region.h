// Regions: sets of pixels in 32-bit local coordinates, over cairo regions,
// with the classic region calls, and the recorder that turns drawn outlines
// into a region.
//
// Every region stays inside the square of +-kKxRegionLimit: rectangles are
// cut to it and pixels that an offset or an outset would carry past it are
// dropped, so that no operation can overflow the 32-bit coordinates of the
// region code underneath. A failed allocation throws LException(memFullErr)
// and leaves the region as it was.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "platform/longrect.h"
#include "platform/types.h"

constexpr std::int32_t kKxRegionLimit = 1 << 28;

class KxRegion {
 public:
  KxRegion();
  ~KxRegion();
  KxRegion(const KxRegion&) = delete;
  KxRegion& operator=(const KxRegion&) = delete;

  cairo_region_t* Get() const { return mRegion; }
  // Takes r (owned from now on) as the region's new contents; throws when r
  // is in error and then destroys it.
  void Adopt(cairo_region_t* r);
  // Throws LException naming the broken rule: inside the limit square.
  void Check() const;

 private:
  cairo_region_t* mRegion;   // invariant: never in error, inside the limit square
};

using RgnHandle = KxRegion*;

// Null when memory fails.
RgnHandle NewRgn();
void DisposeRgn(RgnHandle rgn);
// Owns a region for a scope.
class StKxRegion {
 public:
  StKxRegion();   // throws LException(memFullErr)
  ~StKxRegion() { DisposeRgn(mRgn); }
  StKxRegion(const StKxRegion&) = delete;
  StKxRegion& operator=(const StKxRegion&) = delete;
  operator RgnHandle() const { return mRgn; }

 private:
  RgnHandle mRgn;
};

// A null handle is ignored by every call below (and reads as empty).
void CopyRgn(RgnHandle src, RgnHandle dst);
void SetEmptyRgn(RgnHandle rgn);
// An empty rectangle (right <= left or bottom <= top) makes an empty region.
void SetRectRgn(RgnHandle rgn, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom);
void RectRgn(RgnHandle rgn, const Rect* r);
void KxRectRgnL(RgnHandle rgn, const RectL& r);
void OffsetRgn(RgnHandle rgn, std::int32_t dh, std::int32_t dv);
// Moves every edge inward by dh horizontally and dv vertically (outward for
// negative amounts), as for a rectangle, whatever the region's shape.
void InsetRgn(RgnHandle rgn, std::int32_t dh, std::int32_t dv);
// dst may be a or b.
void SectRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
void UnionRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
void DiffRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
void XorRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
bool EmptyRgn(RgnHandle rgn);
bool EqualRgn(RgnHandle a, RgnHandle b);
bool PtInRgn(Point pt, RgnHandle rgn);
bool KxPtInRgnL(const PointL& pt, RgnHandle rgn);
// The bounds, narrowed to 16 bits; (0, 0, 0, 0) for an empty region.
Rect* GetRegionBounds(RgnHandle rgn, Rect* bounds);
RectL KxRegionBoundsL(RgnHandle rgn);
// The region's rectangles, in bands from the top, left to right.
std::vector<RectL> KxRegionRects(RgnHandle rgn);

// Collects outlines and fills them by the even-odd rule: a pixel belongs to
// the result when an odd number of recorded edges lie at or left of it on its
// row. A framed rectangle so yields its whole area, two frames side by side
// their union and a frame inside a frame the ring between them. Only rows
// within the 16-bit range take slanted lines, one edge per row.
class KxRegionRecorder {
 public:
  void AddRect(const RectL& r);
  void AddLine(const PointL& from, const PointL& to);
  void AddRegion(RgnHandle rgn);
  bool IsEmpty() const { return mEdges.empty(); }
  void Build(RgnHandle out) const;

 private:
  struct Edge {
    std::int32_t x, top, bottom;   // rows top..bottom-1
  };
  void AddEdge(std::int64_t x, std::int64_t top, std::int64_t bottom);
  std::vector<Edge> mEdges;
};
