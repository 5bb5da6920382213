// Records shared by the character store and the Unicode bridge.
#pragma once

#include <cstdint>

// A Unicode side entry: the byte offset of a placeholder character and its
// value: the first UTF-16 unit in the high half and a second unit (a low
// surrogate, or a combining mark after a letter) or 0 in the low half; or
// 0x100000 + collection * 65536 + glyph ID for a glyph of a glyph collection
// without a Unicode value. A value of 0xFFFF or less is one unit.
struct SKXUniChar {
  std::int32_t offset;
  std::uint32_t value;
};
static_assert(sizeof(SKXUniChar) == 8);

// Where a script begins: the bridge needs of the style runs only the start
// of each run and the script of its font (KxFontToScriptType).
struct SKXScriptRun {
  std::int32_t offset;
  std::int16_t script;
};
