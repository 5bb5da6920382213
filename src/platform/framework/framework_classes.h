// The framework's pane classes under their layout class IDs.
#pragma once

// Registers "pane" LPane, "view" LView, "wind" LWindow, "dlog" LDialogBox,
// "scrl" LScroller, "pbut" LStdButton, "cbox" LStdCheckBox, "rbut"
// LStdRadioButton, "radg" LRadioGroup, "popm" LStdPopupMenu, "capt"
// LCaption, "edit" LEditField, "lbox" LListBox, "tabg" LTabGroup, "sbar"
// LScrollBar and "prnt" LPrintout.
void KxRegisterFrameworkClasses();
