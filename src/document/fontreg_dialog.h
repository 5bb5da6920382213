// The registered-font dialog's view of a style: what its controls show for
// an SStyl and an SDeco, and the 54-byte record that Add stores from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "text/runs/runs.h"

// The controls' values. Items count from 1 as the pop-ups do; the font is
// kept as its number (the pop-up maps it to an item).
struct KxFontregShown {
  short font = 0;
  short size = 12;
  std::int16_t colourItem = 1;
  bool plain = true;
  std::uint8_t face = 0;        // the face boxes as their bits (1 bold .. 64 extend)
  std::int16_t position = 0;    // 0 none; 1 raised, 2 lowered, 3 superscript, 4 subscript
  std::int16_t lineItem = 1;
  std::int16_t lineColourItem = 1;
  std::int16_t netItem = 1;
  std::int16_t netColourItem = 1;
};

// Items of the line pop-up: none, then five kinds each of upper, centre and
// under line. The decoration colours hold a 4-bit index, so their pop-ups
// offer the first 16 colours; the text colour's offers all 24.
constexpr std::int16_t kKxFontregLineItems = 16;
constexpr std::int16_t kKxFontregDecoColourItems = 16;
constexpr std::int16_t kKxFontregNetItems = 12;
constexpr std::int16_t kKxFontregColourItems = 24;

// What the controls show for a style and a decoration. Where several lines
// are set, the underline wins over the centre line and that over the upper.
KxFontregShown KxFontregShow(const SStyl& styl, const SDeco& deco);

// The stored record (54 bytes, multi-byte fields big-endian as the
// preference file keeps them) for `name` (cut to 31 bytes on a character
// boundary) and the shown values.
constexpr std::size_t kKxFontregRecordSize = 54;
void KxFontregMakeRecord(const std::string& name, const KxFontregShown& shown, std::uint8_t* record);
// The name, style and decoration of a stored record.
void KxFontregReadRecord(const std::uint8_t* record, std::string& name, SStyl& styl, SDeco& deco);
