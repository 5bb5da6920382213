// Stops a fuzz run when a structure's Check() names a broken rule, printing
// the rule so that the failing input can be read without a debugger.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline void KxFuzzRequireSound(const std::string& broken, const char* what) {
  if (broken.empty()) return;
  std::fprintf(stderr, "%s: %s\n", what, broken.c_str());
  std::abort();
}
