// The program's own pane classes under their layout class IDs.
#pragma once

// Registers "kxdb" KXDialogBox, "kxef" KXEditField, "kxej" KXEditJField,
// "kxes" KXEditSField, "kxlb" KXListBox, "kxgb" KXGroupBox, "kxip"
// KXIconPane, "kxpv" KXPreview, "kxtb" KXTabButton, "kxbu" KXColButton and
// "kxsc" CKXScroller.
void KxRegisterViewClasses();
