// What the general preferences dialog makes of its fields: numbers typed
// into edit fields, the two values of a margin field, and the pop-ups
// whose items are not simply value + 1. The fields hold whatever the user
// typed, so every reading is bounded.
#pragma once

#include <cstdint>
#include <string>

// Far beyond every range a field of the dialog has: a longer digit string
// reads as this (or its negative), never as a wrapped number.
constexpr std::int64_t kKxFieldNumberTop = 1000000000;

// The number at the start of a field: blanks skipped, an optional sign,
// then digits; no digits read as 0.
std::int64_t KxFieldNumber(const std::string& text);

// A margin field: its first value (tenths of a millimetre), optionally a
// comma and a second value (the bottom or right margin when it differs).
constexpr std::int32_t kKxMarginFieldMax = 9999;
constexpr std::int32_t kKxMarginFieldDefault = 120;   // 12 mm
// The second value: the number after the comma (up to two blanks skipped),
// 0 when there is no comma or when it equals the first value.
std::int64_t KxMarginSecondValue(const std::string& text);
// The stored points of a field: a first value outside 0-9999 is 12 mm and
// drops the second value; a second value outside 0-9999 is 0. False, with
// nothing set, when a converted value does not fit its 16-bit field.
bool KxMarginFieldPoints(const std::string& text, std::int16_t& firstPoints, std::int16_t& secondPoints);
// A length in tenths of a millimetre as points, (tenths of a point + 5) / 10.
std::int32_t KxMarginToPoints(std::int32_t tenthsOfMillimetre);
// Points as the field shows them: tenths of a millimetre, snapped.
std::int32_t KxMarginFromPoints(std::int32_t points);

// The ruler gauge pop-up: items 1-5 are the gauge types 5, 0, 1, 2, 6.
int KxGaugeTypeItem(int type);
int KxGaugeItemType(int item);
// The smoothing size pop-up: item 1 is 4 points or less, item 13 16 or
// more, else item = size - 3.
int KxSmoothingSizeItem(int size);
int KxSmoothingItemSize(int item);
