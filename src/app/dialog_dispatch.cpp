// The dispatch of the modeless dialogs' messages: one row per dialog, the
// range of messages its controls send (the negatives of their pane IDs).
#include "app/app_commands.h"
#include "app/application.h"

namespace {

using DialogHandler = bool (CKXTextApp::*)(CommandT, void*);
struct DialogRoute {
  KxCommandRange messages;
  DialogHandler handler;
};

constexpr DialogRoute kDialogRoutes[] = {
    {{-2099, -2001}, &CKXTextApp::PrefDialogCommand},        // general preferences, layout 2000
    {{-2365, -2361}, &CKXTextApp::MacroDialogCommand},       // macro save and delete, layout 2360
    {{-3019, -2901}, &CKXTextApp::CustomizeDialogCommand},   // key customisation, layout 2900
    {{-3022, -3021}, &CKXTextApp::OptPrefDialogCommand},     // option preferences, layout 3000
};

}  // namespace

bool CKXTextApp::DialogObeyCommand(CommandT message, void* param) {
  for (const DialogRoute& route : kDialogRoutes)
    if (route.messages.Contains(message)) return (this->*route.handler)(message, param);
  return false;
}
