// JIS X 0213 characters by plane, row and cell, as the character notes of
// the Aozora notation name them ("1-84-77").
#pragma once

#include <cstdint>

// Shift_JIS-2004 code of a cell (lead * 256 + trail): plane 1 (0 counts as
// 1) by the JIS X 0208 rule, plane 2 through the lead bytes of its rows 1, 3,
// 4, 5, 8, 12-15 and 78-94. 0 for a plane, row or cell out of range, or a
// plane-2 row that Shift_JIS-2004 cannot reach.
std::uint16_t KxJISX0213ToSJIS(long plane, long row, long cell);

// Whether a plane-1 cell is a JIS X 0208 character (its Shift_JIS bytes are
// then the same in every Japanese encoding).
bool KxJISX0208HasCell(long row, long cell);

// The Unicode code points of a cell that is not a JIS X 0208 character: one,
// or two for a letter with a combining mark; 0 when the cell is empty or
// out of range.
int KxJISX0213ToUnicode(long plane, long row, long cell, char32_t out[2]);
