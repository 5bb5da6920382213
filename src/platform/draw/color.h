// The program's colours: fixed colours, the current scheme of the document
// views (text, face, light, shadow, the TAB, return and space marks, the
// accent), the built-in schemes and the user's ten, and the bevel drawing
// that panes and controls share.
//
// All arithmetic on components is held at 0..65535: lightening white stays
// white and darkening black stays black.
#pragma once

#include <cstdint>

#include "platform/draw/port.h"
#include "platform/types.h"

// A user scheme, in the order the colour preferences keep it.
struct KxUserColorScheme {
  RGBColor text;
  RGBColor face;
  RGBColor tabMark;
  RGBColor returnMark;
  RGBColor spaceMark;
  RGBColor accent;
  std::uint8_t theme;   // non-zero: the platform's theme draws the face
};

// Answers user scheme n (1-10); false when there is none. The application
// installs the answer of its colour preferences; without it there are no
// user schemes.
using KxUserColorSchemeFn = bool (*)(short n, KxUserColorScheme& out);
KxUserColorSchemeFn KxSetUserColorSchemeHook(KxUserColorSchemeFn hook);

class UKXColor {
 public:
  static const RGBColor sBlackColor;
  static const RGBColor sWhiteColor;
  static const RGBColor sGrayColor;
  static const RGBColor sSilverGrayColor;
  static const RGBColor sLightGrayColor;
  static const RGBColor sDarkGrayColor;

  static const RGBColor sClassicOSFace, sClassicOSAccent, sClassicOSLight, sClassicOSShadow;
  static const RGBColor sBondiBlueFace, sBondiBlueAccent;
  static const RGBColor sBlueberryFace, sBlueberryAccent;
  static const RGBColor sGrapeFace, sGrapeAccent;
  static const RGBColor sTangerineFace, sTangerineAccent;
  static const RGBColor sLimeGreenFace, sLimeGreenAccent;
  static const RGBColor sStrawberryFace, sStrawberryAccent;
  static const RGBColor sGraphiteFace, sGraphiteAccent;
  static const RGBColor sLtPlatinumFace, sLtPlatinumAccent;

  // The current scheme.
  static RGBColor sViewTextColor;
  static RGBColor sViewFaceColor;
  static RGBColor sViewLightColor;
  static RGBColor sViewShadowColor;
  static RGBColor sTabCodeColor;
  static RGBColor sReturnCodeColor;
  static RGBColor sSpaceCodeColor;
  static RGBColor sAccentColor;
  static short sColorVariation;
  static std::uint8_t sAppearanceTheme;   // 0: the program's own colours
  static std::uint8_t sHasMacOS8;         // bevelled, theme-era drawing

  // Sets the flags for this platform, which has no appearance theme: our
  // own bevels, the program's own colours, scheme 1.
  static void InitColorUtils();
  // Selects scheme n: 0 and 1 classic, 2-9 the built-in colours, 10-19 user
  // scheme n - 9. Above 19, or a user scheme that does not exist, changes
  // nothing.
  static void ColorVariation(short n);
  // Back to the initial scheme values (for start-up and tests).
  static void ResetScheme();

  static void Lighten(RGBColor& out, const RGBColor& c);   // halfway to white
  static void Darken(RGBColor& out, const RGBColor& c);    // two thirds
  // Adds percent of full scale to each component (negative darkens).
  static void Lightness(RGBColor& out, const RGBColor& c, short percent);

  // In the current port, with its pen.
  static void DrawLine(Point from, Point to);
  // In the rectangle inset by the four amounts: the left edge from the
  // bottom up, then the top edge to the right; nothing when it is empty.
  static void TopLeftSide(const Rect& r, std::int32_t dTop, std::int32_t dLeft, std::int32_t dBottom,
                          std::int32_t dRight);
  // The bottom edge from the left, then the right edge up.
  static void BottomRightSide(const Rect& r, std::int32_t dTop, std::int32_t dLeft, std::int32_t dBottom,
                              std::int32_t dRight);
  // The one-pixel bevel just outside r: light grey above and left, white
  // below and right when enabled; silver grey all round when not. Pen,
  // colour and clip are as they were afterwards.
  static void DrawFrameShadow(const Rect& r, bool enabled);
};
