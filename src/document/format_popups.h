// Helpers the document's dialogs share: pop-ups that offer the items of the
// Font and Size menus, controls set without a broadcast, and the field that
// takes the typing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/window.h"

class LControl;

// The texts of a menu's items (Shift_JIS), empty when the menu is missing.
std::vector<std::string> KxMenuItemTexts(std::int16_t menuID);
// The Font menu's item for a font number; the system and application fonts
// (and other numbers that stand for an installed family) give that
// family's item. 0 when none.
std::int16_t KxFontPopupItem(short font);
// Sets a control's value as the program does: nobody hears of it (nothing
// for a missing control).
void KxSetControlQuietly(LControl* control, std::int32_t value);
void KxSetControlQuietly(LWindow* dialog, PaneIDT id, std::int32_t value);
// The field takes the typing, now and whenever the dialog comes back to the
// front (as it does when a click on the ruler opened it), all selected.
void KxFocusDialogField(LWindow* dialog, PaneIDT id);
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
