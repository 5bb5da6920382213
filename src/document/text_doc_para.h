// The paragraph and tab dialogs of a text document, and the rules they
// apply: indents that always leave a line, and lengths shown in the user's
// measuring unit.
#pragma once

#include <cstdint>

class KXEditField;

// Smallest line the indents leave, in points.
constexpr std::int32_t kKxMinLineLeft = 24;

struct KxIndents {
  std::int32_t first = 0, left = 0, right = 0;
};
// Fits the indents into a line of `line` points: negative indents and
// indents beyond the line count as 0; when left + right (first + right)
// leave less than 24 points, each of the two gives half of the excess (the
// left or first-line indent the larger half) and what one cannot give the
// other gives, none going below 0; a line under 24 points takes no indent.
// Indents that fit already are kept.
KxIndents KxFitIndents(KxIndents in, std::int32_t line);

// A unit field: shows a length of `points` in measuring unit `unit`
// (millimetres with one decimal, inches and points with two), and reads
// one back as whole points (negative as 0 when `positive`).
void KxSetUnitField(KXEditField& field, std::int32_t points, short unit);
std::int32_t KxUnitFieldPoints(const KXEditField& field, short unit, bool positive = true);
