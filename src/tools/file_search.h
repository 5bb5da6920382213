// The multi-file search window (one per program): searches the text files
// of a folder (and its subfolders) for the find string and lists one row
// per matching line; opening a row opens its file with the match selected.
#pragma once

#include <map>
#include <string>

#include "tools/file_search_engine.h"
#include "tools/file_tool.h"

class CKXTextDocument;

constexpr std::int16_t kKxFileSearchLayout = 3200;

// The result list: Copy puts each selected row as a line of text, the note
// after a tab.
class KXFileResult : public KXFileListBox {
 public:
  static constexpr OSType kClassID = FourCC("kxf2");
  explicit KXFileResult(const KxLayoutPaneRecord& record) : KXFileListBox(record) {}
  bool ObeyCommand(CommandT command, void* param) override;
  void CopyScrap();
  // The text Copy puts for these rows.
  static std::string CopyText(const std::vector<std::string>& cells);
};

class CKXTextFileSearch : public CKXTextFileTool {
 public:
  static constexpr OSType kClassID = FourCC("kxfs");
  explicit CKXTextFileSearch(const KxLayoutPaneRecord& record);
  ~CKXTextFileSearch() override;

  static void ShowFileSearch(LCommander* super);
  static bool IsFileSearch() { return sFileSearch != nullptr; }
  static void CloseFileSearch();
  // The find string changed: the field follows when the window is next active.
  static void FindString();

  void ListenToMessage(MessageT message, void* param) override;
  void DoFileSearch();
  void OpenTextFile();
  const std::vector<SKXSearchRow>& GetRows() const { return mRows; }

 protected:
  void FinishCreateSelf() override;
  void ActivateSelf() override;

 private:
  void FillHistory();
  void FillSnippets();
  void ShowSnippets();
  void InsertSnippet();
  void ChooseHistory();
  void SetCount();

  // The untitled copy this window opened of a file that opens as one
  // (RTF), while it is still open: opened again, the file selects there.
  CKXTextDocument* CopyOpenedFrom(const std::string& path);

  std::vector<SKXSearchRow> mRows;
  struct SOpenedCopy {
    CKXTextDocument* doc = nullptr;   // compared only, never used unchecked
    std::string title;
  };
  std::map<std::string, SOpenedCopy> mCopies;
  bool mFindStringChanged = false;
  static CKXTextFileSearch* sFileSearch;
};
