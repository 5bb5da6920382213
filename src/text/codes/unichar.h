// The Unicode side entry of a character the script encoding cannot hold,
// shared by the character store, the runs and the Unicode bridge.
#pragma once

#include <cstdint>

// A Unicode side entry. `value` holds the first UTF-16 unit in its high half
// and a second unit (or 0) in its low half, or 0x100000 + collection * 65536
// + glyph ID for a glyph without a Unicode value; a value of 0xFFFF or less
// is one unit.
struct SKXUniChar {
  std::int32_t offset;
  std::uint32_t value;
};
static_assert(sizeof(SKXUniChar) == 8);

// Size of a side entry in the run flavors and document files.
constexpr long kKxUniCharFlatSize = 8;
// Field by field, in the given byte order.
void KxGetUniCharFlat(const unsigned char* p, SKXUniChar& u, bool bigEndian);
void KxPutUniCharFlat(unsigned char* p, const SKXUniChar& u, bool bigEndian);
// Cleans a side-entry list from outside (offsets relative to the text or
// range it belongs to, `textLen` bytes long): entries out of order, repeated
// or outside the text are dropped. Answers the number kept (at the front).
long KxCheckUniChars(SKXUniChar* items, long n, long textLen);
