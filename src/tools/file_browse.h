// The file browser: a tool window (one per program) that walks folders,
// lists the current folder's files of one kind, previews the selected one,
// opens files as documents and edits a file's Finder information.
#pragma once

#include "tools/file_tool.h"

constexpr std::int16_t kKxFileBrowseLayout = 3100;
constexpr std::int16_t kKxFileInfoLayout = 3150;

enum : PaneIDT {
  kKxBrowseOpen = 3101,
  kKxBrowseInfo = 3102,
  kKxBrowseFolderPopup = 3103,
  kKxBrowseFolderList = 3104,
  kKxBrowseTypePopup = 3105,
  kKxBrowseFileList = 3106,
  kKxBrowsePreviewBox = 3107,
  kKxBrowsePreviewArea = 3108,
  kKxBrowsePreview = 3109,
};

// The browser's stored state (the "FBDT" chunk's head).
struct SKXFileBrowsePref {
  Rect bounds{0, 0, 0, 0};   // global frame with the preview; empty when never saved
  std::int16_t previewShown = 0;
  std::int16_t previewHeight = 0;
};
SKXFileBrowsePref KxGetFileBrowsePref();
void KxSetFileBrowsePref(const SKXFileBrowsePref& pref);

class CKXTextFileBrowse : public CKXTextFileTool {
 public:
  static constexpr OSType kClassID = FourCC("kxfb");
  explicit CKXTextFileBrowse(const KxLayoutPaneRecord& record);
  ~CKXTextFileBrowse() override;

  static void ShowFileBrowse(LCommander* super);
  static bool IsFileBrowse() { return sFileBrowse != nullptr; }
  static void CloseFileBrowse();
  static CKXTextFileBrowse* Get() { return sFileBrowse; }

  void ListenToMessage(MessageT message, void* param) override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;

  // Lists the current folder's files anew; with `keepSelection` the files
  // selected stay selected where they still are, else the first one is.
  void UpdateTextList(bool keepSelection = false);
  void SetPreview();
  void OpenTextFile();
  void OpenFileInfo();
  // True when it changed the file.
  bool FileInfoDialog(const SKXFileEntry& file);
  const KxFileEntries& GetFileList() const { return mFiles; }
  OSType GetTypeFilter() const { return mFilter; }

 protected:
  void FinishCreateSelf() override;
  void ActivateSelf() override;

 private:
  void TogglePreview();
  void ApplyBounds(const Rect& bounds);
  void SetPreviewMinimum();
  void ShowPreviewArea();
  std::int32_t PreviewHeight() const;

  KxFileEntries mFiles;
  std::int32_t mLastPreviewed = -2;
  OSType mFilter = kKxTypeText;
  bool mPreviewResize = false;
  bool mListed = false;   // the file list was made once (activation lists anew)
  SKXFileBrowsePref mPref;
  Rect mLayoutMinMax{0, 0, 0, 0};

  static CKXTextFileBrowse* sFileBrowse;
};
