// The base host has no print system: both dialogs are cancelled.
#include "platform/draw/print.h"
#include "platform/host/host.h"

bool KxHost::RunPageSetup(KxPageSetup&) { return false; }

KxPrintResult KxHost::RunPrint(KxPrintout&, KxPrintRecord&, std::string&) { return KxPrintResult::kCancelled; }
