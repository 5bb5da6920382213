// The text settings of the current drawing port: font number, size, face and
// transfer mode, and measuring in them. The drawing port (when it exists)
// owns one KxPortText and makes it current; until then a process-wide one
// serves.
#pragma once

#include <cstdint>

#include "platform/fonts.h"

constexpr short srcOr = 1;

struct KxPortText {
  short font = kKxSystemFont;
  short size = 0;            // 0: kKxDefaultFontSize
  unsigned char face = 0;
  short mode = srcOr;
  // While a view draws scaled, size is the drawing size and unscaled the
  // style's own size, which every measurement uses; 0 when not scaled.
  short unscaled = 0;
  short MeasureSize() const { return unscaled ? unscaled : size; }
  // Glyph edges blended into raster ports (antialiasing); widths never change.
  bool smooth = false;
};

KxPortText& KxCurrentPortText();
// Makes text current (null: the process-wide one); returns the previous one.
KxPortText* KxSetPortText(KxPortText* text);

void TextFont(short font);
void TextSize(short size);   // also ends a scaled state
// Draws at drawSize while measurements keep using styleSize.
void KxTextSizeScaled(short styleSize, short drawSize);
void TextFace(unsigned char face);
void TextMode(short mode);

// Widths in the port's font, size (unscaled) and face. CharWidth measures a single byte
// of the font's script; TextWidth measures text[first, first + count) as
// characters of the font's script (a lead byte with its trail byte as one
// character; a lead byte at the end alone).
std::int32_t CharWidth(unsigned char ch);
std::int32_t TextWidth(const void* text, std::int32_t first, std::int32_t count);
void GetFontInfo(KxFontInfo* info);
