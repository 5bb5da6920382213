// The stream editor window (one per program): where the script comes from
// (the find and replace fields, the script box, script files or script
// windows), which texts it runs over (files of a folder, open windows, the
// clipboard), and where the result goes (a new document, copies beside the
// targets, the targets themselves, the clipboard). Files are replaced
// through one safe batch per run.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/file_tool.h"
#include "tools/sed_text.h"
#include "views/edit_field.h"

constexpr std::int16_t kKxStreamEditorLayout = 3900;
// Message list of the window and of the stream editor's errors.
constexpr std::int16_t kKxSEDMessages = 210;

class CKXTextDocument;
class CKXSafeBatch;

// The script box: an edit field of several lines. Return types a line end
// (CR); pasted text keeps its lines.
class KXScriptBox : public KXEditJField {
 public:
  static constexpr OSType kClassID = FourCC("kxsb");
  explicit KXScriptBox(const KxLayoutPaneRecord& record);
  bool ObeyCommand(CommandT command, void* param) override;
  void DrawSelf() override;
  void ClickSelf(const SMouseDownEvent& event) override;
};

class CKXTextStreamEditor : public CKXTextFileTool {
 public:
  static constexpr OSType kClassID = FourCC("kxse");
  explicit CKXTextStreamEditor(const KxLayoutPaneRecord& record);
  ~CKXTextStreamEditor() override;

  static void ShowStreamEditor(LCommander* super);
  static void CloseStreamEditor();
  static bool IsStreamEditor() { return sStreamEditor != nullptr; }
  // The find string changed: field 3916 takes it when the window is next
  // active.
  static void FindString();

  void ListenToMessage(MessageT message, void* param) override;
  // One run with the window's settings; false when nothing was delivered.
  bool DoStreamEditor();

 protected:
  void FinishCreateSelf() override;
  void ActivateSelf() override;

 private:
  struct Target;
  void SetScriptFolderInfo();
  void SetTargetFolderInfo();
  // The folder lists of both sides as the folders are now, the selected
  // names kept.
  void UpdateFolderLists();
  void UpdateEnabling();
  void UpdateScriptList();
  void UpdateTargetList();
  void FillList(PaneIDT listID, std::vector<std::string>& names, const std::vector<std::string>& cells);
  void FillFindHistories();
  void FillScriptHistory();
  void FillSnippets();
  void ChooseFieldHistory(PaneIDT popupID, PaneIDT fieldID, bool replace);
  void ChooseScriptHistory();
  void InsertSnippet(PaneIDT popupID);
  void OpenSelected(PaneIDT listID);
  void Note(std::int16_t item, const std::string& arg = {});
  std::string FieldText(PaneIDT id);
  short Kind(PaneIDT id) const;
  bool Option(PaneIDT id) const;
  // Runs the script over `inputs` and delivers the output for `first` (the
  // first target); false when nothing was delivered, which stops a series.
  bool DoOutput(CKXTextRunSED& sed, short output, Target& first, std::set<std::string>& written,
                const std::vector<SKXSedStream>& scripts, const std::vector<SKXSedStream>& inputs, bool noPrint);
  bool DeliverToWindow(SKXSedText& out, short output, Target& target);
  // The target as notes name it (Shift_JIS).
  std::string TargetName(const Target& t) const;
  // While a run delivers its outputs, Note collects instead of showing.
  bool mCollectNotes = false;
  std::vector<std::string> mCollected;
  // The name of the file or window the last DoOutput wrote (Shift_JIS).
  std::string mDelivered;
  bool TakeFolderList(PaneIDT listID) override;
  void SaveSettings();

  short mSource = 0, mTarget = 0, mOutput = 0;
  // Paths (files) of the rows of each list, and the documents of window
  // rows.
  std::vector<std::string> mScriptNames, mTargetNames;
  std::vector<std::string> mScriptPaths, mTargetPaths;
  std::vector<CKXTextDocument*> mScriptDocs, mTargetDocs;
  // The side that is not in the base now: its folder path and folders.
  KxFileEntries mOtherPath, mOtherFolders;
  // The names of the file targets of the run going on.
  std::set<std::string> mRunTargets;
  bool mScriptSide = true;
  bool mFindStringChanged = false;
  // Untitled documents this window made for window outputs.
  std::vector<CKXTextDocument*> mMadeDocs;
  static CKXTextStreamEditor* sStreamEditor;
};

void KxRegisterStreamEditorClasses();
