// The floating palettes as the application reaches them: command 1501
// shows or closes the tool palette, 1502 the function-key bar; both come
// back at start when they were open at the end.
#include "app/app_commands.h"
#include "document/text_doc.h"
#include "platform/framework/commander.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "views/text_function_bar.h"
#include "views/text_toolbar.h"
#include "views/text_view_commands.h"
#include "views/text_window.h"

#include <algorithm>

bool KxTextDocHooks::RunToolPalette() {
  if (CKXTextToolbar::IsTextToolbar())
    CKXTextToolbar::CloseTextToolbar();
  else
    CKXTextToolbar::ShowTextToolbar(LCommander::GetTarget());
  LCommander::SetUpdateCommandStatus(true);
  return true;
}

bool KxTextDocHooks::ToolPaletteShown() { return CKXTextToolbar::IsTextToolbar(); }

void KxTextDocHooks::ShowToolPalette() {
  if (CKXTextViewServices::Get().GetPaletteByte() != kKxPaletteClosed)
    CKXTextToolbar::ShowTextToolbar(LCommander::GetTarget());
}

// At the end the palette goes without changing what the preferences keep.
void KxTextDocHooks::CloseToolPalette() { CKXTextToolbar::CloseTextToolbar(true); }

bool KxTextDocHooks::RunFunctionBar() {
  if (CKXTextFunctionBar::IsTextFunctionBar())
    CKXTextFunctionBar::CloseTextFunctionBar(false);
  else
    CKXTextFunctionBar::ShowTextFunctionBar(LCommander::GetTarget());
  LCommander::SetUpdateCommandStatus(true);
  return true;
}

bool KxTextDocHooks::FunctionBarShown() { return CKXTextFunctionBar::IsTextFunctionBar(); }

void KxTextDocHooks::ShowFunctionBar() { CKXTextFunctionBar::ShowTextFunctionBar(LCommander::GetTarget()); }

void KxWirePaletteRoom() {
  // Zoomed documents leave the palette's strip or column and the bar's row
  // free.
  KxTextWindowHooks hooks = KxGetTextWindowHooks();
  hooks.paletteExtent = [] {
    const Point room = CKXTextToolbar::SizeTextToolbar();
    return SDimension32{room.h, room.v};
  };
  hooks.functionBarBounds = [](Rect& bounds) {
    if (!CKXTextFunctionBar::IsShowTextFunctionBar()) return false;
    CKXTextFunctionBar::GetFunctionBounds(bounds);
    // Where the desktop frames the bar, its title strip is part of it too.
    if (const LWindow* w = LWindow::FetchWindowOf(CKXTextFunctionBar::Get()); w && w->IsWindowShown()) {
      const Rect frame = KxCurrentHost().GetWindowFrame(w->GetHostWindow());
      if (frame.bottom > frame.top && frame.right > frame.left) {
        bounds.top = std::min(bounds.top, frame.top);
        bounds.left = std::min(bounds.left, frame.left);
        bounds.bottom = std::max(bounds.bottom, frame.bottom);
        bounds.right = std::max(bounds.right, frame.right);
      }
    }
    return true;
  };
  KxSetTextWindowHooks(hooks);
}

// At the end the bar goes, and the preferences keep it shown for next time.
void KxTextDocHooks::CloseFunctionBar() {
  if (CKXTextFunctionBar::IsTextFunctionBar()) CKXTextFunctionBar::CloseTextFunctionBar(true);
}
