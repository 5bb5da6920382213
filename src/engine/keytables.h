// The built-in key tables of the key handling: control-key sequences and
// arrow keys with modifiers, each entry four bytes. The application keeps
// live copies that the user may change and stores them when they differ.
#pragma once

#include <array>
#include <cstdint>

// 26 entries: letter, second letter (0: one stroke), resulting character,
// resulting modifier code (1 shift, 2 command, 4 option).
constexpr std::size_t kKxCtrlkeySize = 104;
// 12 entries: key character, modifier code, resulting character, resulting code.
constexpr std::size_t kKxArrowkeySize = 48;

extern const std::array<std::uint8_t, kKxCtrlkeySize> gCtrlkeyDef;
extern const std::array<std::uint8_t, kKxArrowkeySize> gArrowkeyDef;

// The live tables the key handling reads: the defaults until the preference
// file or the user changes them.
extern std::array<std::uint8_t, kKxCtrlkeySize> gCtrlkeys;
extern std::array<std::uint8_t, kKxArrowkeySize> gArrowkeys;
