// kxapp's preference steps, for its step table:
//
//   print prefs
//       the live settings, exactly the lines `kxprefs --dump` prints for
//       them (records, chunks, schedule entries), so that a script can
//       compare before and after.
#pragma once

#include <cstdio>
#include <string>

#include "app/color_schedule_file.h"
#include "app/prefs_file.h"

namespace kxapp_prefs {

inline void PrintPrefs() {
  std::fputs(KxDumpPreferences().c_str(), stdout);
  std::fputs(KxDumpColorSchedule().c_str(), stdout);
}

}  // namespace kxapp_prefs
