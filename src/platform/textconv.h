// Text encoding converters between the script encodings and UTF-16, in
// place of the desktop toolbox's converter manager. Table-driven, over the
// script tables of platform/script.h: script 1 (Japanese) and script 0 (Mac
// Roman); every other 8-bit encoding is read and written as Mac Roman, the
// way the script services treat scripts without fonts.
//
// A conversion goes as far as it can and says why it stopped: at a
// character the other side cannot hold (unmappable), at input that ends
// inside a character (incomplete), or when the output is full. It reports
// the bytes it consumed and produced, and maps caller offsets (ascending
// byte offsets into the input) to byte offsets into the output. Lengths are
// in bytes on both sides, UTF-16 in the machine's byte order.
//
// Unicode to text looks up one code point at a time and only takes codes
// that decode back to the same character (no one-way best fits): callers put
// text into composed form first (KxNormalizeNFC) so that a letter followed
// by a combining mark finds its precomposed code. The one exception are the
// second names of a script's characters (KxScriptIsOtherForm): the JIS
// standard's wave dash U+301C writes as 0x8160 like cp932's U+FF5E, and
// 0x8160 reads back as U+FF5E, so script bytes still go out and back
// unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

using TextEncoding = std::uint32_t;
constexpr TextEncoding kKxEncodingMacRoman = 0;
constexpr TextEncoding kKxEncodingMacJapanese = 1;
constexpr TextEncoding kKxEncodingMacSymbol = 33;
constexpr TextEncoding kKxEncodingUnicodeDefault = 256;

// Why a conversion stopped early (noErr: the whole input was converted).
constexpr OSStatus kKxConvUnmappableErr = -8790;  // next character has no mapping
constexpr OSStatus kKxConvIncompleteErr = -8791;  // the input ends inside a character
constexpr OSStatus kKxConvOutputFullErr = -8792;  // no room for the next character
constexpr OSStatus kKxConvNoPathErr = -8793;      // no table for the encoding

struct KxTextToUnicodeRec;
struct KxUnicodeToTextRec;
using TextToUnicodeInfo = KxTextToUnicodeRec*;
using UnicodeToTextInfo = KxUnicodeToTextRec*;

// Caller offsets: `count` ascending byte offsets into the input; the
// conversion writes, for each offset it reached, the output byte offset of
// the character holding it, and sets `mapped` to how many it wrote. An
// offset equal to the input length is reached when everything was converted.
struct KxConvOffsets {
  long count = 0;
  const long* in = nullptr;
  long* out = nullptr;
  long mapped = 0;
};

// Text encodings below 256 (the script codes) and kKxEncodingUnicodeDefault
// on the Unicode side; kKxConvNoPathErr for anything else (info set to null).
OSStatus CreateTextToUnicodeInfo(TextEncoding encoding, TextToUnicodeInfo* info);
OSStatus CreateUnicodeToTextInfo(TextEncoding encoding, UnicodeToTextInfo* info);
// Dispose and null the info; a null info is fine.
OSStatus DisposeTextToUnicodeInfo(TextToUnicodeInfo* info);
OSStatus DisposeUnicodeToTextInfo(UnicodeToTextInfo* info);

OSStatus ConvertFromTextToUnicode(TextToUnicodeInfo info, long srcLen, const void* src,
                                  KxConvOffsets* offsets, long outBytes, long* srcRead,
                                  long* outLen, char16_t* out);
OSStatus ConvertFromUnicodeToText(UnicodeToTextInfo info, long srcBytes, const char16_t* src,
                                  KxConvOffsets* offsets, long outBytes, long* srcRead,
                                  long* outLen, void* out);

// Normalization Form C, but for the characters below. Answers false, leaving `out` and `map` alone, when
// the text is already in that form (the common case, found by one quick
// pass). Otherwise `out` gets the composed text and, when asked, `map` gets
// n + 1 entries: for every input unit the index in `out` of that unit, or of
// the start of the stretch it was composed into (never decreasing; map[n]
// = out.size()).
// A starter that NFC replaces on its own (a compatibility ideograph, the
// Angstrom sign, a composition exclusion) is left as it is: it is a
// character of its own that a text may mean, and composing marks is all
// the converters need. With `keepFor`, so is any other character that
// converter writes as it stands, so that text read from the script's
// bytes goes back to the same bytes.
bool KxNormalizeNFC(const char16_t* in, long n, std::vector<char16_t>& out,
                    std::vector<std::int32_t>* map, UnicodeToTextInfo keepFor = nullptr);

// One Shift_JIS X0213 character of the JIS X 0213 additions: its single
// UTF-16 unit, or 0 when the code has none (or needs two units).
char16_t KxSJISX0213ToUnicode(std::uint16_t code);
// A JIS X 0212 character as EUC-JP writes it after 0x8F (both bytes in
// A1-FE): its UTF-16 unit, or 0 for an empty cell or bad bytes.
char16_t KxJISX0212ToUnicode(std::uint8_t row, std::uint8_t cell);
// The other way: false when `u` has no JIS X 0212 code.
bool KxUnicodeToJISX0212(char16_t u, std::uint8_t& row, std::uint8_t& cell);

// Shift_JIS bytes as UTF-8, for the host's texts.
std::string KxScriptTextToUTF8(const std::string& text);
// UTF-8 (input methods, the host) as Shift_JIS bytes; characters without a
// Shift_JIS form become the placeholder, malformed UTF-8 is dropped.
std::string KxUTF8ToScriptText(const std::string& utf8);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string KxUTF16ToUTF8(const std::u16string& units);
