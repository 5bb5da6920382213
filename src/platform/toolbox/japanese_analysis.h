// The reading of Japanese text: morpheme analysis gives each word's reading
// in katakana (MeCab with the IPA dictionary).
#pragma once

#include <string>

#include "platform/types.h"

class UJapaneseAnalysis {
 public:
  // Whether the analyser and its dictionary could be loaded.
  static bool IsAvailable();
  // The readings of the morphemes of `text` (Shift_JIS), one after another,
  // as a length-prefixed Shift_JIS string; it stops before the readings
  // would exceed 254 bytes, or where the analysis fails. True when any
  // reading was produced.
  static bool GetReadingText(const std::string& text, Str255 reading);
  // Releases the analyser (shut-down).
  static void Terminate();
};
