// What the application object needs of the areas above it (documents, tool
// windows, dialogs, macros, the colour schedule): one interface that the
// program installs at start-up. Every member does nothing by default, so the
// application runs (with fewer commands) before those areas exist; tests
// install recording fakes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/dynamic_menus.h"
#include "app/fspec.h"
#include "platform/framework/commander.h"

class LModelObject;

class KxAppHooks {
 public:
  virtual ~KxAppHooks() = default;

  // ---- life cycle steps (in the order the application calls them) ----
  // Starts the library facilities when nobody has (the program's own
  // start-up may have); TerminateGlobals ends them only then.
  virtual void InitializeGlobals();
  virtual void RegisterClasses() {}
  virtual void InitializeServices() {}
  // Where the user's preference file lives.
  virtual std::string PreferencePath();
  // Reads the user's preference file and the factory settings.
  virtual void ReadPreference();
  virtual void InitializeScrap() {}
  // Initialize: the colour utilities with the colour variation, then the
  // tool palette and the function-key bar when the preferences show them.
  virtual void InitializeColors(int colorVariation);
  virtual void ShowToolPalette() {}
  virtual void ShowFunctionBar() {}
  virtual void CloseToolWindows() {}   // file browser, file search, stream editor
  virtual void CloseFunctionBar() {}
  // Writes the preference file when a setting changed.
  virtual void WritePreference();
  virtual void CloseToolPalette() {}
  virtual void TerminateScrap() {}
  virtual void TerminateGlobals();
  virtual void TerminateServices() {}

  // ---- documents ----
  // A new untitled document; false when none could be made.
  virtual bool NewDocument() { return false; }
  // Opens a file as a document, or brings its open document forward.
  virtual bool OpenDocument(const std::string& /*path*/) { return false; }
  // Prints a file without keeping a document open.
  virtual bool PrintDocument(const std::string& /*path*/) { return false; }
  // Reopens a file of the resume list; null when it failed.
  virtual KxResumeDocument* OpenForResume(const std::string& /*path*/) { return nullptr; }
  // Closes every document, asking to save as `saveOption` (kAEYes, kAENo,
  // kAEAsk) says; false when the user cancelled (what closed stays closed).
  virtual bool CloseAllDocuments(OSType /*saveOption*/) { return true; }
  // The open documents in the order they were made.
  virtual std::vector<UWindowMenu::Document> Documents() { return {}; }
  // The front document as a script object, null without one.
  virtual LModelObject* FrontDocumentModel() { return nullptr; }
  // The front document's text as UTF-8.
  virtual std::string FrontText() { return {}; }
  // Marks of the front text, for the Mark menu.
  virtual std::vector<std::string> FrontMarks() { return {}; }

  // ---- tool windows and dialogs ----
  // Runs the dialog or tool window of an application command (the
  // preference dialogs, key customisation, tool windows, the clipboard,
  // the macro editor, the function-key bar set-up); false when not there.
  virtual bool RunTool(CommandT /*command*/) { return false; }
  // Whether RunTool has the dialog or window of the command: its item is
  // enabled only then.
  virtual bool HasTool(CommandT /*command*/) { return false; }
  // Whether a tool window shows (file browser, file search, stream editor,
  // clipboard): then the window commands are the application's.
  virtual bool ToolWindowOpen() { return false; }
  virtual bool ToolPaletteShown() { return false; }
  virtual bool FunctionBarShown() { return false; }
  virtual bool MarkListOpen() { return false; }
  // Makes document `index` (1-based, creation order) current.
  virtual void SelectDocument(int /*index*/) {}
  // The frame size of the front document window; false when none is open.
  virtual bool FrontDocumentFrame(std::int32_t& /*width*/, std::int32_t& /*height*/) { return false; }
  // The preferences dialog stored new settings: the open documents take
  // their own copies of them again (auto-save, backups, live scrolling).
  virtual void PreferencesChanged() {}
  // The line-break characters changed: open texts break their lines anew.
  virtual void LineBreakCharsChanged() {}
  // Opens a web address with the desktop's handler; false on failure.
  virtual bool OpenURL(const std::string& /*url*/) { return false; }

  // ---- macros, forms, colour schedule ----
  virtual std::vector<std::string> MacroNames() { return {}; }
  virtual std::vector<std::string> FormNames() { return {}; }
  // The scrap book's clips the Edit menu lists (none: no clip items).
  virtual std::vector<std::string> ClipNames() { return {}; }
  // The macro list as the macro dialog shows it: every macro's name
  // (Shift_JIS), macro n in row n.
  virtual std::vector<std::string> MacroListNames() { return {}; }
  // Deletes macro n (from 1) and marks the list changed.
  virtual void DeleteMacro(long /*n*/) {}
  // Appends the recorded macro under `name` (Shift_JIS, at most 31 bytes),
  // the list taking the recording over; false when nothing is recorded.
  virtual bool SaveRecordedMacro(const std::string& /*name*/) { return false; }
  // Refills an empty macro list from the factory settings; false when
  // they hold none.
  virtual bool ReloadFactoryMacros() { return false; }
  // The colour schedule's poll from idle time.
  virtual void ColorSchedulePoll() {}

 private:
  bool mStartedCore = false;
};
