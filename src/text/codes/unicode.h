// The Unicode bridge: styled script bytes <-> UTF-16.
//
// A styled text stores bytes in the script encoding of each style run's
// font; a character that encoding cannot hold is a placeholder in the bytes
// (0x81FC in Japanese, 0xA3BF in the Chinese and Korean scripts, else the
// byte 0xA0; 0xA0 for any character below U+2000) with its value in a side
// entry (SKXUniChar). This converts such text run by run with a converter
// per script, keeps placeholders, side entries and glyph records in step,
// and maps offsets between the two forms.
//
// Side entries and glyph records may come from files and the clipboard: an
// entry is used only when it is in order, inside the text, at a character
// start and on a placeholder of its run's script; any other is passed over
// and the bytes are read as they stand. Bytes that decode to nothing (an
// unassigned code, a lone lead byte) become U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/textconv.h"
#include "platform/types.h"
#include "text/codes/unicode_types.h"

// Unicode conversion is available; every conversion answers false when clear.
extern unsigned char gAvailUnicodeConvert;

struct SUnicodeConvertInfo {
  TextToUnicodeInfo toUnicode = nullptr;
  UnicodeToTextInfo toText = nullptr;
};

// Converter modes.
constexpr short kKxUnicodeBoth = 0;
constexpr short kKxUnicodeFromText = 1;  // text to Unicode only
constexpr short kKxUnicodeToText = 2;    // Unicode to text only

// Glyph information. In memory: u32 record count, then 16-byte records
// (u32 UTF-16 index, u32 length in units, u32 font reference, u16
// collection, u16 glyph ID), in the machine's byte order. The clipboard form
// ("GIDR"), written over it in place: u16 0x0100, u16 count, then records of
// u32 start byte, u32 end byte, u16 1 for collection 3 else 0, u16 glyph ID,
// u32 0. A single record with glyph ID 0 means "no glyph information".
constexpr long kKxGlyphHeaderSize = 4;
constexpr long kKxGlyphRecordSize = 16;
constexpr std::uint32_t kKxGlyphFontRef = 8219;
constexpr std::uint16_t kKxGlyphUnspecified = 255;
constexpr std::uint32_t kKxGlyphValueBase = 0x100000;
constexpr std::uint32_t kKxGlyphValueEnd = 0x200000;
// Side-entry values that name no character: 0, the ignored ones below the
// glyphs, and glyph references.
constexpr bool KxSideValueIsNoCharacter(std::uint32_t v) { return v == 0 || (v >= 0x10000 && v < kKxGlyphValueEnd); }

struct SKXGlyphRecord {
  std::uint32_t index;
  std::uint32_t length;
  std::uint32_t fontRef;
  std::uint16_t collection;
  std::uint16_t glyphID;
};
// Reads the memory form field by field; false for a null or short handle.
// Records that do not fit the handle are not read.
long KxGlyphRecordCount(Handle glyphs);
bool KxGetGlyphRecord(Handle glyphs, long index, SKXGlyphRecord& r);

// The placeholder of a script (Japanese 0x81FC, scripts 2, 3, 25 0xA3BF,
// else 0xA0) and the one written for a side entry whose first unit is
// `first`.
unsigned short KxUnicodePlaceholder(short script);
unsigned short KxUnicodePlaceholderFor(std::uint16_t first, short script);

// A character that shares its code with another one (U+301C takes 0x8160,
// which reads back as U+FF5E) keeps a side entry too, but on that code
// rather than on a placeholder: line breaking, character classes, find and
// the Japanese encodings see the shared code, and the way back to Unicode
// gives the character that came in. The shared code of an entry's value
// (one unit, in the high half) in `script`, else 0.
unsigned short KxUnicodeSharedCode(std::uint32_t value, short script);
// True when the two bytes at `b` (of `avail`) are the shared code of the
// entry's value in script 1, the only script with such pairs.
bool KxUnicodeIsSharedCodeAt(const unsigned char* b, long avail, std::uint32_t value);

class UUnicodeConvert {
 public:
  static void Initialize();
  static void Terminate();
  // Scripts 8 and 32 use the symbol encoding, other scripts below 32 their
  // own number, the rest Mac Roman. True when the converters of the mode
  // exist; on failure none is left.
  static Boolean CreateInfo(SUnicodeConvertInfo& info, short script, short mode);
  static void DisposeInfo(SUnicodeConvertInfo& info);
  static OSStatus FromText(const SUnicodeConvertInfo& info, const void* bytes, long length,
                           KxConvOffsets* offsets, long outBytes, long* read, long* outLen,
                           char16_t* out);
  static OSStatus ToText(const SUnicodeConvertInfo& info, const char16_t* units, long byteLength,
                         KxConvOffsets* offsets, long outBytes, long* read, long* outLen, void* out);
  // At least 4 bytes: a high surrogate followed by a low one.
  static Boolean IsSurrogate(const char16_t* units, long byteLength);
  static Boolean IsJISX0213AdditionsSJIS(unsigned short code);
  // The single UTF-16 unit of a Shift_JIS X0213 code, else 0.
  static char16_t FromJISX0213AdditionsSJIS(unsigned short code);
};

class CKXUnicode {
 public:
  CKXUnicode(short script, short mode);
  ~CKXUnicode();
  CKXUnicode(const CKXUnicode&) = delete;
  CKXUnicode& operator=(const CKXUnicode&) = delete;

  short GetScript() const { return mScript; }

  // Styled bytes to UTF-16. `runs` (null: the whole text in the converter's
  // script) give the script changes. `units` (char16_t) and `glyphs` are
  // new handles or null. The optional caller offsets (byte offsets into the
  // text) are mapped to UTF-16 byte offsets into `mapped` (same count).
  // True when any unit was produced.
  Boolean ConvertFromText(const char* text, long length, const SKXUniChar* uniChars, long uniCount,
                          Handle& units, long& unitCount, Handle& glyphs, const SKXScriptRun* runs,
                          long runCount, const long* offsets = nullptr, long offsetCount = 0,
                          long* mapped = nullptr);
  // UTF-16 to bytes of `script`, with side entries (new handle of
  // SKXUniChar, null when none) for what the script cannot hold. The
  // optional caller offsets (UTF-16 byte offsets) are mapped to text byte
  // offsets. False when conversion is unavailable or failed.
  Boolean ConvertToText(const char16_t* units, long unitCount, Handle glyphs, Handle& text,
                        long& textLength, Handle& uniChars, long& uniCount, short script,
                        const long* offsets = nullptr, long offsetCount = 0, long* mapped = nullptr);
  // The same, also giving an offset map (a handle of i32): from text, one
  // entry per UTF-16 index 0..unitCount, the byte offset of the character
  // that produced it (the text length last); to text, one entry per input
  // unit, the byte offset of what it became.
  Boolean ConvertFromTextAndOffset(const char* text, long length, const SKXUniChar* uniChars,
                                   long uniCount, Handle& units, long& unitCount, Handle& glyphs,
                                   const SKXScriptRun* runs, long runCount, Handle& map, long& mapCount);
  Boolean ConvertToTextAndOffset(const char16_t* units, long unitCount, Handle glyphs, Handle& text,
                                 long& textLength, Handle& uniChars, long& uniCount, short script,
                                 Handle& map, long& mapCount);

  // One character (double-byte when above 0xFF) to at most `unitCount`
  // units; `unitCount` becomes the number written. True when any.
  Boolean ConvertFromChar(unsigned short code, char16_t* units, long& unitCount);
  // Units to one character code (a byte, or first * 256 + second). True
  // when the units made a character of the script.
  Boolean ConvertToChar(const char16_t* units, long unitCount, unsigned short& code);

  static long OffsetFromIndex(Handle map, long count, long index);
  static long OffsetToIndex(Handle map, long count, long offset);
  // Composes combining kana marks and Latin marks (out may be null to
  // count); true when any combining mark was met.
  static Boolean PreConvert(const char16_t* units, long count, char16_t* out, long* outCount);
  static Boolean ConvertGlyphInfoToScrap(Handle glyphs);
  static Boolean ConvertGlyphScrapToInfo(Handle glyphs);

 private:
  bool Prepare(short script, short mode);
  Boolean FromTextImpl(const char* text, long length, const SKXUniChar* uniChars, long uniCount,
                       Handle& units, long& unitCount, Handle& glyphs, const SKXScriptRun* runs,
                       long runCount, const long* offsets, long offsetCount, long* mapped, Handle* map,
                       long* mapCount);
  Boolean ToTextImpl(const char16_t* units, long unitCount, Handle glyphs, Handle& text,
                     long& textLength, Handle& uniChars, long& uniCount, short script,
                     const long* offsets, long offsetCount, long* mapped, Handle* map, long* mapCount);

  short mScript;
  short mMode;
  SUnicodeConvertInfo mInfo;
  short mInfoScript;
};

// Static wrappers: a temporary CKXUnicode for the script, mode "from text"
// for the From operations and "to text" for the To operations.
class UKXUnicode {
 public:
  static void Initialize();
  static void Terminate();
  static Boolean IsAvailable();
  static Boolean ConvertFromText(short script, const char* text, long length, const SKXUniChar* uniChars,
                                 long uniCount, Handle& units, long& unitCount, Handle& glyphs,
                                 const SKXScriptRun* runs = nullptr, long runCount = 0);
  static Boolean ConvertToText(const char16_t* units, long unitCount, Handle glyphs, Handle& text,
                               long& textLength, Handle& uniChars, long& uniCount, short script);
  static Boolean ConvertFromChar(short script, unsigned short code, char16_t* units, long& unitCount);
  static Boolean ConvertToChar(short script, const char16_t* units, long unitCount, unsigned short& code);
  // UTF-16 drawn at the pen and measured in the current port's font, by the
  // layout's Unicode drawing. Both answer 0/false for an empty text or while
  // it is not installed; Width answers -1 for a single unit that measures 0.
  static Boolean Draw(const char16_t* units, long count);
  static std::int32_t Width(const char16_t* units, long count);
};

// Drawing and measuring are the layout's (a higher area); it installs them
// at start-up. Empty hooks: nothing draws, everything measures 0.
struct KxUnicodeDrawingHooks {
  Boolean (*draw)(const char16_t* units, long count) = nullptr;
  std::int32_t (*width)(const char16_t* units, long count) = nullptr;
};
void KxSetUnicodeDrawingHooks(const KxUnicodeDrawingHooks& hooks);

// Text as a document holds it, made from UTF-8 and read back into UTF-8:
// Japanese bytes, each character they lack a placeholder with its value in
// a side entry (offsets into the bytes; entries the bytes cannot carry are
// left out). Malformed UTF-8 reads as U+FFFD. Empty text converts to empty
// text; false when the bridge cannot convert.
bool KxUTF8ToHeldText(const char* utf8, long length, std::string& bytes, std::vector<SKXUniChar>& sides);
inline bool KxUTF8ToHeldText(const std::string& utf8, std::string& bytes, std::vector<SKXUniChar>& sides) {
  return KxUTF8ToHeldText(utf8.data(), long(utf8.size()), bytes, sides);
}
bool KxHeldTextToUTF8(const char* bytes, long length, const SKXUniChar* sides, long count, std::string& utf8);

void KxTextUnicodeFacilities();
