// Records the Unicode bridge shares with the character store and the runs.
#pragma once

#include <cstdint>
#include <vector>

#include "text/codes/unichar.h"

// Where a script begins: of the style runs the bridge needs only the start
// of each run and the script of its font.
struct SKXScriptRun {
  std::int32_t offset;
  std::int16_t script;
};
