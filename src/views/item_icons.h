// Icon numbers of generated menu items (the program's icon resources),
// shared by the document window's title menu and the application's menus.
#pragma once

#include <cstdint>

constexpr std::int16_t kKxIconDocument = 44;
constexpr std::int16_t kKxIconModified = 45;
constexpr std::int16_t kKxIconReadOnly = 46;
// A folder of the path in the window's title menu, and the volume at its top.
constexpr std::int16_t kKxIconPathFolder = 48;
constexpr std::int16_t kKxIconVolume = 49;
