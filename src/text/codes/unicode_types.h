// Records the Unicode bridge shares with the character store and the runs.
#pragma once

#include <cstdint>
#include <vector>

#include "text/runs/runs.h"
#include "text/store/strarray.h"  // SKXUniChar

// Where a script begins: of the style runs the bridge needs only the start
// of each run and the script of its font.
struct SKXScriptRun {
  std::int32_t offset;
  std::int16_t script;
};

// The script runs of style runs (KxFontToScriptType of each run's font).
std::vector<SKXScriptRun> KxScriptRunsOf(const SKXStyl* styls, long stylCount);
