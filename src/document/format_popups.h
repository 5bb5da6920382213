// Helpers the character format dialogs share: pop-ups that offer the items
// of the Font and Size menus, and controls set without a broadcast.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/window.h"

// The texts of a menu's items (Shift_JIS), empty when the menu is missing.
std::vector<std::string> KxMenuItemTexts(std::int16_t menuID);
// The Font menu's item for a font number; the system and application fonts
// (and other numbers that stand for an installed family) give that
// family's item. 0 when none.
std::int16_t KxFontPopupItem(short font);
// Sets a control's value as the program does: nobody hears of it.
void KxSetControlQuietly(LWindow* dialog, PaneIDT id, std::int32_t value);
// A pane of the dialog as its class (null when missing or of another
// class), and a control's value (0 when missing).
template <class T>
T* KxDialogPane(LWindow* dialog, PaneIDT id) {
  return dynamic_cast<T*>(dialog->FindPaneByID(id));
}
inline std::int32_t KxDialogValue(LWindow* dialog, PaneIDT id) {
  LPane* p = dialog->FindPaneByID(id);
  return p ? p->GetValue() : 0;
}
