// The key customisation dialog (layout 2900) answers its messages here.
#include "app/application.h"

bool CKXTextApp::CustomizeDialogCommand(CommandT, void*) { return false; }
