#include "platform/draw/color.h"

#include <algorithm>

namespace {

constexpr std::int32_t kFull = 0xFFFF;
// The last scheme number: 0-9 built in, 10-19 the user's.
constexpr short kLastScheme = 19;
constexpr short kFirstUserScheme = 10;

KxUserColorSchemeFn gUserSchemes = nullptr;

// This platform has no appearance theme to hand the face to.
constexpr bool kAppearanceManager = false;

std::uint16_t Clamp16(std::int64_t v) { return std::uint16_t(std::clamp<std::int64_t>(v, 0, kFull)); }

struct BuiltIn {
  const RGBColor* face;
  const RGBColor* accent;
};

}  // namespace

KxUserColorSchemeFn KxSetUserColorSchemeHook(KxUserColorSchemeFn hook) {
  KxUserColorSchemeFn previous = gUserSchemes;
  gUserSchemes = hook;
  return previous;
}

const RGBColor UKXColor::sBlackColor{0x0000, 0x0000, 0x0000};
const RGBColor UKXColor::sWhiteColor{0xFFFF, 0xFFFF, 0xFFFF};
const RGBColor UKXColor::sGrayColor{0x8888, 0x8888, 0x8888};
const RGBColor UKXColor::sSilverGrayColor{0xDDDD, 0xDDDD, 0xDDDD};
const RGBColor UKXColor::sLightGrayColor{0xAAAA, 0xAAAA, 0xAAAA};
const RGBColor UKXColor::sDarkGrayColor{0x7777, 0x7777, 0x7777};

const RGBColor UKXColor::sClassicOSFace{0xDDDD, 0xDDDD, 0xDDDD};
const RGBColor UKXColor::sClassicOSAccent{0x8888, 0x8888, 0x8888};
const RGBColor UKXColor::sClassicOSLight{0xFFFF, 0xFFFF, 0xFFFF};
const RGBColor UKXColor::sClassicOSShadow{0xAAAA, 0xAAAA, 0xAAAA};
const RGBColor UKXColor::sBondiBlueFace{0x5555, 0xDDDD, 0xDDDD};
const RGBColor UKXColor::sBondiBlueAccent{0x3333, 0xAAAA, 0xAAAA};
const RGBColor UKXColor::sBlueberryFace{0x5555, 0xBBBB, 0xEEEE};
const RGBColor UKXColor::sBlueberryAccent{0x3333, 0x8888, 0xBBBB};
const RGBColor UKXColor::sGrapeFace{0xBBBB, 0x8888, 0xEEEE};
const RGBColor UKXColor::sGrapeAccent{0x8888, 0x5555, 0xBBBB};
const RGBColor UKXColor::sTangerineFace{0xFFFF, 0xCCCC, 0x8888};
const RGBColor UKXColor::sTangerineAccent{0xEEEE, 0x9999, 0x5555};
const RGBColor UKXColor::sLimeGreenFace{0x8888, 0xEEEE, 0x8888};
const RGBColor UKXColor::sLimeGreenAccent{0x5555, 0xBBBB, 0x5555};
const RGBColor UKXColor::sStrawberryFace{0xFFFF, 0x9999, 0xCCCC};
const RGBColor UKXColor::sStrawberryAccent{0xCCCC, 0x6666, 0x9999};
const RGBColor UKXColor::sGraphiteFace{0xAAAA, 0xAAAA, 0xDDDD};
const RGBColor UKXColor::sGraphiteAccent{0x7777, 0x7777, 0xAAAA};
const RGBColor UKXColor::sLtPlatinumFace{0xEEEE, 0xEEEE, 0xEEEE};
const RGBColor UKXColor::sLtPlatinumAccent{0x8888, 0x8888, 0x8888};

namespace {
// The scheme as the program starts.
constexpr RGBColor kInitialText{0x0000, 0x0000, 0x0000};
constexpr RGBColor kInitialFace{0xEEEE, 0xEEEE, 0xEEEE};
constexpr RGBColor kInitialLight{0xFFFF, 0xFFFF, 0xFFFF};
constexpr RGBColor kInitialShadow{0x8888, 0x8888, 0x8888};
constexpr RGBColor kInitialMark{0x8000, 0x8000, 0x8000};   // TAB and return marks, accent
constexpr RGBColor kInitialSpace{0x0000, 0x0000, 0x0000};
}  // namespace

RGBColor UKXColor::sViewTextColor = kInitialText;
RGBColor UKXColor::sViewFaceColor = kInitialFace;
RGBColor UKXColor::sViewLightColor = kInitialLight;
RGBColor UKXColor::sViewShadowColor = kInitialShadow;
RGBColor UKXColor::sTabCodeColor = kInitialMark;
RGBColor UKXColor::sReturnCodeColor = kInitialMark;
RGBColor UKXColor::sSpaceCodeColor = kInitialSpace;
RGBColor UKXColor::sAccentColor = kInitialMark;
short UKXColor::sColorVariation = 0;
std::uint8_t UKXColor::sAppearanceTheme = 0;
std::uint8_t UKXColor::sHasMacOS8 = 0;

void UKXColor::ResetScheme() {
  sViewTextColor = kInitialText;
  sViewFaceColor = kInitialFace;
  sViewLightColor = kInitialLight;
  sViewShadowColor = kInitialShadow;
  sTabCodeColor = sReturnCodeColor = sAccentColor = kInitialMark;
  sSpaceCodeColor = kInitialSpace;
  sColorVariation = 0;
  sAppearanceTheme = 0;
}

void UKXColor::InitColorUtils() {
  sHasMacOS8 = 1;
  sAppearanceTheme = kAppearanceManager ? 1 : 0;
  sColorVariation = kAppearanceManager ? 0 : 1;
}

void UKXColor::ColorVariation(short n) {
  static const BuiltIn kBuiltIn[] = {
      {&sBondiBlueFace, &sBondiBlueAccent}, {&sBlueberryFace, &sBlueberryAccent},
      {&sGrapeFace, &sGrapeAccent},         {&sTangerineFace, &sTangerineAccent},
      {&sLimeGreenFace, &sLimeGreenAccent}, {&sStrawberryFace, &sStrawberryAccent},
      {&sGraphiteFace, &sGraphiteAccent},   {&sLtPlatinumFace, &sLtPlatinumAccent},
  };
  if (n < 0 || n > kLastScheme) return;
  KxUserColorScheme user{};
  if (n >= kFirstUserScheme && !(gUserSchemes && gUserSchemes(short(n - kFirstUserScheme + 1), user)))
    return;
  sAppearanceTheme = 0;
  if (n <= 1) {
    short number = 1;
    if (n == 0 && kAppearanceManager) {
      sAppearanceTheme = 1;
      number = 0;
    }
    sViewTextColor = sBlackColor;
    sViewFaceColor = sClassicOSFace;
    sTabCodeColor = sReturnCodeColor = sAccentColor = sClassicOSAccent;
    sSpaceCodeColor = sBlackColor;
    sViewLightColor = sClassicOSLight;
    sViewShadowColor = sClassicOSShadow;
    sColorVariation = number;
    return;
  }
  if (n < kFirstUserScheme) {
    const BuiltIn& b = kBuiltIn[n - 2];
    sViewTextColor = sBlackColor;
    sViewFaceColor = *b.face;
    sTabCodeColor = sReturnCodeColor = sAccentColor = *b.accent;
    sSpaceCodeColor = sBlackColor;
  } else {
    sViewTextColor = user.text;
    sViewFaceColor = user.face;
    sTabCodeColor = user.tabMark;
    sReturnCodeColor = user.returnMark;
    sSpaceCodeColor = user.spaceMark;
    sAccentColor = user.accent;
    if (user.theme && kAppearanceManager) sAppearanceTheme = user.theme;
  }
  Lighten(sViewLightColor, sViewFaceColor);
  Darken(sViewShadowColor, sViewFaceColor);
  sColorVariation = n;
}

void UKXColor::Lighten(RGBColor& out, const RGBColor& c) {
  out = {Clamp16((std::int64_t(c.red) + kFull) / 2), Clamp16((std::int64_t(c.green) + kFull) / 2),
         Clamp16((std::int64_t(c.blue) + kFull) / 2)};
}

void UKXColor::Darken(RGBColor& out, const RGBColor& c) {
  out = {Clamp16(std::int64_t(c.red) * 2 / 3), Clamp16(std::int64_t(c.green) * 2 / 3),
         Clamp16(std::int64_t(c.blue) * 2 / 3)};
}

void UKXColor::Lightness(RGBColor& out, const RGBColor& c, short percent) {
  const std::int64_t add = std::int64_t(percent) * kFull / 100;
  out = {Clamp16(c.red + add), Clamp16(c.green + add), Clamp16(c.blue + add)};
}

void UKXColor::DrawLine(Point from, Point to) {
  MoveTo(from.h, from.v);
  LineTo(to.h, to.v);
}

namespace {
std::int32_t Pin32(std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

bool Inset(const Rect& r, std::int32_t dTop, std::int32_t dLeft, std::int32_t dBottom, std::int32_t dRight,
           RectL& out) {
  out = {Pin32(std::int64_t(r.top) + dTop), Pin32(std::int64_t(r.left) + dLeft),
         Pin32(std::int64_t(r.bottom) - dBottom), Pin32(std::int64_t(r.right) - dRight)};
  return out.left < out.right && out.top < out.bottom;
}
}  // namespace

void UKXColor::TopLeftSide(const Rect& r, std::int32_t dTop, std::int32_t dLeft, std::int32_t dBottom,
                           std::int32_t dRight) {
  RectL s;
  if (!Inset(r, dTop, dLeft, dBottom, dRight, s)) return;
  MoveTo(s.left, s.bottom - 1);
  LineTo(s.left, s.top);
  LineTo(s.right - 1, s.top);
}

void UKXColor::BottomRightSide(const Rect& r, std::int32_t dTop, std::int32_t dLeft, std::int32_t dBottom,
                               std::int32_t dRight) {
  RectL s;
  if (!Inset(r, dTop, dLeft, dBottom, dRight, s)) return;
  MoveTo(s.left, s.bottom - 1);
  LineTo(s.right - 1, s.bottom - 1);
  LineTo(s.right - 1, s.top);
}

void UKXColor::DrawFrameShadow(const Rect& r, bool enabled) {
  if (!KxGetPort()) return;
  PenState pen;
  GetPenState(&pen);
  RGBColor fore;
  GetForeColor(&fore);
  {
    const RectL grown{r.top - 1, r.left - 1, r.bottom + 1, r.right + 1};
    KxClipScope clip(grown);
    PenNormal();
    const Rect g{KxPinShort(grown.top), KxPinShort(grown.left), KxPinShort(grown.bottom),
                 KxPinShort(grown.right)};
    RGBForeColor(enabled ? &sLightGrayColor : &sSilverGrayColor);
    TopLeftSide(g, 0, 0, 0, 0);
    RGBForeColor(enabled ? &sWhiteColor : &sSilverGrayColor);
    BottomRightSide(g, 0, 0, 0, 0);
  }
  RGBForeColor(&fore);
  SetPenState(&pen);
}
