// The drawing toolkit of the layout: scopes that save and restore port
// state, the fixed colour table, halftone nets, scaled rectangles (invert,
// frame, erase), text in a box, and the smoothing switch around a drawing
// pass. Coordinates come in as 32-bit values of the unscaled text image; a
// scale in percent (0 = 100) is applied and the result reaches the port in
// 32 bits (a long text's image passes 32767 pixels; only KxScaleToRect
// narrows, for callers that need the 16-bit form).
//
// The port scope CKXClipState is a thin name over the port's own
// KxClipScope, over the scaled rectangle.
// The printer's record is platform/draw/print.h's KxGetPrinterInfo.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/draw/port.h"
#include "platform/draw/print.h"
#include "platform/longrect.h"
#include "text/codes/unichar.h"
#include "text/runs/runs.h"

// ---------------------------------------------------------------------------
// Scaling

// A value of the text image at a scale (0 = 100), unclamped.
std::int32_t KxDrawScale(std::int32_t value, short scale);
// The scaled rectangle in 16-bit form (held at -32768..32767).
Rect KxScaleToRect(const RectL& r, short scale);
// The scaled rectangle, edge by edge, in 32 bits.
RectL KxScaleToRectL(const RectL& r, short scale);

// ---------------------------------------------------------------------------
// Colours

// Entries of the colour table: 0-19 fixed, 20-23 the current scheme's
// accent, tab-mark, return-mark and space-mark colours.
constexpr int kKxColorCount = 24;
constexpr int kKxColorBlack = 0;
constexpr int kKxColorBlue = 3;
constexpr int kKxColorYellow = 6;   // the frame of other control bytes
constexpr int kKxColorWhite = 10;
constexpr int kKxColorAccent = 20;
constexpr int kKxColorTabMark = 21;
constexpr int kKxColorReturnMark = 22;
constexpr int kKxColorSpaceMark = 23;

// Colour n of the table; any n outside 0-23 answers black.
void KxGetRGBColor(int n, RGBColor& out);
// Colour n as the port's fore colour.
void KxSetRGBColor(int n);
// The table entry (0-10 or 19) that is exactly c; -1 for any other colour.
short KxGetRGBColorType(const RGBColor& c);

// ---------------------------------------------------------------------------
// Nets: halftone patterns 0 (none) to 10 (solid), denser as they go.

constexpr int kKxNetCount = 11;
constexpr int kKxNetNone = 11;   // as a fill: nothing drawn
// Net n's 8 x 8 bits; numbers outside 0-10 answer net 0's.
void KxGetNetPattern(int n, Pattern& out);
void KxSetNetPattern(int n);   // as the pen pattern

// ---------------------------------------------------------------------------
// Rectangles

// Inverts the scaled rectangle; with hilite, in the highlight colour.
void KxTextInvertRect(const RectL& r, std::uint8_t hilite, short scale);
void KxTextFrameRect(const RectL& r, short scale);
void KxTextEraseRect(const RectL& r, short scale);
// Text in a box in a style, lines broken at CR and where the next character
// would pass the right edge; justify 1 centres, 2 aligns right, others left.
// Nothing is drawn outside the box. A character with a side entry (offsets
// into text, rising; Shift_JIS bytes under it) is measured and drawn by its
// Unicode value as the text lines draw it, its placeholder where the font
// has no glyph.
void KxTextDrawBoxText(const RectL& r, const char* text, long length, const SStyl& style, std::uint8_t justify,
                       short scale, const SKXUniChar* sides = nullptr, long sideCount = 0);

// ---------------------------------------------------------------------------
// Scopes

// Saves fore and back colour and the pen; restores them at the end.
class CKXDrawState {
 public:
  CKXDrawState();
  ~CKXDrawState();
  CKXDrawState(const CKXDrawState&) = delete;
  CKXDrawState& operator=(const CKXDrawState&) = delete;
  void Normalize() { PenNormal(); }
  // The style's colour as the fore colour.
  void SetColor(const SStyl& s) { RGBForeColor(&s.color); }

 private:
  PenState mPen{};
  RGBColor mFore{}, mBack{};
};

// Narrows the clip to the scaled rectangle for a scope; while printing the
// clip is left alone. Throws LException(memFullErr) when the saved clip
// cannot be made.
class CKXClipState {
 public:
  CKXClipState(const RectL& r, std::uint8_t printing, short scale);
  CKXClipState(const CKXClipState&) = delete;
  CKXClipState& operator=(const CKXClipState&) = delete;

 private:
  std::optional<KxClipScope> mScope;
};

// A drawing pass with smoothed text: while it lives, text at or above the
// smoothing size is antialiased on raster ports (never while printing).
class CKXQuartzDrawing {
 public:
  explicit CKXQuartzDrawing(std::uint8_t printing);
  ~CKXQuartzDrawing();
  CKXQuartzDrawing(const CKXQuartzDrawing&) = delete;
  CKXQuartzDrawing& operator=(const CKXQuartzDrawing&) = delete;

  static short GetMinFontSmoothingSize();
  static void SetMinFontSmoothingSize(short size);

  static Boolean sEnableQuartzDrawing;   // the preference: smoothing wanted
  static Boolean sQuickDrawing;          // this style is drawn unsmoothed
  static Boolean sQuartzExist;           // a smoothing pass is active

 private:
  Boolean mSavedEnable, mSavedQuick, mSavedExist;
  bool mBegan = false;
};
