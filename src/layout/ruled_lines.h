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
