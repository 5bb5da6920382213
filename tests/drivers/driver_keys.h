// The named keys of the drivers' `key NAME` steps: the key code and
// character the program sees, and the X11 key symbol a real desktop sends
// for the same key (for the GTK runs).
#pragma once

#include <cstdint>

#include "platform/framework/events.h"

struct KxDriverKey {
  const char* name;
  std::uint8_t code, ch;
  unsigned sym;
};
constexpr KxDriverKey kKxDriverKeys[] = {{"left", kKxKeyLeft, kKxCharLeftArrow, 0xFF51},
                                         {"right", kKxKeyRight, kKxCharRightArrow, 0xFF53},
                                         {"up", kKxKeyUp, kKxCharUpArrow, 0xFF52},
                                         {"down", kKxKeyDown, kKxCharDownArrow, 0xFF54},
                                         {"home", kKxKeyHome, 1, 0xFF50},
                                         {"end", kKxKeyEnd, 4, 0xFF57},
                                         {"pageup", kKxKeyPageUp, 11, 0xFF55},
                                         {"pagedown", kKxKeyPageDown, 12, 0xFF56},
                                         {"backspace", kKxKeyBackspace, 8, 0xFF08},
                                         {"delete", kKxKeyForwardDelete, 127, 0xFFFF},
                                         {"return", kKxKeyReturn, 13, 0xFF0D},
                                         {"enter", kKxKeyEnter, 3, 0xFF8D},
                                         {"tab", kKxKeyTab, 9, 0xFF09},
                                         {"escape", kKxKeyEscape, kKxCharEscape, 0xFF1B},
                                         {"menu", kKxKeyContextMenu, 0x10, 0xFF67}};
