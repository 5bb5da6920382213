// kxsed [-n] [-e SCRIPT]... [-f FILE]... [FILE]...
// Runs the stream editor over plain files (bytes taken as Shift_JIS) or
// standard input, writes standard output, and exits with the code of the
// first error reported (1-25), else 0.
#include "platform/core.h"
#include "tools/facilities.h"
#include "tools/sed_host.h"

int main(int argc, char** argv) {
  KxToolsFacilities();
  CoreInit();
  int rc = 0;
  {
    CSEDFiles sed;
    sed.SetEcho("kxsed");
    sed.SetMaxLine(1L << 26);
    try {
      sed.main(argc, argv);
    } catch (const SEDExit& e) {
      rc = e.code;
    }
    try {
      sed.terminate();
    } catch (const SEDExit&) {
    }
    if (sed.FirstError()) rc = sed.FirstError();
  }
  CoreTerminate();
  return rc;
}
