#include "platform/draw/port.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/draw/port_fill.h"
#include "platform/exception.h"

const Pattern kKxBlackPat = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
const Pattern kKxWhitePat = {{0, 0, 0, 0, 0, 0, 0, 0}};
const Pattern kKxGrayPat = {{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
const Pattern kKxLtGrayPat = {{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}};
const Pattern kKxDkGrayPat = {{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}};

namespace {

GrafPtr gPort = nullptr;
std::uint8_t gHiliteMode = kHiliteModeOff;

// The largest side of an image port: what 16-bit screen coordinates reach.
constexpr std::int32_t kMaxImageSide = 32767;

PenState NormalPen() { return PenState{{0, 0}, {1, 1}, patCopy, kKxBlackPat}; }

RectL FromRect(const Rect& r) { return {r.top, r.left, r.bottom, r.right}; }

// A device rectangle made from local 64-bit edges, cut to the surface.
kx_draw::DevRect ToDevice(const KxPort& p, std::int64_t left, std::int64_t top, std::int64_t right,
                          std::int64_t bottom) {
  return kx_draw::DevRect::Cut(p.DeviceH(left), p.DeviceV(top), p.DeviceH(right), p.DeviceV(bottom),
                               p.Width(), p.Height());
}

// The four sides of a frame of r, pw wide and ph high (the whole rectangle
// when they meet).
void FrameRects(const KxPort& p, const RectL& r, std::int64_t pw, std::int64_t ph,
                std::vector<kx_draw::DevRect>& out) {
  if (r.left >= r.right || r.top >= r.bottom || pw <= 0 || ph <= 0) return;
  const std::int64_t l = r.left, t = r.top, rr = r.right, b = r.bottom;
  if (2 * pw >= rr - l || 2 * ph >= b - t) {
    out.push_back(ToDevice(p, l, t, rr, b));
    return;
  }
  out.push_back(ToDevice(p, l, t, rr, t + ph));
  out.push_back(ToDevice(p, l, b - ph, rr, b));
  out.push_back(ToDevice(p, l, t + ph, l + pw, b - ph));
  out.push_back(ToDevice(p, rr - pw, t + ph, rr, b - ph));
}

// Rows of a rounded rectangle: for each row, how far the corner ovals keep
// the shape in from the left and right edges.
void RoundRectRects(const KxPort& p, const RectL& r, std::int64_t ow, std::int64_t oh,
                    std::vector<kx_draw::DevRect>& out) {
  const std::int64_t w = std::int64_t(r.right) - r.left, h = std::int64_t(r.bottom) - r.top;
  if (w <= 0 || h <= 0) return;
  ow = std::clamp<std::int64_t>(ow, 0, w);
  oh = std::clamp<std::int64_t>(oh, 0, h);
  if (ow < 2 || oh < 2) {
    out.push_back(ToDevice(p, r.left, r.top, r.right, r.bottom));
    return;
  }
  const double a = double(ow) / 2, b = double(oh) / 2;
  const std::int64_t corner = (oh + 1) / 2;   // rows that a corner oval shapes
  auto inset = [&](std::int64_t row) {        // row counted from the nearer edge
    const double t = (b - (double(row) + 0.5)) / b;
    return std::int64_t(std::lround(a - a * std::sqrt(std::max(0.0, 1 - t * t))));
  };
  // Only rows on the surface matter; the middle band is one rectangle.
  const std::int64_t firstRow = std::max<std::int64_t>(0, -p.DeviceV(r.top));
  const std::int64_t lastRow = std::min<std::int64_t>(h, p.Height() - p.DeviceV(r.top));
  for (std::int64_t row = firstRow; row < lastRow; ++row) {
    const std::int64_t fromEdge = std::min(row, h - 1 - row);
    if (fromEdge >= corner) {
      const std::int64_t end = std::min(lastRow, h - corner);
      out.push_back(ToDevice(p, r.left, r.top + row, r.right, r.top + end));
      row = end - 1;
      continue;
    }
    const std::int64_t in = inset(fromEdge);
    out.push_back(ToDevice(p, r.left + in, r.top + row, r.right - in, r.top + row + 1));
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// The port

std::unique_ptr<KxPort> KxPort::NewImage(std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide)
    throw LException(paramErr);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    throw LException(memFullErr);
  }
  // The surface starts white, every byte of every pixel set.
  cairo_surface_flush(s);
  std::memset(cairo_image_surface_get_data(s), 0xFF,
              std::size_t(cairo_image_surface_get_stride(s)) * std::size_t(height));
  cairo_surface_mark_dirty(s);
  auto port = std::make_unique<KxPort>(s, width, height);
  cairo_surface_destroy(s);
  return port;
}

std::uint64_t KxPort::NextStamp() {
  static std::uint64_t last = 0;
  return ++last;
}

KxPort::KxPort(cairo_surface_t* surface, std::int32_t width, std::int32_t height)
    : mPen(NormalPen()),
      mSurface(cairo_surface_reference(surface)),
      mRaster(cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_IMAGE &&
              cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24),
      mWidth(std::max(0, width)),
      mHeight(std::max(0, height)) {
  if (mRaster) {
    mWidth = std::min(mWidth, cairo_image_surface_get_width(surface));
    mHeight = std::min(mHeight, cairo_image_surface_get_height(surface));
  }
  SetRectRgn(&mClip, -kKxRegionLimit, -kKxRegionLimit, kKxRegionLimit, kKxRegionLimit);
}

KxPort::~KxPort() {
  if (gPort == this) SetPort(nullptr);
  cairo_surface_destroy(mSurface);
}

RectL KxPort::PortRectL() const {
  auto pin = [](std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); };
  return {mOrigin.v, mOrigin.h, pin(std::int64_t(mOrigin.v) + mHeight), pin(std::int64_t(mOrigin.h) + mWidth)};
}

void SetPort(GrafPtr port) {
  gPort = port;
  KxSetPortText(port ? &port->mText : nullptr);
}

void GetPort(GrafPtr* port) {
  if (port) *port = gPort;
}

GrafPtr KxGetPort() { return gPort; }

std::uint8_t LMGetHiliteMode() { return gHiliteMode; }
void LMSetHiliteMode(std::uint8_t mode) { gHiliteMode = mode; }

bool kx_draw::TakeHilite() {
  if (gHiliteMode & kHiliteModeOff) return false;
  gHiliteMode |= kHiliteModeOff;
  return true;
}

void SetOrigin(std::int32_t h, std::int32_t v) {
  if (gPort) gPort->mOrigin = {v, h};
}

PointL KxGetOrigin() { return gPort ? gPort->mOrigin : PointL{0, 0}; }

Rect* GetPortBounds(GrafPtr port, Rect* r) {
  if (r) KxSetRect(*r, port ? port->PortRectL() : RectL{0, 0, 0, 0});
  return r;
}

void LocalToGlobal(Point* pt) {
  if (!gPort || !pt) return;
  pt->h = KxPinShort(gPort->DeviceH(pt->h));
  pt->v = KxPinShort(gPort->DeviceV(pt->v));
}

void GlobalToLocal(Point* pt) {
  if (pt) KxSetPoint(*pt, KxGlobalToLocalL(*pt));
}

PointL KxGlobalToLocalL(Point global) {
  if (!gPort) return PointL{global.v, global.h};
  return PointL{kx_draw::Pin32(std::int64_t(global.v) + gPort->mOrigin.v),
                kx_draw::Pin32(std::int64_t(global.h) + gPort->mOrigin.h)};
}

// ---------------------------------------------------------------------------
// Clip

void ClipRect(const Rect* r) {
  if (r) KxClipRectL(FromRect(*r));
}

void KxClipRectL(const RectL& r) {
  if (gPort) KxRectRgnL(&gPort->mClip, r);
}

void SetClip(RgnHandle rgn) {
  if (gPort && rgn) CopyRgn(rgn, &gPort->mClip);
}

void GetClip(RgnHandle rgn) {
  if (gPort && rgn) CopyRgn(&gPort->mClip, rgn);
}

KxClipScope::KxClipScope(const RectL& r) : mPort(gPort) {
  if (!mPort) return;
  CopyRgn(&mPort->mClip, mSaved);
  StKxRegion narrow;
  KxRectRgnL(narrow, r);
  SectRgn(&mPort->mClip, narrow, &mPort->mClip);
}

KxClipScope::KxClipScope(RgnHandle rgn) : mPort(gPort) {
  if (!mPort) return;
  CopyRgn(&mPort->mClip, mSaved);
  if (rgn) SectRgn(&mPort->mClip, rgn, &mPort->mClip);
}

KxClipScope::~KxClipScope() {
  if (mPort) CopyRgn(mSaved, &mPort->mClip);
}

// ---------------------------------------------------------------------------
// Colours and pen

void RGBForeColor(const RGBColor* c) {
  if (gPort && c) gPort->mFore = *c;
}
void RGBBackColor(const RGBColor* c) {
  if (gPort && c) gPort->mBack = *c;
}
void GetForeColor(RGBColor* c) {
  if (c) *c = gPort ? gPort->mFore : RGBColor{0, 0, 0};
}
void GetBackColor(RGBColor* c) {
  if (c) *c = gPort ? gPort->mBack : RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
}
void HiliteColor(const RGBColor* c) {
  if (gPort && c) gPort->mHilite = *c;
}
void GetHiliteColor(RGBColor* c) {
  if (c) *c = gPort ? gPort->mHilite : RGBColor{0, 0, 0};
}

void PenSize(std::int32_t width, std::int32_t height) {
  if (gPort) gPort->mPen.pnSize = {KxPinShort(std::max(0, height)), KxPinShort(std::max(0, width))};
}
void PenMode(short mode) {
  if (gPort) gPort->mPen.pnMode = mode;
}
void PenPat(const Pattern* pat) {
  if (gPort && pat) gPort->mPen.pnPat = *pat;
}
void PenNormal() {
  if (!gPort) return;
  const PointL at = gPort->mPen.pnLoc;
  gPort->mPen = NormalPen();
  gPort->mPen.pnLoc = at;
}
void GetPenState(PenState* state) {
  if (state) *state = gPort ? gPort->mPen : NormalPen();
}
void SetPenState(const PenState* state) {
  if (gPort && state) gPort->mPen = *state;
}
void HidePen() {
  if (gPort) ++gPort->mPenHidden;
}
void ShowPen() {
  if (gPort) --gPort->mPenHidden;
}
PointL KxGetPenL() { return gPort ? gPort->mPen.pnLoc : PointL{0, 0}; }
void GetPen(Point* pt) {
  if (pt) KxSetPoint(*pt, KxGetPenL());
}
void MoveTo(std::int32_t h, std::int32_t v) {
  if (gPort) gPort->mPen.pnLoc = {v, h};
}
void Move(std::int32_t dh, std::int32_t dv) {
  if (!gPort) return;
  PointL& at = gPort->mPen.pnLoc;
  MoveTo(kx_draw::Pin32(std::int64_t(at.h) + dh), kx_draw::Pin32(std::int64_t(at.v) + dv));
}

void LineTo(std::int32_t h, std::int32_t v) {
  if (!gPort) return;
  KxPort& p = *gPort;
  const PointL from = p.mPen.pnLoc, to{v, h};
  p.mPen.pnLoc = to;
  if (p.mRecorder) p.mRecorder->AddLine(from, to);
  if (p.mPenHidden > 0 || p.mPen.pnSize.h <= 0 || p.mPen.pnSize.v <= 0) return;
  std::vector<kx_draw::DevRect> rects;
  kx_draw::LinePixels(p, from, to, rects);
  kx_draw::FillPen(p, rects);
}

void Line(std::int32_t dh, std::int32_t dv) {
  if (!gPort) return;
  const PointL at = gPort->mPen.pnLoc;
  LineTo(kx_draw::Pin32(std::int64_t(at.h) + dh), kx_draw::Pin32(std::int64_t(at.v) + dv));
}

// ---------------------------------------------------------------------------
// Shapes

void FrameRect(const Rect* r) {
  if (r) KxFrameRectL(FromRect(*r));
}

void PaintRect(const Rect* r) {
  if (r) KxPaintRectL(FromRect(*r));
}

void FillRect(const Rect* r, const Pattern* pat) {
  if (r) KxFillRectL(FromRect(*r), pat);
}

void EraseRect(const Rect* r) {
  if (r) KxEraseRectL(FromRect(*r));
}

void InvertRect(const Rect* r) {
  if (r) KxInvertRectL(FromRect(*r));
}

void KxFrameRectL(const RectL& r) {
  if (!gPort) return;
  KxPort& p = *gPort;
  if (p.mRecorder) p.mRecorder->AddRect(r);
  if (p.mPenHidden > 0) return;
  std::vector<kx_draw::DevRect> rects;
  FrameRects(p, r, p.mPen.pnSize.h, p.mPen.pnSize.v, rects);
  kx_draw::FillPen(p, rects);
}

void KxPaintRectL(const RectL& r) {
  if (!gPort) return;
  KxPort& p = *gPort;
  std::vector<kx_draw::DevRect> rects{ToDevice(p, r.left, r.top, r.right, r.bottom)};
  kx_draw::FillPen(p, rects);
}

void KxFillRectL(const RectL& r, const Pattern* pat) {
  if (!gPort || !pat) return;
  KxPort& p = *gPort;
  std::vector<kx_draw::DevRect> rects{ToDevice(p, r.left, r.top, r.right, r.bottom)};
  kx_draw::Fill(p, rects, *pat, patCopy);
}

void KxEraseRectL(const RectL& r) { KxFillRectL(r, &kKxWhitePat); }

void KxInvertRectL(const RectL& r) {
  if (!gPort) return;
  KxPort& p = *gPort;
  std::vector<kx_draw::DevRect> rects{ToDevice(p, r.left, r.top, r.right, r.bottom)};
  kx_draw::Fill(p, rects, kKxBlackPat, patXor);
}

void PaintRoundRect(const Rect* r, std::int32_t ovalWidth, std::int32_t ovalHeight) {
  if (!gPort || !r) return;
  KxPort& p = *gPort;
  std::vector<kx_draw::DevRect> rects;
  RoundRectRects(p, FromRect(*r), ovalWidth, ovalHeight, rects);
  kx_draw::FillPen(p, rects);
}

void FrameRoundRect(const Rect* r, std::int32_t ovalWidth, std::int32_t ovalHeight) {
  if (!gPort || !r) return;
  KxPort& p = *gPort;
  const RectL outer = FromRect(*r);
  std::vector<kx_draw::DevRect> outside, inside;
  RoundRectRects(p, outer, ovalWidth, ovalHeight, outside);
  const std::int64_t pw = p.mPen.pnSize.h, ph = p.mPen.pnSize.v;
  const RectL inner{kx_draw::Pin32(outer.top + ph), kx_draw::Pin32(outer.left + pw),
                    kx_draw::Pin32(outer.bottom - ph), kx_draw::Pin32(outer.right - pw)};
  RoundRectRects(p, inner, ovalWidth - 2 * pw, ovalHeight - 2 * ph, inside);
  kx_draw::DevRegion shape(outside);
  shape.Subtract(kx_draw::DevRegion(inside));
  if (p.mRecorder) {
    // The outline's area, as a region in local coordinates.
    StKxRegion area;
    kx_draw::DevRegion whole(outside);
    whole.ToLocal(p, area);
    p.mRecorder->AddRegion(area);
  }
  if (p.mPenHidden > 0 || pw <= 0 || ph <= 0) return;
  kx_draw::FillPenRegion(p, shape);
}

void FrameRgn(RgnHandle rgn) {
  if (!gPort || !rgn) return;
  KxPort& p = *gPort;
  if (p.mRecorder) p.mRecorder->AddRegion(rgn);
  if (p.mPenHidden > 0 || p.mPen.pnSize.h <= 0 || p.mPen.pnSize.v <= 0) return;
  StKxRegion inner;
  CopyRgn(rgn, inner);
  InsetRgn(inner, p.mPen.pnSize.h, p.mPen.pnSize.v);
  StKxRegion ring;
  DiffRgn(rgn, inner, ring);
  kx_draw::FillPenRegion(p, kx_draw::DevRegion::FromLocal(p, ring));
}

void PaintRgn(RgnHandle rgn) {
  if (gPort && rgn) kx_draw::FillPenRegion(*gPort, kx_draw::DevRegion::FromLocal(*gPort, rgn));
}

void EraseRgn(RgnHandle rgn) {
  if (gPort && rgn) kx_draw::FillRegion(*gPort, kx_draw::DevRegion::FromLocal(*gPort, rgn), kKxWhitePat, patCopy);
}

void InvertRgn(RgnHandle rgn) {
  if (gPort && rgn) kx_draw::FillRegion(*gPort, kx_draw::DevRegion::FromLocal(*gPort, rgn), kKxBlackPat, patXor);
}

void OpenRgn() {
  if (!gPort || gPort->mRecorder) return;
  gPort->mRecorder = std::make_unique<KxRegionRecorder>();
  HidePen();
}

void CloseRgn(RgnHandle dst) {
  if (!gPort || !gPort->mRecorder) return;
  std::unique_ptr<KxRegionRecorder> recorder = std::move(gPort->mRecorder);
  ShowPen();
  recorder->Build(dst);
}
