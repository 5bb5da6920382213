// Measuring text in a style: the port's font state, the per-style character
// state with its width memo, font heights and cell widths, and the sizes used
// when a view is scaled.
//
// Widths are always measured at the style's own size (never at a scaled
// port size) and depend only on (font, size, face): the memo of a style may
// be dropped and refilled at any time without changing a result.
#pragma once

#include <cstdint>

#include "platform/fonts.h"
#include "platform/fonts_port.h"
#include "platform/types.h"

// The Japanese character whose width every double-byte character of a
// Japanese font shares (the kanji U+4E9C).
constexpr std::uint16_t kKxReferenceKanji = 0x88A4;

// Font numbers of documents that may not exist here: installed, classic and
// the system font numbers pass unchanged; unknown numbers of the Japanese
// range (0x4000-0x41FF) and negative numbers (families numbered by the
// system) become the application font, a Japanese font; other unknown
// numbers pass unchanged and measure with the nearest sans-serif family.
short HiraginoFontCheck(short font);

// ascent + descent + leading of a font at a size (plain face).
std::int32_t KxGetFontHeight(short font, short size);
// count half-width cells: the width of "0" for fonts of script 0, half the
// width of the reference kanji for Japanese fonts.
std::int32_t KxGetFontWidth(short font, short size, std::int32_t count);
// The port size of a style size at a scale in percent (0 = 100); size 0
// counts as 12. Sizes 9 and 10 have fixed answers at some scales.
short KxScaledFontSize(short size, short scale);

// Widths of Unicode side entries in the port's font, size and face. A packed
// value is one UTF-16 unit, two units (first << 16 | second: a surrogate pair
// or a character with a combining mark), or a glyph escape: a first unit of
// 16-31 with a glyph ID as the second.
// A value that cannot be measured (measures 0) measures as its fallback
// bytes, never 0.
std::int32_t KxGetUnicodeCharWidth(std::uint32_t value);
// The font a side entry's units draw and measure in: `font` when it has
// their glyphs, else the application font when that has them (a Roman font
// has no kanji, and its placeholder's glyph stood in for them).
short KxUnicodeCharFont(short font, const char16_t* units, int count);
// Splits a packed value into units; answers their count (1 or 2). A value
// of 0xFFFF or less, or one with a 0 second unit, is one unit.
int KxUnpackUniChar(std::uint32_t value, char16_t units[2]);
// The bytes a packed value falls back to in a script: the placeholder the
// bridge stores for it (one or two bytes); answers the count.
int KxUniCharFallback(std::uint32_t value, short script, char bytes[2]);
// The width of fallback bytes in the port's font at a size, double-byte
// characters at the width they all share.
std::int32_t KxFallbackWidth(const char* bytes, int count, short size);
// UTF-16 text; a run of exactly two units starting with 16-31 is a glyph
// escape.
std::int32_t KxGetUnicodeTextWidth(const char16_t* text, std::int32_t count);
// ascent + descent of the port's font: the advance of a Unicode character in
// vertical writing.
std::int32_t KxGetUnicodeCharHeight();

// Saves the port's text font, size, face and mode; restores them when it goes.
class CKXFontState {
 public:
  CKXFontState();
  ~CKXFontState();
  CKXFontState(const CKXFontState&) = delete;
  CKXFontState& operator=(const CKXFontState&) = delete;

  // Widths in the port's current font, size and face: a single byte, or a
  // character code (one byte, or lead * 256 + trail).
  std::int32_t GetWidth(unsigned char c) const;
  std::int32_t CharWidth(std::uint16_t code) const;
  // Sets the port's font (through HiraginoFontCheck), size and face. The
  // vertical flag does not change metrics here.
  void SetFont(short font, short size, unsigned char face, Boolean vertical);

  static void GetFontInfo(short font, short size, unsigned char face, short& ascent, short& descent,
                          short& leading);
  // height := ascent + descent + leading, ascent := ascent, for a style
  // record with fields font, size, face, height and ascent.
  template <class Styl>
  static void AdjustStyl(Styl& s) {
    short ascent, descent, leading;
    GetFontInfo(s.font, s.size, s.face, ascent, descent, leading);
    s.height = short(ascent + descent + leading > 32767 ? 32767 : ascent + descent + leading);
    s.ascent = ascent;
  }

 private:
  KxPortText mSaved;
};

// The character state of one style while a line is measured or drawn.
class CKXCharState {
 public:
  CKXCharState();
  ~CKXCharState();
  CKXCharState(const CKXCharState&) = delete;
  CKXCharState& operator=(const CKXCharState&) = delete;

  // Takes a style (font, size, face) unless it is the current one, and sets
  // the port for it. A first byte still waiting for its second is dropped.
  void SetStyl(short font, short size, unsigned char face);
  // The same for a style record (fields font, size, face, height, ascent);
  // fills its height and ascent when its height is 0.
  template <class Styl>
  void SetStyl(Styl& s) {
    SetStyl(s.font, s.size, s.face);
    if (s.height == 0) CKXFontState::AdjustStyl(s);
  }

  // The width of the next byte of text. A first byte of a double-byte
  // character gives 0 and the byte after it the shared double-byte width.
  std::int32_t GetWidth(unsigned char c) {
    if (mPending) {
      mPending = false;
      return DoubleWidth();
    }
    const std::int16_t w = mWidths[c];
    if (w > 0) return w;
    return MeasureByte(c);
  }
  // The memo of single-byte widths (above 0 where measured) for the
  // layout's plain stretches, which leave anything else to GetWidth; null
  // while a first byte waits for its second.
  const std::int16_t* KnownWidths() const { return mPending ? nullptr : mWidths; }
  // The width every byte from 0x20 to 0x7E shares, measuring them all the
  // first time; 0 when they differ (a proportional font). For the layout's
  // plain stretches: a run of such bytes is then counted, not summed.
  std::int32_t UniformAsciiWidth() {
    if (mUniformAscii < 0) MeasureAscii();
    return mUniformAscii;
  }
  // The width every double-byte character of the style shares.
  std::int32_t DoubleWidth() {
    if (mDoubleWidth == 0) MeasureDouble();
    return mDoubleWidth;
  }
  // ascent + descent + leading of the style.
  std::int32_t GetFontInfo(short& ascent, short& descent) const;
  short GetScript() const { return mScript; }
  void SetVertical(Boolean vertical);
  // Sets the port's size for a scale, for drawing; ScaleOff restores the
  // style's size. Widths keep coming from the style's own size.
  void ScaleOn(short scale);
  void ScaleOff();

  static Boolean sVerticalDrawing;   // text is drawn in vertical writing
  static Boolean sFontUnderline;     // the underline is drawn by our own code
  static short sFontScriptType;      // script of the current style

  // Entries of the memo shared by every character state, most recent first.
  static constexpr int kSharedEntries = 4;

 private:
  std::int32_t MeasureByte(unsigned char c);
  void MeasureDouble();
  void MeasureAscii();
  void Store();
  void Load();

  CKXFontState mFontState;
  short mStylFont = -32768;   // as the style gives it; -32768 before the first style
  short mFont = 0;            // after HiraginoFontCheck
  short mSize = 0;
  unsigned char mFace = 0;
  short mScript = 0;
  std::int16_t mWidths[256];  // 0 not measured, -1 first byte of a double-byte character
  std::int16_t mDoubleWidth = 0;
  std::int16_t mUniformAscii = -1;  // -1 until asked for, after each new memo
  bool mPending = false;
  bool mCacheModified = false;
  Boolean mVertical = 0;
};
