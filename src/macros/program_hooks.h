// The program's application hooks: what the real program and the kxapp
// driver both install, so that every document kind, tool window and dialog
// that answers a hook is added here once and reaches both.
#pragma once

#include <string>
#include <vector>

#include "document/text_doc.h"

class KxProgramHooks : public KxTextDocHooks {
 public:
  // `preferenceFolder` replaces the user's preference folder when not
  // empty (a driver's --prefs).
  explicit KxProgramHooks(std::string preferenceFolder = "");

  std::string PreferencePath() override;
  // The tool windows (file browser, multi-file search, macro editor).
  void RegisterClasses() override;
  bool RunTool(CommandT command) override;
  bool HasTool(CommandT command) override;
  bool ToolWindowOpen() override;
  void CloseToolWindows() override;

  // The macro list for the macro dialog (every macro) and the Macro menu
  // (a macro whose header hides it has an empty name there, so that the
  // others keep their commands) (program_hooks_macros.cpp).
  std::vector<std::string> MacroListNames() override;
  std::vector<std::string> MacroNames() override;
  void DeleteMacro(long n) override;
  bool SaveRecordedMacro(const std::string& name) override;
  bool ReloadFactoryMacros() override;
  // Quitting asks the macro editor first about unstored changes.
  bool CloseAllDocuments(OSType saveOption) override;

 private:
  std::string mPreferenceFolder;
};

// Installs (or removes) the macro list as the keeper of its chunk of the
// preference file; the macros facility does it at start-up.
void KxInstallMacroChunk(bool install);
