// The floating palettes as the application reaches them: command 1501
// shows or closes the tool palette, which closes at the end.
#include "app/app_commands.h"
#include "document/text_doc.h"
#include "platform/framework/commander.h"
#include "views/text_toolbar.h"

bool KxTextDocHooks::RunToolPalette() {
  if (CKXTextToolbar::IsTextToolbar())
    CKXTextToolbar::CloseTextToolbar();
  else
    CKXTextToolbar::ShowTextToolbar(LCommander::GetTarget());
  LCommander::SetUpdateCommandStatus(true);
  return true;
}

bool KxTextDocHooks::ToolPaletteShown() { return CKXTextToolbar::IsTextToolbar(); }

// At start the palette waits for its command: the program's windows stand
// where they always stood until the user asks for it.
void KxTextDocHooks::ShowToolPalette() {}

// At the end the palette goes without changing what the preferences keep.
void KxTextDocHooks::CloseToolPalette() { CKXTextToolbar::CloseTextToolbar(true); }
