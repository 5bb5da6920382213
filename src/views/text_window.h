// The window of a text document: owns the undoer of its text, closes all
// documents on request, offers the information menu (title, enclosing
// folders, copy path, own format, line ends, encodings), joins a split
// pane that has become too small, and zooms to bounds that leave room for
// the tool palette and the function-key bar.
//
// The window manager owns the title bar here: the information menu is
// reached from the status bar's and the Window menu's commands, close-all
// is a command, and shading is the window manager's own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/framework/window.h"
#include "views/item_icons.h"

class CKXTextDoc;
class CKXTextScroller;
class CKXTextUndoer;

// A split pane this small across the split (or smaller) is joined again.
constexpr std::int32_t kKxSplitJoinExtent = 63;
// The first text scroller of the window.
constexpr PaneIDT kKxTextScrollerID = 1005;
// The function-key bar keeps the window this far above itself when within
// kKxFunctionBarReach of the zoomed bottom.
constexpr std::int16_t kKxFunctionBarGap = 2;
constexpr std::int16_t kKxFunctionBarReach = 80;

// What the information menu and close-all need of the window's document;
// the document area implements it.
class CKXTextWindowDoc {
 public:
  virtual ~CKXTextWindowDoc() = default;
  virtual bool IsModified() const = 0;
  virtual bool IsReadOnly() const = 0;
  // The file's full path (UTF-8), empty for a document without a file.
  virtual std::string GetFilePath() const = 0;
  virtual bool GetOwnFormat() const = 0;
  virtual void SetOwnFormat(bool on) = 0;
  virtual short GetLineEnd() const = 0;   // 0, 1, 2
  virtual void SetLineEnd(short kind) = 0;
  virtual short GetEncoding() const = 0;   // 0, 1, 2
  virtual void SetEncoding(short kind) = 0;
  // Asks to close (perhaps asking to save); true when it may close.
  virtual bool AttemptCloseSelf() = 0;
  // Closes the document and its window (deleting the window).
  virtual void Close() = 0;
};

// What the window needs to know of the application's other windows.
struct KxTextWindowHooks {
  // The document of the frontmost document window, null when none is left.
  std::function<CKXTextWindowDoc*()> firstDocument;
  // Puts UTF-8 text on the clipboard.
  std::function<void(const std::string&)> putClipboardText;
  // Extent the tool palette keeps free (width at the left, height at the top).
  std::function<SDimension32()> paletteExtent;
  // The function-key bar's global bounds; false without the bar.
  std::function<bool(Rect&)> functionBarBounds;
  // Whether the Japanese code conversion items show.
  bool codeConversion = false;
};
void KxSetTextWindowHooks(KxTextWindowHooks hooks);
const KxTextWindowHooks& KxGetTextWindowHooks();

// Standard bounds moved to leave room for the palette and the function-key
// bar. `palette`: width and height kept free; `bar`: the bar's bounds when
// `hasBar`.
Rect KxLeaveRoomForPalettes(Rect bounds, SDimension32 palette, bool hasBar, const Rect& bar);
// `bounds` less the room the palette and the function-key bar of the hooks
// keep free, as a zoomed document window leaves it.
Rect KxLeaveRoomForToolBars(Rect bounds);

// One item of the information menu.
struct KxInfoItem {
  enum Kind { kTitle, kFolder, kSeparator, kCopyPath, kOwnFormat, kLineEnd, kEncoding };
  Kind kind = kTitle;
  std::string text;   // UTF-8
  std::int16_t icon = 0;
  bool checked = false;
  short value = 0;   // line-end type or encoding
};

class CKXTextWindow : public LWindow {
 public:
  explicit CKXTextWindow(const KxLayoutPaneRecord& record);
  CKXTextWindow(const Rect& globalBounds, ConstStringPtr title, LCommander* super);
  ~CKXTextWindow() override;

  void SetDocument(CKXTextDoc* doc) { mDocument = doc; }
  void SetWindowDoc(CKXTextWindowDoc* doc) { mWindowDoc = doc; }
  CKXTextWindowDoc* GetWindowDoc() const { return mWindowDoc; }

  // Closes this window's document, then every other document front to
  // back, until one refuses (answered cancel). True when all closed.
  // The window may be gone afterwards.
  bool CloseAll();

  // Drops the undo history: a fresh undoer replaces the window's (its old
  // actions name offsets of a text that is gone).
  void RenewUndoer();

  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  bool CalcStandardBounds(Rect& bounds) const override;

  // The information menu's items, and what choosing one does.
  std::vector<KxInfoItem> InfoMenuItems() const;
  void ChooseInfoItem(const KxInfoItem& item);
  // Shows the menu at a global point; the host's choice comes back
  // through ChooseInfoMenu with the item's index.
  void InfoMenus(Point where);
  static bool ChooseInfoMenu(std::int16_t index);
  static bool IsInfoMenuOpen() { return sMenuWindow != nullptr; }
  static void ForgetInfoMenu() { sMenuWindow = nullptr; }

  // Texts of the fixed items (UTF-8), replaced from the resources.
  static void SetInfoTexts(std::vector<std::string> texts);

 private:
  CKXTextScroller* FirstScroller();
  void MakeUndoer();

  CKXTextScroller* mScroller = nullptr;
  CKXTextUndoer* mUndoer = nullptr;   // owned as an attachment
  CKXTextDoc* mDocument = nullptr;
  CKXTextWindowDoc* mWindowDoc = nullptr;
  std::vector<KxInfoItem> mShownItems;
  static CKXTextWindow* sMenuWindow;
};
