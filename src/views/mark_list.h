// The mark list: one floating window per program that shows the mark
// outline of the front document and lets the user jump to a mark, add one
// from the selection, delete marks, shift them left or right and fold
// branches. The window (CKXTextMarkList) holds the outline pane
// (CKXTextMarkView) in its scroller (CKXTextMarkScroller) and a row of
// buttons (CKXTextMarkButton) that a toggle hides. Each document keeps
// where the list stood and whether it was open (SKXMarkListRecord).
#pragma once

#include <cstdint>

#include "platform/framework/scroller.h"
#include "platform/framework/view.h"
#include "views/dialog_box.h"
#include "views/mark_outline.h"
#include "views/scroller.h"

class CKXTextDoc;

// Pane IDs of the mark list's layouts.
constexpr PaneIDT kKxMarkListScroller = 3701;
constexpr PaneIDT kKxMarkListView = 3702;
constexpr PaneIDT kKxMarkListLeft = 3703;
constexpr PaneIDT kKxMarkListRight = 3704;
constexpr PaneIDT kKxMarkListAdd = 3705;
constexpr PaneIDT kKxMarkListDelete = 3706;
constexpr PaneIDT kKxMarkListToggle = 3707;
constexpr ResIDT kKxMarkListLayout = 3750;
constexpr ResIDT kKxMarkListPlainLayout = 3700;
// The outline's text: the application font at this size.
constexpr short kKxMarkListTextSize = 9;
// Mark n is jumped to as a command of the text view up to this mark (the
// command numbers after it belong to other menus); beyond, directly.
constexpr long kKxMarkCommandBase = 2999;
constexpr long kKxMarkCommandMarks = 1000;

// What a document keeps of the list.
struct SKXMarkListRecord {
  RectL bounds{0, 0, 0, 0};   // global content bounds
  bool open = false;
  bool buttonsHidden = false;
  PointL scroll{0, 0};        // the outline's scroll position
  std::int32_t values[2] = {0, 0};   // the outline's row selection: anchor, end
};

class CKXTextMarkView : public LView, public CKXTextMarkUtil {
 public:
  static constexpr OSType kClassID = FourCC("kxm2");
  explicit CKXTextMarkView(const KxLayoutPaneRecord& record) : LView(record) {}

  void SetTextDoc(CKXTextDoc* doc) { mDoc = doc; }
  CKXTextDoc* GetTextDoc() const { return mDoc; }
  // Restores a row selection before the rows are rebuilt.
  void RestoreSelection(long anchor, long end) { mSavedAnchor = anchor, mSavedEnd = end; }

  void InitMarkView() override;
  void DrawSelf() override;
  void ClickSelf(const SMouseDownEvent& event) override;

  // ---- the outline's hooks ----
  CKXTextEngine* GetTextEngine() override;
  bool IsReadOnly() override;
  void ExecuteMarkAt(long n) override;
  short GetMarkStringWidth(const unsigned char* name) override;
  void DrawMarkString(long h, long v, const unsigned char* name) override;
  void DrawRankIcon(long h, long v, bool folded, bool pressed) override;
  void EraseMarkRect(const RectL& r) override;
  void InvertMarkRect(const RectL& r) override;
  void RefreshMark() override { Refresh(); }
  void RefreshMarkList() override;
  void EnableLeftButton(bool on) override { EnableButton(kKxMarkListLeft, on); }
  void EnableRightButton(bool on) override { EnableButton(kKxMarkListRight, on); }
  void EnableDeleteButton(bool on) override { EnableButton(kKxMarkListDelete, on); }
  void AlertBeep() override;
  void SetImageSize(long width, long height) override;
  void GetImageSize(long& width, long& height) override;
  void SetImagePos(long h, long v, bool refresh) override;
  void GetFrameRect(RectL& frame) override;
  bool StillDown(PointL& where) override;

 private:
  void EnableButton(PaneIDT id, bool on);
  CKXTextDoc* mDoc = nullptr;
  short mTextSize = kKxMarkListTextSize;
  long mSavedAnchor = -1, mSavedEnd = 0;
};

class CKXTextMarkScroller : public CKXScroller {
 public:
  static constexpr OSType kClassID = FourCC("kxm3");
  explicit CKXTextMarkScroller(const KxLayoutPaneRecord& record) : CKXScroller(record) {}
  // A gray line along the top instead of a frame.
  void DrawSelf() override;
};

class CKXTextMarkButton : public LStdButton {
 public:
  static constexpr OSType kClassID = FourCC("kxm4");
  explicit CKXTextMarkButton(const KxLayoutPaneRecord& record) : LStdButton(record) {}
};

class CKXTextMarkList : public KXDialogBox {
 public:
  static constexpr OSType kClassID = FourCC("kxm1");
  explicit CKXTextMarkList(const KxLayoutPaneRecord& record) : KXDialogBox(record) {}
  ~CKXTextMarkList() override;

  // ---- the one list ----
  // Shows the list bound to `doc` (made and placed when there is none).
  static void ShowMarkList(CKXTextDoc* doc);
  // Closes it; unless `keepInfo` the bound document first records it as
  // open (so that it reopens with the document) and is unbound.
  static void CloseMarkList(bool keepInfo);
  // Records it in its document (open) and hides it.
  static void HideMarkList();
  static bool IsMarkList() { return sMarkList != nullptr; }
  static bool IsShowMarkList();
  static bool IsHideMarkList() { return sMarkList && !IsShowMarkList(); }
  static void UpdateMarkList();
  // The bound document's text became read-only or editable: the button
  // row and its toggle follow, as when the list is bound.
  static void UpdateReadOnly();
  static void MarkListInfo();
  static CKXTextMarkList* Get() { return sMarkList; }
  // The palettes are being kept hidden (a modal dialog is up): the list is
  // made and bound but not shown.
  static void SetKeepHidden(bool hidden) { sKeepHidden = hidden; }
  static bool IsKeptHidden() { return sKeepHidden; }
  // Called when the list goes away, so that the Mark menu lists the marks
  // again; the application installs it.
  using MenuHook = void (*)();
  static void SetMenuHook(MenuHook hook) { sMenuHook = hook; }

  void SetTextDoc(CKXTextDoc* doc);
  CKXTextDoc* GetTextDoc() const;
  CKXTextMarkView* GetMarkView() const { return mView; }
  bool AreButtonsHidden() const { return mButtonsHidden; }
  void SetButtonsHidden(bool hidden);
  void ListenToMessage(MessageT message, void* param) override;

 protected:
  void FinishCreateSelf() override;

 private:
  void UpdateInfo(bool open);
  // Hides the button row while the text is read-only or the user hid it.
  void ShowButtonsFor(bool readOnly);
  // Where a new list stands: the saved bounds when on a screen, else
  // beside the document window.
  Rect PlaceFor(CKXTextDoc* doc) const;

  CKXTextMarkView* mView = nullptr;
  CKXTextMarkScroller* mScroller = nullptr;
  LPane* mButtons[5] = {};   // 3703-3707
  bool mButtonsHidden = false;
  bool mUserHidden = false;   // the user's choice, kept while the text is read-only

  static CKXTextMarkList* sMarkList;
  static Rect sBounds;
  static bool sKeepHidden;
  static MenuHook sMenuHook;
};
