#include "app/contextual_menu.h"

#include <map>
#include <string>

#include "app/app_commands.h"
#include "app/menu_keys.h"
#include "platform/framework/control.h"
#include "platform/framework/menu.h"
#include "views/text_info_view.h"
#include "views/text_window.h"

namespace {

// Submenus in the order they follow the editing commands: the bar's menu
// and whether its items keep their icons. 0 marks the separator.
struct SubmenuSource {
  std::int16_t menuID;
  bool noIcons;
};
// The IDs are the bar's own, so a renumbered menu cannot drop out of here.
constexpr SubmenuSource kSubmenus[] = {
    {kKxMorePasteMenu, false}, {kKxConvertMenu, false}, {kKxMacroMenu, false}, {kKxSpellingMenu, false}, {0, false},
    {kKxFontMenu, false},      {kKxSizeMenu, true},     {kKxStyleMenu, false}, {kKxFormMenu, false},
};
// Without a style menu in the bar, its commands are gathered from wherever
// they stand (0: a separator).
constexpr CommandT kStyleCommands[] = {401, 402, 403, 404, 405, 406, 407, 408, 0, 1304, 1305, 1306, 1307};

KxContextualMenu& Shown() {
  static KxContextualMenu menu;
  return menu;
}

class Builder {
 public:
  Builder(const LMenuBar& bar, LCommander* target) : mBar(bar), mTarget(target) {}

  // Separators only between items of the same level.
  void Separator(int parent) {
    if (mLastKind[parent] != Kind::kItem) return;
    Push(KxPopupEntry{"", parent, true, false, false, 0}, kKxCmdNothing);
    mLastKind[parent] = Kind::kSeparator;
  }

  bool Command(CommandT command, int parent, const std::string& barText, std::uint16_t barMark) {
    Boolean enabled = false, usesMark = false;
    std::uint16_t mark = kKxNoMark;
    Str255 name = {0};
    if (mTarget) mTarget->ProcessCommandStatus(command, enabled, usesMark, mark, name);
    if (!enabled) return false;
    std::string text = barText;
    if (name[0]) text.assign(reinterpret_cast<const char*>(name + 1), name[0]);
    if (text.empty() && UCustomMenu::GetMenuString(command, name, true)) text.assign(reinterpret_cast<const char*>(name + 1), name[0]);
    Push(KxPopupEntry{text, parent, false, false, true, usesMark ? mark : barMark}, command);
    mLastKind[parent] = Kind::kItem;
    return true;
  }

  // A command from wherever the bar has it.
  void BarCommand(CommandT command, int parent) {
    std::int16_t menuID = 0, item = 0;
    LMenu* menu = nullptr;
    if (!mBar.FindMenuItem(command, menuID, menu, item)) return;
    const KxMenuItem* it = menu->GetItem(item);
    Command(command, parent, it->text, it->mark);
  }

  void Submenu(const SubmenuSource& source) {
    const LMenu* menu = mBar.FetchMenu(source.menuID);
    if (!menu && source.menuID != kKxStyleMenu) return;
    KxPopupEntry title;
    title.text = menu ? menu->GetTitle() : std::string();
    title.submenu = true;
    const int parent = Push(title, kKxCmdNothing);
    mLastKind[-1] = Kind::kItem;
    if (menu) {
      for (std::int16_t i = 1; i <= menu->CountItems(); ++i) {
        const KxMenuItem* it = menu->GetItem(i);
        if (it->separator)
          Separator(parent);
        else if (!it->submenuID)
          Command(menu->CommandFromIndex(i), parent, it->text, it->mark);
      }
    } else {
      for (CommandT c : kStyleCommands) {
        if (c == kKxCmdNothing)
          Separator(parent);
        else
          BarCommand(c, parent);
      }
      TrimTrailing(parent);
      if (int(mMenu.entries.size()) == parent + 1) {   // nothing of it anywhere: no submenu
        mMenu.entries.pop_back();
        mMenu.commands.pop_back();
      }
      return;
    }
    TrimTrailing(parent);
  }

  void TrimTrailing(int parent) {
    if (mLastKind[parent] != Kind::kSeparator) return;
    for (std::size_t i = mMenu.entries.size(); i-- > 0;)
      if (mMenu.entries[i].parent == parent) {
        mMenu.entries.erase(mMenu.entries.begin() + std::ptrdiff_t(i));
        mMenu.commands.erase(mMenu.commands.begin() + std::ptrdiff_t(i));
        break;
      }
    mLastKind[parent] = Kind::kItem;
  }

  KxContextualMenu Take() { return std::move(mMenu); }

 private:
  enum class Kind { kNone, kItem, kSeparator };
  int Push(const KxPopupEntry& e, CommandT command) {
    mMenu.entries.push_back(e);
    mMenu.commands.push_back(command);
    return int(mMenu.entries.size() - 1);
  }

  const LMenuBar& mBar;
  LCommander* mTarget;
  KxContextualMenu mMenu;
  std::map<int, Kind> mLastKind;
};

}  // namespace

CKXTextContextualMenu::CKXTextContextualMenu(LCommander* owner)
    : CKXTextContextualMenu(owner, {kKxCmdCut, kKxCmdCopy, kKxCmdPaste, kKxCmdClear}) {}

CKXTextContextualMenu::CKXTextContextualMenu(LCommander* owner, std::vector<CommandT> commands)
    : LAttachment(kKxMsgAnyMessage, true), mOwner(owner), mCommands(std::move(commands)) {}

KxContextualMenu CKXTextContextualMenu::PopulateMenu(const LMenuBar& bar, LCommander* target,
                                                     const std::vector<CommandT>& commands) {
  Builder b(bar, target);
  for (CommandT c : commands) b.BarCommand(c, -1);
  b.Separator(-1);
  for (const SubmenuSource& s : kSubmenus) {
    if (s.menuID == 0)
      b.Separator(-1);
    else
      b.Submenu(s);
  }
  b.TrimTrailing(-1);
  return b.Take();
}

bool CKXTextContextualMenu::Open(Point where) {
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  if (!bar || !mOwner || LCommander::GetTarget() != mOwner) return false;
  Shown() = PopulateMenu(*bar, mOwner, mCommands);
  if (Shown().entries.empty()) return true;
  // One pop-up at a time: the choice to come is this menu's.
  CKXTextInfoView::ForgetScaleMenu();
  CKXTextWindow::ForgetInfoMenu();
  LStdPopupMenu::ForgetWaiting();
  KxCurrentHost().PopUpMenu(Shown().entries, where);
  LCommander::sUpdateCommandStatus = true;
  return true;
}

CommandT CKXTextContextualMenu::CommandOfChoice(std::int16_t index) {
  const KxContextualMenu& m = Shown();
  if (index < 0 || std::size_t(index) >= m.commands.size()) return kKxCmdNothing;
  return m.commands[std::size_t(index)];
}

void CKXTextContextualMenu::Forget() { Shown() = KxContextualMenu{}; }

bool CKXTextContextualMenu::IsMenuKey(const EventRecord& event) {
  const std::uint8_t code = KxEventKeyCode(event);
  if (code == kKxKeyContextMenu) return true;
  const std::uint16_t mods = event.modifiers & (kKxEventShiftKey | kKxEventCommandKey | kKxEventOptionKey | kKxEventControlKey);
  return code == kKxKeyF10 && mods == kKxEventShiftKey;
}

void CKXTextContextualMenu::ExecuteSelf(MessageT message, void* param) {
  SetExecuteHost(true);
  const auto* event = static_cast<const EventRecord*>(param);
  if (!event) return;
  if (message == kKxMsgContextClick || (message == kKxMsgKeyPress && IsMenuKey(*event))) {
    // A view that is not the target lets the click through.
    if (Open(event->where)) SetExecuteHost(false);
  }
}
