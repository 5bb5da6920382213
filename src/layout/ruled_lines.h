// Where the manuscript guides rule one line: the segments of the per-line
// rule of a guide style, in the line's own frame (horizontal writing: the
// line runs along h from 0 to width, its far edge is at height - 1).
// Vertical writing turns the segments with the line.
#pragma once

#include <vector>

#include "layout/text_form.h"

struct SKXRuleSeg {
  long h1, v1, h2, v2;
  friend bool operator==(const SKXRuleSeg&, const SKXRuleSeg&) = default;
};

// The pen width of the guides: 2 with thick lines, else 1.
long KxGuidePenWidth(const SKXFormStyl& form);
// The cell size of a line: the fixed character pitch when on, else the
// line height (3/4 of it for styles 1 and 3); never below 1.
long KxRuleCellSize(const SKXFormStyl& form, long lineHeight);
// The segments of line `line` (any number; the hand-drawn rule repeats
// every five lines). Styles that rule by paragraph indents or tab stops
// answer their rule along the far edge only.
void KxRuledLineSegments(const SKXFormStyl& form, long line, long width, long height, std::vector<SKXRuleSeg>& out);

// Tab-stop kinds of a paragraph (2 bits per stop).
enum KxTabKind : long { kKxTabLeft = 0, kKxTabCentre = 1, kKxTabRight = 2, kKxTabDecimal = 3 };

// Style 8 and 9: the rules across a line at its paragraph's indents, the
// start at `startIndent` (the first-line indent on a paragraph's first
// line, else the left indent) and the end `rightIndent` before the line's
// end, each held inside the line.
void KxIndentRuleSegments(const SKXFormStyl& form, long width, long height, long startIndent, long rightIndent,
                          std::vector<SKXRuleSeg>& out);
// Style 7: a rule across the line at each of `count` tab stops (positions
// ascending, kinds as KxTabKind; left and centre stops moved back by the
// pen width and 2 so that the rule stands before the text), and one along
// the far edge from the first stop to the last. Stops past the line's end
// are left out.
void KxTabRuleSegments(const SKXFormStyl& form, long width, long height, const short* positions, const long* kinds,
                       long count, std::vector<SKXRuleSeg>& out);
