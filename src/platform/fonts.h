// The font registry: font numbers, their families, scripts and metrics.
//
// Styles and documents name a font by a 16-bit number. The registry gives
//   0  the system font and 1 the application font (both Japanese fonts),
//   the classic numbers that stored documents carry (20 Times, 21 Helvetica,
//     22 Courier, 16384 Osaka, ...), each mapped to the nearest installed
//     family but keeping its own script,
//   and every installed family a number of its own: a hash of the family name
//     into 0x4100-0x41FF for Japanese families (the Japanese range of font
//     numbers) and 0x0400-0x3FFF for the others, so that the same family gets
//     the same number on every run and, mostly, on every machine.
// A number the registry does not know still measures: numbers of the
// Japanese range (0x4000-0x41FF) and negative numbers as the application
// font, all others as the nearest sans-serif family, in script 0.
//
// Metrics are integers and deterministic. They come from design units of the
// font tables (advances, ascender, descender, line gap; never hinted), scaled
// to the point size (one point is one pixel) and rounded half up:
//   value = floor(units * size / unitsPerEm + 1/2).
// A size of 0 or less measures as 12.
//
// Face effects change widths by fixed amounts per character, defined once in
// KxFaceWidthDelta (bold +1, outline +1, shadow +2, condense -1, extend +1,
// italic and underline 0); outline and shadow add 1 and 2 to the descent.
//
// The fonts come from an installable backend: the FreeType and fontconfig
// backend for the real program (installed on first use when none is), and a
// synthetic backend with fixed metrics for tests (see KxSyntheticFontBackend).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"  // the face bits

// Vertical metrics in pixels for a (font, size, face).
struct KxFontInfo {
  std::int32_t ascent;
  std::int32_t descent;
  std::int32_t leading;
};

// ---------------------------------------------------------------------------
// Backends

// One opened font (the regular face of a family), in design units.
class KxFontFace {
 public:
  virtual ~KxFontFace() = default;
  virtual int UnitsPerEm() const = 0;   // > 0
  virtual int Ascender() const = 0;     // above the baseline, >= 0
  virtual int Descender() const = 0;    // below the baseline, >= 0
  virtual int LineGap() const = 0;      // >= 0
  virtual std::uint32_t GlyphCount() const = 0;
  // The glyph of a Unicode code point; 0 (the missing-character glyph) when
  // the font has none.
  virtual std::uint16_t GlyphOf(char32_t cp) const = 0;
  // The advance of a glyph in design units, >= 0; 0 for glyphs past the count.
  virtual int Advance(std::uint16_t glyph) const = 0;
  // The file the face was read from and its index within a collection, for
  // drawing its outlines; false for faces without a file (the synthetic ones).
  virtual bool FileLocation(std::string& path, int& index) const {
    (void)path;
    (void)index;
    return false;
  }
};

struct KxFontFamilyDesc {
  std::string family;       // family name as menus show it
  std::string postScript;   // PostScript name of its regular face
  bool japanese = false;    // covers the Japanese character set
};

// What a classic font number stood for, when a family of that name is missing.
enum class KxFontGeneric { kSans, kSerif, kMono, kSymbol, kJapaneseGothic, kJapaneseMincho };

class KxFontBackend {
 public:
  virtual ~KxFontBackend() = default;
  // Every family the backend offers (in any order; names unique).
  virtual std::vector<KxFontFamilyDesc> Families() = 0;
  // Opens the regular face of a family; null when it cannot.
  virtual std::unique_ptr<KxFontFace> Open(const std::string& family) = 0;
  // The installed family nearest to a wanted name, or "" to let the registry
  // choose by the generic kind.
  virtual std::string Nearest(const std::string& wanted, KxFontGeneric generic) = 0;
  // Families of fonts 1 and 0; "" lets the registry choose (the first
  // Japanese family by name, else the first family).
  virtual std::string ApplicationFamily() = 0;
  virtual std::string SystemFamily() = 0;
};

// The synthetic backend used by tests. Two families:
//   "KX Synthetic Gothic" (PostScript "KXSyntheticGothic"), Japanese, the
//     application and system font: every BMP code point from U+0020 except
//     U+007F-U+009F and the surrogates has a glyph;
//   "KX Synthetic Roman" ("KXSyntheticRoman"), not Japanese: code points
//     U+0020-U+2E7F except U+007F-U+009F.
// Design units: 1000 per em, ascender 750, descender 250, line gap 100; so at
// size s, ascent = round(3s/4), descent = round(s/4), leading = round(s/10).
// The glyph of a covered code point is the code point itself. A glyph is
// wide (1000 units, width s) when it lies in U+2E80-U+A4CF, U+AC00-U+D7A3,
// U+F900-U+FAFF, U+FE30-U+FE4F, U+FF01-U+FF60 or U+FFE0-U+FFE6; every other
// glyph, the missing-character glyph 0 included, is 500 units (width
// round(s/2)). So every single byte of scripts 0 and 1 measures round(s/2),
// and kana, kanji and full-width forms measure s (the Greek, Cyrillic and
// symbol rows of the Japanese set round(s/2)).
std::unique_ptr<KxFontBackend> KxSyntheticFontBackend();

// The FreeType backend. With useFontconfig, the installed families come from
// fontconfig; files adds font files (path, or "path#index" for a face of a
// collection) whose families take precedence. The application font is
// IPAGothic when present; the system font IPAPGothic, else the application
// font. Throws LException when FreeType cannot start.
std::unique_ptr<KxFontBackend> KxFreeTypeFontBackend(bool useFontconfig,
                                                     const std::vector<std::string>& files);

// ---------------------------------------------------------------------------
// The registry

// Replaces the registry's backend and renumbers its families. Null goes back
// to the default (the FreeType backend over fontconfig, made on first use).
void KxFontInstallBackend(std::unique_ptr<KxFontBackend> backend);

// Changes whenever a backend is installed: a memo of widths is valid only
// within one generation.
std::uint32_t KxFontGeneration();

// Start-up: installs the registry as the answer of FontToScript
// (platform/script.h); shut-down drops the backend.
void KxFontsFacilities();

constexpr short kKxSystemFont = 0;
constexpr short kKxApplicationFont = 1;

// True when the number belongs to an installed family, to font 0 or 1 or to
// one of the fixed classic numbers.
bool KxFontIsKnown(short font);
// Whether the font exists in that size as drawn, not scaled from another:
// every registered font is an outline font, so any size from 1 is.
bool KxRealFont(short font, short size);
// The numbers of the installed families (not 0, 1 or classic numbers),
// ordered by family name.
std::vector<short> KxFontNumbers();
// The family a number measures with (for classic numbers, the installed
// family they map to). False for unknown numbers.
bool KxFontFamilyName(short font, std::string& family);
bool KxFontPostScriptName(short font, std::string& name);
// The number of a family name: an installed family, or a classic family name
// ("Times", "Osaka"). ASCII case does not matter. False when unknown.
bool KxFontNumberFromName(const std::string& family, short& font);
bool KxFontNumberFromPostScriptName(const std::string& name, short& font);
// The installed family's number that `font` draws with (for the default
// fonts and classic numbers, the family they map to): what font menus and
// pop-ups show it under. False when there is none.
bool KxInstalledFamilyOf(short font, short& installed);

// The script of a font: 1 when it covers the Japanese set, else 0. Classic
// numbers keep the script of what they named; unknown numbers go by range.
short KxFontScript(short font);

// The fixed change of every character's width caused by a face.
int KxFaceWidthDelta(unsigned char face);

KxFontInfo KxFontGetInfo(short font, short size, unsigned char face);
// Width of one character of the font's script: a single byte (code <= 0xFF)
// or a double-byte character (lead * 256 + trail). Bytes and codes with no
// character measure as the missing-character glyph.
std::int32_t KxFontCharWidth(short font, short size, unsigned char face, std::uint16_t code);
// Width of UTF-16 text: each code point (surrogate pairs joined; an unpaired
// surrogate measures as the missing-character glyph) by its advance, no
// kerning or shaping, each with the face's delta. Clamped to INT32_MAX.
std::int32_t KxFontUTF16Width(short font, short size, unsigned char face, const char16_t* text,
                              std::int32_t count);
// The face a number draws with: its glyph IDs (GlyphOf) and, when it has
// one, its file. Null when no family can be opened. Valid until the next
// backend is installed (see KxFontGeneration).
const KxFontFace* KxFontDrawingFace(short font);

// Width of a glyph ID of the font (0 for IDs past its glyph count).
std::int32_t KxFontGlyphWidth(short font, short size, unsigned char face, std::uint16_t glyph);
