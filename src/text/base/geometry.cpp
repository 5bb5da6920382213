#include "text/base/geometry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/framework/events.h"
#include "platform/keys.h"
#include "platform/resources.h"

namespace {
std::int32_t Narrow32(std::int64_t v) {
  return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}
std::int64_t Abs(std::int64_t v) { return v < 0 ? -v : v; }
}  // namespace

// ---- rectangles and points

void KxSetRect(RectL& out, const Rect& r) { out = {r.top, r.left, r.bottom, r.right}; }
void KxSetPoint(PointL& out, const Point& p) { out = {p.v, p.h}; }

void KxSetRect(RectL& out, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom) {
  out = {top, left, bottom, right};
}

void KxSetPoint(PointL& out, std::int32_t h, std::int32_t v) { out = {v, h}; }

void KxSetRect(Rect& out, std::int16_t left, std::int16_t top, std::int16_t right,
               std::int16_t bottom) {
  out = {top, left, bottom, right};
}

void KxSetPoint(Point& out, std::int16_t h, std::int16_t v) { out = {v, h}; }

void KxOffsetRect(Rect& r, std::int16_t dh, std::int16_t dv) {
  r.left = KxPinShort(r.left + dh);
  r.right = KxPinShort(r.right + dh);
  r.top = KxPinShort(r.top + dv);
  r.bottom = KxPinShort(r.bottom + dv);
}

void KxOffsetRect(RectL& r, std::int32_t dh, std::int32_t dv) {
  r.left = Narrow32(std::int64_t(r.left) + dh);
  r.right = Narrow32(std::int64_t(r.right) + dh);
  r.top = Narrow32(std::int64_t(r.top) + dv);
  r.bottom = Narrow32(std::int64_t(r.bottom) + dv);
}

bool KxSectRect(const RectL& a, const RectL& b, RectL& out) {
  RectL s{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
          std::min(a.right, b.right)};
  out = s;
  return s.left < s.right && s.top < s.bottom;
}

bool KxPtInRect(const PointL& p, const RectL& r) {
  return r.left <= p.h && p.h <= r.right && r.top <= p.v && p.v <= r.bottom;
}

// ---- scaling

std::int32_t KxScaleLong(std::int32_t value, std::int16_t scale, bool inverse) {
  if (scale == 0 || scale == 100) return value;
  std::int64_t v = Abs(value), s = scale, r;
  if (!inverse)
    r = (v * s + 50) / 100;
  else if (v > 2099999)
    r = v * 100 / s;  // large values are not rounded, as they always were
  else
    r = (v * 1000 / s + 5) / 10;
  return Narrow32(value < 0 ? -r : r);
}

void KxScaleRect(RectL& r, std::int16_t scale, bool inverse) {
  if (scale == 0) return;
  r.top = KxScaleLong(r.top, scale, inverse);
  r.left = KxScaleLong(r.left, scale, inverse);
  r.bottom = KxScaleLong(r.bottom, scale, inverse);
  r.right = KxScaleLong(r.right, scale, inverse);
  if (std::int64_t(r.right) - r.left < 1) r.right = Narrow32(std::int64_t(r.left) + 1);
  if (std::int64_t(r.bottom) - r.top < 1) r.bottom = Narrow32(std::int64_t(r.top) + 1);
}

void KxScalePoint(PointL& p, std::int16_t scale, bool inverse) {
  if (scale == 0) return;
  p.h = KxScaleLong(p.h, scale, inverse);
  p.v = KxScaleLong(p.v, scale, inverse);
}

std::int16_t KxScaleToShort(std::int32_t value, std::int16_t scale) {
  return KxPinShort(KxScaleLong(value, scale, false));
}

void KxScaleRange(std::int32_t* a, std::int32_t* b, std::int32_t* c, std::int32_t* d,
                  std::int16_t scale, bool inverse) {
  if (scale == 0) return;
  *a = KxScaleLong(*a, scale, inverse);
  *b = KxScaleLong(*b, scale, inverse);
  *c = std::max(KxScaleLong(*c, scale, inverse), std::int32_t(1));
  *d = std::max(KxScaleLong(*d, scale, inverse), std::int32_t(1));
}

void KxSet72DPIRect(RectL& r, std::int16_t hRes, std::int16_t vRes) {
  // A resolution we cannot divide by is taken as 72: that axis stays as it is.
  if (hRes <= 0) hRes = 72;
  if (vRes <= 0) vRes = 72;
  if (hRes == 72 && vRes == 72) return;
  auto edge = [](std::int64_t v, std::int64_t res) {
    std::int64_t m = (Abs(v) * 720 / res + 5) / 10;
    return v < 0 ? -m : m;
  };
  // The size is converted on its own so that it is rounded once, not twice.
  auto size = [](std::int64_t s, std::int64_t res) { return (s * 720 / res + 5) / 10; };
  std::int64_t width = std::int64_t(r.right) - r.left;
  std::int64_t height = std::int64_t(r.bottom) - r.top;
  std::int64_t left = edge(r.left, hRes), top = edge(r.top, vRes);
  r.left = Narrow32(left);
  r.top = Narrow32(top);
  r.right = Narrow32(left + size(width, hRes));
  r.bottom = Narrow32(top + size(height, vRes));
}

// ---- units

std::int32_t KxUnitLToPointsL(std::int32_t value, std::int16_t unit) {
  std::int64_t v = value, r;
  switch (unit) {
    case 0:
    case 3: r = (v * 7200 / 254 + 5) / 10; break;
    case 1: r = (v * 72 + 5) / 10; break;
    default: r = (v + 5) / 10; break;
  }
  return std::int32_t(std::clamp<std::int64_t>(r, -kKxMaxPointsL, kKxMaxPointsL));
}

std::int32_t KxPointsLToUnitL(std::int32_t points, std::int16_t unit) {
  std::int64_t p = points;
  switch (unit) {
    case 0:
    case 3: return Narrow32((p * 254 / 72 + 5) / 10);
    case 1: return Narrow32((p * 100 / 72 + 5) / 10);
    default: return Narrow32(p * 10);
  }
}

std::int32_t KxAdjustUnitL(std::int32_t value, std::int16_t unit) {
  if (unit != 0 && unit != 3) return value;
  // Signed remainders: negative values are left alone.
  if (value % 10 == 9) return value + 1;
  if (value % 10 == 1) return value - 1;
  return value;
}

std::int16_t KxDotPerScale100(std::int16_t unit) {
  switch (unit) {
    case 1: return 720;
    case 0:
    case 3: return 566;
    case 4: return 1200;
    default: return 1000;
  }
}

// ---- numbers

short KxNumString(char* buffer, std::size_t size, std::int32_t value, bool commas) {
  if (!buffer || size == 0) return 0;
  char digits[16];  // "-2,147,483,648" backwards
  int n = 0, inGroup = 0;
  std::int64_t v = Abs(value);
  do {
    if (commas && inGroup == 3) {
      digits[n++] = ',';
      inGroup = 0;
    }
    digits[n++] = char('0' + v % 10);
    ++inGroup;
    v /= 10;
  } while (v > 0);
  if (value < 0) digits[n++] = '-';
  std::size_t len = std::min<std::size_t>(std::size_t(n), size - 1);
  for (std::size_t i = 0; i < len; ++i) buffer[i] = digits[n - 1 - int(i)];
  buffer[len] = 0;
  return short(len);
}

long KxCStrLength(const char* text) { return text ? long(std::strlen(text)) : 0; }

// ---- keys

bool IsThisKeyDown(short keyCode) {
  if (keyCode < 0 || keyCode > 127) return false;
  KeyMap map;
  GetKeys(map);
  return (map[keyCode >> 3] >> (keyCode & 7)) & 1;
}

bool KxShiftKeyDown() { return IsThisKeyDown(kKxKeyShift); }
bool KxOptionKeyDown() { return IsThisKeyDown(kKxKeyOption); }
bool KxCommandKeyDown() { return IsThisKeyDown(kKxKeyCommand); }
bool KxCapsLockDown() { return IsThisKeyDown(kKxKeyCapsLock); }
bool KxControlKeyDown() { return IsThisKeyDown(kKxKeyControl); }
bool KxEscapeKeyDown() { return IsThisKeyDown(kKxKeyEscape); }

bool KxGetNextKey(short& code, short& modifiers) {
  code = 0;
  modifiers = 0;
  KxKeyEvent event;
  if (!KxCurrentKeySource().PeekKeyDown(event)) return false;
  code = short(event.message & 0xFFFF);
  if (event.modifiers & kKxEventShiftKey) modifiers |= 1;
  if (event.modifiers & kKxEventCommandKey) modifiers |= 2;
  if (event.modifiers & kKxEventOptionKey) modifiers |= 4;
  return true;
}

// ---- system language

bool KxIsJapaneseOS() {
  static const bool japanese = [] {
    Str255 save;
    GetIndString(save, 200, 2);
    static const unsigned char kSave[] = {0x95, 0xDB, 0x91, 0xB6};  // "save" in Shift_JIS
    return save[0] > 4 && std::memcmp(save + 1, kSave, 4) == 0;
  }();
  return japanese;
}

bool KxIsEnglishOS() { return !KxIsJapaneseOS(); }
