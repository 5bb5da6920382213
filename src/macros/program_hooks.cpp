#include "macros/program_hooks.h"

#include <utility>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/prefs_file.h"
#include "macros/macro_editor.h"

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
  KxRegisterMacroEditorClasses();
}

bool KxProgramHooks::RunTool(CommandT command) {
  if (command == kKxCmdMacroEditor) return CKXTextMacroEditor::ShowMacroEditor(LApplication::GetApplication());
  return KxTextDocHooks::RunTool(command);
}

bool KxProgramHooks::HasTool(CommandT command) {
  return command == kKxCmdMacroEditor || KxTextDocHooks::HasTool(command);
}

void KxProgramHooks::CloseToolWindows() {
  CKXTextMacroEditor::CloseEditor();
  KxTextDocHooks::CloseToolWindows();
}

bool KxProgramHooks::CloseAllDocuments(OSType saveOption) {
  if (saveOption != kAENo && !CKXTextMacroEditor::AllowLeaving()) return false;
  return KxTextDocHooks::CloseAllDocuments(saveOption);
}
