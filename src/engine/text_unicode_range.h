// A stretch of an engine's text in UTF-16 through the Unicode bridge, side
// entries included, with the offset map back: for each unit, and one past
// the last, the byte offset of its character in the text. The spell
// checkers read text this way and put their ranges back through the map.
#pragma once

#include <string>
#include <vector>

#include "layout/kxtext_api.h"
#include "text/runs/runs.h"

class CKXTextEngine;

struct KxUnicodeStretch {
  std::u16string units;
  std::vector<long> map;   // units.size() + 1 entries, each in from..to
};

// The side entries of the text's bytes from..to, their offsets from `from`.
std::vector<SKXUniChar> KxSideCharsOf(KXTextHandle text, std::int32_t from, std::int32_t to);
// The script runs of the text's bytes from..to, their offsets from `from`.
std::vector<SKXScriptRun> KxScriptRunsIn(KXTextHandle text, std::int32_t from, std::int32_t to);

// The characters of the text that a plain-text file in `encoding`
// (kKxCode...) cannot hold: those kept as placeholders with their Unicode
// beside them in Japanese runs. A character that shares a code with another
// is written as that code, and EUC-JP writes the JIS X 0212 ones in their
// own. Those in runs of another script are the writer's to count (the
// flavor exchange's GetUnwritten): it spells them in the file's encoding
// first, and many then have a code. Unicode encodings lose none.
long KxCountUnwritable(KXTextHandle text, short encoding);

// Each run is read in its own script. False when the bridge cannot convert
// the stretch; an empty stretch is converted (no units, the map {to}).
bool KxTextToUnicode(CKXTextEngine& engine, long from, long to, KxUnicodeStretch& out);
// The byte offset of unit `index` (clamped to the map).
long KxUnicodeStretchOffset(const KxUnicodeStretch& stretch, long index);

// `units` as styled text to put at `at`: in the script of the character
// there, characters that script cannot hold as side entries, with that
// character's style and decoration. A null handle when it cannot convert;
// the caller disposes of the text.
KXTextHandle KxStyledTextLike(CKXTextEngine& engine, long at, const std::u16string& units);
