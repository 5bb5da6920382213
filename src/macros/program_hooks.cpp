#include "macros/program_hooks.h"

#include <utility>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/prefs_file.h"
#include "tools/file_browse.h"
#include "tools/file_search.h"

KxProgramHooks::KxProgramHooks(std::string preferenceFolder) : mPreferenceFolder(std::move(preferenceFolder)) {}

std::string KxProgramHooks::PreferencePath() {
  if (mPreferenceFolder.empty()) return KxTextDocHooks::PreferencePath();
  // The same leaf as the user's own file, in the given folder.
  const std::string standard = KxPreferencePath();
  const std::size_t slash = standard.rfind('/');
  return mPreferenceFolder + "/" + (slash == std::string::npos ? standard : standard.substr(slash + 1));
}

void KxProgramHooks::RegisterClasses() {
  KxTextDocHooks::RegisterClasses();
  KxRegisterToolClasses();
}

bool KxProgramHooks::RunTool(CommandT command) {
  switch (command) {
    case kKxCmdFileBrowser:
      CKXTextFileBrowse::ShowFileBrowse(CKXTextApp::GetTextApp());
      return true;
    case kKxCmdFileSearch:
      CKXTextFileSearch::ShowFileSearch(CKXTextApp::GetTextApp());
      return true;
    default:
      return KxTextDocHooks::RunTool(command);
  }
}

bool KxProgramHooks::HasTool(CommandT command) {
  switch (command) {
    case kKxCmdFileBrowser:
    case kKxCmdFileSearch:
      return true;
    default:
      return KxTextDocHooks::HasTool(command);
  }
}

bool KxProgramHooks::ToolWindowOpen() { return CKXTextFileBrowse::IsFileBrowse() || CKXTextFileSearch::IsFileSearch() || KxTextDocHooks::ToolWindowOpen(); }

void KxProgramHooks::CloseToolWindows() {
  CKXTextFileBrowse::CloseFileBrowse();
  CKXTextFileSearch::CloseFileSearch();
  KxTextDocHooks::CloseToolWindows();
}
