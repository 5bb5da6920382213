// Glyph choice: which glyphs of a font show a piece of UTF-16 text. HarfBuzz
// reads the font file and picks the glyphs (composed forms for a letter with
// a combining mark, the code point of a surrogate pair, the vertical forms of
// the font's "vert" and "vrt2" features); where the glyphs go is never taken
// from it: callers place them at the widths the measuring code gives.
#pragma once

#include <cstdint>
#include <vector>

struct KxChosenGlyph {
  std::uint16_t glyph;
  std::int32_t cluster;   // index of the first unit the glyph shows
};

// The glyphs of units[0, count) in the font, in visual order; with
// `vertical`, the forms for vertical writing where the font has them. Faces
// without a file take each code point's glyph as it stands. A character the
// font lacks gets glyph 0, the missing-character glyph. False (glyphs
// cleared) when the font cannot be opened.
bool KxChooseGlyphs(short font, const char16_t* units, std::int32_t count, bool vertical,
                    std::vector<KxChosenGlyph>& glyphs);
