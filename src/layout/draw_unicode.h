// Unicode side entries drawn and measured in the port's font, and the
// smoothing pass (antialiased text at and above a size).
//
// Glyphs are chosen by the font (platform/draw/glyph_choice.h) and placed at
// the widths the measuring code gives, never at the font's own advances. A
// packed value (as the side table holds it) is one UTF-16 unit (a value of
// 0xFFFF or less, or first << 16 with a 0 second unit), two units (first <<
// 16 | second: a surrogate pair or a letter with a combining mark), or a
// glyph escape (first unit 16-31, the glyph ID second).
//
// What cannot be drawn or measured (no glyph for a character, a glyph ID the
// font does not have, a measured 0) is drawn and measured as its fallback
// bytes: never at width 0, which would make glyphs overlap and take the
// caret a stop.
#pragma once

#include <cstdint>

#include "platform/draw/port.h"
#include "platform/types.h"

// The smoothing state of the current drawing pass.
class UQuartzDrawing {
 public:
  // Starts and ends a pass in the current port (true when it started).
  static bool Begin();
  static void End();
  static bool IsActive() { return sCurrentGrafPtr != nullptr; }
  // Smoothing is on exactly when a pass is active in the current port, the
  // style is not marked unsmoothed and size >= the smoothing size.
  static void FontSize(short size);
  // Draws (or only measures) a glyph of the port's font at the pen; answers
  // its width at the drawing size, 0 for an ID the font does not have.
  static std::int32_t DrawGlyph(std::uint16_t glyph, bool measureOnly);
  static void SetSmoothingSizeAndLarger(short size);   // at least 1
  static short GetSmoothingSizeAndLarger() { return sSmoothingSizeAndLarger; }

  static GrafPtr sCurrentGrafPtr;
  static short sSmoothingSizeAndLarger;
  static Boolean sSmoothingSizeIsEnabled;
};

// Error of a Unicode drawing call while Unicode drawing is unavailable, and
// of a text that the font cannot show.
constexpr OSStatus kKxUnicodeDrawingOff = -8791;
constexpr OSStatus kKxUnicodeNoGlyph = -8790;

class UUnicodeDrawing {
 public:
  static void Initialize();
  static void Terminate();
  // Draws text[offset, offset + length) at the pen; the pen moves past it.
  // A run of exactly two units starting with 16-31 is a glyph escape.
  static OSStatus DrawText(const char16_t* text, long offset, long length);
  // Its width at the measuring size; 0 on any failure.
  static std::int32_t TextWidth(const char16_t* text, long offset, long length);

  static Boolean gAvailUnicodeDrawing;
};

// Draws units with the fallback bytes for a failure: horizontally at the pen
// placed at (x, top + ascent); in vertical writing upright in the column
// x - height .. x like a double-byte character. Coordinates are of the
// unscaled image. Answers the advance (drawing pixels), which is the width
// the measuring code gives (ascent + descent down a column).
std::int32_t KxTextDrawUnicodeText(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                                   const char16_t* text, long count, const char* fallback, short fallbackLength,
                                   short scale);
// Packed values one after the other, each with the placeholder of the port
// font's script as fallback; answers the total advance.
std::int32_t KxTextDrawUnicode(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                               const std::uint32_t* values, long count, short scale);
// A character of a script through its Unicode form, with its own bytes as
// fallback (drawn as script text when the bridge cannot convert it).
std::int32_t KxTextDrawCharToUnicode(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                                     std::uint16_t code, short script, short scale);

// Start-up: Unicode drawing becomes available and the bridge's Draw and
// Width reach it.
void KxLayoutUnicodeDrawingFacilities();
