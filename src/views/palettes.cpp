#include "views/palettes.h"

#include "views/mark_list.h"
#include "views/message_box.h"

void KxHideFloatingPalettes(bool hide) {
  if (hide) {
    if (CKXTextMarkList::IsShowMarkList()) CKXTextMarkList::HideMarkList();
    // A document that comes forward meanwhile binds the list but leaves
    // it hidden.
    CKXTextMarkList::SetKeepHidden(true);
    return;
  }
  CKXTextMarkList::SetKeepHidden(false);
  if (CKXTextMarkList::IsHideMarkList()) CKXTextMarkList::Get()->ShowFloating(true);
}

void KxInstallPaletteHiding() { KxSetPaletteHideHook(KxHideFloatingPalettes); }

void KxRemovePaletteHiding() { KxSetPaletteHideHook(nullptr); }
