// The general preferences dialog (layout 2000) answers its messages here.
#include "app/application.h"

bool CKXTextApp::PrefDialogCommand(CommandT, void*) { return false; }
