// Menus that change with the program's state: fonts, sizes, registered
// fonts, page forms, macros, marks, windows and help. Each keeps the items
// its menu resource gives and generates the rest; a generated family never
// outgrows its command range (a longer list shows its first items), and
// generated items that carry commands take their key equivalents from the
// menu keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "views/item_icons.h"

class LMenu;

// Icons that generated items show (icon IDs of the program's resources).
constexpr std::uint16_t kKxIconNone = 0;
constexpr std::uint16_t kKxIconText = 44;
constexpr std::uint16_t kKxIconFolder = 47;

// One generated item: its text (Shift_JIS) and icon.
struct KxMenuEntry {
  std::string name;
  std::uint16_t icon = kKxIconNone;
  std::string unicodeName = {};   // shown in place of the name (KxMenuTextUnicode)
};

// The number of leading items menu `menuID` keeps: those its resource gives.
std::int16_t KxFixedItemCount(std::int16_t menuID);
// The icon a generated item shows (kKxIconNone for none).
std::uint16_t KxMenuItemIcon(std::int16_t menuID, std::int16_t item);
void KxSetMenuItemIcon(std::int16_t menuID, std::int16_t item, std::uint16_t icon);

// Text in UTF-8 as menu text (Shift_JIS); characters without a code are
// left out. Cut to an item's length on a character boundary.
std::string KxMenuTextFromUTF8(const std::string& utf8);
// The text itself when its menu text loses some of it, for the desktop to
// show in place of the menu text; empty when the menu text holds it all.
std::string KxMenuTextUnicode(const std::string& utf8);

namespace UTextMenusBase {
void XAble(std::int16_t menuID, bool enable);
void XAbleEveryItem(std::int16_t menuID, bool enable, bool clearMarks);
}  // namespace UTextMenusBase

namespace UFontMenu {
// Fills menu 250 with the installed fonts, by name.
void Initialize(bool enable);
// The font number of an item, -1 for none; the first item of a font, 0.
short GetFontNumber(std::int16_t item);
std::int16_t GetFontMenuItem(short fontNumber);
int GetFontCount();
// Enables every item and checks exactly those of `fontNumber`.
void AdjustMenu(short fontNumber);
void EnableEveryItem();
void DisableEveryItem();
}  // namespace UFontMenu

namespace USizeMenu {
void Initialize(int reservedItems, bool enable);
// The number the item's text starts with, 0 for none.
int GetFontSize(std::int16_t item);
std::int16_t GetSizeMenuItem(int size);
void DisableEveryItem();
}  // namespace USizeMenu

namespace UFontregMenu {
constexpr std::size_t kNameBytes = 32;   // a length byte and 31 bytes of name
// The name of registered font n (1-based); false outside 1..count.
bool GetFontregName(short n, std::string& name);
// Appends an entry (54 stored bytes); false when 20 exist or it is short.
bool InsertFontreg(const std::uint8_t* entry, std::size_t size);
bool DeleteFontreg(short n);
// The Format menu's fixed items, then one item per registered font.
void UpdateMenu();
}  // namespace UFontregMenu

namespace UWindowMenu {
struct Document {
  std::string title;   // Shift_JIS
  bool modified = false;
  bool readOnly = false;
  std::string unicodeTitle = {};   // UTF-8, when the title cannot hold the name
};
// The fixed items, then a separator and one item per document in order
// (commands 1610 up): at most as many as the range holds.
void UpdateMenu(const std::vector<Document>& documents);
}  // namespace UWindowMenu

namespace UMarkMenu {
// The fixed items; then, when `show` and the mark list window is closed,
// one item per mark (commands 3000 up).
void UpdateMenu(bool show, bool markListOpen, const std::vector<std::string>& marks);
}  // namespace UMarkMenu

namespace UMacroMenu {
// Macro n is names[n - 1]; unnamed macros (empty names) are skipped but
// keep their numbers. At most 50 macros.
void UpdateMenu(const std::vector<std::string>& names);
}  // namespace UMacroMenu

namespace UFormMenu {
// One item per page form (commands 1933 up).
void UpdateMenu(const std::vector<std::string>& names);
}  // namespace UFormMenu

namespace UEditMenu {
// The Edit menu's fixed items, then a separator and one item per clip of
// the scrap book (commands 1520 up, at most as many as the range holds);
// an empty list leaves the fixed items alone.
void UpdateClipboardMenu(const std::vector<std::string>& clipNames);
// The more-paste menu's fixed items, then a separator, the name-stamp item
// (command 1138) when a name stamp exists, and the date and time items.
void AppendMorePasteMenu();
}  // namespace UEditMenu

namespace UHelpMenu {
// The text files of `folder` (by name; names ending in .htm or .html left
// out) as commands 4000 up, then the kept information item. Fills
// gHelpFInfoHandle in the same order.
void UpdateMenu(const std::string& folder);
}  // namespace UHelpMenu
