// The base of the tool windows that work on folders of files (the file
// browser, the file search and the stream editor window): a folder
// navigator of two panes, a pop-up with the path from the top down to the
// current folder and a list of what can be entered from it; and the list
// box of file entries with its Ctrl+arrow keys.
#pragma once

#include "tools/file_list.h"
#include "views/controls.h"
#include "views/dialog_box.h"

// Messages of a navigator's list: go to the parent, open the selection.
constexpr MessageT kKxMsgFolderParent = 3150;
constexpr MessageT kKxMsgFolderOpen = 3151;

class KXFileListBox : public KXListBox {
 public:
  static constexpr OSType kClassID = FourCC("kxfl");
  // attributes besides the list's: parent (3150), openKey (3151),
  // navigation (0), open (the double-click message; the selection
  // message when absent).
  explicit KXFileListBox(const KxLayoutPaneRecord& record);
  void SetNavigation(bool on) { mNavigation = on; }
  bool IsNavigation() const { return mNavigation; }

  // Ctrl+Up asks for the parent, Ctrl+Down opens the selection; plain
  // arrows move the selection (a navigator's without telling anyone).
  bool DoNavigationKey(const EventRecord& event) override;
  bool HandleKeyPress(const EventRecord& event) override;
  // The list with a shadowed frame.
  void DrawSelf() override;

 protected:
  // Rows whose cells begin with a kind's icon byte.
  void DrawRow(std::int32_t row, const Rect& cell, bool keys) override;

 private:
  MessageT mParentMessage = kKxMsgFolderParent;
  MessageT mOpenMessage = kKxMsgFolderOpen;
  bool mNavigation = false;
};

class CKXTextFileTool : public KXDialogBox {
 public:
  explicit CKXTextFileTool(const KxLayoutPaneRecord& record);

  void SetFolderInfoID(PaneIDT popupID, PaneIDT listID);
  // Takes a saved folder path (before FinishCreate), checked first.
  void SetFolderMenu(KxFileEntries path);
  const KxFileEntries& GetFolderMenu() const { return mPath; }
  KxFileEntries DetachFolderMenu();
  const KxFileEntries& GetFolderList() const { return mFolders; }
  bool GetCurFolder(SKXFileEntry& out) const;

  // Enters `entry` (appended to the path).
  void AddFolderMenu(const SKXFileEntry& entry);
  // Keeps the path up to entry n (from 1); n < 1 does nothing.
  void ChangeFolderMenu(long n);
  void UpdateFolderMenu();
  void UpdateFolderList();
  // Goes to the folder `path` as a user would: from the top, entering one
  // folder at a time through the folder list. False (staying where it
  // stopped) when a step cannot be entered.
  bool GoToFolder(const std::string& path);

  PaneIDT GetFolderListID() const { return mListID; }
  // Makes the navigator whose folder list is `listID` the current one;
  // false when the window has none.
  virtual bool TakeFolderList(PaneIDT listID) { return listID != 0 && listID == mListID; }
  void ListenToMessage(MessageT message, void* param) override;
  // Close (Ctrl+W) closes the tool window as its close box does.
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  // The window of the navigator whose folder list is pane `listID`, or null.
  static CKXTextFileTool* FindByFolderList(PaneIDT listID);

 protected:
  void FinishCreateSelf() override;
  void CreateFolderInfo(LListener* listener);
  // Whether the message was the navigator's (and handled).
  bool HandleFolderMessage(MessageT message);
  // A window with two navigators keeps the other one's path and folders
  // and swaps them in with its pane IDs.
  void SwapFolderSide(PaneIDT popupID, PaneIDT listID, KxFileEntries& path, KxFileEntries& folders);

 private:
  void ReplaceFolderList(const SKXFileEntry& folder);
  PaneIDT mPopupID = 0;
  PaneIDT mListID = 0;
  KxFileEntries mPath;
  KxFileEntries mFolders;
  bool mHavePath = false;
};

// Registers the tool windows' pane classes.
void KxRegisterToolClasses();
