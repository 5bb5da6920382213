#include "app/menu_keys.h"

#include <algorithm>
#include <cstring>

#include "app/app_commands.h"
#include "app/globals.h"
#include "app/recent_menu.h"
#include "platform/bytefields.h"
#include "platform/framework/menu.h"
#include "platform/keys.h"
#include "platform/resources.h"
#include "platform/script.h"

namespace {

constexpr char kGraveAccent = '`';
// The framework's own About command: no menu item carries it.
constexpr CommandT kFrameworkAbout = 1;

std::vector<SMenukey> MakeDefaults() {
  std::vector<SMenukey> keys = {
      {2, 'N', 0},    {3, 'O', 0},    {1004, 'D', 0}, {4, 'W', 0},    {5, 'S', 0},    {9, 'P', 0},
      {10, 'Q', 0},   {11, 'Z', 0},   {28, 'Z', kKxMenukeyShift},     {12, 'X', 0},   {13, 'C', 0},
      {14, 'V', 0},   {16, 'A', 0},   {1113, '[', 0}, {1114, ']', 0}, {1115, 'J', 0}, {1116, 'K', 0},
      {1117, 'L', 0}, {1118, ';', 0}, {1251, ':', 0}, {1201, 'F', 0}, {1202, 'G', 0}, {1203, 'H', 0},
      {1204, 'E', 0}, {1205, '=', 0}, {1206, 'R', 0}, {1211, ',', 0}, {1220, 'M', 0}, {401, 'T', 0},
      {402, 'B', 0},  {403, 'I', 0},  {404, 'U', 0},  {1410, 'Y', 0}, {1603, '/', 0},
      {1604, std::uint8_t(kGraveAccent), 0}};
  // The first nine windows take the digits.
  for (int i = 0; i < 9; ++i) keys.push_back({std::int16_t(kKxWindowCommands.first + i), std::uint8_t('1' + i), 0});
  return keys;
}

std::uint16_t EventModifiers(std::uint8_t modifiers) {
  if (modifiers & kKxMenukeyShift) return kKxEventShiftKey;
  if (modifiers & kKxMenukeyOption) return kKxEventOptionKey;
  return 0;
}

std::uint8_t StoredModifiers(std::uint16_t modifiers) {
  if (modifiers & kKxEventShiftKey) return kKxMenukeyShift;
  if (modifiers & kKxEventOptionKey) return kKxMenukeyOption;
  return 0;
}

std::string ItemText(const LMenu& menu, std::int16_t item) {
  const KxMenuItem* it = menu.GetItem(item);
  return it ? it->text : std::string();
}

// Families named "NAME-N" (list 201 item, first command).
struct Family {
  KxCommandRange range;
  short nameItem;
};
constexpr Family kFamilies[] = {
    {kKxMacroCommands, kKxNameMacro},         {kKxMarkCommands, kKxNameMark},
    {kKxMarkCommands2, kKxNameMark},          {kKxFontregCommands, kKxNameFontreg},
    {kKxClipHistoryCommands, kKxNameClipHistory}, {kKxWindowCommands, kKxNameWindow},
    {kKxSpellerCommands, kKxNameSpeller},     {kKxFormCommands, kKxNameForm},
};

// The item (in any menu) that carries `submenuID`, for its text.
bool FindParentItem(const LMenuBar& bar, std::int16_t submenuID, const LMenu*& parent, std::int16_t& item) {
  for (const LMenu* m : bar.GetBarMenus()) {
    std::vector<const LMenu*> stack = {m};
    int guard = 0;
    while (!stack.empty() && ++guard < 256) {
      const LMenu* cur = stack.back();
      stack.pop_back();
      if (!cur) continue;
      for (std::int16_t i = 1; i <= cur->CountItems(); ++i) {
        const KxMenuItem* it = cur->GetItem(i);
        if (!it->submenuID) continue;
        if (it->submenuID == submenuID) {
          parent = cur;
          item = i;
          return true;
        }
        stack.push_back(bar.FetchMenu(it->submenuID));
      }
    }
  }
  return false;
}

}  // namespace

namespace UCustomMenu {

std::vector<SMenukey> UserKeys() {
  std::vector<SMenukey> keys;
  const KxBlock& b = gMenukeyHandle;
  for (std::size_t at = 0; at + kKxMenukeySize <= b.size(); at += kKxMenukeySize)
    keys.push_back({std::int16_t(std::uint16_t(b[at] << 8 | b[at + 1])), b[at + 2], b[at + 3]});
  return keys;
}

void SetUserKeys(const std::vector<SMenukey>& keys) {
  KxBlock b;
  b.reserve(keys.size() * kKxMenukeySize);
  for (const SMenukey& k : keys) {
    b.push_back(std::uint8_t(std::uint16_t(k.command) >> 8));
    b.push_back(std::uint8_t(k.command & 0xFF));
    b.push_back(k.key);
    b.push_back(k.modifiers);
  }
  gMenukeyHandle = std::move(b);
  gPrefModify = true;
}

const std::vector<SMenukey>& DefaultKeys() {
  static const std::vector<SMenukey> keys = MakeDefaults();
  return keys;
}

bool MayTakeKey(std::int32_t command) {
  // Below 1: no command, a dialog's message or a menu item without one.
  return command > kFrameworkAbout && command != kKxCmdAbout;
}

bool IsValidEntry(const SMenukey& entry) {
  const bool key = entry.key == 0 || (entry.key >= kKxMenukeyFirst && entry.key <= kKxMenukeyLast);
  const bool modifiers =
      entry.modifiers == 0 || entry.modifiers == kKxMenukeyShift || entry.modifiers == kKxMenukeyOption;
  return MayTakeKey(entry.command) && key && modifiers;
}

std::vector<std::uint8_t> ValidKeys(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> out;
  for (std::size_t at = 0; at + kKxMenukeySize <= size; at += kKxMenukeySize) {
    const SMenukey k{std::int16_t(KxGetU16BE(data + at)), data[at + 2], data[at + 3]};
    if (IsValidEntry(k)) out.insert(out.end(), data + at, data + at + kKxMenukeySize);
  }
  return out;
}

bool GetMenuKey(std::int32_t command, SMenukey& out) {
  if (command == kKxCmdAbout) return false;
  out = SMenukey{std::int16_t(command), 0, 0};
  for (const SMenukey& k : UserKeys())
    if (k.command == command) {
      out = k;
      return k.key != 0;
    }
  for (const SMenukey& k : DefaultKeys())
    if (k.command == command) {
      out = k;
      return true;
    }
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  std::int16_t menuID = 0, item = 0;
  LMenu* menu = nullptr;
  if (!bar || !bar->FindMenuItem(command, menuID, menu, item)) return false;
  const KxMenuItem* it = menu->GetItem(item);
  // A character of 32 or below is a marker, not a key.
  if (!it || it->key <= ' ') return false;
  out.key = it->key;
  out.modifiers = StoredModifiers(it->modifiers);
  return true;
}

void SetCmdKey(LMenu& menu, std::int16_t item, std::uint8_t key, std::uint8_t modifiers) {
  if (key >= 'a' && key <= 'z') key = std::uint8_t(key - 'a' + 'A');
  menu.SetKey(item, key, key ? EventModifiers(modifiers) : 0);
}

void SetMenuKey(const SMenukey& entry) {
  if (!MayTakeKey(entry.command)) return;
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  std::int16_t menuID = 0, item = 0;
  LMenu* menu = nullptr;
  if (bar && bar->FindMenuItem(entry.command, menuID, menu, item)) SetCmdKey(*menu, item, entry.key, entry.modifiers);
}

void UpdateMenu() {
  // The built-in keys over what the menu resources say, whatever those
  // give; then the user's, which win.
  for (const SMenukey& k : DefaultKeys()) SetMenuKey(k);
  for (SMenukey k : UserKeys()) {
    // Old lists name redo by the program's own number.
    if (k.command == kKxCmdRedoAlias) k.command = kKxCmdRedo;
    SetMenuKey(k);
  }
}

bool GetMenuString(std::int32_t command, Str255 out, bool plain) {
  out[0] = 0;
  if (command == kKxCmdNothing) return false;
  if (!plain)
    for (const Family& f : kFamilies)
      if (f.range.Contains(command)) {
        KxSetNameCut(out, KxIndString(kKxAppNamesList, f.nameItem) + "-" +
                              std::to_string(command - f.range.first + 1));
        return out[0] != 0;
      }
  // Undo and redo by their items' plain texts (item 1 of the undoer's
  // lists): their menu texts name the last action, and the lists' other
  // items are action names ("編集" for an edit), not the commands'.
  if (command == kKxCmdUndo) {
    KxSetNameCut(out, KxIndString(kKxUndoNamesList, 1));
    if (out[0]) return true;
  }
  if (command == kKxCmdRedo || command == kKxCmdRedoAlias) {
    KxSetNameCut(out, KxIndString(kKxRedoNamesList, 1));
    if (out[0]) return true;
  }
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  if (!bar) return false;
  std::int16_t menuID = 0, item = 0;
  LMenu* menu = nullptr;
  if (!bar->FindMenuItem(command, menuID, menu, item)) {
    std::int16_t synthMenu = 0, synthItem = 0;
    if (!LCommander::IsSyntheticCommand(command, synthMenu, synthItem)) return false;
    menu = bar->FetchMenu(synthMenu);
    if (!menu || !menu->GetItem(synthItem)) return false;
    menuID = synthMenu;
    item = synthItem;
  }
  std::string name = ItemText(*menu, item);
  if (menuID >= kKxRecentMenu && menuID <= kKxRecentMenuLast && command != kKxCmdClearRecent) {
    // Recent items change with every open: they are named by position.
    name = std::to_string(item);
    if (menuID > kKxRecentMenu) name = std::to_string(menuID - kKxRecentMenu) + "-" + name;
  }
  // Items of submenus carry their parent's text in front, up to the bar.
  std::int16_t child = menuID;
  for (int depth = 0; depth < 8; ++depth) {
    const LMenu* parent = nullptr;
    std::int16_t parentItem = 0;
    if (!FindParentItem(*bar, child, parent, parentItem)) break;
    name = ItemText(*parent, parentItem) + "-" + name;
    child = parent->GetMenuID();
  }
  KxSetNameCut(out, name);
  return out[0] != 0;
}

bool GetMenuStringExt(std::int32_t command, Str255 out) {
  return GetMenuString(command, out, true) || GetMenuString(command, out, false);
}

}  // namespace UCustomMenu
