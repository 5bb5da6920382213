#include "platform/script.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr std::uint16_t kNoChar = 0xFFFF;   // decode: no character
constexpr std::uint16_t kWideChar = 0xFFFE; // decode: two units, in the wide list
constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFC;
constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;

struct ScriptWide {
  std::uint16_t code;
  std::uint16_t unit[2];
};

struct ScriptAstral {
  std::uint32_t cp;
  std::uint16_t code;
};

// A second name of a character: a code point that writes as `code` although
// the code reads back as another one.
struct ScriptOtherForm {
  std::uint32_t cp;
  std::uint16_t code;
};

struct ScriptTables {
  const std::uint8_t* parse;
  const std::uint16_t* charType;
  const std::uint8_t* upper;
  const std::uint8_t* lower;
  const std::uint8_t* strip;
  const std::uint16_t* single;
  const std::uint8_t* leadIndex;   // null for single-byte scripts
  const std::uint16_t* dbl;        // leadIndex * kTrailCount + trail - kTrailFirst
  const ScriptWide* wide;
  std::size_t wideCount;
  const std::uint8_t* encodeIndex;
  const std::uint16_t (*encodePages)[256];
  const ScriptAstral* astral;
  std::size_t astralCount;
  const ScriptOtherForm* otherForms;  // sorted by code point
  std::size_t otherFormCount;
};

#include "platform/tables/script_japanese.inc"
#include "platform/tables/script_roman.inc"

const ScriptTables& Tables(short script) {
  return script == kScriptJapanese ? kJapaneseTables : kRomanTables;
}

// Script 1's double-byte character types, by rows of Shift_JIS.
std::uint16_t JapaneseDoubleType(std::uint16_t code) {
  std::uint16_t type = kCharPunct;
  if (code >= 0x8260 && code <= 0x8279) {
    type = kCharAscii | kCharUpperBit;
  } else if (code >= 0x8281 && code <= 0x829A) {
    type = kCharAscii;
  } else if (code >= 0x829F && code <= 0x82F1) {
    type = kCharHiragana;
  } else if (code >= 0x8340 && code <= 0x8396 && code != 0x837F) {
    type = kCharKatakana;
  } else if (code >= 0x839F && code <= 0x83B6) {
    type = kCharGreek | kCharUpperBit;
  } else if (code >= 0x83BF && code <= 0x83D6) {
    type = kCharGreek;
  } else if (code >= 0x8440 && code <= 0x8460) {
    type = kCharRussian | kCharUpperBit;
  } else if (code >= 0x8470 && code <= 0x8491 && code != 0x847F) {
    type = kCharRussian;
  } else if (code >= 0x889F && !(code >= 0xEEEF && code <= 0xEEFC) &&
             !(code >= 0xFA40 && code <= 0xFA57)) {
    // Kanji, with the IBM extension rows; their symbol runs are punctuation.
    type = kCharIdeographic;
  }
  return type | kCharDoubleBit;
}

void MapSingles(void* text, std::int32_t length, short script, const std::uint8_t* map) {
  if (!text || length <= 0) return;
  auto* p = static_cast<std::uint8_t*>(text);
  const std::uint8_t* parse = Tables(script).parse;
  for (std::int32_t i = 0; i < length; ++i) {
    if (parse[p[i]]) {
      ++i;   // skip the trail byte
    } else {
      p[i] = map[p[i]];
    }
  }
}

short DefaultFontScript(short font) {
  if (font == kSystemFont) return short(GetScriptManagerVariable(kScriptVarSysScript));
  return font == kApplicationFont ? kScriptJapanese : kScriptRoman;
}

KxFontScriptFn gFontScript = DefaultFontScript;
// The keyboard script. The desktop does not tell it: the text's key
// handling sets it from what is typed (Roman for ASCII keys, the system
// script for other bytes and input-method text).
short gKeyScript = kScriptJapanese;

}  // namespace

const std::uint8_t* KxScriptParseTable(short script) { return Tables(script).parse; }

bool FillParseTable(std::uint8_t table[256], short script) {
  std::copy_n(Tables(script).parse, 256, table);
  return true;
}

short CharacterByteType(const void* text, std::int32_t offset, short script) {
  if (!text || offset < 0) return kByteSingle;
  const auto* p = static_cast<const std::uint8_t*>(text);
  const std::uint8_t* parse = Tables(script).parse;
  std::int32_t i = 0;
  while (i < offset) i += 1 + parse[p[i]];
  if (i > offset) return kByteLast;
  return parse[p[offset]] ? kByteFirst : kByteSingle;
}

std::uint16_t KxScriptCodeType(std::uint16_t code, short script) {
  if (code <= 0xFF) return Tables(script).charType[code];
  if (script == kScriptJapanese) return JapaneseDoubleType(code);
  return kCharPunct | kCharDoubleBit;
}

std::uint16_t CharacterType(const void* text, std::int32_t offset, short script) {
  if (!text || offset < 0) return kCharPunct;
  const auto* p = static_cast<const std::uint8_t*>(text) + offset;
  std::uint16_t code = p[0];
  if (Tables(script).parse[code]) code = std::uint16_t(code << 8 | p[1]);
  return KxScriptCodeType(code, script);
}

void UppercaseText(void* text, std::int32_t length, short script) {
  MapSingles(text, length, script, Tables(script).upper);
}

void LowercaseText(void* text, std::int32_t length, short script) {
  MapSingles(text, length, script, Tables(script).lower);
}

void StripDiacritics(void* text, std::int32_t length, short script) {
  MapSingles(text, length, script, Tables(script).strip);
}

short GetSysFont() { return kSystemFont; }
short GetAppFont() { return kApplicationFont; }

short FontToScript(short font) { return gFontScript(font); }

KxFontScriptFn KxSetFontScriptHook(KxFontScriptFn hook) {
  KxFontScriptFn previous = gFontScript;
  gFontScript = hook ? hook : DefaultFontScript;
  return previous;
}

std::int32_t GetScriptManagerVariable(short selector) {
  switch (selector) {
    case kScriptVarSysScript: return kScriptJapanese;
    case kScriptVarKeyScript: return gKeyScript;
    default: return 0;
  }
}

void KeyScript(short code) {
  if (code == kKeyScriptSystem) {
    gKeyScript = short(GetScriptManagerVariable(kScriptVarSysScript));
  } else if (code == kKeyScriptRoman) {
    gKeyScript = kScriptRoman;
  } else if (code == kScriptRoman || code == kScriptJapanese) {
    gKeyScript = code;
  }
}

int KxScriptToUTF16(std::uint16_t code, short script, char16_t out[2]) {
  const ScriptTables& t = Tables(script);
  std::uint16_t unit = kNoChar;
  if (code <= 0xFF) {
    unit = t.single[code];
  } else if (t.leadIndex) {
    std::uint8_t lead = t.leadIndex[code >> 8];
    int trail = code & 0xFF;
    if (lead != 0xFF && trail >= kTrailFirst && trail <= kTrailLast)
      unit = t.dbl[lead * kTrailCount + trail - kTrailFirst];
  }
  if (unit == kNoChar) return 0;
  if (unit != kWideChar) {
    out[0] = char16_t(unit);
    return 1;
  }
  for (std::size_t i = 0; i < t.wideCount; ++i) {
    if (t.wide[i].code == code) {
      out[0] = char16_t(t.wide[i].unit[0]);
      out[1] = char16_t(t.wide[i].unit[1]);
      return 2;
    }
  }
  return 0;
}

std::int32_t KxScriptFromUnicode(char32_t cp, short script) {
  const ScriptTables& t = Tables(script);
  if (cp == 0) return 0;
  if (cp < 0x10000) {
    std::uint16_t code = t.encodePages[t.encodeIndex[cp >> 8]][cp & 0xFF];
    return code ? code : -1;
  }
  const ScriptAstral* end = t.astral + t.astralCount;
  const ScriptAstral* it =
      std::lower_bound(t.astral, end, cp, [](const ScriptAstral& a, char32_t c) { return a.cp < c; });
  return it != end && it->cp == cp ? it->code : -1;
}

bool KxScriptIsOtherForm(char32_t cp, short script) {
  const ScriptTables& t = Tables(script);
  // Asked of every character converted: most lie outside the few there are.
  if (t.otherFormCount == 0 || cp < t.otherForms[0].cp || cp > t.otherForms[t.otherFormCount - 1].cp) return false;
  const ScriptOtherForm* end = t.otherForms + t.otherFormCount;
  const ScriptOtherForm* it =
      std::lower_bound(t.otherForms, end, cp, [](const ScriptOtherForm& a, char32_t c) { return a.cp < c; });
  return it != end && it->cp == cp;
}
