// Cells of the file and macro lists: an optional kind icon, the name, and
// after a NUL byte a note in blue.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

enum KxListDefMessage : std::int16_t { kKxListDefDraw = 1, kKxListDefHilite = 2 };
// A first byte below this picks a kind icon (icon 310 + the byte).
constexpr std::uint8_t kKxFileListIconKinds = 11;
constexpr std::int16_t kKxFileListIconBase = 310;
constexpr std::int32_t kKxFileListIconWidth = 16;

// Draws (message 1) or highlights (message 2) one cell in the current port.
// The cell's data may be of any length; it is never read past its size.
void KXFileListDef(std::int16_t message, bool selected, const Rect& cellRect, const std::string& cell);
