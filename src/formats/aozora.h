// Conversion of Aozora notation into styled text.
//
// Aozora texts carry ruby, emphasis marks, layout instructions and
// descriptions of characters that Shift_JIS lacks as bracketed notes inside
// the Shift_JIS text. The conversion removes the explanatory block at the
// head, turns character notes into characters, applies page breaks,
// repetition marks, ruby, emphasis marks, "sic" remarks, horizontal-in-
// vertical runs, indents and bottom alignment, and deletes the remaining
// notes, in that order.
//
// Each pass reads the text once and writes a new one, carrying the
// annotations made so far (side entries, rubies, runs, paragraph settings)
// through its edits; a long novel converts in a few linear passes. Markers
// are matched only at character starts. A note never reaches past the end of
// its line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/runs/ruby.h"
#include "text/runs/runs.h"
#include "text/store/strarray.h"

class CKXText;

// A setting for the paragraphs from the one holding `start` to the one
// holding max(start, end - 1): an indent in points (the right indent 0), or
// right alignment.
struct SKXAozoraPara {
  long start;
  long end;
  bool rightAlign;
  std::int16_t firstIndent;
  std::int16_t leftIndent;
};

struct SKXAozoraSpan {
  long start;
  long end;
};

// A text being converted: Shift_JIS bytes whose paragraphs end at CR, and
// what the conversion has made of its notes. Every offset is a byte offset
// into `bytes`.
struct SKXAozoraText {
  std::string bytes;
  std::vector<SKXUniChar> uniChars;        // ascending, one per placeholder
  std::vector<SKXRuby> rubys;              // ascending, bases apart
  std::vector<SKXAozoraSpan> tateChuYoko;  // horizontal in vertical writing
  std::vector<SKXAozoraPara> paras;        // applied in order
  long emphasisNotes = 0;                  // emphasis notes applied
};

// Runs every pass over `t`. `unit` is the width in points of one full-width
// character (the indent unit); `unicode` says whether characters outside
// Shift_JIS may be kept as placeholders with side entries. True when any
// note was converted.
bool KxAozoraConvert(SKXAozoraText& t, long unit, bool unicode);

// The paragraph runs that `t.paras` give its text (empty when every
// paragraph keeps the default style).
std::vector<SKXPara> KxAozoraParaRuns(const SKXAozoraText& t);

// The indent unit of a style: the width of one double-byte character.
long KxAozoraIndentUnit(short font, short size);

// Replaces the whole content of `text` with the bytes (no runs) and converts
// it. 0 for an empty input; else 1 when any note was converted.
long ConvertAozoraTextWithTextRef(CKXText* text, const char* bytes, long length, const SStyl* style);

// Converts a text in place: with a style the whole text takes it first,
// without one the style of its first run is used. 0 for an empty text, else
// 1 when any note was converted.
long KXUtilConvertAozoraTextWithAttributedString(CKXText* text, const SStyl* style);
