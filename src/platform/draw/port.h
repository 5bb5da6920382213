// The drawing port: a small QuickDraw over a cairo surface.
//
// A port draws on one surface: an RGB24 image surface (a window's backing
// store, an offscreen) or a vector surface (a printed page). Its state is the
// classic one: the origin (the local coordinates of the surface's top-left
// pixel), the clip region (in local coordinates), the pen (location, size,
// mode, 8 x 8 pattern, visibility), fore, back and highlight colours, and the
// text settings (platform/fonts_port.h). Coordinates are 32-bit inside; what
// goes back out in 16-bit Point or Rect form is held at -32768..32767.
//
// Shapes are pixel exact and never antialiased: every shape is first made a
// set of pixels (a region), cut by the clip and the surface, and then filled
// pixel by pixel by the transfer mode. On image surfaces the modes are byte
// operations, so XOR and inversion undo themselves exactly; on vector
// surfaces the same pixels become filled rectangles (XOR cannot exist there
// and paints as "or").
//
// Patterns repeat from local (0, 0): a pixel at local (h, v) takes bit
// (7 - h mod 8) of row (v mod 8), so they move with the contents when the
// origin changes.
//
// Clip regions reach +-kKxRegionLimit; the wide-open clip (a port's first,
// or any clip covering that whole square) lets through every pixel, so
// lines still draw under an origin beyond the square.
//
// Every call works on the current port (SetPort); with none, calls do
// nothing and queries answer zero.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>

#include "platform/draw/region.h"
#include "platform/fonts_port.h"
#include "platform/longrect.h"
#include "platform/types.h"

struct Pattern {
  std::uint8_t pat[8];
};

extern const Pattern kKxBlackPat;
extern const Pattern kKxWhitePat;
extern const Pattern kKxGrayPat;
extern const Pattern kKxLtGrayPat;
extern const Pattern kKxDkGrayPat;

// Transfer modes. Pen and shape drawing use the pattern modes; the source
// modes 0-3 as pen modes mean their pattern forms (2, srcXor, is patXor).
constexpr short srcCopy = 0;
constexpr short srcXor = 2;
constexpr short srcBic = 3;
constexpr short patCopy = 8;
constexpr short patOr = 9;
constexpr short patXor = 10;
constexpr short patBic = 11;
constexpr short notPatCopy = 12;
constexpr short notPatOr = 13;
constexpr short notPatXor = 14;
constexpr short notPatBic = 15;

// The highlight switch, one byte as the classic low-memory global: clearing
// kHiliteModeOff turns highlighting on for the next inverting operation
// (InvertRect, InvertRgn, or a pen in XOR mode), which then swaps the back
// colour and the highlight colour instead of inverting, and sets the bit
// again.
constexpr std::uint8_t kHiliteModeOff = 0x80;
std::uint8_t LMGetHiliteMode();
void LMSetHiliteMode(std::uint8_t mode);

struct PenState {
  PointL pnLoc;
  Point pnSize;   // h is the width, v the height
  short pnMode;
  Pattern pnPat;
};

class KxPort {
 public:
  // A new raster port over a white RGB24 image of width x height (at least
  // 1 x 1, at most 32767 each way); throws LException(memFullErr) when the
  // surface cannot be made and paramErr for a size out of range.
  static std::unique_ptr<KxPort> NewImage(std::int32_t width, std::int32_t height);
  // A port over a surface it keeps a reference to; vector surfaces give
  // their page size here.
  KxPort(cairo_surface_t* surface, std::int32_t width, std::int32_t height);
  ~KxPort();
  KxPort(const KxPort&) = delete;
  KxPort& operator=(const KxPort&) = delete;

  // The surface, to draw into: handing it out stamps the port, so that
  // whoever copies the pixels out can pass over a port nobody touched.
  cairo_surface_t* Surface() const {
    mStamp = NextStamp();
    return mSurface;
  }
  // The surface only to read, which leaves the stamp as it is.
  cairo_surface_t* SurfaceToRead() const { return mSurface; }
  // Unique among all ports; changes whenever the surface is handed out.
  std::uint64_t Stamp() const { return mStamp; }
  // True for image surfaces: pixels are reachable and modes are byte exact.
  bool IsRaster() const { return mRaster; }
  std::int32_t Width() const { return mWidth; }
  std::int32_t Height() const { return mHeight; }
  // The surface's rectangle in local coordinates.
  RectL PortRectL() const;
  // Local coordinates to surface pixels and back (64 bits: never wraps).
  std::int64_t DeviceH(std::int64_t h) const { return h - mOrigin.h; }
  std::int64_t DeviceV(std::int64_t v) const { return v - mOrigin.v; }

  // For the drawing code (platform/draw only).
  PointL mOrigin{0, 0};
  KxRegion mClip;   // local coordinates; starts wide open
  PenState mPen{};
  std::int32_t mPenHidden = 0;   // > 0: hidden
  RGBColor mFore{0, 0, 0};
  RGBColor mBack{0xFFFF, 0xFFFF, 0xFFFF};
  RGBColor mHilite{0xFFFF, 0xDDDD, 0x9999};
  KxPortText mText;
  std::unique_ptr<KxRegionRecorder> mRecorder;   // while a region is open

 private:
  static std::uint64_t NextStamp();

  cairo_surface_t* mSurface;
  mutable std::uint64_t mStamp = NextStamp();
  bool mRaster;
  std::int32_t mWidth, mHeight;
};

using GrafPtr = KxPort*;

// The current port; it also makes its text settings current.
void SetPort(GrafPtr port);
void GetPort(GrafPtr* port);
GrafPtr KxGetPort();
// Saves the current port and restores it at the end of a scope.
class StKxPortSaver {
 public:
  StKxPortSaver() : mSaved(KxGetPort()) {}
  explicit StKxPortSaver(GrafPtr port) : mSaved(KxGetPort()) { SetPort(port); }
  ~StKxPortSaver() { SetPort(mSaved); }
  StKxPortSaver(const StKxPortSaver&) = delete;
  StKxPortSaver& operator=(const StKxPortSaver&) = delete;

 private:
  GrafPtr mSaved;
};

// The origin: the local coordinates of the port's top-left pixel. The clip
// keeps its local coordinates.
void SetOrigin(std::int32_t h, std::int32_t v);
PointL KxGetOrigin();
// The port's rectangle, narrowed to 16 bits.
Rect* GetPortBounds(GrafPtr port, Rect* r);
void LocalToGlobal(Point* pt);   // for a port, "global" is its surface
void GlobalToLocal(Point* pt);
// GlobalToLocal without the narrowing: a view scrolled past 32767 pixels
// has local coordinates that 16 bits cannot hold.
PointL KxGlobalToLocalL(Point global);

// Clip.
void ClipRect(const Rect* r);
void KxClipRectL(const RectL& r);
void SetClip(RgnHandle rgn);
void GetClip(RgnHandle rgn);
// Narrows the clip for a scope: the clip becomes its intersection with the
// rectangle (or region); the old clip comes back when the scope ends.
// Throws LException(memFullErr) when the saved copy cannot be made.
class KxClipScope {
 public:
  explicit KxClipScope(const RectL& r);
  explicit KxClipScope(RgnHandle rgn);
  ~KxClipScope();
  KxClipScope(const KxClipScope&) = delete;
  KxClipScope& operator=(const KxClipScope&) = delete;

 private:
  GrafPtr mPort;
  StKxRegion mSaved;
};

// Colours.
void RGBForeColor(const RGBColor* c);
void RGBBackColor(const RGBColor* c);
void GetForeColor(RGBColor* c);
void GetBackColor(RGBColor* c);
void HiliteColor(const RGBColor* c);
void GetHiliteColor(RGBColor* c);

// Pen. Widths and heights below 0 count as 0 (the pen then draws nothing).
void PenSize(std::int32_t width, std::int32_t height);
void PenMode(short mode);
void PenPat(const Pattern* pat);
void PenNormal();   // 1 x 1, patCopy, black pattern
void GetPenState(PenState* state);
void SetPenState(const PenState* state);
void HidePen();
void ShowPen();
void GetPen(Point* pt);   // narrowed to 16 bits
PointL KxGetPenL();
void MoveTo(std::int32_t h, std::int32_t v);
void Move(std::int32_t dh, std::int32_t dv);
// A line of the pen's size hanging down and right from every pixel of the
// path from the pen to (h, v), both ends included.
void LineTo(std::int32_t h, std::int32_t v);
void Line(std::int32_t dh, std::int32_t dv);

// Rectangles: frames lie inside the rectangle, the pen's size thick.
void FrameRect(const Rect* r);
void PaintRect(const Rect* r);
void EraseRect(const Rect* r);
void InvertRect(const Rect* r);
void FillRect(const Rect* r, const Pattern* pat);
// The same in 32-bit local coordinates: a text image runs far past 32767
// pixels, and narrowing its rectangles would move them.
void KxFrameRectL(const RectL& r);
void KxPaintRectL(const RectL& r);
void KxEraseRectL(const RectL& r);
void KxInvertRectL(const RectL& r);
void KxFillRectL(const RectL& r, const Pattern* pat);
// Rounded rectangles with corner ovals ovalWidth x ovalHeight.
void FrameRoundRect(const Rect* r, std::int32_t ovalWidth, std::int32_t ovalHeight);
void PaintRoundRect(const Rect* r, std::int32_t ovalWidth, std::int32_t ovalHeight);
// Regions.
void FrameRgn(RgnHandle rgn);
void PaintRgn(RgnHandle rgn);
void EraseRgn(RgnHandle rgn);
void InvertRgn(RgnHandle rgn);

// Recording: between OpenRgn and CloseRgn the pen is hidden, and the outlines
// of FrameRect, FrameRoundRect, FrameRgn and LineTo collect into the region
// that CloseRgn sets (see KxRegionRecorder).
void OpenRgn();
void CloseRgn(RgnHandle dst);

// Moves the pixels inside r (and the clip) by (dh, dv); the strip left
// behind is erased and returned in update (in local coordinates), which
// may be null.
void ScrollRect(const Rect* r, std::int32_t dh, std::int32_t dv, RgnHandle update);

// Copies pixels of src (in src's local coordinates) to dst (in the current
// port's), same size, by srcCopy through the current port's clip. Only from
// raster ports.
void KxCopyPortBits(GrafPtr src, const RectL& srcRect, const PointL& dstTopLeft);

// Text: bytes of the port font's script drawn from the pen on the baseline,
// each character as wide as the measuring calls (CharWidth, TextWidth) say at
// the drawing size; the pen moves past them. Modes srcOr and srcCopy paint
// the fore colour, srcXor inverts, srcBic paints the back colour.
void DrawText(const void* text, std::int32_t first, std::int32_t count);
void DrawString(ConstStringPtr s);
void DrawChar(unsigned char ch);
// Text turned a quarter clockwise, for vertical writing: the run goes down
// the column left..left + height from top, its baseline `ascent` in from the
// column's right edge (the glyphs' tops face right). The pen goes to the
// run's end (v = top + width); answers the width.
std::int32_t KxDrawTextTurned(const void* text, std::int32_t first, std::int32_t count, std::int32_t left,
                              std::int32_t top, std::int32_t ascent, std::int32_t height);
// DrawText, except that every double-byte character advances by doubleWidth
// (when > 0) instead of its own width: the layout gives all double-byte
// characters of a style one width.
void KxDrawTextCells(const void* text, std::int32_t first, std::int32_t count, std::int32_t doubleWidth);
// Glyphs of the port's font by ID, each with its origin at the pen plus
// (x, y), drawn as DrawText draws (faces without a file: a box the glyph's
// width); x should not be negative. IDs past the font's glyph count are left
// out; the pen stays.
struct KxGlyphAt {
  std::uint16_t glyph;
  std::int32_t x, y;
};
void KxDrawGlyphs(const KxGlyphAt* glyphs, std::int32_t count);
// The same with the characters the glyphs show, cluster by cluster in
// glyph order (up to two UTF-16 units each): a PDF then carries the text
// with the glyphs. Clusters that do not cover the glyphs exactly are left
// out.
struct KxGlyphCluster {
  char16_t units[2];
  std::int32_t unitCount;    // 0-2
  std::int32_t glyphCount;   // glyphs of `glyphs` it covers, in order
};
void KxDrawGlyphs(const KxGlyphAt* glyphs, std::int32_t count, const KxGlyphCluster* clusters,
                  std::int32_t clusterCount);
