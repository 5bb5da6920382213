// The key-code table: the character each virtual key code of the US
// keyboard gives without modifiers (letters upper case, special keys their
// control codes).
#pragma once

#include <cstdint>

class UKeyTable {
 public:
  struct Pair {
    std::uint8_t keyCode;
    std::uint8_t charCode;
  };
  static constexpr int kPairCount = 95;
  static const Pair sKeyTable[kPairCount];

  // The character of a key code; 0 when the code is not in the table.
  static std::uint8_t GetCharCode(std::uint8_t keyCode);
  // The key code of a character (the first pair that gives it); false when
  // none does.
  static bool GetKeyCode(std::uint8_t charCode, std::uint8_t& keyCode);
};
