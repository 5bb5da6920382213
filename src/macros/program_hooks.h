// The program's application hooks: what the real program and the kxapp
// driver both install, so that every document kind, tool window and dialog
// that answers a hook is added here once and reaches both.
#pragma once

#include <string>

#include "document/text_doc.h"

class KxProgramHooks : public KxTextDocHooks {
 public:
  // `preferenceFolder` replaces the user's preference folder when not
  // empty (a driver's --prefs).
  explicit KxProgramHooks(std::string preferenceFolder = "");

  std::string PreferencePath() override;
  // The tool windows of the tools area.
  void RegisterClasses() override;
  bool RunTool(CommandT command) override;
  bool HasTool(CommandT command) override;
  bool ToolWindowOpen() override;
  void CloseToolWindows() override;

 private:
  std::string mPreferenceFolder;
};
