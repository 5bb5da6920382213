// Script text drawn for the layout, in horizontal and vertical writing, at
// exactly the widths the measuring code (layout/fontstate.h) gives: single
// bytes by their own widths, every double-byte character of a style by the
// one width they share. Control bytes only advance (their symbols are
// KxTextDrawControl's).
//
// Vertical writing: the column spans x - height .. x and the pen runs down
// from top. Double-byte characters stand upright, their left edge at
// column left + (height - w) - (height - w) / 3 (w the shared width) and
// their baseline at the pen + ascent, in the font's vertical forms where it
// has them (the punctuation, brackets and small kana that lie down or move
// in vertical writing), else as they are. Runs of other single bytes are
// turned a quarter clockwise; spaces only advance.
#pragma once

#include <cstdint>

// Draws text[from, from + count) of the port's font and answers how far the
// pen went (in drawing pixels, along the line or down the column). The
// coordinates are of the unscaled image; scale in percent (0 = 100). The
// underline of CKXCharState::sFontUnderline is drawn here.
std::int32_t KxTextDrawText(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                            const char* text, std::int32_t from, std::int32_t count, short scale);

// Single-byte text turned a quarter clockwise into the column left ..
// left + height from top down (port coordinates); answers its length.
std::int32_t KxDrawVerticalText(std::int32_t left, std::int32_t top, std::int32_t ascent, std::int32_t height,
                                const char* text, std::int32_t count);

// The left edge of an upright character w wide in a column height wide.
inline std::int32_t KxVerticalCharLeft(std::int32_t columnLeft, std::int32_t height, std::int32_t w) {
  return columnLeft + (height - w) - (height - w) / 3;
}

// The width every double-byte character of the port's font is drawn at
// (drawing size); 0 for fonts without double-byte characters.
std::int32_t KxDrawDoubleWidth();
