// The text engine: the editing layer bound to the view that shows it. It
// turns the result word of every edit-object call into broadcasts for the
// views and into scrolling, maps view coordinates to text coordinates,
// takes keys, clicks and inline input, posts its actions to the window's
// multi-level undoer and answers the scripting model's questions about
// characters, words, paragraphs and lines.
//
// Undo: an engine whose view is a commander posts every action, wrapped in
// a CKXTextPostAction, up that view's commander chain (the window's
// CKXTextUndoer keeps it); a view that is no commander posts to its
// window. An engine without a view keeps its own single action, like the
// bare layer, and never posts into another window's history. The undoer
// owns what was posted; the layer's current action is then a pointer that
// the undoer keeps equal to the newest action still in effect.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/text_layer.h"
#include "layout/kxte_api.h"
#include "platform/framework/broadcaster.h"
#include "platform/framework/events.h"
#include "platform/framework/pane.h"
#include "platform/framework/sharable.h"

class KxRegion;
using RgnHandle = KxRegion*;
class LView;
class LCommander;
class CKXTextPostAction;
class CKXDataTube;
struct SKXLayerLink;

// Broadcasts of the engine (parameter null except for 10003).
constexpr MessageT kKxMsgImageSizeChanged = 10000;
constexpr MessageT kKxMsgViewSettingsChanged = 10001;
constexpr MessageT kKxMsgTextChanged = 10002;       // the other half of a split window redraws
constexpr MessageT kKxMsgModifiedChanged = 10003;   // param: a byte, the modified flag now
constexpr MessageT kKxMsgMarksChanged = 10004;
constexpr MessageT kKxMsgStyleChanged = 10005;      // current style or paragraph (the ruler)
constexpr MessageT kKxMsgSelectionChanged = 20001;

// Bits of the edit result word that the engine acts on.
constexpr std::uint16_t kKxResultScrollMask = 0x000F;
constexpr std::uint16_t kKxResultTextChanged = 0x0010;
constexpr std::uint16_t kKxResultStyleChanged = 0x0020;
constexpr std::uint16_t kKxResultParaChanged = 0x0080;
constexpr std::uint16_t kKxResultSelChanged = 0x0100;
constexpr std::uint16_t kKxResultShowSel = 0x0200;
constexpr std::uint16_t kKxResultViewChanged = 0x0400;
constexpr std::uint16_t kKxResultImageChanged = 0x0800;
constexpr std::uint16_t kKxResultMarksChanged = 0x1000;

// Attribute bits.
constexpr std::uint16_t kKxEngineEditable = 0x4000;

// Encodings of plain text that the document keeps for the flavor exchange.
constexpr std::uint16_t kKxEncodingShiftJIS = 0, kKxEncodingJIS = 1, kKxEncodingEUC = 2, kKxEncodingUTF16 = 3,
                        kKxEncodingUTF8 = 4;

// Object-model part kinds.
constexpr OSType kKxPartKindChar = FourCC("cha ");
constexpr OSType kKxPartKindWord = FourCC("cwor");
constexpr OSType kKxPartKindPara = FourCC("cpar");
constexpr OSType kKxPartKindLine = FourCC("clin");
constexpr OSType kKxPartKindNull = FourCC("null");
// Thrown for any other kind.
constexpr OSErr kKxErrBadPartKind = -1731;

class CKXTextEngine : public CKXTextLayer, public LBroadcaster, public virtual LSharable {
 public:
  // Paper and margins from the current printer (the default), or the
  // built-in A4-like page.
  CKXTextEngine();
  explicit CKXTextEngine(bool usePrinter);
  ~CKXTextEngine() override;
  CKXTextEngine(const CKXTextEngine&) = delete;
  CKXTextEngine& operator=(const CKXTextEngine&) = delete;

  // ---- Binding and state -----------------------------------------------------------------------
  // The view that shows the text now (null: none). Binding a view takes
  // its scroll position and frame size as the view rectangle.
  virtual void SetHandlerView(LView* view);
  LView* GetHandlerView() const { return mView; }
  virtual void SetTextSplit(bool split) { mSplit = split; }
  bool GetTextSplit() const { return mSplit; }
  virtual void SetAttributes(std::uint16_t attributes) { mAttributes = attributes; }
  std::uint16_t GetAttributes() const { return mAttributes; }
  bool IsEditable() const { return (mAttributes & kKxEngineEditable) != 0; }
  bool GetUsePrinter() const { return mUsePrinter; }
  void SetTextEncoding(std::uint16_t encoding) { mEncoding = encoding; }
  std::uint16_t GetTextEncoding() const { return mEncoding; }
  // Saved in the program's own styled format (as Save As sets for that choice).
  void SetOwnFormat(bool on) { mOwnFormat = on; }
  bool GetOwnFormat() const { return mOwnFormat; }
  // The range whose region was last built for a drag ({-1, 0}: none).
  const SKXRange& GetDragRange() const { return mDragRange; }
  void SetDragRange(const SKXRange& range) { mDragRange = range; }
  void ClearHiliteRgn() { mDragRange = sTextUndefined; }

  // ---- Lifecycle ---------------------------------------------------------------------------------
  void Activate() override;
  void Deactivate() override;
  void Idle() override;
  // Asks the view to focus for drawing.
  void Focus() override;

  // ---- Mouse -------------------------------------------------------------------------------------
  using CKXTextLayer::Click;
  // A click at a local point of the view: clickCount >= 0 a press with
  // that count, -1 tracking while the button is held (scrolls towards a
  // screen edge the point has reached), below -1 the release. Shift
  // (0x200) extends.
  virtual void Click(const SPoint32& local, const EventRecord& event, short clickCount);

  // ---- Keys and text -----------------------------------------------------------------------------
  // Keys go through the layer's DoKey. Enter: with command and option the
  // last deleted text goes in again, with option a page break; Enter itself
  // never reaches the text. A key taken is recorded by a running recorder.
  bool CheckKeyCode(unsigned short key, char modifiers) override;
  void KeyTaken(unsigned short key, char modifiers) override;
  using CKXTextLayer::DoString;
  // Typed text, recorded by a running macro recorder.
  void DoString(const char* text, long len) override;
  // The same, not recorded.
  virtual void InsertString(const char* text, long len);
  virtual void InsertText(KXTextHandle styledText);
  virtual void DoPastePageBreak();
  // The data of `tube` replace `range` as one undoable action of `type`
  // (a drop kind: 15 from elsewhere, 17 a copy within the window; or 41 for
  // a script's data). Nothing readable in the tube changes nothing.
  virtual void DoDragDrop(const SKXRange& range, CKXDataTube& tube, short type);
  // Inline input: the composition `text` (null: none) replaces `range`,
  // then `selection` is selected; startTyping opens the typing action.
  virtual void KeyInline(KXTextHandle text, const SKXRange& range, const SKXRange& selection, bool startTyping);
  // The composition is fixed: `text` replaces `range` with the style and
  // decoration that stand over the whole range (clause underlines dropped).
  virtual void FixInline(const char* text, long len, const SKXRange& range, const SKXUniChar* uni, long nUni);

  // ---- Clipboard runs ----------------------------------------------------------------------------
  // Style and decoration, paragraph style, or all three from the
  // clipboard's "styl", "styw" and "styx", each as one undoable action.
  virtual void DoPasteStyle();
  virtual void DoPasteRuler();
  virtual void DoPasteRulerStyle();

  // ---- Undo --------------------------------------------------------------------------------------
  // Through the view's commander chain (the window's undoer); an engine
  // without a view undoes its own single action.
  void Undo() override;
  void Redo() override;
  // Actions keep the edit object's marks that their edits change (names
  // and ranks) and put them back with their text, also when the edit
  // itself replaced them (text_engine_marks.cpp); a text without marks has
  // none to keep.
  bool HasMarks() const override { return KXTE_GetMarkCount(mEdit) > 0; }
  void GetMarks(KXMarkSet& out) const override;
  void SetMarks(const KXMarkSet& marks) override;

  // The layer's replace-all; a beep when it found nothing to replace.
  long DoReplaceAll(const char* find, long flen, const char* repl, long rlen, long options) override;
  // Every post completes the typing run before it.
  void PostAction(CKXTextAction* action) override;
  // A key joins the typing action only while it is the newest action in
  // effect, nothing waits to be redone and the caret stands at its end.
  CKXTextAction* CheckTyping(unsigned short key, char modifiers) override;
  // The commander that posted actions go to (null: none, the engine keeps
  // its own).
  LCommander* GetPostCommander() const;

  // ---- State broadcasts --------------------------------------------------------------------------
  // A change broadcasts 10003; without the editable bit the flag stays false.
  void SetTextChanged(bool changed) override;
  // Clears the drag range when the selection changes.
  void SetSelectionRange(const SKXRange& range, bool scroll) override;

  // ---- Geometry (image coordinates: the destination's top-left is 0, 0) ----------------------------
  virtual void GetImageSize(SDimension32& size) const;
  // Nothing when equal; height 0 changes the width alone.
  virtual void SetImageSize(const SDimension32& size);
  virtual void GetDestRect(SPoint32& topLeft, SDimension32& size) const;
  virtual void GetViewRect(SPoint32& topLeft, SDimension32& size) const;
  virtual void SetViewRect(const SPoint32& topLeft, const SDimension32& size);
  virtual void DrawArea(const SPoint32& topLeft, const SDimension32& size);
  // View-local to text points and back (unchanged without a view).
  virtual void LocalToPoint(std::int32_t h, std::int32_t v, PointL& point) const;
  virtual void PointToLocal(const PointL& point, std::int32_t& h, std::int32_t& v) const;
  // The edit object follows a scroll of the view by (h, v).
  virtual void ScrollView(std::int32_t h, std::int32_t v, bool refresh);
  // Asks the view to scroll its image by (h, v).
  virtual void ScrollViewBy(std::int32_t h, std::int32_t v);
  // The layer's page moves (go to page, next page...) scroll the bound view,
  // which keeps the edit object's view in step; unbound, the layer's own.
  void ScrollViewBy(long dh, long dv) override;
  // Rebases the view and destination rectangles on the image origin and
  // moves the view's scroll position there.
  virtual void FixImageRect();
  // The image point of the range's start (start true) or of the bottom of
  // its end's line.
  virtual void Range2Image(const SKXRange& range, bool start, SPoint32& point) const;
  // The range a point of the image stands for; always true.
  virtual bool Image2Range(const SPoint32& point, bool* leading, SKXRange* range) const;
  // The selection's outline as a region; a null handle throws 'nilP'.
  virtual void GetHiliteRgn(RgnHandle rgn);
  // The same outline, only over the lines the view rectangle shows and one
  // line beyond each side: a selection of a whole long text has hundreds of
  // thousands of lines, of which a window shows a few dozen.
  void GetViewHiliteRgn(RgnHandle rgn);
  // The outline of any range, the selection left as it was.
  virtual void GetRangeRgn(const SKXRange& range, RgnHandle rgn);

  // ---- Object-model parts ("cha ", "cwor", "cpar", "clin") --------------------------------------------
  // Characters are counted as characters, never as bytes. Any other kind
  // throws -1731. Enumerating parts by rising index steps from the last
  // part found rather than from the range's start.
  virtual long CountParts(const SKXRange& range, OSType kind);
  // The n-th part (from 1) of the range: the kind found, or "null".
  virtual OSType FindNthPart(const SKXRange& range, OSType kind, long n, SKXRange* part);
  // The indices of the first and last part of `range` that `sub` touches.
  virtual OSType FindSubRangePartIndices(const SKXRange& range, OSType kind, const SKXRange& sub, long& first,
                                         long& last);
  // The part of `range` that holds `sub` ("null" when sub lies outside);
  // for characters an empty sub grows by one character.
  virtual OSType FindPart(const SKXRange& range, OSType kind, const SKXRange& sub, SKXRange* part);

  // The script of the runs' fonts when they all share one; the system's
  // script otherwise, or for no runs.
  static short GetStylFontScriptType(const SKXStyl* runs, long count);

  // The edit result word: broadcasts in table order, scrolling last.
  void TextEditResult(std::uint16_t result) override;

 protected:
  // Undo and redo through the window undoer; false when no commander
  // takes them.
  bool ProcessUndoCommand(std::int32_t command);
  void TextChanged(long from, long removed, long inserted) override;
  // Cut, copy and paste go through the host's clipboard, every flavor.
  void TextPutScrap(KXTextHandle text, short kind) override;
  void TextGetScrap(KXTextHandle text, short& kind) override;
  // Forgets the cached part enumeration (the text or its lines changed).
  void ForgetParts() { mPartCache = PartCache{}; }

 private:
  void InitTextEngine(bool usePrinter);
  long PartCode(OSType kind) const;   // throws -1731
  void ScrollPinned(std::int32_t h, std::int32_t v);
  // The selection's outline; over the view's lines only when inView.
  void HiliteRgn(RgnHandle rgn, bool inView);

  // Cut when the engine goes, so that posted actions kept longer know.
  std::shared_ptr<SKXLayerLink> mLink;
  LView* mView = nullptr;
  std::uint16_t mAttributes = kKxEngineEditable;
  bool mOwnFormat = false;
  bool mSplit = false;
  bool mUsePrinter = true;
  SKXRange mDragRange{-1, 0};
  std::uint16_t mEncoding = kKxEncodingShiftJIS;

  // The last part found by index: its kind, the range enumerated, its
  // index, where it lies and the kind the edit object answered.
  struct PartCache {
    long code = 0;
    SKXRange range{-1, 0};
    long index = 0;
    long start = 0;
    long end = 0;
    long found = 0;
  };
  PartCache mPartCache;
};
