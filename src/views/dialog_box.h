// The program's dialog windows: KXDialogBox, the base of its non-modal
// dialogs, and KXModalDialog, the handler of a modal dialog's loop, which
// keeps menu keys and menu choices reaching the target while it runs.
#pragma once

#include "platform/framework/dialog.h"
#include "views/message_box.h"

class KXDialogBox : public LDialogBox {
 public:
  explicit KXDialogBox(const KxLayoutPaneRecord& record);

  // The pane with that ID, or null.
  LPane* GetPaneByID(PaneIDT id) { return FindPaneByID(id); }
  // The pane with that ID; when it broadcasts, the dialog listens to it.
  // Null (and no listening) when no pane has the ID.
  LPane* GetBroadcasterByID(PaneIDT id);
  // Lets typing in the dialog's fields be undone: an undoer joins the
  // dialog (once).
  void UndoSupport();
  // The standard bounds, less the room the tool palette takes; true when
  // the window has them now.
  bool CalcStandardBounds(Rect& bounds) const override;

 private:
  bool mHasUndoer = false;
};

// The room a tool palette takes at the top and left of the screen (v: its
// height, h: its width); the palette installs the answer, none by default.
using KxPaletteSpaceFn = Point (*)();
KxPaletteSpaceFn KxSetPaletteSpaceHook(KxPaletteSpaceFn hook);
Point KxPaletteSpace();

// The palettes stay hidden from before the dialog is built until after it
// has gone (the scope is the first base: made first, ended last).
class KXModalDialog : private StKXTextToolbarHide, public StDialogHandler {
 public:
  KXModalDialog(ResIDT layoutID, LCommander* super) : StDialogHandler(layoutID, super) {}

 protected:
  // Command keys that choose a menu item, and menu choices, go to the
  // target as commands when the target enables them; everything else as
  // the framework does it.
  void DispatchEvent(const EventRecord& event) override;
  // Every command that reaches the handler is off.
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
};
