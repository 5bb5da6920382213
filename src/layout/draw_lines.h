// Decoration lines, coloured lines and frames, nets and the symbols of
// control characters, in the coordinates of the unscaled text image (a
// scale in percent, 0 = 100). Every call leaves the port's pen and fore
// colour as it found them.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Line kinds of decorations (underline, centre line, upper line and the
// interline kinds of the paragraph):
//   0, 5, 6, 12 nothing; 1 solid (1 unit); 2 double (a second line 2 units
//   further on); 3 thick (2 units); 4 dotted (net 5; down a column the net
//   mirrored on its diagonal); 7 thick dashed (16 on, 16 off, counted from
//   coordinate 0); 8 thick dotted (2 on, 2 off);
//   9 interline solid, 10 interline thick, 11 interline double, each one unit
//   shorter at both ends. 13-27 are the interline forms 8-12 (8 thick
//   dotted, 9 solid, 10 thick, 11 double, 12 dotted): 13-17 shorter at the
//   start only, 18-22 at the end only, 23-27 not shorter.
constexpr int kKxLineKindCount = 28;

// A line from (x, y): along x when w > 1, else down from y over h; thickness
// grows right (down the line's side: below for horizontal lines, to the right
// for vertical ones). colour indexes the colour table.
void KxTextDrawLine(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int kind, int color,
                    short scale);
// A line w - 1 (or, when w is 0, h - 1) long from (x, y) in a colour; with
// thick a 2 x 2 pen. Nothing when w and h are both 0.
void KxTextDrawColoredLine(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint8_t thick,
                           const RGBColor& color, short scale);
// With frame 0 fills the rectangle with net `net` (net 11 draws nothing);
// with frame 1 frames it with the net as pen pattern.
void KxTextDrawColoredFrame(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int net,
                            const RGBColor& color, short scale, std::uint8_t frame);
// The same in a colour of the table.
void KxTextDrawNet(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int net, int color,
                   short scale, std::uint8_t frame);
void KxTextDrawFrame(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int net, int color,
                     short scale);

// The symbol of a control character in the cell (x, y, w, h), turned for
// vertical writing (CKXCharState::sVerticalDrawing): CR a bent return arrow
// 8 wide (colour 22), tab an arrow across the cell (21), space a dot in the
// middle (23, only when that colour is not black), form feed a box with a
// line through it (22), any other byte below 0x20 a box (6) with the letter
// c + 64 (21).
void KxTextDrawControl(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, unsigned char c,
                       short scale);
