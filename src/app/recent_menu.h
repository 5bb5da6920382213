// The recent menus: menu 220 lists the recent files and then the recent
// folders, each folder with a submenu (221 + i) of the text files in it;
// the last item clears the lists. The lists live in globals.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/fspec.h"

class LMenu;

constexpr std::int16_t kKxRecentMenu = 220;
constexpr std::int16_t kKxRecentSubmenu = 221;   // + folder index, 0-9
constexpr std::int32_t kKxCmdClearRecent = 1020;

namespace URecentMenu {
// Where the menus come from: by default the current menu bar.
using MenuSource = std::function<LMenu*(std::int16_t menuID)>;
void SetMenuSource(MenuSource source);

// Records an opened file (a path reference) and its folder.
void SetRecent(const SKXFSpec& fileRef);
// The same for a file by its whole path (a relative one is no reference).
void SetRecentPath(const std::string& path);
// The reference behind item `item` of menu 220 (recent files) or 221-230
// (a folder's files); false when there is none.
bool GetRecent(std::int16_t menu, std::int16_t item, SKXFSpec& out);
void DeleteRecent(std::int16_t menu, std::int16_t item);
void ClearRecent();
// After the folder list was read: drops vanished folders, rebuilds the
// folder file lists.
void UpdateRecent();
void UpdateMenu();
void EnableMenu(LMenu& menu);
}  // namespace URecentMenu
