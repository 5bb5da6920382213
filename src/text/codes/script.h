// Per-script character helpers: byte types, lead bytes, character types,
// case and diacritics of single characters, and the scripts of fonts and of
// the keyboard. Script 1 is Japanese (Shift_JIS); codes are 16-bit, a single
// byte as itself and a double-byte character as lead * 256 + trail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/script.h"
#include "platform/types.h"

// The length of Shift_JIS text cut to at most `limit` bytes without
// splitting a double-byte character (a lead byte at the very end of the
// text counts as one byte). Every area cuts names and lists with this one.
std::size_t KxCutToCharBoundary(const unsigned char* text, std::size_t length, std::size_t limit);
// Sets `out` (a length-prefixed string of at most 255 bytes) to `text`,
// cut that way.
void KxSetNameCut(Str255 out, const std::string& text);

// The byte type of text[offset]: 0 single byte, -1 first byte, 1 second byte
// of a double-byte character. Only bytes before and at offset are read, back
// to the last byte that cannot lead and never more than kKxCharContext.
short KxTextCharByte(const void* text, std::int32_t offset, short script);
constexpr std::int32_t kKxCharContext = 32767;

namespace kx_script_detail {
// The parse table of the last script asked (refilled when the script changes).
inline short gParseScript = -32768;
inline const std::uint8_t* gParseTable = nullptr;
}  // namespace kx_script_detail

// True when the byte code is the first byte of a double-byte character in the
// script. Called for every byte of text the layout and find code handle.
inline bool KxTextCharFirst(std::uint16_t code, short script) {
  using namespace kx_script_detail;
  if (code > 0xFF) return false;
  if (script != gParseScript || !gParseTable) {
    gParseTable = KxScriptParseTable(script);
    gParseScript = script;
  }
  return gParseTable[code] != 0;
}

// True when the byte may follow a lead byte of the script as the second
// byte of a double-byte character (Shift_JIS: 0x40-0x7E and 0x80-0xFC).
bool KxTextCharSecond(std::uint8_t byte, short script);

// Writes a code as text bytes, the lead byte first; answers 1 or 2.
inline int KxTextCodeBytes(std::uint16_t code, char out[2]) {
  int n = 0;
  if (code > 0xFF) out[n++] = static_cast<char>(code >> 8);
  out[n++] = static_cast<char>(code & 0xFF);
  return n;
}

// The low 4 bits of the character type of a single byte; 0 for double-byte codes.
short KxTextCharType(std::uint16_t code, short script);
// True for the Japanese rows 0x8540-0x887E, which are drawn through Unicode.
bool KxTextCharToUnicode(std::uint16_t code, short script);
// Case and diacritic stripping of a single byte; double-byte codes unchanged.
std::uint16_t KxTextCharUpper(std::uint16_t code, short script);
std::uint16_t KxTextCharLower(std::uint16_t code, short script);
std::uint16_t KxTextCharStrip(std::uint16_t code, short script);

// The keyboard script, and switching it (non-zero: the system script; 0: Roman).
short KxGetScriptType();
void KxSetScriptType(short script);
short KxFontToScriptType(short font);
// The font a text now in `textFont` takes when `wanted` is asked for:
// `wanted` when it writes the same script, else `textFont`. The bytes of
// one script are other characters in another, so a text never changes
// script by taking a font.
short KxFontKeepingScript(short wanted, short textFont);
short KxGetSysScriptType();
short KxGetSysFont();
short KxGetAppFont();

// The script by which a cut inside inserted bytes is judged: a fixed script,
// or a function answering the script at an offset relative to the start of
// the inserted bytes (the owner knows the fonts of the runs).
using KxCutScriptFn = short (*)(const void* context, long offset);
struct SKXCutScript {
  short script = 1;
  KxCutScriptFn fn = nullptr;
  const void* context = nullptr;
  short At(long offset) const { return fn ? fn(context, offset) : script; }
};
