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

// The function keys F1 to F12 in four planes (plain, shift, option, shift
// and option). The application owns the table (the user's, kept in the
// preference file) and installs its reader; the default binds none.
class CKXFunctionKeys {
 public:
  CKXFunctionKeys() = default;
  CKXFunctionKeys(const CKXFunctionKeys&) = delete;
  CKXFunctionKeys& operator=(const CKXFunctionKeys&) = delete;
  virtual ~CKXFunctionKeys() = default;

  // The command of F`key` (1-12) in `plane` (0-3); 0 unbound.
  virtual std::int16_t Command(int /*plane*/, int /*key*/) const { return 0; }

  // Not owned; null restores the default.
  static void Install(const CKXFunctionKeys* keys);
  static const CKXFunctionKeys& Get();
};
