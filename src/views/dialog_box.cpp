#include "views/dialog_box.h"

#include "platform/framework/menu.h"
#include "platform/framework/undoer.h"
#include "platform/host/host.h"
#include "platform/toolbox/environment.h"

namespace {
KxPaletteSpaceFn gPaletteSpace = nullptr;
constexpr short kDialogTextSize = 12;
}  // namespace

KxPaletteSpaceFn KxSetPaletteSpaceHook(KxPaletteSpaceFn hook) {
  const KxPaletteSpaceFn old = gPaletteSpace;
  gPaletteSpace = hook;
  return old;
}

Point KxPaletteSpace() { return gPaletteSpace ? gPaletteSpace() : Point{0, 0}; }

KXDialogBox::KXDialogBox(const KxLayoutPaneRecord& record) : LDialogBox(record) {
  if (UKXEnvironment::sHasAppearance && UKXEnvironment::sHasMacOSX) {
    StKxPortSaver saver(GetDrawPort());
    TextSize(kDialogTextSize);
  }
}

LPane* KXDialogBox::GetBroadcasterByID(PaneIDT id) {
  LPane* pane = id == kKxNoPaneID ? nullptr : FindPaneByID(id);
  if (auto* broadcaster = dynamic_cast<LBroadcaster*>(pane); broadcaster && !broadcaster->HasListener(this))
    broadcaster->AddListener(this);
  return pane;
}

void KXDialogBox::UndoSupport() {
  if (mHasUndoer) return;
  auto* undoer = new LUndoer;
  try {
    AddAttachment(undoer);
  } catch (...) {
    delete undoer;
    throw;
  }
  mHasUndoer = true;
}

bool KXDialogBox::CalcStandardBounds(Rect& bounds) const {
  LWindow::CalcStandardBounds(bounds);
  // The palette's room counts from the work area's edge, and a window's
  // content stands as far inside its frame as the screen bounds stand
  // inside the work area: so the frame, title bar and all, clears it.
  const Point space = KxPaletteSpace();
  const Rect screen = KxCurrentHost().GetScreenBounds();
  const int top = screen.top + space.v, left = screen.left + space.h;
  if (space.v > 0 && bounds.top < top) {
    bounds.bottom = std::int16_t(bounds.bottom + top - bounds.top);
    bounds.top = std::int16_t(top);
  }
  if (space.h > 0 && bounds.left < left) {
    bounds.right = std::int16_t(bounds.right + left - bounds.left);
    bounds.left = std::int16_t(left);
  }
  if (bounds.bottom > screen.bottom) bounds.bottom = screen.bottom;
  if (bounds.right > screen.right) bounds.right = screen.right;
  const Rect now = GetGlobalBounds();
  return now.top == bounds.top && now.left == bounds.left && now.bottom == bounds.bottom &&
         now.right == bounds.right;
}

void KXModalDialog::DispatchEvent(const EventRecord& event) {
  LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  LCommander* target = GetTarget();
  std::int16_t menuID = 0, item = 0;
  const bool menuKey = (event.what == keyDown || event.what == autoKey) && (event.modifiers & kKxEventCommandKey) &&
                       bar && bar->FindKeyCommand(KxEventChar(event), event.modifiers, menuID, item);
  if (event.what == kKxMenuChoiceEvt) {
    menuID = std::int16_t(event.message >> 16);
    item = std::int16_t(event.message & 0xFFFF);
  }
  if ((menuKey || event.what == kKxMenuChoiceEvt) && bar && target) {
    const CommandT command = bar->FindCommand(menuID, item);
    if (command != kKxCmdNothing) {
      // Only what the dialog enables runs (its fields' editing, say); the
      // key of anything else does nothing, and is not typed either.
      Boolean enabled = false, usesMark = false;
      std::uint16_t mark = 0;
      Str255 name = {0};
      target->ProcessCommandStatus(command, enabled, usesMark, mark, name);
      if (!enabled) return;
      LCommander::SetUpdateCommandStatus(true);
      std::int32_t choice = (std::int32_t(menuID) << 16) | std::uint16_t(item);
      target->ProcessCommand(command, &choice);
      return;
    }
  }
  StDialogHandler::DispatchEvent(event);
}

void KXModalDialog::FindCommandStatus(CommandT, Boolean& enabled, Boolean&, std::uint16_t&, Str255) {
  // What the dialog's panes did not enable stays off: the windows behind
  // wait until the dialog is gone.
  enabled = false;
}
