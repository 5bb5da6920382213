// The menu bar as the drivers print it (kxapp --menus, `print menus`): a
// line per menu, `TITLE (ID)`, then its items indented, `COMMAND TEXT`
// with the key (`[Ctrl+...]`), the mark, the icon, `(disabled)` and `>`
// for a submenu, whose items follow one level deeper.
#pragma once

#include <cstdio>
#include <string>

#include "app/dynamic_menus.h"
#include "platform/framework/dialog.h"
#include "platform/framework/menu.h"
#include "platform/textconv.h"

namespace kxdriver {

// The key equivalent as the desktop's menus show it.
inline std::string MenuKeyText(const KxMenuItem& it) {
  if (!it.key) return {};
  std::string s = "Ctrl+";
  if (it.modifiers & kKxEventShiftKey) s += "Shift+";
  if (it.modifiers & kKxEventOptionKey) s += "Alt+";
  if (it.modifiers & kKxEventControlKey) s += "Super+";
  return s + char(it.key);
}

inline void PrintMenu(const LMenuBar& bar, const LMenu& menu, int depth) {
  constexpr int kMaxDepth = 8;   // submenus that hold their parents end there
  const std::string indent(std::size_t(depth) * 2, ' ');
  for (std::int16_t i = 1; i <= menu.CountItems(); ++i) {
    const KxMenuItem* it = menu.GetItem(i);
    if (it->separator) {
      std::printf("%s----\n", indent.c_str());
      continue;
    }
    std::string line = indent + std::to_string(it->command) + " " +
                       (it->unicodeText.empty() ? KxScriptTextToUTF8(it->text) : it->unicodeText);
    if (it->key) line += " [" + MenuKeyText(*it) + "]";
    if (it->mark == kKxCheckMark) line += " checked";
    else if (it->mark != kKxNoMark) line += " mark=" + std::to_string(it->mark);
    if (const std::uint16_t icon = KxMenuItemIcon(menu.GetMenuID(), i)) line += " icon=" + std::to_string(icon);
    if (!it->enabled) line += " (disabled)";
    if (it->submenuID) line += " >";
    std::printf("%s\n", line.c_str());
    if (it->submenuID && depth < kMaxDepth)
      if (const LMenu* sub = bar.FetchMenu(it->submenuID)) PrintMenu(bar, *sub, depth + 1);
  }
}

inline void PrintMenus() {
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  if (!bar) return;
  for (const LMenu* m : bar->GetBarMenus()) {
    std::printf("%s (%d)\n", KxScriptTextToUTF8(m->GetTitle()).c_str(), int(m->GetMenuID()));
    PrintMenu(*bar, *m, 1);
  }
}

}  // namespace kxdriver
