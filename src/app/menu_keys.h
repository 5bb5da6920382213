// Menu keys and command names: the user's key equivalents (kept in the
// preference file), the built-in defaults behind them, what the menus say
// after both, and a readable name for any command, used where commands are
// listed (the key customisation, the macro editor).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "text/codes/script.h"

class LMenu;

// A key equivalent as stored: command, key (0: none), modifier bits. The
// command key is implied.
struct SMenukey {
  std::int16_t command = 0;
  std::uint8_t key = 0;
  std::uint8_t modifiers = 0;
};
constexpr std::size_t kKxMenukeySize = 4;   // stored bytes per entry
constexpr std::uint8_t kKxMenukeyShift = 1;
constexpr std::uint8_t kKxMenukeyOption = 4;
// The keys the key settings take (letters upper-cased into the range).
constexpr std::uint8_t kKxMenukeyFirst = 0x21, kKxMenukeyLast = 0x60;

// The longest name a menu item or command name may have, in bytes
// (KxSetNameCut cuts to it).
constexpr std::size_t kKxMaxNameBytes = 255;

namespace UCustomMenu {
// The user's list from gMenukeyHandle (entries whose bytes are complete),
// and back.
std::vector<SMenukey> UserKeys();
void SetUserKeys(const std::vector<SMenukey>& keys);
// The built-in defaults.
const std::vector<SMenukey>& DefaultKeys();
// Whether a command can carry a key equivalent: not About, not 0 or 1,
// nothing negative (dialog messages, menu items without a command).
bool MayTakeKey(std::int32_t command);
// Whether the key settings could have made an entry: a command that may
// take a key, no key or one they take, no modifier or one of shift and
// option. Stored lists are outside data; the rest is dropped on reading.
bool IsValidEntry(const SMenukey& entry);
// The valid entries of a stored list (4 bytes each, a partial one ignored).
std::vector<std::uint8_t> ValidKeys(const std::uint8_t* data, std::size_t size);

// The key equivalent of a command: the user's first entry, else the
// built-in one, else what its menu item carries. False when there is none
// (an entry with key 0 counts as none).
bool GetMenuKey(std::int32_t command, SMenukey& out);
// Writes a key into a menu item (key 0 removes the item's key).
void SetCmdKey(LMenu& menu, std::int16_t item, std::uint8_t key, std::uint8_t modifiers);
// Writes one entry into the item that carries its command.
void SetMenuKey(const SMenukey& entry);
// Writes the built-in keys into the menus, then the whole user list in
// order (called last when the menu bar is built, so that the user's keys
// win).
void UpdateMenu();

// A readable name; false when the command has none. `plain` names numbered
// families by their menu text instead of "FAMILY-N".
bool GetMenuString(std::int32_t command, Str255 out, bool plain);
// The plain name first, the family name when that gives none.
bool GetMenuStringExt(std::int32_t command, Str255 out);
}  // namespace UCustomMenu
