// The key customisation dialog (layout 2900): menu keys, control keys,
// arrow keys and function keys, edited in working copies and stored on OK.
// While its menu-key or function-key page shows, commands are captured:
// choosing one (from a menu or by its key) picks it instead of running it.
#pragma once

#include <string>

#include "platform/framework/commander.h"

class CKXTextApp;

// Opens the dialog (or brings it forward) on the page last shown, or on
// the function-key page.
void KxOpenCustomizeDialog(CKXTextApp* app, bool functionKeys);
bool KxCustomizeDialogOpen();
// Whether commands are captured now (the dialog is open on page 0 or 3).
bool KxCustomizeCapturing();
// While capturing: the status of a command (every non-synthetic command
// but 1 is enabled) and its capture. False when not capturing (or for the
// dialog's own messages), so that the caller goes on as usual.
bool KxCustomizeFindCommand(CommandT command, Boolean& enabled);
bool KxCustomizeObeyCommand(CommandT command);

// The name of the macro bound to function key `key` (1-12) with
// `modifiers` (0, 1, 4 or 5), empty for none: the macros area installs it.
using KxFunctionMacroNameFn = std::string (*)(int key, int modifiers);
void KxSetFunctionMacroNameHook(KxFunctionMacroNameFn hook);
