// The contextual menu of the text view: the editing commands, then copies
// of several menus of the bar as submenus. An item shows only when its
// command is enabled for the target, with the bar's text and mark; a
// separator shows only between items (never leading, doubled or trailing).
// It opens on a contextual click (button 3, or control-click), the Menu key
// and Shift+F10, and only for the view that is the target.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/framework/attachment.h"
#include "platform/framework/commander.h"
#include "platform/host/host.h"

class LMenuBar;

// The message a view sends its attachments for a contextual click
// (param: const EventRecord*).
constexpr MessageT kKxMsgContextClick = 830;

// One built menu: the entries the host shows, and the command of each
// (kKxCmdNothing for separators and submenu titles).
struct KxContextualMenu {
  std::vector<KxPopupEntry> entries;
  std::vector<CommandT> commands;
};

class CKXTextContextualMenu : public LAttachment {
 public:
  // Attached to the view's commander `owner`; `commands` are the top items
  // (cut, copy, paste, clear by default).
  explicit CKXTextContextualMenu(LCommander* owner);
  CKXTextContextualMenu(LCommander* owner, std::vector<CommandT> commands);

  // Builds the menu for `target` from the bar's menus.
  static KxContextualMenu PopulateMenu(const LMenuBar& bar, LCommander* target,
                                       const std::vector<CommandT>& commands);
  // Shows the menu at a global point; false (nothing shown) when the owner
  // is not the target or no menu bar exists.
  bool Open(Point where);

  // The command of entry `index` of the menu shown last.
  static CommandT CommandOfChoice(std::int16_t index);
  // Drops the menu shown last (the application's end).
  static void Forget();

  // Whether a key event opens the menu: the Menu key, or Shift+F10.
  static bool IsMenuKey(const EventRecord& event);

 protected:
  void ExecuteSelf(MessageT message, void* param) override;

 private:
  LCommander* mOwner;
  std::vector<CommandT> mCommands;
};
