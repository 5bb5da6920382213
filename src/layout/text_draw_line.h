// Drawing one laid-out line of a styled text: the text runs in their styles
// and colours, control symbols (when shown), tab leaders, inline pictures,
// raised, lowered and small text, horizontal groups in vertical writing,
// halftone nets, the four decoration lines with emphasis dots, ruby and the
// markup underlines of the page engine.
//
// Every glyph stands where GetMeasureText puts it, in both writings and at
// every scale: the line is measured whole, and text at a scale (or with
// Unicode side entries, or small) is drawn character by character at the
// scaled measured positions.
//
// Coordinates are those of the unscaled text image in the port (the toolkit
// applies the scale). Horizontal writing: origin is the line's top-left, the
// pen runs right. Vertical writing: origin.h is the right edge of the line's
// column and origin.v where the pen starts; the pen runs down and what lies
// below in a horizontal line lies to the left.
#pragma once

#include <cstdint>

#include "layout/linebreak.h"
#include "platform/longrect.h"

class CKXText;

// Draws the line start..start+length (laid out for `width`) whose height is
// lineHeight, at origin, with a scale in percent (0 = 100). `owner`, when
// given, answers the markups of the line. Parts of the line whose pen range
// lies outside `clip` (same coordinates as origin; null: no limit) are not
// drawn.
void KxDrawLineText(const CKXTextLayout& layout, const CKXText* owner, const PointL& origin, long start,
                    long length, long width, short lineHeight, const SKXLineStyl& style, short scale,
                    const RectL* clip = nullptr);

// The line kind (draw_lines.h) that draws an interline of a decoration's
// interline kind (1 solid, 2 double, 3 thick, 4 dotted, 5 emphasis dots as
// a thick dotted line) over a piece of its run: shorter by a unit at the
// run's start when the piece holds it, and at its end likewise. Answers 0
// for kinds that draw nothing. `lengthCut` gets 1 when the piece must be
// drawn one unit shorter at its end to give the form (the line kinds have
// no dotted forms shorter at both ends), else 0.
int KxInterLineKind(int interKind, bool holdsStart, bool holdsEnd, int& lengthCut);
