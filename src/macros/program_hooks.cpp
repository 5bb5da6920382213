#include "macros/program_hooks.h"

#include <utility>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/prefs_file.h"
#include "tools/file_browse.h"
#include "tools/file_search.h"
#include "tools/sed_window.h"
#include "macros/macro_editor.h"

KxProgramHooks::KxProgramHooks(std::string preferenceFolder) : mPreferenceFolder(std::move(preferenceFolder)) {}

std::string KxProgramHooks::PreferencePath() {
  if (mPreferenceFolder.empty()) return KxTextDocHooks::PreferencePath();
  // The same leaf as the user's own file, in the given folder.
  return mPreferenceFolder + "/" + KxPreferenceFileName();
}

namespace {

// The program's tool windows, one row each: the command that shows one,
// and how to ask whether it is open and to close it.
struct ToolRow {
  CommandT command;
  bool (*show)();
  bool (*isOpen)();  // null: not a tool window for the window commands
  void (*close)();
};

const ToolRow kTools[] = {
    {kKxCmdMacroEditor, [] { return CKXTextMacroEditor::ShowMacroEditor(LApplication::GetApplication()); },
     nullptr, [] { CKXTextMacroEditor::CloseEditor(); }},
    {kKxCmdFileBrowser, [] { CKXTextFileBrowse::ShowFileBrowse(CKXTextApp::GetTextApp()); return true; },
     [] { return CKXTextFileBrowse::IsFileBrowse(); }, [] { CKXTextFileBrowse::CloseFileBrowse(); }},
    {kKxCmdFileSearch, [] { CKXTextFileSearch::ShowFileSearch(CKXTextApp::GetTextApp()); return true; },
     [] { return CKXTextFileSearch::IsFileSearch(); }, [] { CKXTextFileSearch::CloseFileSearch(); }},
    {kKxCmdStreamEditor, [] { CKXTextStreamEditor::ShowStreamEditor(CKXTextApp::GetTextApp()); return true; },
     [] { return CKXTextStreamEditor::IsStreamEditor(); }, [] { CKXTextStreamEditor::CloseStreamEditor(); }},
};

}  // namespace

void KxProgramHooks::RegisterClasses() {
  KxTextDocHooks::RegisterClasses();
  KxRegisterToolClasses();
  KxRegisterMacroEditorClasses();
}

bool KxProgramHooks::RunTool(CommandT command) {
  for (const ToolRow& t : kTools)
    if (t.command == command) return t.show();
  return KxTextDocHooks::RunTool(command);
}

bool KxProgramHooks::HasTool(CommandT command) {
  for (const ToolRow& t : kTools)
    if (t.command == command) return true;
  return KxTextDocHooks::HasTool(command);
}

bool KxProgramHooks::ToolWindowOpen() {
  for (const ToolRow& t : kTools)
    if (t.isOpen && t.isOpen()) return true;
  return KxTextDocHooks::ToolWindowOpen();
}

void KxProgramHooks::CloseToolWindows() {
  for (const ToolRow& t : kTools) t.close();
  KxTextDocHooks::CloseToolWindows();
}

bool KxProgramHooks::CloseAllDocuments(OSType saveOption) {
  // Quitting asks the macro editor first about unstored changes.
  if (saveOption != kAENo && !CKXTextMacroEditor::AllowLeaving()) return false;
  return KxTextDocHooks::CloseAllDocuments(saveOption);
}
