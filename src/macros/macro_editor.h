// The macro editor window: the last recorded macro or a stored one as a
// numbered list of lines, one line at a time edited in the panes of its
// kind, lines inserted, copied, pasted and deleted, the header options, the
// macro stored under a name in the macro list, and macro files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "macros/macro_editor_maps.h"
#include "macros/macro_list.h"
#include "views/controls.h"
#include "views/dialog_box.h"

class CKXTextMacroEditor;
class LStdPopupMenu;
class LEditField;

// The step list. While a menu-command line is shown it captures commands:
// every command is enabled, and one chosen (from a menu or by its key) is
// stored for the line instead of being carried out.
class KXMacroListBox : public KXListBox {
 public:
  static constexpr OSType kClassID = FourCC("kxml");
  explicit KXMacroListBox(const KxLayoutPaneRecord& record) : KXListBox(record) {}

  void SetEditor(CKXTextMacroEditor* editor) { mEditor = editor; }
  void SetCommandThrough(bool on) { mCommandThrough = on; }
  bool IsCommandThrough() const { return mCommandThrough; }
  std::uint16_t GetCommand() const { return mCommand; }
  void SetCommand(std::uint16_t command) { mCommand = command; }
  std::int32_t GetSelectCount() const { return std::int32_t(GetSelectedRows().size()); }
  // Replaces the rows' texts; rows that stay keep their selection.
  void SetRows(const std::vector<std::string>& rows);

  bool HandleKeyPress(const EventRecord& event) override;
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  // Rows draw their part after the zero byte in blue.
  void DrawSelf() override;

 private:
  CKXTextMacroEditor* mEditor = nullptr;
  bool mCommandThrough = false;
  std::uint16_t mCommand = 0;
};

class CKXTextMacroEditor : public KXDialogBox {
 public:
  static constexpr OSType kClassID = FourCC("kxme");
  explicit CKXTextMacroEditor(const KxLayoutPaneRecord& record);
  ~CKXTextMacroEditor() override;

  // Brings the open editor forward, or makes it (false when it cannot be).
  static bool ShowMacroEditor(LCommander* super);
  static CKXTextMacroEditor* GetEditor() { return sMacroEditor; }
  // Asks about unstored changes of the open editor (alert 210); true when
  // it may go (also when no editor is open).
  static bool AllowLeaving();
  // Closes the open editor unasked.
  static void CloseEditor();

  // --- the Part's operations ---
  void OpenMacro(char** code, long size);
  void CloseMacro();
  long SaveMacro(char**& code, long oldSize);
  void BuildMacroTitle();
  void SetMacroOption(bool fromHeader);
  void MacroSetting();
  bool MacroRenewalButton();
  bool CheckMacroModify();
  void MacroFileWriteButton();
  void MacroFileReadButton();
  void MacroNewCommand();
  void MacroCommandList();
  void CopyMacro();
  void PasteMacro();
  void ClearMacro();
  bool ClipboardHasLines() const { return mClipboard != nullptr && mClipboardSize > 0; }

  // Step panes (macro_editor_panes.cpp).
  void SetupMacroEdit(long line);
  void RestoreMacroEdit();
  void CheckMacroEdit(std::int32_t message, std::int32_t value);
  std::string CommentMacroEdit(long line, const SKXTMacroEdit& record);
  void DrawMacroList();
  void CommandCaptured();

  // State, for the drivers and tests.
  const CKXTMacroEditArray& Lines() const { return mLines; }
  long GetMacroNumber() const { return mMacroNumber; }
  long GetShownLine() const { return mShownLine; }
  bool IsModified() const { return mModified; }

  void ListenToMessage(MessageT message, void* param) override;
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  bool AttemptCloseSelf() override;
  bool HandleKeyPress(const EventRecord& event) override;
  // A close asked for while one of the editor's own handlers runs (a
  // nested loop of a question or a file dialog) waits until it returns.
  void DoClose() override;

  // Held by every handler of the window's panes.
  class StBusy {
   public:
    explicit StBusy(CKXTextMacroEditor* editor) : mEditor(editor) {
      if (mEditor) ++mEditor->mBusy;
    }
    ~StBusy() {
      if (mEditor) --mEditor->mBusy;
    }
    StBusy(const StBusy&) = delete;
    StBusy& operator=(const StBusy&) = delete;

   private:
    CKXTextMacroEditor* mEditor;
  };
  // Finishes a close that waited (from idle time).
  static void FinishPendingClose();

 protected:
  void FinishCreateSelf() override;
  void ActivateSelf() override;

 private:
  template <class T>
  T* Pane(std::int32_t id) {
    return dynamic_cast<T*>(FindPaneByID(id));
  }
  // Shows or hides the panes of a kind.
  void ShowGroup(int opcode, bool show);
  void SetValueControl(std::int32_t id, std::int32_t value, bool enabled, bool quiet = true);
  void SetFieldText(std::int32_t id, const char* text, long length, bool enabled);
  void EnableButton(std::int32_t id, bool on);
  // Marks the macro modified once something changed (not while filling).
  void Changed();
  // The position of a new line or a paste: before or after the line given
  // (0: none) as shift says.
  long InsertPosition(long line) const;
  void SelectRow(long line);
  std::vector<long> SelectedLines() const;
  // Reads a text field into an owned text, cut to `limit` on a character
  // boundary; the field shows what was kept. True when the text changed.
  bool CommitText(std::int32_t field, std::size_t limit, char*& text, std::int16_t& length);
  void CommitJump(std::int32_t popup, std::int32_t field, std::uint16_t& kind, char*& text, std::int16_t& length,
                  bool& changed);
  void ShowJump(std::int32_t popup, std::int32_t field, std::uint16_t kind, const char* text, std::int16_t length,
                bool enabled);
  void SetupValueControls(bool fromLine, int registerCode);
  void LeftSubjectChanged();
  std::string NameField() const;
  void OpenStoredOrRecorded(long number);
  KXMacroListBox* List() { return Pane<KXMacroListBox>(kxme::kList); }
  // Whether the editor shows a last recorded macro that has been replaced
  // since it was opened (a new recording, the macro dialog's store).
  bool ShowsOlderRecording() const {
    return mMacroNumber == 0 && mRecordedGeneration != UKXTextMacro::mMacroGeneration;
  }
  bool ShiftHeld() const;

  CKXTMacroEditArray mLines;
  char** mClipboard = nullptr;
  long mClipboardSize = 0;
  long mMacroNumber = 0;        // 0 the last recorded macro; -1 a stored one that went away
  std::string mEditedName;      // the stored macro's name (Shift_JIS) when it was opened
  std::uint32_t mRecordedGeneration = 0;   // the last recorded macro's generation when opened here
  long mShownLine = 0;
  std::uint8_t mShownOpcode = 0;
  std::string mShownText;       // a Unicode text line's field as shown
  int mShownKeyItem = 0;        // the key pop-up and shift box as shown
  std::int32_t mShownKeyShift = 0;
  bool mModified = false;
  bool mFilling = false;
  int mBusy = 0;
  bool mClosePending = false;

  static CKXTextMacroEditor* sMacroEditor;
  static Rect sBoundsMacroEditor;
  static bool sHasBounds;
};

// Registers the editor's pane classes.
void KxRegisterMacroEditorClasses();
