// The header and footer dialogs of a text document: the rules they apply
// to the band's distance from the text area and to its text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

// The band stores its text's length in one byte.
constexpr std::size_t kKxBandTextMax = 255;

// The least distance between a band and the text area: 6 mm, in points.
std::int32_t KxBandLeastDistance();
// The room at the band's edge: the page margin there less the printer's
// hard margin (the smaller of the top and bottom ones), at least the least
// distance.
std::int32_t KxBandRoom(std::int32_t pageMargin, const Rect& hardMargins);
// A distance typed or read back: negative gives the least distance, above
// the room gives the room, 0 up to the room stays.
std::int32_t KxLimitBandDistance(std::int32_t distance, std::int32_t room);
// The distance a dialog shows for a stored one: the least distance when the
// stored one is not positive, at most the room.
std::int32_t KxShownBandDistance(std::int32_t stored, std::int32_t room);
// Shift_JIS text cut to what the band keeps, on a character boundary.
std::string KxCutBandText(const std::string& text);
