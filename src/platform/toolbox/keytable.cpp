#include "platform/toolbox/keytable.h"

namespace {
constexpr std::uint8_t kHome = 0x01, kEnter = 0x03, kEnd = 0x04, kHelp = 0x05, kBackspace = 0x08, kTab = 0x09,
                       kPageUp = 0x0B, kPageDown = 0x0C, kReturn = 0x0D, kFunction = 0x10, kEscape = 0x1B,
                       kClear = 0x1B, kLeft = 0x1C, kRight = 0x1D, kUp = 0x1E, kDown = 0x1F, kDelete = 0x7F;
}  // namespace

const UKeyTable::Pair UKeyTable::sKeyTable[kPairCount] = {
    // Letters and the main block.
    {0x00, 'A'}, {0x01, 'S'}, {0x02, 'D'}, {0x03, 'F'}, {0x04, 'H'}, {0x05, 'G'}, {0x06, 'Z'}, {0x07, 'X'},
    {0x08, 'C'}, {0x09, 'V'}, {0x0B, 'B'}, {0x0C, 'Q'}, {0x0D, 'W'}, {0x0E, 'E'}, {0x0F, 'R'}, {0x10, 'Y'},
    {0x11, 'T'}, {0x12, '1'}, {0x13, '2'}, {0x14, '3'}, {0x15, '4'}, {0x16, '6'}, {0x17, '5'}, {0x18, '='},
    {0x19, '9'}, {0x1A, '7'}, {0x1B, '-'}, {0x1C, '8'}, {0x1D, '0'}, {0x1E, ']'}, {0x1F, 'O'}, {0x20, 'U'},
    {0x21, '['}, {0x22, 'I'}, {0x23, 'P'}, {0x24, kReturn}, {0x25, 'L'}, {0x26, 'J'}, {0x27, '\''},
    {0x28, 'K'}, {0x29, ';'}, {0x2A, '\\'}, {0x2B, ','}, {0x2C, '/'}, {0x2D, 'N'}, {0x2E, 'M'}, {0x2F, '.'},
    {0x30, kTab}, {0x31, ' '}, {0x32, '`'}, {0x33, kBackspace}, {0x35, kEscape},
    // Keypad.
    {0x41, '.'}, {0x43, '*'}, {0x45, '+'}, {0x47, kClear}, {0x4B, '/'}, {0x4C, kEnter}, {0x4E, '-'},
    {0x51, '='}, {0x52, '0'}, {0x53, '1'}, {0x54, '2'}, {0x55, '3'}, {0x56, '4'}, {0x57, '5'}, {0x58, '6'},
    {0x59, '7'}, {0x5B, '8'}, {0x5C, '9'},
    // Function keys F5 F6 F7 F3 F8 F9 F11 F13 F14 F10 F12 F15, then F4 F2 F1.
    {0x60, kFunction}, {0x61, kFunction}, {0x62, kFunction}, {0x63, kFunction}, {0x64, kFunction},
    {0x65, kFunction}, {0x67, kFunction}, {0x69, kFunction}, {0x6B, kFunction}, {0x6D, kFunction},
    {0x6F, kFunction}, {0x71, kFunction},
    // Navigation.
    {0x72, kHelp}, {0x73, kHome}, {0x74, kPageUp}, {0x75, kDelete}, {0x76, kFunction}, {0x77, kEnd},
    {0x78, kFunction}, {0x79, kPageDown}, {0x7A, kFunction}, {0x7B, kLeft}, {0x7C, kRight}, {0x7D, kDown},
    {0x7E, kUp},
};

std::uint8_t UKeyTable::GetCharCode(std::uint8_t keyCode) {
  for (const Pair& p : sKeyTable)
    if (p.keyCode == keyCode) return p.charCode;
  return 0;
}

bool UKeyTable::GetKeyCode(std::uint8_t charCode, std::uint8_t& keyCode) {
  for (const Pair& p : sKeyTable)
    if (p.charCode == charCode) {
      keyCode = p.keyCode;
      return true;
    }
  return false;
}
