#include "text/codes/script.h"

#include <cstring>

namespace {

std::uint16_t MapByte(std::uint16_t code, short script, void (*map)(void*, std::int32_t, short)) {
  if (code > 0xFF) return code;
  std::uint8_t byte = std::uint8_t(code);
  map(&byte, 1, script);
  return byte;
}

}  // namespace

short KxTextCharByte(const void* text, std::int32_t offset, short script) {
  if (!text || offset < 0) return kByteSingle;
  const auto* p = static_cast<const std::uint8_t*>(text);
  const std::uint8_t* parse = KxScriptParseTable(script);
  // A byte that cannot start a double-byte character always ends one, so the
  // text after it starts on a character boundary: begin the scan there rather
  // than at the start of the text.
  std::int32_t limit = offset > kKxCharContext ? offset - kKxCharContext : 0;
  std::int32_t start = offset;
  while (start > limit && parse[p[start - 1]]) --start;
  return CharacterByteType(p + start, offset - start, script);
}

bool KxTextCharSecond(std::uint8_t byte, short script) {
  if (script == kScriptJapanese) return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
  // The other double-byte encodings take 0x40-0xFE without 0x7F.
  return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

short KxTextCharType(std::uint16_t code, short script) {
  if (code > 0xFF) return 0;
  return short(KxScriptCodeType(code, script) & kCharTypeMask);
}

bool KxTextCharToUnicode(std::uint16_t code, short script) {
  return script == kScriptJapanese && code >= 0x8540 && code <= 0x887E;
}

std::uint16_t KxTextCharUpper(std::uint16_t code, short script) {
  return MapByte(code, script, UppercaseText);
}

std::uint16_t KxTextCharLower(std::uint16_t code, short script) {
  return MapByte(code, script, LowercaseText);
}

std::uint16_t KxTextCharStrip(std::uint16_t code, short script) {
  std::uint16_t stripped = MapByte(code, script, StripDiacritics);
  // The ligatures have no diacritic to strip but sort with their first
  // letter. Only in Roman bytes: in Japanese these bytes are half-width kana.
  if (stripped == code && script != kScriptJapanese) {
    switch (code) {
      case 0xAE: return 'A';
      case 0xBE: return 'a';
      case 0xCE: return 'C';
      case 0xCF: return 'c';
      default: break;
    }
  }
  return stripped;
}

short KxGetScriptType() { return short(GetScriptManagerVariable(kScriptVarKeyScript)); }

void KxSetScriptType(short script) { KeyScript(script != 0 ? kKeyScriptSystem : kKeyScriptRoman); }

short KxFontToScriptType(short font) { return FontToScript(font); }

short KxFontKeepingScript(short wanted, short textFont) {
  return FontToScript(wanted) == FontToScript(textFont) ? wanted : textFont;
}

short KxGetSysScriptType() { return short(GetScriptManagerVariable(kScriptVarSysScript)); }

short KxGetSysFont() { return GetSysFont(); }

short KxGetAppFont() { return GetAppFont(); }

void KxSetNameCut(Str255 out, const std::string& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = KxCutToCharBoundary(p, text.size(), 255);
  out[0] = static_cast<unsigned char>(n);
  if (n) std::memcpy(out + 1, p, n);
}

std::size_t KxCutToCharBoundary(const unsigned char* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
  std::size_t i = 0;
  while (i < limit) {
    const std::size_t n = (lead[text[i]] && i + 1 < length) ? 2 : 1;
    if (i + n > limit) break;
    i += n;
  }
  return i;
}
