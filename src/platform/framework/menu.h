// The in-memory menu model: menus built from the program's menu resources,
// items with commands, key equivalents, marks and enabling, submenus hung
// under items, and the menu bar that finds commands and refreshes itself
// from the target chain. Hosts show it; nothing here draws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/commander.h"

struct KxMenuItem {
  CommandT command = kKxCmdNothing;   // 0: the item stands for itself
  std::string text;                   // Shift_JIS bytes, at most 255
  // UTF-8 shown in place of `text` when it names something Shift_JIS
  // cannot hold (a file name); empty for none.
  std::string unicodeText;
  std::uint8_t key = 0;               // key equivalent, upper case; 0 none
  std::uint16_t modifiers = 0;        // shift, option, control besides command
  std::int16_t submenuID = 0;
  std::uint16_t mark = kKxNoMark;
  bool usesMark = false;              // it has carried a mark: shown with room for one
  bool enabled = true;
  bool separator = false;
  // A small icon shown before the text: 16 x 16, one bit a pixel, rows of
  // two bytes, the high bit leftmost ("SICN" data); empty for none.
  std::vector<std::uint8_t> smallIcon;
};

class LMenu {
 public:
  // From menu resource `menuID`; throws LException(resNotFound) without one.
  explicit LMenu(std::int16_t menuID);
  // An empty menu.
  LMenu(std::int16_t menuID, const unsigned char* title);

  std::int16_t GetMenuID() const { return mMenuID; }
  const std::string& GetTitle() const { return mTitle; }
  std::int16_t CountItems() const { return std::int16_t(mItems.size()); }
  // Items are numbered from 1; null outside.
  const KxMenuItem* GetItem(std::int16_t index) const;

  // The item's command, its synthetic command when it has none, and
  // kKxCmdNothing for a separator or an index outside the menu.
  CommandT CommandFromIndex(std::int16_t index) const;
  // The first item carrying `command` (synthetic commands of this menu
  // included), 0 when none.
  std::int16_t IndexFromCommand(CommandT command) const;

  void SetCommand(std::int16_t index, CommandT command);
  void GetItemText(std::int16_t index, Str255 out) const;
  // Setting the text drops the item's Unicode text.
  void SetItemText(std::int16_t index, const unsigned char* text);
  void SetItemUnicodeText(std::int16_t index, const std::string& text);
  void EnableItem(std::int16_t index, bool enabled = true);
  bool IsItemEnabled(std::int16_t index) const;
  void SetMark(std::int16_t index, std::uint16_t mark);
  void SetKey(std::int16_t index, std::uint8_t key, std::uint16_t modifiers);
  // Hangs menu `submenuID` under the item (0: none).
  void SetSubmenu(std::int16_t index, std::int16_t submenuID);
  // 32 bytes of "SICN" data, or none (empty).
  void SetSmallIcon(std::int16_t index, const std::vector<std::uint8_t>& icon);
  // Inserts after item `after` (0: at the top; past the end: at the end).
  void InsertItem(const unsigned char* text, std::int16_t after, CommandT command = kKxCmdNothing);
  void InsertSeparator(std::int16_t after);
  void DeleteItem(std::int16_t index);

 private:
  KxMenuItem* Item(std::int16_t index);
  void Insert(KxMenuItem item, std::int16_t after);

  std::int16_t mMenuID;
  std::string mTitle;
  std::vector<KxMenuItem> mItems;
};

class LMenuBar {
 public:
  // From menu-bar resource `menuBarID`, with every submenu its menus carry
  // (each menu once, whatever the nesting); throws LException(resNotFound)
  // when the bar or one of its menus does not exist. Becomes the current
  // menu bar until it is deleted.
  explicit LMenuBar(std::int16_t menuBarID);
  ~LMenuBar();
  LMenuBar(const LMenuBar&) = delete;
  LMenuBar& operator=(const LMenuBar&) = delete;

  static LMenuBar* GetCurrentMenuBar() { return sMenuBar; }

  // The menus of the bar, left to right.
  const std::vector<LMenu*>& GetBarMenus() const { return mBarMenus; }
  // Any installed menu (bar or submenu), or null.
  LMenu* FetchMenu(std::int16_t menuID) const;
  // Menu resource `menuID`, installed (with the submenus its items carry)
  // when no menu of the bar's resources carries it yet, for an item to hang
  // it from later; null when the resource does not exist.
  LMenu* InstallSubmenu(std::int16_t menuID);

  // The command of a chosen item (see LMenu::CommandFromIndex).
  CommandT FindCommand(std::int16_t menuID, std::int16_t item) const;
  // The first item carrying `command`, bar menus first, left to right.
  bool FindMenuItem(CommandT command, std::int16_t& menuID, LMenu*& menu, std::int16_t& item) const;
  // The item whose key equivalent is `ch` with exactly these extra
  // modifiers, enabled or not; the command key must be down. Letters match
  // in either case.
  bool FindKeyCommand(std::uint8_t ch, std::uint16_t modifiers, std::int16_t& menuID,
                      std::int16_t& item) const;

  // Asks the chain from `target` for the status of every item: enabling,
  // mark and text. Without a target every item is disabled. An item with a
  // submenu is enabled while any item of the submenu is.
  void UpdateMenus(LCommander* target);
  // While UpdateMenus asks for the items' status, a number no other pass
  // had; 0 between passes. Nothing edits during a pass, so a target may
  // keep what many items ask alike (the selection's fonts) for as long as
  // the number stays.
  static std::uint32_t StatusPass() { return sStatusPass; }
  // One pass, for as long as it lives.
  class StStatusPass {
   public:
    StStatusPass();
    ~StStatusPass() { sStatusPass = mOuter; }
    StStatusPass(const StStatusPass&) = delete;
    StStatusPass& operator=(const StStatusPass&) = delete;

   private:
    std::uint32_t mOuter;
  };

 private:
  void Install(std::int16_t menuID, int depth);
  bool UpdateMenu(LMenu& menu, LCommander* target, int depth);

  std::vector<std::unique_ptr<LMenu>> mMenus;   // every installed menu
  std::vector<LMenu*> mBarMenus;
  static LMenuBar* sMenuBar;
  static std::uint32_t sStatusPass, sLastStatusPass;
};

// Error code of a missing resource.
constexpr long kKxResNotFound = -192;
