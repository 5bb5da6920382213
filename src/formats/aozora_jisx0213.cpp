#include "formats/aozora_jisx0213.h"

#include <algorithm>
#include <iterator>

namespace {
#include "formats/tables/jisx0213.inc"

bool InRange(long plane, long row, long cell) {
  return plane >= 0 && plane <= 2 && row >= 1 && row <= 94 && cell >= 1 && cell <= 94;
}
}  // namespace

std::uint16_t KxJISX0213ToSJIS(long plane, long row, long cell) {
  if (!InRange(plane, row, cell)) return 0;
  if (plane < 2) {
    const long c1 = row + 32, c2 = cell + 32;
    const long lead = (c1 + 1) / 2 + (c1 < 95 ? 0x70 : 0xB0);
    long trail;
    if (c1 % 2)
      trail = c2 < 96 ? c2 + 0x1F : c2 + 0x20;
    else
      trail = c2 + 0x7E;
    return static_cast<std::uint16_t>(lead << 8 | trail);
  }
  long lead;
  switch (row) {
    case 1: case 8: lead = 0xF0; break;
    case 3: case 4: lead = 0xF1; break;
    case 5: case 12: lead = 0xF2; break;
    case 13: case 14: lead = 0xF3; break;
    case 15: case 78: lead = 0xF4; break;
    default:
      if (row < 79) return 0;
      lead = 0xF5 + (row - 79) / 2;
  }
  const long trail = row % 2 ? cell + 0x3F + (cell > 63 ? 1 : 0) : cell + 0x9E;
  return static_cast<std::uint16_t>(lead << 8 | trail);
}

bool KxJISX0208HasCell(long row, long cell) {
  if (!InRange(1, row, cell)) return false;
  const long bit = (row - 1) * 94 + cell - 1;
  return (kJISX0208Cells[bit / 8] >> (bit % 8)) & 1;
}

int KxJISX0213ToUnicode(long plane, long row, long cell, char32_t out[2]) {
  if (!InRange(plane, row, cell)) return 0;
  if (plane == 0) plane = 1;
  const auto key = static_cast<std::uint16_t>(plane << 14 | row << 7 | cell);
  const auto* end = std::end(kJISX0213Keys);
  const auto* it = std::lower_bound(std::begin(kJISX0213Keys), end, key);
  if (it == end || *it != key) return 0;
  const std::uint32_t v = kJISX0213Values[it - std::begin(kJISX0213Keys)];
  if (v & 0x80000000u) {
    const auto& pair = kJISX0213Pairs[v & 0xFFFF];
    out[0] = pair[0];
    out[1] = pair[1];
    return 2;
  }
  out[0] = v;
  return 1;
}
