// The required events: open application, open documents, print documents
// and quit. Files travel as typeFilePath items of a list in the direct
// parameter; command-line arguments arrive the same way.
#pragma once

#include <string>
#include <vector>

#include "platform/ae/desc.h"

AppleEvent AEMakeOpenApplication();
AppleEvent AEMakeOpenDocuments(const std::vector<std::string>& paths);
AppleEvent AEMakePrintDocuments(const std::vector<std::string>& paths);
// `saveOption`: kAEYes, kAENo or kAEAsk; 0 leaves the parameter out.
AppleEvent AEMakeQuit(OSType saveOption = 0);

// The paths of an open or print event's direct parameter: one path or a list
// of them, each typeFilePath or typeChar. An empty path, a NUL byte or
// another type is errAECoercionFail; a missing parameter errAEDescNotFound.
std::vector<std::string> AEGetFilePaths(const AppleEvent& event);
// The save option of a quit event, kAEAsk without one.
OSType AEGetSaveOption(const AppleEvent& event);
