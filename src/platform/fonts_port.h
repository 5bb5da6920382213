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
  short size = 0;            // 0: the default size, 12
  unsigned char face = 0;
  short mode = srcOr;
};

KxPortText& KxCurrentPortText();
// Makes text current (null: the process-wide one); returns the previous one.
KxPortText* KxSetPortText(KxPortText* text);

void TextFont(short font);
void TextSize(short size);
void TextFace(unsigned char face);
void TextMode(short mode);

// Widths in the port's font, size and face. CharWidth measures a single byte
// of the font's script; TextWidth measures text[first, first + count) as
// characters of the font's script (a lead byte with its trail byte as one
// character; a lead byte at the end alone).
std::int32_t CharWidth(unsigned char ch);
std::int32_t TextWidth(const void* text, std::int32_t first, std::int32_t count);
void GetFontInfo(KxFontInfo* info);
