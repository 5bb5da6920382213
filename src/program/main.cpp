// The program's entry. The application object does not exist yet: the
// program starts its libraries, says that the editor cannot run yet, and
// shuts them down again.
#include <cstdio>

#include "macros/facilities.h"
#include "platform/core.h"

int main() {
  // The highest area registers its own facilities and those of every area below.
  KxMacrosFacilities();
  CoreInit();
  std::fprintf(stderr,
               "kxtext: the editor's window is not built yet; only its libraries and "
               "test tools exist so far.\n");
  CoreTerminate();
  return 1;
}
