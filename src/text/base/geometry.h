// Geometry, units and base utilities: rectangles and points in 32-bit
// coordinates with their 16-bit screen forms, percentage scaling, the
// document's length units, decimal text, key queries and the system
// language test.
//
// Arithmetic is done in 64 bits; a result that does not fit its type is
// held at the type's limit rather than wrapped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/longrect.h"
#include "platform/types.h"

// Narrowing to 16 bits (KxSetRect(Rect&, const RectL&) and KxSetPoint) lives
// in platform/longrect.h.
void KxSetRect(RectL& out, const Rect& r);
void KxSetPoint(PointL& out, const Point& p);
void KxSetRect(RectL& out, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom);
void KxSetPoint(PointL& out, std::int32_t h, std::int32_t v);
void KxSetRect(Rect& out, std::int16_t left, std::int16_t top, std::int16_t right,
               std::int16_t bottom);
void KxSetPoint(Point& out, std::int16_t h, std::int16_t v);
void KxOffsetRect(Rect& r, std::int16_t dh, std::int16_t dv);
void KxOffsetRect(RectL& r, std::int32_t dh, std::int32_t dv);
// out = the intersection; true when it is not empty. out may be a or b.
bool KxSectRect(const RectL& a, const RectL& b, RectL& out);
// Edges count as inside, on all four sides.
bool KxPtInRect(const PointL& p, const RectL& r);

// Scaling by a percentage (0 and 100 leave values alone); inverse undoes a
// scale. Rounds half away from zero.
std::int32_t KxScaleLong(std::int32_t value, std::int16_t scale, bool inverse);
// Also keeps the rectangle at least 1 wide and 1 high.
void KxScaleRect(RectL& r, std::int16_t scale, bool inverse);
void KxScalePoint(PointL& p, std::int16_t scale, bool inverse);
std::int16_t KxScaleToShort(std::int32_t value, std::int16_t scale);
// Scales four values; c and d (sizes) stay at least 1.
void KxScaleRange(std::int32_t* a, std::int32_t* b, std::int32_t* c, std::int32_t* d,
                  std::int16_t scale, bool inverse);
// Converts a rectangle in device pixels at hRes x vRes dots per inch to
// 72 dpi. A resolution of 0 or less leaves that axis alone.
void KxSet72DPIRect(RectL& r, std::int16_t hRes, std::int16_t vRes);

// Length units: 0 and 3 tenths of a millimetre, 1 hundredths of an inch,
// 2 hundredths of a point. "PointsL" are tenths of a point.
constexpr std::int32_t kKxMaxPointsL = 327665;
// Held at -327665..327665.
std::int32_t KxUnitLToPointsL(std::int32_t value, std::int16_t unit);
std::int32_t KxPointsLToUnitL(std::int32_t points, std::int16_t unit);
// Snaps millimetre values a tenth off a whole millimetre (as a conversion to
// points and back leaves them) to it; other units unchanged.
std::int32_t KxAdjustUnitL(std::int32_t value, std::int16_t unit);
std::int16_t KxDotPerScale100(std::int16_t unit);

// Decimal text of value as a C string, with "," between groups of three
// digits when commas is set. Writes at most size bytes including the
// terminator (16 always suffice) and returns the length written.
short KxNumString(char* buffer, std::size_t size, std::int32_t value, bool commas);
// Length of a C string; 0 for null.
long KxCStrLength(const char* text);

// Keys, by virtual key code.
bool IsThisKeyDown(short keyCode);
bool KxShiftKeyDown();
bool KxOptionKeyDown();
bool KxCommandKeyDown();
// Caps Lock reports down while it is locked.
bool KxCapsLockDown();
bool KxControlKeyDown();
bool KxEscapeKeyDown();
// Looks at the next waiting key-down event without taking it: code is its
// character code (low byte) and key code (high byte); modifiers 1 shift,
// 2 command, 4 option. False, with both 0, when none waits.
bool KxGetNextKey(short& code, short& modifiers);

// True when the program's resources are Japanese: string list 200 item 2
// is longer than 4 bytes and starts with the Shift_JIS word for "save".
// Tested once.
bool KxIsJapaneseOS();
bool KxIsEnglishOS();
