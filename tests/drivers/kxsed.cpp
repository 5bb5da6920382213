// kxsed [--steps N] [-n] [-e SCRIPT]... [-f FILE]... [FILE]...
// Runs the stream editor over plain files (bytes taken as Shift_JIS) or
// standard input, writes standard output, and exits with the code of the
// first error reported (1-25), else 0. --steps bounds the whole run (input
// lines, jumps and matcher work); a run that spends it ends with 1.
//
// kxsed --styled [--aozora] [--encoding E] [--steps N] [-n] [-e SCRIPT]...
//       [-f FILE]... [--print WHAT]... [-o OUT] FILE...
// Runs the styled stream editor over the documents FILE... as one stream
// (see kxsed_styled.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kxsed_styled.h"
#include "platform/core.h"
#include "tools/facilities.h"
#include "tools/sed_host.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--styled") == 0) return KxSedStyled(argc, argv);
  long steps = 0;
  std::vector<char*> args{argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--steps") == 0) {
      char* end = nullptr;
      steps = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
      if (steps <= 0 || !end || *end) {
        std::fprintf(stderr, "kxsed: --steps needs a positive number\n");
        return 2;
      }
      ++i;
    } else {
      args.push_back(argv[i]);
    }
  }
  args.push_back(nullptr);
  KxToolsFacilities();
  CoreInit();
  int rc = 0;
  {
    CSEDFiles sed;
    sed.SetEcho("kxsed");
    sed.SetMaxLine(1L << 26);
    sed.SetStepBudget(steps);
    try {
      sed.main(int(args.size()) - 1, args.data());
    } catch (const SEDExit& e) {
      rc = e.code;
    }
    try {
      sed.terminate();
    } catch (const SEDExit&) {
    }
    if (sed.FirstError()) rc = sed.FirstError();
    if (sed.BudgetSpent()) std::fprintf(stderr, "kxsed: step limit of %ld reached\n", steps);
  }
  CoreTerminate();
  return rc;
}
