// The program's entry: the editor on the desktop's host, with the files of
// the command line (a missing one opens empty and is saved there).
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "macros/facilities.h"
#include "macros/program_hooks.h"
#include "platform/core.h"
#include "platform/gtk/gtk_host.h"

int main(int argc, char** argv) {
  std::vector<std::string> files;
  std::string output;
  const int status = KxParseCommandLine(argc, argv, files, output);
  if (status >= 0) {
    std::fputs(output.c_str(), status == 0 ? stdout : stderr);
    return status;
  }
  // The highest area registers its own facilities and those of every area below.
  KxMacrosFacilities();
  CoreInit();
  int result = 0;
  {
    std::string why;
    std::unique_ptr<KxGtkHost> host = KxGtkHost::Open(&why);
    if (!host) {
      std::fprintf(stderr, "kxtext: cannot open the display: %s\n", why.c_str());
      result = 1;
    } else {
      KxProgramHooks hooks;
      CKXTextApp app(&hooks);
      app.RunWith(files);
    }
  }
  CoreTerminate();
  return result;
}
