// The text document: one window, one text engine, one file. It reads its
// file into a fresh text and swaps it in only when the whole read worked,
// writes through the document file tube (which renames the new contents
// over the old only once written), keeps numbered backups, and saves itself
// after an idle interval.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/application_hooks.h"
#include "app/document.h"
#include "app/nav_extras.h"
#include "document/doc_prefs.h"
#include "document/text_doc_dialogs.h"
#include "engine/flavor_exchange.h"
#include "platform/draw/print.h"
#include "platform/host/host.h"
#include "views/split_view.h"
#include "views/text_view.h"

class CKXTextEngine;
class CKXEventHandler;
class CKXTextUndoer;
class CKXTextWindow;

// How the document's file is written: the encoding of plain text, the
// native container, or RTF.
struct SKXSaveFormat {
  bool container = false;
  std::uint16_t encoding = 0;   // kKxEncoding...
  // A Unicode file's byte order and mark, as read (none read: the default).
  bool hasUnicodeForm = false;
  CKXFlavorExchange::SUnicodeForm unicodeForm{};
  // A styled document in the classic layout (text file and sidecar): it
  // is written back with its runs and records, not as plain text.
  bool styled = false;
};

// The Save As choices: what a chosen format code does to the name and the
// format. `name` is the leaf; `nameMax` the file system's byte limit.
struct SKXSaveAsChoice {
  std::string name;
  OSType type = FourCC("TEXT");
  SKXSaveFormat format;
};
// Applies a format code (".KXT", "RTF ", "utxt", "UTF8", "TEXT") to a
// choice: the suffix goes on before anyone asks about replacing, names
// already ending in it (letter case ignored) stay, and a name is cut only
// at `nameMax` bytes, never inside a UTF-8 character.
void KxApplySaveAsFormat(SKXSaveAsChoice& choice, OSType code, std::size_t nameMax = 255);

class CKXTextDocument : public CKXDocument, public CKXTextDoc {
 public:
  // Settings the documents share (from the preferences).
  struct Settings {
    bool backups = false;
    int backupGenerations = 3;
    bool autoSave = false;
    std::uint32_t autoSaveSeconds = 60;
  };
  static Settings& GetSettings();

  // A document on `path` ("" for an untitled one). A path that does not
  // exist gives an empty document to be saved there.
  CKXTextDocument(LCommander* super, const std::string& path);
  ~CKXTextDocument() override;
  // Reads the file; false (with the alert shown) when it could not be read.
  bool FinishCreateSelf();

  // ---- state ----
  bool IsModifiedNow() const;
  void SetModified(bool modified) override;
  void GetDescriptor(Str255 out) const override;
  void SetDescriptor(ConstStringPtr name) override;
  bool IsEditable() const override;
  OSType GetFileCreator() const override { return FourCC("KXTE"); }
  CKXTextEngine* GetEngine() const { return mEngine; }
  const SKXSaveFormat& GetFormat() const { return mFormat; }
  void SetFormat(const SKXSaveFormat& format) { mFormat = format; }
  std::string Path() const;
  // The whole text as stored (Shift_JIS) with LF line ends.
  std::string TextBytes() const;
  std::string TitleText() const { return mTitle; }

  // ---- file operations ----
  // Reads the file into a fresh text; on success it replaces the text and
  // the document is unmodified; on failure nothing changes and the error
  // is thrown (LException).
  void DoRevert();
  // Writes the file; throws LException on failure, leaving the old file
  // and the document modified.
  void DoSave() override;
  // Called on idle: saves a modified, specified document after the interval.
  void DoAutoSave() override;
  void DoAutoSaveAt(std::uint32_t nowTicks);
  void CheckSaveAs(FSSpec& fileSpec, OSType& type) override;
  std::vector<NavMenuItemSpec> GetSaveAsMenuItem(std::int32_t& selected) const override;
  // The encoding and line-end popups, preset to the document's own, in a
  // dialog that starts in the document's folder.
  std::unique_ptr<KxNavExtras> MakeSaveExtras(const std::vector<NavMenuItemSpec>& formats) override;

  // ---- commands ----
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  void Close() override;

  // ---- the mark list (text_doc_marklist.cpp) ----
  void BeTargetDocument() override;
  void DontBeTargetDocument() override;
  // Command 1229: closes the list when shown, else shows it for this document.
  void ToggleMarkList();
  CKXTextEngine* GetDocEngine() override;
  LWindow* GetDocWindow() override;
  bool GetReadOnly() override;
  bool GetPaperColor(RGBColor& colour) override;
  void GetMarkListRecord(SKXMarkListRecord& rec) override;
  void SetMarkListRecord(const SKXMarkListRecord& rec) override;

  // The untitled counter's next title.
  static std::string NextUntitledTitle();

  // ---- page set-up and printing (text_doc_print.cpp) ----
  // Command 8: the page set-up dialog over the document's paper; when
  // accepted, PageSetupChanged. A failure counts as a cancel.
  void HandlePageSetup();
  // The accepted set-up's paper and hard margins go to the text (relaid
  // only when they differ, and then marked changed).
  void PageSetupChanged();
  // Command 9: CheckFormPaper, then the print dialog and the print job.
  void HandlePrint();
  // The print job through the printout of layout 1500; a failure is
  // reported with one alert, a cancel is none.
  KxPrintResult DoPrint();
  // A note when the printer's paper is not the document's.
  void CheckFormPaper();
  // The document's sheet: the text's paper (a paper wider than tall is an
  // upright one turned) with its hard margins. The page set-up dialog
  // starts from it and print jobs print on it.
  KxPageSetup CurrentPageSetup() const;
  // The stored print record ("MTPR", 120 bytes as read, empty for none).
  // Setting one takes its sheet when it names a sane one; an accepted page
  // set-up writes back only its sheet's fields.
  const std::vector<std::uint8_t>& GetStoredPrintRecord() const { return mStoredPrintRecord; }
  void SetStoredPrintRecord(const std::vector<std::uint8_t>& record);
  bool HasPrintRecord() const { return mHasPrintRecord; }
  const KxPrintRecord& GetPrintRecord() const { return mPrintRecord; }

  // ---- the document's dialogs (text_doc_dialogs.cpp) ----
  // A dialog-local message (-3999..-2001) of `dialog` to the handler the
  // dialog was opened with, when the message lies in one of the ranges;
  // true when the handler took it.
  bool DialogObeyCommand(MessageT message, LWindow* dialog);
  // The open dialog of this document that holds pane -message: the one
  // that sent it. Null when none does.
  LWindow* DialogOfMessage(MessageT message) const;
  // Builds layout `layoutID` (class "kxdd") under the document with undo
  // for its fields, shows it in front and routes its messages to
  // `handler`. A modal one is modal in effect: the application's commands
  // are off (SetDialogOpen) until it closes, and it stays over the window.
  CKXDocDialog* OpenDocDialog(ResIDT layoutID, KxDocDialogHandler handler, bool modal = true);
  // Closes (deletes) one of the document's dialogs; the last modal one
  // ends the dialog-open state; the document window is the target again.
  void CloseDocDialog(LWindow* dialog);
  void CloseAllDocDialogs();
  // The open dialog built from `layoutID`, or null.
  LWindow* FindDocDialog(ResIDT layoutID) const;
  // The text pane that is current (the engine's handler view).
  CKXTextView* CurrentTextView() const;

  // ---- find dialogs (text_doc_find.cpp) ----
  // The find and replace dialog, the focus in the find or replace field.
  void OpenFindDialog(bool focusReplace);
  // The find palette (one in the program); brings an open one to the front.
  void OpenFindPalette();
  // The find-assist palette over the current target.
  void ShowFindAssistPalette();

 protected:
  // A declined replacement is no failure to report.
  void ReportSaveFailure(long err) override;

 private:
  void ReadInto(const std::string& path);
  void ApplyMarks(const SKXDocSettings& settings);
  void TakeMarks(SKXDocSettings& settings) const;
  bool IsMarkListBound() const;
  // The list, bound to this document, records itself into it (saving) or
  // goes (the document closing).
  void SaveMarkListState();
  void LeaveMarkList();
  void UpdateTitle();
  // The engine's line and edit styles from the preferences.
  void StartFromPreferences();
  // The new window's place among the stacked document windows.
  void PlaceNewWindow();

  CKXTextEngine* mEngine = nullptr;
  CKXEventHandler* mHandler = nullptr;
  KxTextPanes mPanes;
  CKXTextWindow* mTextWindow = nullptr;   // mPanes.window
  std::string mTitle;   // UTF-8
  SKXSaveFormat mFormat;
  // The settings records read with the file (a new document's when it had
  // none), written back on saving with the marks as they stand now.
  SKXDocSettings mSettings = KxNewDocumentSettings();
  bool mBackupFailureShown = false;  // a failed backup is reported once
  std::uint32_t mAutoSaveDeadline = 0;
  bool mBackedUp = false;             // this opening already rotated
  bool mAutoSaving = false;           // the save under way is an auto-save
  bool mSaveAsDeclined = false;      // the suffixed file was not to be replaced
  bool mUntitledCopy = false;        // the file read is no text file of ours
  std::string mFolder;               // where the file read lies, for the save dialog
  KxSaveTextSettings mSaveChoice;    // what the save dialog's popups said
  std::string mReadMessage;          // why the last read failed, for its alert
  // The print system's record (page set-up and print settings), once a
  // dialog or a stored record gave one.
  KxPrintRecord mPrintRecord;
  bool mHasPrintRecord = false;
  std::vector<std::uint8_t> mStoredPrintRecord;
  struct OpenDialog {
    LWindow* window;
    ResIDT layout;
    KxDocDialogHandler handler;
    bool modal;
  };
  std::vector<OpenDialog> mDialogs;   // oldest first
};

// The mark list asks the application to rebuild the Mark menu when it goes.
void KxInstallMarkListMenuHook();

// The documents as the application sees them.
class KxTextDocHooks : public KxAppHooks {
 public:
  // The pane classes the document window is built from.
  void RegisterClasses() override;
  // The preferences, then the documents' save settings taken from them.
  void ReadPreference() override;
  bool NewDocument() override;
  bool OpenDocument(const std::string& path) override;
  bool CloseAllDocuments(OSType saveOption) override;
  std::vector<UWindowMenu::Document> Documents() override;
  std::string FrontText() override;
  void SelectDocument(int index) override;
  bool MarkListOpen() override;
  // The tool palette (command 1501), text_doc_palettes.cpp.
  bool HasTool(CommandT command) override;
  bool RunTool(CommandT command) override;
  bool ToolPaletteShown() override;
  void ShowToolPalette() override;
  void CloseToolPalette() override;
  // The documents, oldest first.
  static std::vector<CKXTextDocument*> All();
};
