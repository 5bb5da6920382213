// The text pane of a document window: shows a text engine, hands its
// events to the engine's event handler, keeps the engine's view rectangle
// in step with its frame and scroll position, draws at once into the
// window's backing store, listens to the engine's broadcasts, takes part
// in drag and drop, and is what a running macro drives.
//
// Two panes of a split window share one engine; the engine's handler view
// is the *current* pane. A pane that is not current borrows the engine
// only for the length of one drawing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/macro_target.h"
#include "engine/text_engine.h"
#include "engine/text_flavors.h"
#include "platform/framework/input_method.h"
#include "views/event_view.h"

class LDocument;
class LWindow;
struct SKXMarkListRecord;

// What the view asks of its document. The document area installs the real
// one; the defaults do nothing.
class CKXTextDoc {
 public:
  CKXTextDoc() = default;
  CKXTextDoc(const CKXTextDoc&) = delete;
  CKXTextDoc& operator=(const CKXTextDoc&) = delete;
  virtual ~CKXTextDoc() = default;
  virtual void SetModified(bool) {}
  virtual void DoAutoSave() {}
  virtual void DoIdleSpellChecking() {}
  virtual void CheckAsYouType() {}
  virtual void BeTargetDocument() {}
  // The current view's text gained, lost or renamed marks (the mark menu
  // follows).
  virtual void MarksChanged() {}
  // Splits the window at a port point, or joins its panes.
  virtual void SplitWindow(SPoint32, bool /*refresh*/) {}
  virtual void SetDescriptor(ConstStringPtr) {}
  virtual void GetDescriptor(Str255 out) const { out[0] = 0; }
  // The ruler's double clicks: the paragraph dialog with a field focused
  // (0 none, 1 left, 2 first-line, 3 right indent, 5 line, 6 character
  // spacing), the tab dialog on tab n (from 1; 0 with the kind of a new
  // tab), and showing or hiding the ruler's format bar.
  virtual void OpenParagraphDialog(short /*field*/) {}
  virtual void OpenTabsDialog(short /*tab*/, short /*kind*/) {}
  virtual void RulerToolsWindow(bool /*show*/, bool /*redraw*/) {}
  // A command the format bar hands to the document (the size and colour
  // dialogs, page forms).
  virtual void ObeyDocumentCommand(long /*command*/) {}
  // The mark list's share (views/mark_list.h): the document's engine and
  // window, whether its text refuses edits, the paper colour of the
  // preferences (false for plain white), and its record of the list.
  virtual void DontBeTargetDocument() {}
  virtual CKXTextEngine* GetDocEngine() { return nullptr; }
  virtual LWindow* GetDocWindow() { return nullptr; }
  virtual bool GetReadOnly() { return false; }
  virtual bool GetPaperColor(RGBColor&) { return false; }
  virtual void GetMarkListRecord(SKXMarkListRecord&) {}
  virtual void SetMarkListRecord(const SKXMarkListRecord&) {}
};

// The ruler and the line-number margin follow the text's scrolling along
// one axis; those panes implement this.
class CKXTextGage {
 public:
  virtual ~CKXTextGage() = default;
  virtual void ScrollGage(std::int32_t delta) = 0;
  // The ruler's height (the margin answers its width); 16 by default.
  virtual std::int32_t GetGageHeight() const { return 16; }
};

// The panes beside the text (status bar, margins) draw in the middle of
// others' drawing: a window update, an activation, a selection change. The
// text's engine goes on drawing its caret and highlight with the port as
// it left it, so the focus goes back to the view that had it.
class StKxKeepFocus {
 public:
  StKxKeepFocus() : mWas(LView::GetInFocusView()) {}
  ~StKxKeepFocus() {
    if (mWas) mWas->FocusDraw();
  }
  StKxKeepFocus(const StKxKeepFocus&) = delete;
  StKxKeepFocus& operator=(const StKxKeepFocus&) = delete;

 private:
  LView* mWas;
};

// Drop kinds: from elsewhere, a copy within the window, a move within it.
constexpr short kKxDropFromOutside = 15;
constexpr short kKxDropCopy = 17;
constexpr short kKxDropMove = 19;
// Flavors a text pane takes from a drag.
constexpr OSType kKxFlavorStyw = FourCC("styw");
constexpr OSType kKxFlavorHfs = FourCC("hfs ");
// Idles after a scaled scroll before the whole pane is drawn again.
constexpr std::uint16_t kKxRedrawAfterIdles = 2;
constexpr std::uint16_t kKxRedrawCountLimit = 9;
// How long macro playback waits for another window to come forward.
constexpr std::uint32_t kKxSwitchWindowTicks = 180;

// A file of the recent menus, as a macro names it: its name in Shift_JIS
// and the command that opens it.
struct KxRecentName {
  std::string name;
  long command = 0;
};

// What a macro's document statements need of the application, which
// installs it at start-up. Without it a macro reaches only the documents
// already open, by name.
struct KxMacroDocumentHooks {
  // The document after `from` in the document list (before it when
  // backward), wrapping round; null when none.
  std::function<LDocument*(LDocument* from, bool backward)> nextDocument;
  // The recent files, then each recent folder's files, in menu order.
  std::function<std::vector<KxRecentName>()> recentNames;
};
void KxSetMacroDocumentHooks(KxMacroDocumentHooks hooks);
const KxMacroDocumentHooks& KxGetMacroDocumentHooks();
// Whether two names (Shift_JIS) are equal, ignoring the case of single-byte
// letters; diacritics count.
bool KxEqualDocName(const std::string& a, const std::string& b);

// Lays the engine's lines out again at the page's column width when they
// stand at another (a window's): paper view and printing place lines in
// the columns. Answers whether it laid them out.
bool KxFitLinesToColumn(CKXTextEngine& engine);

class CKXTextTSMHandler;

class CKXTextView : public CKXEventView, public CKXTMacroTarget, public KxInputMethodClient {
 public:
  CKXTextView();
  explicit CKXTextView(const KxLayoutPaneRecord& record);
  ~CKXTextView() override;

  // ---- Binding -----------------------------------------------------------------------------------
  // The view is a user and a listener of its engine; null unbinds.
  virtual void SetTextEngine(CKXTextEngine* engine);
  CKXTextEngine* GetTextEngine() const { return mTextEngine; }
  bool IsCurrent() const;
  void SetDocument(CKXTextDoc* doc) { mDocument = doc; }
  CKXTextDoc* GetDocument() const { return mDocument; }

  // ---- Input methods -----------------------------------------------------------------------------
  // Composed text goes to the input-method handler of the view's text event
  // handler; a view whose handler has none takes no inline input.
  void InputMethodPreedit(const std::string& utf8) override;
  void InputMethodPreeditClauses(const std::string& utf8, const std::vector<Clause>& clauses, long caret) override;
  void InputMethodCommit(const std::string& utf8) override;
  bool InputMethodComposing() const override;
  void InputMethodFocus(bool in) override;
  bool InputMethodCaretRect(Rect& inWindow) override;
  bool InputMethodSurrounding(std::string& utf8, long& caret) override;
  bool InputMethodDeleteSurrounding(long offset, long count) override;
  // Ends a composition in progress as the input method does (its commit,
  // or nothing), so that what is read or saved next is the text itself.
  void EndComposition();
  void SetColmView(LPane* pane) { mColmView = pane; }
  void SetLineView(LPane* pane) { mLineView = pane; }
  void SetInfoView(LPane* pane) { mInfoView = pane; }
  bool ShouldBeTarget() override;
  bool AllowSubRemoval(LCommander* sub) override;

  // ---- Geometry ----------------------------------------------------------------------------------
  void FixView();
  void FixView(std::int32_t dh, std::int32_t dv);
  void FixImage();
  // The text wraps at the frame (its width, its height in vertical
  // writing) while wrapping is on and paper view off: a document that
  // wraps to its window re-wraps when the window is resized. In paper view
  // it wraps at the page's column width.
  void SetWrapToFrame(bool on);
  void FitImageToFrame();
  void ResizeImageBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void MoveBy(std::int32_t dh, std::int32_t dv, bool refresh) override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  bool FocusDraw() override;
  void AdaptToSuperScroll(std::int32_t dh, std::int32_t dv) override;

  // ---- Scrolling ---------------------------------------------------------------------------------
  void ScrollImageBy(std::int32_t dh, std::int32_t dv, bool refresh) override;
  bool ScrollPinnedImageBy(std::int32_t dh, std::int32_t dv, bool refresh) override;
  bool AutoScrollImage(const SPoint32& localPt) override;
  void SetScrollPosition(const SPoint32& pos) override;

  // ---- Drawing -----------------------------------------------------------------------------------
  // Invalidations collect into one rectangle (their union) until the next
  // draw; every area invalidated is painted.
  void InvalPortRect(const RectL& portRect) override;
  void InvalPortRgn(RgnHandle portRgn) override;
  bool IsInvalPending() const { return mInvalPending; }
  const RectL& GetInvalRect() const { return mInvalRect; }
  void DrawSelf() override;
  void UpdateView() { Refresh(); }
  // Redraws a pane that is not current from its first visible line.
  void UpdateAnotherView();
  // Whether the paragraphs of the selection show in this pane.
  bool CheckAnotherView() const;
  void MutateSelection(bool active) override;
  void DrawLatent(bool on);
  bool GetPresentHiliteRgn(RgnHandle rgn, bool inactive, std::int16_t h, std::int16_t v) const override;
  void AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) override;

  // ---- Idle and broadcasts -----------------------------------------------------------------------
  void SpendTime(const EventRecord& event) override;
  void ListenToMessage(MessageT message, void* param) override;
  std::uint16_t GetRedrawCount() const { return mRedrawCount; }

  // ---- Drag and drop ------------------------------------------------------------------------------
  bool PtInDragArea(SPoint32 pt) const override;
  void MakeDragFlavor(DragReference drag) override;
  void DeleteDragArea() override;
  bool CheckDragItem(DragReference drag, ItemReference item) const override;
  void ShowDragCaret(DragReference drag, SPoint32 pt) override;
  void HideDragCaret() override;
  void ReceiveDragItem(DragReference drag, std::uint32_t attributes, ItemReference item,
                       const RectL& bounds) override;
  // Whether the text may change (the engine's editable bit).
  bool IsEditable() const { return mTextEngine && mTextEngine->IsEditable(); }

  // ---- Macro target -------------------------------------------------------------------------------
  Boolean CheckEscapeKey(unsigned long& nextCheck) override;
  CKXTextEngine* GetTextEdit() override { return mTextEngine; }
  CKXTMacroTarget* WaitSwitchWindow() override;
  void SetMacroTartget(Boolean on) override;
  void MenuCommand(long command) override;
  void InsertString(char* text, long length) override;
  void KeyEvent(unsigned char character, char modifiers) override;
  Boolean FindText(char* text, short length, short options) override;
  void FindDocument(const unsigned char* name, Boolean backward) override;
  Boolean FindRecentDocument(const unsigned char* name) override;
  void GotoLine(long line) override;
  void SetDocName(unsigned char* name) override;
  void GetDocName(unsigned char* name) override;
  long GetDate(unsigned char* text) override;
  long GetTime(unsigned char* text) override;
  void SetLineReStart(long line, Boolean on) override;
  void NoteAlert(unsigned char* message) override;
  short InputDialog(unsigned char* prompt, unsigned char* answer) override;
  // The text view that is the target now, waiting (bounded) while another
  // commander is; null without one or when Escape is pressed.
  static CKXTextView* GetTextView();
  // The colour every text view paints its paper with (white by default);
  // the caller refreshes the windows.
  static void SetPaperColor(const RGBColor& colour);
  static const RGBColor& GetPaperColor();

  // ---- Commands (text_view_commands.cpp) ---------------------------------------------------------
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  // The modal dialog over the name-stamp text; true when OK ended it.
  bool NameDialog();

 protected:
  void BeTarget() override;
  void DontBeTarget() override;

 private:
  // Makes this view the engine's handler view for one drawing, with the
  // edit object's activation off; the destructor puts both back.
  class BorrowEngine;
  void InvertDragCaret();
  void ScrollGage(LPane* pane, std::int32_t delta);
  void RefreshPane(LPane* pane);
  bool Vertical() const;

  CKXTextDoc* mDocument = nullptr;
  CKXTextEngine* mTextEngine = nullptr;
  LPane* mColmView = nullptr;
  LPane* mLineView = nullptr;
  LPane* mInfoView = nullptr;
  RectL mInvalRect{0, 0, 0, 0};   // port coordinates
  bool mInvalPending = false;
  bool mWrapToFrame = false;
  bool mLatentShown = false;
  std::uint16_t mRedrawCount = 0;
};
