#include "layout/draw_toolkit.h"

#include <algorithm>
#include <vector>

#include "layout/draw_unicode.h"
#include "layout/fontstate.h"
#include "platform/draw/color.h"
#include "platform/exception.h"
#include "platform/script.h"
#include "text/base/geometry.h"

// ---------------------------------------------------------------------------
// Scaling

std::int32_t KxDrawScale(std::int32_t value, short scale) { return KxScaleLong(value, scale, false); }

RectL KxScaleToRectL(const RectL& r, short scale) {
  if (scale == 0 || scale == 100) return r;
  return RectL{KxDrawScale(r.top, scale), KxDrawScale(r.left, scale), KxDrawScale(r.bottom, scale),
               KxDrawScale(r.right, scale)};
}

Rect KxScaleToRect(const RectL& r, short scale) {
  Rect out;
  KxSetRect(out, KxScaleToRectL(r, scale));
  return out;
}

// ---------------------------------------------------------------------------
// Colours

namespace {

// Entries 0-19; 11-18 are black as well (they were never given colours).
constexpr RGBColor kFixedColors[20] = {
    {0x0000, 0x0000, 0x0000}, {0xDD6B, 0x08C2, 0x06A2}, {0x0000, 0x8000, 0x11B0}, {0x0000, 0x0000, 0xD4B0},
    {0x0241, 0xAB54, 0xEAFF}, {0xF2D7, 0x0856, 0x84EC}, {0xFC00, 0xF37D, 0x052F}, {0xFFFF, 0x63D6, 0x028F},
    {0x5EB7, 0x2B84, 0x052F}, {0x8000, 0x8000, 0x8000}, {0xFFFF, 0xFFFF, 0xFFFF}, {0, 0, 0},
    {0, 0, 0},                {0, 0, 0},                {0, 0, 0},                {0, 0, 0},
    {0, 0, 0},                {0, 0, 0},                {0, 0, 0},                {0x2000, 0x2000, 0x2000}};
constexpr int kFirstUnnamed = 11, kLastUnnamed = 18;

bool Same(const RGBColor& a, const RGBColor& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

}  // namespace

void KxGetRGBColor(int n, RGBColor& out) {
  switch (n) {
    case kKxColorAccent: out = UKXColor::sAccentColor; return;
    case kKxColorTabMark: out = UKXColor::sTabCodeColor; return;
    case kKxColorReturnMark: out = UKXColor::sReturnCodeColor; return;
    case kKxColorSpaceMark: out = UKXColor::sSpaceCodeColor; return;
    default: out = n >= 0 && n < kKxColorAccent ? kFixedColors[n] : kFixedColors[kKxColorBlack];
  }
}

void KxSetRGBColor(int n) {
  RGBColor c;
  KxGetRGBColor(n, c);
  RGBForeColor(&c);
}

short KxGetRGBColorType(const RGBColor& c) {
  for (int n = 0; n < kKxColorAccent; ++n)
    if ((n < kFirstUnnamed || n > kLastUnnamed) && Same(c, kFixedColors[n])) return short(n);
  return -1;
}

// ---------------------------------------------------------------------------
// Nets

namespace {

constexpr Pattern kNets[kKxNetCount] = {
    {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},   // 0: none
    {{0x80, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00}},   // 1: 2 of 64
    {{0x80, 0x00, 0x08, 0x00, 0x80, 0x00, 0x08, 0x00}},   // 2: 4 of 64
    {{0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00}},   // 3: 8 of 64
    {{0x88, 0x00, 0xAA, 0x00, 0x88, 0x00, 0xAA, 0x00}},   // 4: 12 of 64
    {{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}},   // 5: light grey, a quarter (also dotted lines)
    {{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}},   // 6: grey, a half
    {{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}},   // 7: dark grey, three quarters
    {{0xF7, 0xFF, 0x7F, 0xFF, 0xF7, 0xFF, 0x7F, 0xFF}},   // 8: 60 of 64
    {{0x7F, 0xFF, 0xFF, 0xFF, 0xF7, 0xFF, 0xFF, 0xFF}},   // 9: 62 of 64
    {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},   // 10: solid
};

}  // namespace

void KxGetNetPattern(int n, Pattern& out) { out = kNets[n >= 0 && n < kKxNetCount ? n : 0]; }

void KxSetNetPattern(int n) {
  Pattern p;
  KxGetNetPattern(n, p);
  PenPat(&p);
}

// ---------------------------------------------------------------------------
// Rectangles

void KxTextInvertRect(const RectL& r, std::uint8_t hilite, short scale) {
  if (hilite) LMSetHiliteMode(std::uint8_t(LMGetHiliteMode() & ~kHiliteModeOff));
  KxInvertRectL(KxScaleToRectL(r, scale));
}

void KxTextFrameRect(const RectL& r, short scale) { KxFrameRectL(KxScaleToRectL(r, scale)); }

void KxTextEraseRect(const RectL& r, short scale) { KxEraseRectL(KxScaleToRectL(r, scale)); }

namespace {

// A box is drawn across, whatever the text lines drew last.
struct StAcross {
  Boolean was = CKXCharState::sVerticalDrawing;
  StAcross() { CKXCharState::sVerticalDrawing = 0; }
  ~StAcross() { CKXCharState::sVerticalDrawing = was; }
  StAcross(const StAcross&) = delete;
  StAcross& operator=(const StAcross&) = delete;
};

}  // namespace

void KxTextDrawBoxText(const RectL& r, const char* text, long length, const SStyl& style, std::uint8_t justify,
                       short scale, const SKXUniChar* sides, long sideCount) {
  if (!text || length <= 0) return;
  if (!sides) sideCount = 0;
  const RectL box = KxScaleToRectL(r, scale);
  if (box.right <= box.left || box.bottom <= box.top) return;
  CKXFontState fonts;
  CKXDrawState colors;
  StAcross across;
  fonts.SetFont(style.font, KxScaledFontSize(style.size, scale), style.face, 0);
  TextMode(srcOr);
  RGBForeColor(&style.color);
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t lineHeight = std::max(1, info.ascent + info.descent + info.leading);
  const std::int32_t boxWidth = box.right - box.left;
  const std::uint8_t* lead = KxScriptParseTable(KxFontScript(KxCurrentPortText().font));
  // Side entries stand on Shift_JIS bytes, whatever the font's script.
  const std::uint8_t* sideLead = KxScriptParseTable(kScriptJapanese);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  // The side entry on the character at `at`, or 0; `next` only moves on.
  long next = 0;
  auto sideAt = [&](long at) -> std::uint32_t {
    while (next < sideCount && sides[next].offset < at) ++next;
    return next < sideCount && sides[next].offset == at ? sides[next].value : 0;
  };
  auto charLength = [&](long at, bool side) -> long {
    return (side ? sideLead : lead)[bytes[at]] && at + 1 < length ? 2 : 1;
  };
  CKXClipState clip(box, 0, 0);
  std::int32_t baseline = box.top + info.ascent;
  long i = 0;
  while (i < length && baseline - info.ascent < box.bottom) {
    // One line: as many whole characters as fit (at least one), to a CR.
    long end = i;
    std::int32_t width = 0;
    bool anySide = false;
    const long firstSide = next;
    while (end < length && bytes[end] != '\r') {
      const std::uint32_t value = sideAt(end);
      const long n = charLength(end, value != 0);
      const std::int32_t w =
          value ? KxGetUnicodeCharWidth(value) : TextWidth(text, std::int32_t(end), std::int32_t(n));
      if (end > i && width + w > boxWidth) break;
      anySide = anySide || value != 0;
      width += w;
      end += n;
    }
    std::int32_t h = box.left;
    if (justify == 1) h += (boxWidth - width) / 2;
    else if (justify == 2) h += boxWidth - width;
    if (!anySide) {
      MoveTo(h, baseline);
      DrawText(text, std::int32_t(i), std::int32_t(end - i));
    } else {
      // Runs of bytes between the side entries, each piece at the width
      // it was measured at.
      next = firstSide;
      long run = i;
      std::int32_t runWidth = 0;
      auto flush = [&](long to) {
        if (to > run) {
          MoveTo(h, baseline);
          DrawText(text, std::int32_t(run), std::int32_t(to - run));
        }
        h += runWidth;
        runWidth = 0;
      };
      for (long c = i; c < end;) {
        const std::uint32_t value = sideAt(c);
        const long n = charLength(c, value != 0);
        if (!value) {
          runWidth += TextWidth(text, std::int32_t(c), std::int32_t(n));
          c += n;
          continue;
        }
        flush(c);
        KxTextDrawUnicode(h, baseline - info.ascent, info.ascent, info.ascent + info.descent, &value, 1, 0);
        h += KxGetUnicodeCharWidth(value);
        c += n;
        run = c;
      }
      flush(end);
    }
    i = end < length && bytes[end] == '\r' ? end + 1 : end;
    baseline += lineHeight;
  }
}

// ---------------------------------------------------------------------------
// Scopes

CKXDrawState::CKXDrawState() {
  GetPenState(&mPen);
  GetForeColor(&mFore);
  GetBackColor(&mBack);
}

CKXDrawState::~CKXDrawState() {
  SetPenState(&mPen);
  RGBForeColor(&mFore);
  RGBBackColor(&mBack);
}

CKXClipState::CKXClipState(const RectL& r, std::uint8_t printing, short scale) {
  if (printing) return;
  mScope.emplace(KxScaleToRectL(r, scale));
}

Boolean CKXQuartzDrawing::sEnableQuartzDrawing = 0;
Boolean CKXQuartzDrawing::sQuickDrawing = 0;
Boolean CKXQuartzDrawing::sQuartzExist = 0;

CKXQuartzDrawing::CKXQuartzDrawing(std::uint8_t printing)
    : mSavedEnable(sEnableQuartzDrawing), mSavedQuick(sQuickDrawing), mSavedExist(sQuartzExist) {
  if (printing || !sEnableQuartzDrawing) return;
  GrafPtr port = KxGetPort();
  if (!port || !port->IsRaster()) return;
  mBegan = UQuartzDrawing::Begin();
  sQuartzExist = mBegan;
  sQuickDrawing = 0;
}

CKXQuartzDrawing::~CKXQuartzDrawing() {
  if (mBegan) UQuartzDrawing::End();
  sEnableQuartzDrawing = mSavedEnable;
  sQuickDrawing = mSavedQuick;
  sQuartzExist = mSavedExist;
}

short CKXQuartzDrawing::GetMinFontSmoothingSize() { return UQuartzDrawing::GetSmoothingSizeAndLarger(); }
void CKXQuartzDrawing::SetMinFontSmoothingSize(short size) { UQuartzDrawing::SetSmoothingSizeAndLarger(size); }
