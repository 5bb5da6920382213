#include "macros/program_hooks.h"

#include <utility>

#include "app/prefs_file.h"

KxProgramHooks::KxProgramHooks(std::string preferenceFolder) : mPreferenceFolder(std::move(preferenceFolder)) {}

std::string KxProgramHooks::PreferencePath() {
  if (mPreferenceFolder.empty()) return KxTextDocHooks::PreferencePath();
  // The same leaf as the user's own file, in the given folder.
  const std::string standard = KxPreferencePath();
  const std::size_t slash = standard.rfind('/');
  return mPreferenceFolder + "/" + (slash == std::string::npos ? standard : standard.substr(slash + 1));
}
