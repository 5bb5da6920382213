// The stored print record ("MTPR", 120 bytes, big-endian as the print system
// wrote it): the sheet it names, and the fields a page set-up writes back.
// The rest of the record is kept byte for byte.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/draw/print.h"

// Field offsets: vertical and horizontal resolution, the printable page
// and the paper (rectangles top, left, bottom, right; 16-bit each).
constexpr long kKxMTPRVRes = 4, kKxMTPRHRes = 6, kKxMTPRPage = 8, kKxMTPRPaper = 16;

// The sheet of a 120-byte record at 72 dots per inch; false when the
// record's resolution or rectangles name no sheet (the set-up is then
// untouched). A sheet wider than tall is read as a turned paper.
bool KxPageSetupFromMTPR(const std::vector<std::uint8_t>& record, KxPageSetup& setup);
// Writes the sheet into a 120-byte record: the resolutions (72), the page
// and the paper; nothing else changes. Nothing for a record of another
// size.
void KxWriteMTPRSetup(std::vector<std::uint8_t>& record, const KxPageSetup& setup);
