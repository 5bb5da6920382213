// The text document: one window, one text engine, one file. It reads its
// file into a fresh text and swaps it in only when the whole read worked,
// writes through the document file tube (which renames the new contents
// over the old only once written), keeps numbered backups, and saves itself
// after an idle interval.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/application_hooks.h"
#include "app/document.h"
#include "app/fspec.h"
#include "app/nav_extras.h"
#include "document/doc_prefs.h"
#include "document/text_doc_dialogs.h"
#include "engine/flavor_exchange.h"
#include "platform/draw/print.h"
#include "platform/files.h"
#include "platform/host/host.h"
#include "text/codes/jcode.h"
#include "views/split_view.h"
#include "views/text_view.h"
#include "views/text_window.h"

class CKXTextEngine;
class CKXEventHandler;
struct SKXDocPage;
class CKXTextColmView;

// The view-mode byte of a document window: the ruler's unit item (bits
// 0-2), and the status bar, the line numbers, the ruler and its format bar
// shown. The stored settings keep the first three bars as hidden bits.
constexpr std::uint8_t kKxViewModeItemMask = 7;
constexpr std::uint8_t kKxViewModeStatus = 16;
constexpr std::uint8_t kKxViewModeLines = 32;
constexpr std::uint8_t kKxViewModeRuler = 64;
constexpr std::uint8_t kKxViewModeFormBar = 128;
std::uint8_t KxStoredViewFlagsToMode(std::uint8_t flags);
std::uint8_t KxViewModeToStoredFlags(std::uint8_t mode);
// Largest line-break rule mode (0 off, 1 hang, 2 push back) and
// justification (0 left to 3 justified) a preference or a file may hold;
// anything above is taken as 0.
constexpr std::uint8_t kKxMaxLineBreakMode = 2;
constexpr std::uint8_t kKxMaxJustification = 3;
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

class CKXTextDocument;
// What the window's information menu and close-all see of a document: its
// state, its file's path, and the save settings the menu switches.
class KxTextDocWindowLink : public CKXTextWindowDoc {
 public:
  explicit KxTextDocWindowLink(CKXTextDocument& doc) : mDoc(doc) {}
  bool IsModified() const override;
  bool IsReadOnly() const override;
  std::string GetFilePath() const override;
  bool GetOwnFormat() const override;
  void SetOwnFormat(bool on) override;
  short GetLineEnd() const override;
  void SetLineEnd(short kind) override;
  short GetEncoding() const override;
  void SetEncoding(short kind) override;
  bool AttemptCloseSelf() override;
  void Close() override;

 private:
  CKXTextDocument& mDoc;
};
// The document windows' hooks and the information menu's texts from the
// resources; installed once with the pane classes.
void KxInstallTextWindowHooks();
// Text put on the clipboard as another program sees it: UTF-16 ("utxt",
// every character kept) and script text ("TEXT").
void KxPutClipboardUTF8(const std::string& utf8);

class CKXTextDocument : public CKXDocument, public CKXTextDoc, public KxResumeDocument {
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
  // The format the next save writes. Its encoding and its own-format flag
  // are the engine's, which the menus set.
  SKXSaveFormat GetFormat() const;
  void SetFormat(const SKXSaveFormat& format);
  std::string Path() const;
  // The file was renamed to `path` outside a save (the file browser's
  // information dialog): the window takes its name, the next save writes it.
  void FileRenamed(const std::string& path);
  // The window takes a resume record's bounds.
  using CKXDocument::DoSetBounds;
  void DoSetBounds(const SKXRectL& bounds) override;
  // The whole text as stored (Shift_JIS) with LF line ends.
  std::string TextBytes() const;
  // The settings records as the document stands now: its edit, line and
  // page styles, header and footer, writing, view, selection, scroll place,
  // window, marks, forms, line-number restarts and print record
  // (text_doc_settings.cpp). What a save writes.
  void TakeSettings(SKXDocSettings& settings) const;
  // The page a stored page record describes.
  static void PageFromPref(const SDocPref& pref, SKXPageStyl& page);
  // This document takes another's document styles (line, edit, page and
  // form, header and footer, view flags, vertical writing, line-number
  // restarts), applied as after a read; its text, marks and selection stay.
  void TakeDocumentStyles(const CKXTextDocument& source);
  std::string TitleText() const { return mTitle; }

  // ---- file operations ----
  // Reads the file into a fresh text; on success it replaces the text and
  // the document is unmodified; on failure nothing changes and the error
  // is thrown (LException).
  void DoRevert();
  // Writes the file; throws LException on failure, leaving the old file
  // and the document modified. Why it failed, when the writing said, is
  // kept for the failure's alert.
  void DoSave() override;
  // Runs, ruby, pictures, marks or a header a plain text file would lose.
  bool HoldsMoreThanText() const;
  // Paper, margins, columns, gap and first page number as printed.
  static std::array<long, 9> PrintedPage(const SKXPageStyl& page, bool vertical);
  // Tells what of the file the last read left out, once.
  void ShowReadNotice();
  // Called on idle: saves a modified, specified document after the interval.
  void DoAutoSave() override;
  void DoAutoSaveAt(std::uint32_t nowTicks);
  // A Save As that does not complete leaves the document saving as before.
  bool AskSaveAs(FSSpec& fileSpec, bool recordIt) override;
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

  // The mark menu follows the marks of the target text as they change.
  void MarksChanged() override;
  // The text's marks as the Mark menu lists them (script text).
  std::vector<std::string> MarkNames() const;

  // ---- window arrangement (text_doc_arrange.cpp) ----
  // Brings the window to the front; activates it when it is not active.
  void SelectWindow();
  void ActivateWindow();
  // Switches the window between horizontal and vertical writing (a split
  // window is joined first); every pane is placed again for it.
  void VerticalWindow(bool vertical, bool redraw);
  bool IsVerticalWindow() const { return mVerticalWindow; }
  // Splits the text area at a port point into two panes on the engine, or
  // joins them when either would be too small; the current split again
  // does nothing.
  void SplitWindow(SPoint32 point, bool redraw) override;
  // Where the split bar's top (left in vertical writing) lies in the
  // window now (it follows the window's size), 0 while not split.
  std::int32_t GetSplitAt() const;

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

  // ---- the window's bars (text_doc_bars.cpp) ----
  // Commands 1401-1403 and 1409; false for others.
  bool ObeyBarCommand(CommandT command);
  // Ruler (1401), line numbers (1402), status bar (1403).
  bool IsBarShown(CommandT command) const;
  void ShowBar(CommandT command, bool show, bool redraw);
  void RulerToolsWindow(bool show, bool redraw) override;
  void ObeyDocumentCommand(long command) override { ObeyCommand(CommandT(command), nullptr); }
  std::uint8_t GetViewMode() const;
  // Applies a view-mode byte; redraws only what changed.
  void ViewModeWindow(std::uint8_t mode, bool redraw);
  CKXTextColmView* GetColmView() const;

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
  // Command 1211, go to line (2200), and 1220, the marks (2350)
  // (text_doc_lines.cpp).
  void OpenLineDialog();
  void OpenMarkDialog();
  // Command 303, the font size (2400), and 1309, the host's colour chooser
  // over the selection's colour (text_doc_format.cpp).
  void OpenSizeDialog();
  void ChooseTextColour();
  // Command 1308, the registered fonts (2500) (text_doc_fonts.cpp).
  void OpenFontregDialog();
  // Command 1302, the ruby of the selection (2450) (text_doc_ruby.cpp).
  void OpenRubyDialog();
  // Command 1410, the default text format and the statistics (2600)
  // (text_doc_textformat.cpp).
  void OpenTextFormatDialog();
  // The open dialog built from `layoutID`, or null.
  LWindow* FindDocDialog(ResIDT layoutID) const;
  // The text pane that is current (the engine's handler view).
  CKXTextView* CurrentTextView() const;

  // ---- paragraph and tab dialogs (text_doc_para.cpp) ----
  // The paragraph dialog (1416; the ruler names a field to focus: 2 first
  // line, 3 right, 5 line spacing, 6 character spacing, else left).
  void OpenParagraphDialog(short field) override;
  // The tabs dialog (1417; the ruler preselects tab `tab` from 1, or
  // proposes `kind` for a new one).
  void OpenTabsDialog(short tab, short kind) override;
  // The go-to-page dialog (1221, paper view).
  void OpenPageDialog();
  // The page layout dialog (1411): margins, columns, the first page number.
  void OpenPageLayoutDialog();
  // The header (1412) and footer (1413) dialogs (text_doc_hdft.cpp).
  void OpenBandDialog(bool footer);

  // ---- page forms (text_doc_form.cpp) ----
  // Applies a page form; a form equal to the current one changes nothing.
  void FormStylWindow(const SKXFormStyl& form, bool redraw);
  // 1931 (the engine's default form), 1932 (the custom form dialog),
  // 1933-1999 (form menu items 3-69); false for others.
  bool ObeyFormCommand(CommandT command);
  // A form the user chose: applied, and the document modified when its
  // page set-up changed, so that the form is saved with it.
  void ApplyUserForm(const SKXFormStyl& form);

  // ---- find dialogs (text_doc_find.cpp) ----
  // The find and replace dialog, the focus in the find or replace field.
  void OpenFindDialog(bool focusReplace);
  // The find palette (one in the program); brings an open one to the front.
  void OpenFindPalette();
  // The find-assist palette over the current target.
  void ShowFindAssistPalette();
  // The find-assist entry dialog (2160 for a find string, 2170 for a
  // replace string), prefilled with `text`.
  void OpenFindAssist(bool isFind, const std::string& text);
  // The find-and-mark dialog (2180).
  void OpenFindSpelling();
  // Closes the find palette when this document opened it.
  void HideFindPalette();
  void ForgetFindPalette();
  // Another document's palette closes when this one becomes the target.
  void FindPaletteToTarget();
  // Every match of `text` (find options: 2 ignore case, 16 regular
  // expression) becomes a markup range, the old ones removed first.
  void DoFindAllAndMarkup(const char* text, long length, short options);
  // Removes every markup range.
  void RefreshMarkup();
  void RedrawTextViews();

  // ---- spelling (text_doc_spell.cpp) ----
  // start >= 0, end < 0: the next misspelled word (wrapping once); both
  // >= 0: that range; start < 0: the whole text. True when one was found.
  bool DoSpellCheck(long start, long end);
  void CheckAsYouType() override;
  void DoIdleSpellChecking() override;
  bool ObeySpellCheckCommand(CommandT command);
  bool FindSpellCheckCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark);
  // "Spel", "ISpl", "CSpl" of the correction panel.
  bool SpellingPanelCommand(OSType command, const std::string& word);
  // Replaces the misspelled word at the selection (or the selection) by
  // `utf8`, in the range's own script, as one undoable insertion.
  bool ReplaceWordAroundSelection(const std::string& utf8);
  void IgnoreSpelling();
  bool IsSpellLive() const { return mSpellLive; }
  bool IsSpellAvailable() const { return mSpellAvailable; }

 protected:
  // A declined replacement is no failure to report; a failure the writing
  // explained is told in its words.
  void ReportSaveFailureAs(const std::string& name, long err) override;

 private:
  std::string TitleUTF8() const override { return mTitle; }
  void ReadInto(const std::string& path);
  // The read records into the engine before it takes the text: edit, line
  // and page styles, writing, scale, header and footer, line-number
  // restarts.
  void ApplyStyles(const SKXDocSettings& settings);
  // Then the form, the bars, and the window turned to the text's writing.
  void ApplyWindowSettings(const SKXDocSettings& settings);
  // A page a file gave (an RTF file's): paper, margins and columns as
  // printed, the printer's hard margins kept, and its header and footer
  // held to the room their margins leave.
  void ApplyPage(const SKXDocPage& page);
  // The text offset at the view's first corner (top-left, or top-right
  // in vertical writing).
  long TopLeftOffset() const;
  // Scrolls to the offset a read recorded, once the window is placed.
  void RestoreScroll();
  // The window's place the last read gave, or null when it gave none (a
  // plain text's settings hold no place).
  const Rect* StoredBounds() const {
    const Rect& b = mSettings.window.bounds;
    return mSettings.hasWindow && b.right > b.left && b.bottom > b.top ? &b : nullptr;
  }
  void ApplyMarks(const SKXDocSettings& settings);
  void ApplyFormSettings(const SKXDocSettings& settings);
  void TakeFormSettings(SKXDocSettings& settings) const;
  // The form records the engine's form makes now; false when it has none.
  bool CurrentFormRecord(std::array<std::uint8_t, kKxFORMSize>& out) const;
  void TakeMarks(SKXDocSettings& settings) const;
  bool IsMarkListBound() const;
  // The list, bound to this document, records itself into it (saving) or
  // goes (the document closing).
  void SaveMarkListState();
  void LeaveMarkList();
  void UpdateTitle();
  // The window's mark of unsaved changes, from the modified state and the file.
  void UpdateModifiedMark();
  // The engine's line and edit styles from the preferences.
  void StartFromPreferences();
  // The new window's place among the stacked document windows.
  void PlaceNewWindow();
  // The ruler, the margin and the status bar, as the preferences show them.
  void AddBars();

  // Places every pane of the window for the current orientation, split and
  // shown bars; `gageHeight` is the ruler's thickness (0 without one).
  void ArrangePanes(std::int32_t gageHeight);
  std::int32_t RulerHeight() const;
  // The second pane of a split (made on the first split, kept afterwards).
  void MakeSecondPane();
  void LinkSecondPane(bool linked);

  std::unique_ptr<KxTextDocWindowLink> mWindowLink = std::make_unique<KxTextDocWindowLink>(*this);
  CKXTextEngine* mEngine = nullptr;
  bool mVerticalWindow = false;   // the panes are placed for vertical writing
  std::int32_t mSplitAt = 0;      // the split bar's place, 0 when joined
  CKXEventHandler* mHandler = nullptr;
  KxTextPanes mPanes;
  CKXTextWindow* mTextWindow = nullptr;   // mPanes.window
  std::string mTitle;   // UTF-8
  SKXSaveFormat mFormat;
  // The code the file's text is spelt in, as the last read found it or
  // the last save wrote it (automatic before either): a revert reads it so.
  short mFileCode = kKxCodeAuto;
  // The settings records read with the file (a new document's when it had
  // none), written back on saving with the marks as they stand now.
  SKXDocSettings mSettings = KxNewDocumentSettings();
  bool mStylesRead = false;          // the last read gave the text stored styles
  short mFontStandIn = -1;           // the edit font shown for a stored one this machine lacks
  long mPendingTopLeft = -1;         // the scroll place read, until the window is placed
  bool mBackupFailureShown = false;  // a failed backup is reported once
  std::uint32_t mAutoSaveDeadline = 0;
  bool mBackedUp = false;             // this opening already rotated
  bool mAutoSaving = false;           // the save under way is an auto-save
  bool mAutoSaveFailed = false;       // told once; auto-save rests until saved
  bool mSaveAsDeclined = false;      // the suffixed file was not to be replaced
  bool mSavingAs = false;            // a Save As runs: the user chose the file
  // The file as this window last read or wrote it, to see another
  // program's save before writing over it.
  KxFileStamp mDiskStamp;
  bool mUntitledCopy = false;        // the file read is no text file of ours
  bool mConverted = false;           // read as Aozora notation: a new, modified text
  std::string mFolder;               // where the file read lies, for the save dialog
  KxSaveTextSettings mSaveChoice;    // what the save dialog's popups said
  // The form as read (in the engine's terms): a form left alone is written
  // back as it was read.
  std::array<std::uint8_t, kKxFORMSize> mFormAsRead{};
  bool mFormAsReadUsed = false;
  std::string mReadMessage;          // why the last read failed, for its alert
  std::string mSaveMessage;          // why the last save failed, for its alert
  std::string mReadNotice;           // what of the file the last read left out
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

  void InitializeSpelling();
  long TextSize() const;
  long ParagraphStart(long pos) const;
  long ParagraphEnd(long pos) const;
  void DoMarkup(long start, long end, bool always);
  bool RemoveMarkupAround(long start, long end);
  void RemoveAllMarkup();
  bool GetMisSpelledWordRun(long pos, long& start, long& end) const;
  void RequestRedraw();
  bool mSpellLive = false;
  SKXRange mSpellRun{0, 0};
  // The text's size at the last check as you type (-1: none yet): what it
  // grew by since tells the words a paste or a committed input finished.
  long mSpellCheckedSize = -1;
  bool mSpellNext = false;
  bool mSpellAvailable = false;
};
// The correction panel's commands that no client takes go to the front
// text document.
void KxInstallSpellingRoute();

// The mark list asks the application to rebuild the Mark menu when it goes.
void KxInstallMarkListMenuHook();

// The documents as the application sees them.
class KxTextDocHooks : public KxAppHooks {
 public:
  // The pane classes the document window is built from.
  void RegisterClasses() override;
  // The preferences, then the documents' save settings taken from them.
  void ReadPreference() override;
  // The documents' save settings from the file preferences; again when the
  // preferences dialog stores them (text_doc_prefs.cpp).
  static void TakeDocumentSettings();
  void PreferencesChanged() override;
  void LineBreakCharsChanged() override;
  bool FrontDocumentFrame(std::int32_t& width, std::int32_t& height) override;
  bool NewDocument() override;
  bool OpenDocument(const std::string& path) override;
  // Opens a file of the resume list; the document that shows it, or null.
  KxResumeDocument* OpenForResume(const std::string& path) override;
  // The document that shows the file: the one already open (brought to the
  // front) or a new one; null when it could not be opened.
  static CKXTextDocument* Open(const std::string& path);
  bool CloseAllDocuments(OSType saveOption) override;
  std::vector<UWindowMenu::Document> Documents() override;
  std::string FrontText() override;
  std::vector<std::string> FrontMarks() override;
  void SelectDocument(int index) override;
  bool MarkListOpen() override;
  // The tool palette (command 1501) and the function-key bar (1502),
  // text_doc_palettes.cpp.
  bool RunToolPalette();
  bool ToolPaletteShown() override;
  void ShowToolPalette() override;
  void CloseToolPalette() override;
  bool RunFunctionBar();
  bool FunctionBarShown() override;
  void ShowFunctionBar() override;
  void CloseFunctionBar() override;
  // The documents, oldest first.
  static std::vector<CKXTextDocument*> All();
  // The scrap book and the clipboard window (doc_tools.cpp).
  void InitializeScrap() override;
  void TerminateScrap() override;
  void CloseToolWindows() override;
  bool RunTool(CommandT command) override;
  bool HasTool(CommandT command) override;
  bool ToolWindowOpen() override;
  std::vector<std::string> ClipNames() override;
  std::vector<std::string> FormNames() override;
};

// Zooming leaves room for the tool palette and the function-key bar
// (text_doc_palettes.cpp).
void KxWirePaletteRoom();

// The pane classes of the document area's tool windows.
void KxRegisterDocumentToolClasses();
