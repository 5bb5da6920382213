// The event record that the event loop dispatches, with the event kinds,
// modifier bits and virtual key codes of the desktop the program was written
// for. Hosts translate their own events into these.
#pragma once

#include <cstdint>

#include "platform/keys.h"
#include "platform/types.h"

struct EventRecord {
  std::int16_t what = 0;       // one of the event kinds below
  std::uint32_t message = 0;   // key: char | keyCode << 8; activate: window id
  std::uint32_t when = 0;      // tick count at which the event happened
  Point where{0, 0};           // global mouse position
  std::uint16_t modifiers = 0; // modifier bits below
};

// Event kinds.
constexpr std::int16_t nullEvent = 0;
constexpr std::int16_t mouseDown = 1;
constexpr std::int16_t mouseUp = 2;
constexpr std::int16_t keyDown = 3;
constexpr std::int16_t keyUp = 4;
constexpr std::int16_t autoKey = 5;
constexpr std::int16_t updateEvt = 6;
constexpr std::int16_t activateEvt = 8;
constexpr std::int16_t osEvt = 15;
// A menu choice made by the host's own menu bar: message is the menu ID in
// the high word and the item in the low word.
constexpr std::int16_t kKxMenuChoiceEvt = 24;
// The scroll wheel: message holds the lines to scroll down in the high word
// and to the right in the low word (both signed); where is the pointer.
constexpr std::int16_t kKxWheelEvt = 25;

constexpr std::int16_t KxWheelLinesDown(const EventRecord& e) { return std::int16_t(e.message >> 16); }
constexpr std::int16_t KxWheelLinesRight(const EventRecord& e) { return std::int16_t(e.message & 0xFFFF); }
constexpr std::uint32_t KxWheelMessage(std::int16_t down, std::int16_t right) {
  return (std::uint32_t(std::uint16_t(down)) << 16) | std::uint16_t(right);
}

// Modifier bits besides the four key bits of platform/keys.h.
constexpr std::uint16_t kKxEventActiveFlag = 0x0001;   // activate (set) or deactivate
constexpr std::uint16_t kKxEventButtonState = 0x0080;  // set while the button is up
constexpr std::uint16_t kKxEventAlphaLock = 0x0400;

// Fields of a key event's message.
constexpr std::uint32_t kKxCharCodeMask = 0x000000FF;
constexpr std::uint32_t kKxKeyCodeMask = 0x0000FF00;
constexpr int kKxKeyCodeShift = 8;

constexpr std::uint8_t KxEventChar(const EventRecord& e) {
  return std::uint8_t(e.message & kKxCharCodeMask);
}
constexpr std::uint8_t KxEventKeyCode(const EventRecord& e) {
  return std::uint8_t((e.message & kKxKeyCodeMask) >> kKxKeyCodeShift);
}
constexpr std::uint32_t KxKeyMessage(std::uint8_t ch, std::uint8_t keyCode) {
  return std::uint32_t(ch) | (std::uint32_t(keyCode) << kKxKeyCodeShift);
}

// Virtual key codes of the keys the program treats specially.
enum KxVirtualKey : std::uint8_t {
  kKxKeyReturn = 0x24,
  kKxKeyTab = 0x30,
  kKxKeySpace = 0x31,
  kKxKeyBackspace = 0x33,
  kKxKeyEscape = 0x35,
  kKxKeyEnter = 0x4C,
  kKxKeyF5 = 0x60,
  kKxKeyF6 = 0x61,
  kKxKeyF7 = 0x62,
  kKxKeyF3 = 0x63,
  kKxKeyF8 = 0x64,
  kKxKeyF9 = 0x65,
  kKxKeyF11 = 0x67,
  kKxKeyF13 = 0x69,
  kKxKeyF14 = 0x6B,
  kKxKeyF10 = 0x6D,
  kKxKeyF12 = 0x6F,
  kKxKeyF15 = 0x71,
  kKxKeyHome = 0x73,
  kKxKeyPageUp = 0x74,
  kKxKeyForwardDelete = 0x75,
  kKxKeyF4 = 0x76,
  kKxKeyEnd = 0x77,
  kKxKeyF2 = 0x78,
  kKxKeyPageDown = 0x79,
  kKxKeyF1 = 0x7A,
  kKxKeyLeft = 0x7B,
  kKxKeyRight = 0x7C,
  kKxKeyDown = 0x7D,
  kKxKeyUp = 0x7E,
  kKxKeyContextMenu = 0x6E,   // the PC keyboard's Menu key
  // The modifiers, as the key map holds them. On this desktop Command is
  // Ctrl, Option is Alt and Control is Super; Caps Lock is held while locked.
  kKxKeyRightCommand = 0x36,
  kKxKeyCommand = 0x37,
  kKxKeyShift = 0x38,
  kKxKeyCapsLock = 0x39,
  kKxKeyOption = 0x3A,
  kKxKeyControl = 0x3B,
  kKxKeyRightShift = 0x3C,
  kKxKeyRightOption = 0x3D,
  kKxKeyRightControl = 0x3E,
};

// Character codes that the arrow, escape and similar keys carry.
constexpr std::uint8_t kKxCharHome = 1;
constexpr std::uint8_t kKxCharEnd = 4;
constexpr std::uint8_t kKxCharBackspace = 8;
constexpr std::uint8_t kKxCharPageUp = 11;
constexpr std::uint8_t kKxCharPageDown = 12;
constexpr std::uint8_t kKxCharReturn = 13;
constexpr std::uint8_t kKxCharDelete = 127;
constexpr std::uint8_t kKxCharEscape = 27;
constexpr std::uint8_t kKxCharLeftArrow = 28;
constexpr std::uint8_t kKxCharRightArrow = 29;
constexpr std::uint8_t kKxCharUpArrow = 30;
constexpr std::uint8_t kKxCharDownArrow = 31;
