// The edit object: a styled text that keeps its laid-out lines (line starts
// and run-coded line heights), lays itself out again after each change,
// maps between offsets and points in its coordinate spaces (vertical
// writing, edit scale, port origin), and keeps the caret and the selection.
//
// Layout space is horizontal and unscaled: v grows down the lines, h along
// a line. Everything that enters or leaves the object as a point or a
// rectangle is in shown space (rotated a quarter turn clockwise in vertical
// writing, then scaled); the port adds its origin offset on top.
//
// Drawing (text_edit_draw.cpp) goes to the port set with SetDrawPort; with
// none, nothing is drawn. What the object draws passes three hooks:
// DrawHook (the lines a relayout changed), InvertArea and FrameArea (caret
// and selection, in port coordinates, as exclusive-or inversions and
// outlines); a subclass may take them over.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "layout/gap_table.h"
#include "layout/linebreak.h"
#include "platform/framework/events.h"
#include "text/base/geometry.h"
#include "text/runs/linearray.h"
#include "text/store/text.h"

class KxPort;

// View settings stored in documents and preferences (12 bytes).
struct SKXEditStyl {
  std::int16_t font = 0;         // default font
  std::int16_t size = 0;         // default size
  std::int16_t tabWidth = 0;     // tab interval in character cells under a page-form grid
  std::uint8_t autoIndent = 0;
  std::uint8_t caretLine = 0;    // the page engine draws the caret line
  std::uint8_t paperView = 0;
  std::uint8_t guideView = 0;
  std::int16_t scale = 0;        // edit scale in percent; 100 is stored as 0
};
static_assert(sizeof(SKXEditStyl) == 12);

// A cursor over the height runs for one relayout: run `index` covers the
// 0-based lines first..end-1 with `code`.
struct SKXHeitCalc {
  static constexpr long kInvalid = 0x7FFFFFFF;
  long index = 0;
  long first = kInvalid;  // kInvalid: look the run up again
  long end = 0;           // kInvalid for the last run
  std::uint16_t code = 0;
  std::uint8_t pageBreak = 0;  // a page-break height was stored, read or deleted
};

// The edit result word: what an operation changed, for the caller to act on.
constexpr std::uint16_t kKxEditScrollMask = 0x000F;  // 1 up, 2 down, 3 left, 4 right
constexpr std::uint16_t kKxEditScrollToSel = 0x0005;  // with kKxEditSelOutside: centre the selection
constexpr std::uint16_t kKxEditTextChanged = 0x0010;
constexpr std::uint16_t kKxEditStylChanged = 0x0020;
constexpr std::uint16_t kKxEditDecoChanged = 0x0040;
constexpr std::uint16_t kKxEditParaChanged = 0x0080;
constexpr std::uint16_t kKxEditSelChanged = 0x0100;
constexpr std::uint16_t kKxEditSelOutside = 0x0200;
constexpr std::uint16_t kKxEditRedrawAll = 0x0400;
constexpr std::uint16_t kKxEditImageSize = 0x0800;
constexpr std::uint16_t kKxEditMarks = 0x1000;

// A relayout's answer meaning "redraw from the first changed line to the end".
constexpr long kKxRedrawToEnd = 32767;

// Movement keys come as the character codes of platform/framework/events.h;
// these are the modifier bits passed with them.
constexpr char kKxModExtend = 1, kKxModLine = 2, kKxModWord = 4;

// A run of lines of one height code, and the height of the lines above it.
struct SKXHeitRun {
  std::int32_t line;  // the run's first line, 0-based
  std::int32_t top;
  std::uint16_t code;
  std::uint16_t pad;  // always 0
};

class CKXTextEdit : public CKXText {
 public:
  // "Every line" for the deferred layout's limits.
  static constexpr long kAllLines = 0x7FFFFFFF;
  CKXTextEdit(const RectL& dest, const RectL& view);
  ~CKXTextEdit() override;

  // ---- Line table (lines are 1-based) ---------------------------------------------
  long GetLineCount() const;
  // The line containing `offset` (clamped to the text).
  virtual long GetLineNo(long offset) const;
  virtual long GetLineOffsetAt(long line) const;
  // Fills info (layout width, plain height; the page-break bit goes to the
  // cursor) and the line's byte count; answers its start. Beyond the last
  // line: info zero, length 0, and the text length.
  virtual long GetLineInfoAt(long line, SKXLineInfo& info, long* length, SKXHeitCalc* hc = nullptr) const;
  // One-line edits of the table; `info.height` is the height code and has
  // its page-break bit cleared on return.
  virtual void InsertLineInfoAt(long line, long offset, SKXLineInfo& info, SKXHeitCalc* hc = nullptr);
  virtual void SetLineInfoAt(long line, long offset, SKXLineInfo& info, SKXHeitCalc* hc = nullptr);
  virtual void DeleteLineInfoAt(long line, SKXHeitCalc* hc = nullptr);
  // Removes lines first..last; answers the sum of their heights.
  virtual long DeleteLinesInfoAt(long first, long last, SKXHeitCalc* hc = nullptr);
  // Leaves the table empty (a layout fills it again).
  virtual void DeleteAllLineInfo();
  static bool SameLineInfo(const SKXLineInfo& a, const SKXLineInfo& b);
  long GetLineHeightAt(long line) const;
  // The space between a line and the next one beyond its height: none
  // here; in paper view the rest of its page or a centre gap.
  virtual long GetLineGapAfter(long /*line*/) const { return 0; }
  std::uint16_t GetLineCodeAt(long line) const;
  // Sum of the heights of lines 1..line-1.
  virtual long GetLineHeightUntilAt(long line) const;
  // The line holding height y (from the top of the text image); delta =
  // that line's top - y.
  virtual long GetLineFromHeight(long y, long& delta) const;
  // Runnable invariants: starts ascending from 0, height runs sorted from
  // line 0, no equal neighbours, the destination height their sum, the
  // deferred part (below) behind the laid-out one. Answers the first broken
  // rule, or null. Lays out what was deferred first.
  const char* Check() const;

  // A relayout lays out the lines through the view at once and defers the
  // rest of a paragraph that goes on past it; every query above finishes
  // the layout it needs first, so that it answers what a complete table
  // would. Lays out the rest now (or about `lines` more of it); answers
  // kKxEditImageSize once the layout is complete and the text's height
  // differs from the one last reported (0 otherwise).
  virtual std::uint16_t FinishLayout(long lines = kAllLines);
  // Lines past the view that a relayout left for later (0: none).
  bool HasDeferredLayout() const { return mLazyLine != 0; }
  // `line` held to the lines there are, laying out no further than it.
  long ClampLine(long line) const {
    LayOnConst(line, 0, 0);
    return std::clamp(line, 1L, std::max(1L, StoredLineCount()));
  }

  // ---- Layout -----------------------------------------------------------------------
  virtual void CalcText();
  // After `delta` bytes changed at `start`, the new text covering `length`
  // bytes: lays out the lines that changed. Answers the number of lines
  // relaid, or kKxRedrawToEnd when everything from firstLine on moved.
  virtual long RecalcText(long start, long length, long delta, long& firstLine);
  // After the store changed from the active end up to `caret`: relayout,
  // caret placement and the redraw request.
  virtual std::uint16_t RecalcAndRedraw(long caret, long delta, std::uint8_t keepStart);
  virtual long GetWidth() const;
  virtual long GetHeight() const;

  // ---- Settings ----------------------------------------------------------------------
  virtual std::uint16_t SetLineStyl(const SKXLineStyl& style, std::uint8_t redraw);
  const SKXLineStyl& GetLineStyl() const { return mLineStyl; }
  virtual std::uint16_t SetEditStyl(const SKXEditStyl& style, std::uint8_t redraw);
  const SKXEditStyl& GetEditStyl() const { return mEditStyl; }
  std::uint16_t SetLineSpace(short space);
  std::uint16_t SetLineTurn(std::uint8_t wrap);
  std::uint16_t SetCtrlView(std::uint8_t show);
  virtual std::uint16_t SetVertical(std::uint8_t vertical);
  void SetAutoIndent(std::uint8_t on) { mEditStyl.autoIndent = on; }
  std::uint8_t GetAutoIndent() const { return mEditStyl.autoIndent; }
  virtual std::uint16_t SetEditScale(short percent);
  short GetEditScale() const { return mEditStyl.scale; }
  // The scale the text is shown at (0 for 100 %): the stored one with the
  // screen's factor on top, never while printing. The factor is nobody's
  // setting: it is neither stored nor shown as the scale.
  short ShownScale() const;
  // The screen's resolution against 72 dots per inch, in percent, for every
  // edit object (100, the default, adds nothing). Set once, before any
  // edit object is made.
  static void SetScreenScale(short percent);
  static short GetScreenScale();

  // ---- Typing attributes and state ------------------------------------------------------
  void SetCurStyl(const SStyl& s) { mCurStyl = s; }
  void GetCurStyl(SStyl& s) const { s = mCurStyl; }
  void SetCurDeco(const SDeco& d) { mCurDeco = d; }
  void GetCurDeco(SDeco& d) const { d = mCurDeco; }
  void SetCurPara(const SParaStyl& p) { mCurPara = p; }
  // Answers whether a paragraph run is cached.
  bool GetCurPara(SParaStyl& p) const;
  void SetModify(std::uint8_t flag) { mModified = flag; }
  std::uint8_t GetModify() const { return mModified; }
  std::uint16_t GetResult() const { return mResult; }
  void GetParaStylDefault(SParaStyl& para) const override;
  short GetScriptType(long pos) const override;
  void ClearScriptType() override;

  // ---- Coordinate spaces ------------------------------------------------------------------
  void VerticalPt(PointL& p, std::uint8_t toShown) const;
  void VerticalRect(RectL& r, std::uint8_t toShown) const;
  void VerticalSetup();
  // The far edge that vertical writing turns about (VerticalSetup): the
  // destination's top plus its bottom.
  virtual long RotationReference() const { return long(ToDestRect().top) + ToDestRect().bottom; }
  virtual void SetDestRect(const RectL& dest);
  virtual void GetDestRect(RectL& dest) const;
  const RectL& ToDestRect() const {
    if (mLazyLine) LayOnConst(kAllLines, kAllLines, kAllLines);
    return mDest;
  }
  virtual long GetLeftPos(long line) const;
  virtual long GetRightPos(long line) const;
  virtual long GetTopPos() const { return mDest.top; }
  // How far down the view may scroll to show the caret (GetSelView): the
  // destination's bottom, the paper image's in paper view.
  virtual long SelViewBottom() const { return mDest.bottom; }
  virtual void SetViewRect(const RectL& view);
  virtual void GetViewRect(RectL& view) const;
  void SetViewRect(const Rect& view);
  void GetViewRect(Rect& view) const;
  // The view with the port origin it is drawn at.
  void SetQDViewRect(const RectL& view, const Point& origin);
  void GetQDViewRect(RectL& view, Point& origin) const;
  // The port's pixel (0, 0) shows this shown point, the view left as it
  // is: drawing far into a long text keeps the port's coordinates small.
  void SetQDOffset(const PointL& shown) {
    mQDOffset = shown;
    mQDOffsetOn = (shown.v != 0 || shown.h != 0) ? 1 : 0;
  }
  void SetScaleViewRect(const RectL& view, const RectL* scaledView, std::uint8_t set);
  virtual std::uint16_t Resize(const RectL& dest, const RectL* view);
  // The layout-space view rectangle.
  const RectL& GetLayoutView() const { return mView; }

  // ---- Points and offsets -------------------------------------------------------------------
  // Shown point (line top, pen position) of an offset.
  virtual PointL GetPoint(long offset) const;
  // Offset of the caret stop nearest to a shown point.
  virtual long GetOffset(const PointL& shown) const;
  virtual long GetPtToLine(const PointL& layout, PointL& lineTopLeft) const;
  virtual PointL GetLineToPtAt(long line, long column) const;
  long GetSizeToColumnAt(long line, long x) const;
  long GetColumnToSizeAt(long line, long column) const;
  void Get1LinePos(long offset, long& start, long& end) const;

  // ---- Caret ---------------------------------------------------------------------------------
  virtual short Activate();
  virtual short Deactivate();
  bool IsActive() const { return mActive != 0; }
  // The active flag alone, without showing or hiding anything.
  void SetActiveFlag(std::uint8_t on) { mActive = on ? 1 : 0; }
  virtual void BlinkCaret(std::uint8_t on);
  virtual short Idle();
  virtual void ReverseCaret(const RectL& clip);
  bool CaretInRect(const RectL& r) const;
  const RectL& GetCaretRect() const { return mCaretRect; }
  bool IsCaretDrawn() const { return mCaretDrawn != 0; }
  long GetCaretLine() const { return mCaretLine; }
  // 32-bit: unwrapped lines are often longer than 32,767 bytes.
  long GetCaretColumn() const { return mCaretColumn; }

  // ---- Selection ----------------------------------------------------------------------------
  // The anchor and the active end (either may be the larger).
  void GetSelect(long& anchor, long& active) const {
    anchor = mSelAnchor;
    active = mSelEnd;
  }
  virtual std::uint16_t SetSelPoint(long offset, std::uint8_t extend, std::uint8_t autoView);
  virtual std::uint16_t SetSelect(long start, long end);
  std::uint16_t PreCalcSelection(long& low, long& high);
  std::uint16_t PreCalcParaSelection(long& low, long& high);
  long DeleteSelection();
  virtual void ViewSelection(std::uint8_t show);
  void ReverseSelection(long a, long b, const RectL& clip);
  virtual void SetHilite(std::uint8_t on);
  bool GetHilite() const { return mHilite != 0; }
  // The range as at most three layout rectangles, clipped, inverted
  // (frame 0) or outlined (frame 1). Answers how many were non-empty.
  virtual int FrameSelection(long a, long b, const RectL& clip, std::uint8_t frame);
  virtual void DrawSelFrame();
  // Widens a one-character bracket selection to its matching bracket.
  bool BalanceSelection(long& start, long& end) const;

  // ---- Clicks ------------------------------------------------------------------------------
  // phase 0 mouse down, 1 up, 2 drag; clickCount below 1: counted here.
  virtual std::uint16_t Click(const PointL& shown, std::uint8_t extend, short phase, short clickCount);
  virtual void SetPosition(const PointL& shown, std::uint8_t extend, short mode);
  short GetClickMode() const { return mClickMode; }

  // ---- Scrolling to the caret and printing ---------------------------------------------------
  std::uint16_t SetSelView(std::uint8_t center);
  PointL GetSelView(std::uint8_t center) const;
  std::uint16_t SetAutoView(std::uint8_t on);
  std::uint8_t GetAutoView() const { return mAutoView; }
  virtual std::uint16_t Scroll(long dh, long dv);
  virtual void UpdateView();
  virtual void SetPrinting(std::uint8_t on);
  bool IsPrinting() const { return mPrinting != 0; }

  // ---- Keys (text_edit_keys.cpp) ------------------------------------------------------------
  // One key with the unit modifiers; answers the result word. A lead byte
  // of the typing script waits for its second byte (answering 0).
  virtual std::uint16_t KeyIn(unsigned char key, char modifiers);
  // Types one character: a byte, or lead * 256 + trail.
  virtual std::uint16_t TypeChar(std::uint16_t code);
  // Backspace or forward Delete by character, word or line.
  virtual std::uint16_t DeleteKey(unsigned char key, char modifiers);
  // Home, End, Page Up, Page Down and the arrows.
  virtual std::uint16_t MoveKey(unsigned char key, char modifiers);
  // The lead byte waiting for its second byte; 0 when none.
  std::uint16_t GetPendingByte() const { return mPendingByte; }
  // The remembered horizontal position of vertical movement; 0 when none.
  long GetRememberedX() const { return mRememberX; }

  // ---- Editing commands (text_edit_cmds.cpp) -----------------------------------------------
  // Each replaces the selection and answers the result word.
  virtual std::uint16_t Insert(const CKXText* source);
  // Bytes in the typing style (side entries relative to the bytes).
  virtual std::uint16_t Insert(const char* bytes, long length, const SKXUniChar* uni, long count);
  // One picture byte with the typing style.
  virtual std::uint16_t InsertPictID(short pictureID);
  // Bytes with their own runs (offsets relative to the bytes), and ruby
  // over them unless an end of the new bytes went inside a ruby base.
  virtual std::uint16_t Replace(const char* bytes, long length, const SKXStyl* styls, long nStyls,
                                const SKXDeco* decos, long nDecos, const SKXPara* paras, long nParas,
                                const SKXUniChar* uni, long nUni, const SKXRuby* ruby = nullptr, long nRuby = 0);
  // Deletes the selection; 0 when it is empty.
  virtual std::uint16_t Delete();
  // The selection into target with the parts that `mode` names (CKXText::kWhat...).
  virtual std::uint16_t Copy(CKXText* target, short mode) const;
  virtual std::uint16_t Cut(CKXText* target);
  // An even mode of 2 or more pastes attributes only: the text keeps its length.
  virtual std::uint16_t Paste(const CKXText* source, short mode);
  // Selects the next match (backward from the selection's lower end with
  // option 1, else forward from its higher end); 0 when there is none.
  virtual std::uint16_t Find(const char* pattern, long length, short options, short script);

  // Character formatting: the selection, or the typing style when it is empty.
  virtual std::uint16_t SetTextStyl(const SStyl& styl);
  virtual std::uint16_t SetTextFont(short font);
  virtual std::uint16_t SetTextSize(short size);
  virtual std::uint16_t SetTextFace(unsigned char face, unsigned char set);
  virtual std::uint16_t SetTextColor(const RGBColor& color);
  virtual std::uint16_t SetTextDeco(const SDeco& deco);
  virtual std::uint16_t SetTextInterLine(unsigned short kind);
  virtual std::uint16_t SetTextUnderLine(unsigned short kind, unsigned char set);
  virtual std::uint16_t SetTextCenterLine(unsigned short kind, unsigned char set);
  virtual std::uint16_t SetTextUpperLine(unsigned short kind, unsigned char set);
  virtual std::uint16_t SetTextLineColor(short color);
  virtual std::uint16_t SetTextNetStyle(unsigned char style);
  virtual std::uint16_t SetTextNetColor(unsigned char color);
  virtual std::uint16_t SetTextExtFace(unsigned char flags, unsigned char set);
  // Ruby over the selection; 0 with an empty selection.
  virtual std::uint16_t SetTextRuby(const unsigned char* text, long length);

  // Paragraph formatting over the paragraphs the selection touches (which
  // become the selection).
  virtual std::uint16_t SetTextParaStyl(const SParaStyl& para, short mask);
  virtual std::uint16_t SetTextParaIndent(short first, short left, short right);
  virtual std::uint16_t SetTextParaLineSpace(short space);
  virtual std::uint16_t SetTextParaCharSpace(short space);
  virtual std::uint16_t SetTextParaJustify(unsigned char justify);
  virtual std::uint16_t SetTextParaTabs(short count, const short* positions, long kinds, long leaders);
  virtual std::uint16_t SetTextParaTabInsert(short position, long kind);
  virtual std::uint16_t SetTextParaTabDelete(short position);
  // Deletes the tab stop at `from` and inserts one of `kind` at `to`.
  virtual std::uint16_t SetTextParaTabMove(short from, short to, long kind);
  // Paragraph styles of start..end equal to `old` under mask become `repl`.
  virtual std::uint16_t ReplaceTextPara(long start, long end, short mask, const SParaStyl& old,
                                        const SParaStyl& repl);

  // The line layout over this text.
  const CKXTextLayout& Layout() const { return mLayout; }

  // ---- Drawing (text_edit_draw.cpp) -----------------------------------------------------------
  // The port the object draws into (null: nothing is drawn).
  void SetDrawPort(KxPort* port) { mDrawPort = port; }
  KxPort* GetDrawPort() const { return mDrawPort; }
  // Redraws a rectangle of shown space (as GetViewRect gives it): lines,
  // the blank below the text, then the highlight or the caret again.
  virtual void Draw(const RectL& update);
  void Draw(const Rect& update);
  // Draws up to `count` lines from `first` erasing under them, within a
  // layout rectangle; past the last line the rest of the clip is erased.
  virtual void DrawLinesAt(long first, long count, const RectL& clip);
  // Draws line `line` with its top-left at pen (layout space) when it meets
  // the clip; the pen moves down by its height.
  virtual void DrawLineAt(long line, PointL& pen, const RectL& clip, std::uint8_t erase);
  virtual void DrawBlankLinesAt(long line, const PointL& pen, const RectL& clip, std::uint8_t erase);
  // The page engine's ruled lines; nothing here.
  virtual void DrawRuledLineAt(long /*line*/, const PointL& /*pen*/, long /*width*/, long /*height*/) {}
  // The first line at the top of a layout rectangle and its top-left.
  long GetDrawPoint(PointL& pen, const RectL& r) const;
  // The same for a rectangle of shown space.
  long GetDrawLine(PointL& pen, const RectL& shown) const;
  // One line's text at a layout pen, through DrawLineText.
  void TextDrawString(const PointL& pen, long start, long length, long width, long height, const RectL& clip);
  // Layout rectangles on the port: rotated, scaled, moved by the origin.
  void TextInvertRect(const RectL& layout);
  void TextFrameRect(const RectL& layout);
  void TextEraseRect(const RectL& layout);
  // Draws one laid-out line (layout/text_draw_line.h); origin and clip are
  // in the unscaled coordinates the drawing toolkit takes.
  virtual void DrawLineText(const PointL& origin, long start, long length, long width, short lineHeight,
                            const SKXLineStyl& style, short scale, const RectL* clip) const;

 protected:
  // ---- Drawing hooks ---------------------------------------------------------------------------
  // Lines first..first+count-1 need drawing (count kKxRedrawToEnd: to the end).
  virtual void DrawHook(long firstLine, long count);
  // Inverts (exclusive or) a port rectangle.
  virtual void InvertArea(const RectL& port);
  // Outlines a port rectangle (exclusive or).
  virtual void FrameArea(const RectL& port);
  // After a redraw painted over them: the highlight or the caret inside
  // a layout rectangle again, when the object is active.
  void RestoreHighlight(const RectL& layout);

  // A layout rectangle in port coordinates: rotated, scaled, moved by the
  // origin offset. Empty when it is empty.
  RectL ToPortRect(const RectL& layout) const;
  // Shown points and rectangles to layout space and back.
  PointL ShownToLayout(const PointL& shown) const;
  PointL LayoutToShown(const PointL& layout) const;
  // The view or the destination moved: the rotation extent.
  long RotationExtent() const;
  long LayoutWidth() const { return mDest.right - mDest.left; }
  bool Vertical() const { return mLineStyl.vertical != 0; }
  // Sets the layout-space destination as it stands (no scale, no turn).
  void SetLayoutDest(const RectL& dest) {
    ToDestRect();
    mDest = dest;
  }
  // The lines in the table, deferred ones included (GetLineCount lays
  // those out first).
  long StoredLineCount() const { return mLines.GetCount(); }
  // Whether a relayout may leave the lines past the view for later.
  virtual bool MayDeferLayout() const { return true; }
  // Where a relayout may stop early: once it is past all three.
  struct LayLimit {
    long line, offset, height;
    long top = 0;  // the height above the first line relaid, which the caller has at hand
  };
  // Where a relayout from line `first` (`top` below the destination's
  // top) over a change ending at changeEnd may stop and defer the rest:
  // past the view's bottom.
  virtual LayLimit DeferLimit(long first, long top, long changeEnd) const;

  std::uint16_t mResult = 0;
  // Lines the last RecalcText laid out afresh from its first line on; the
  // lines after them are the old ones, renumbered.
  long mRelaidLines = 0;

 private:
  struct NewLine {
    std::int32_t offset;
    std::uint16_t code;
  };
  // Line starts with the pending shift applied.
  long StartAt(long line) const;
  // Lines after `line` move by delta (applied lazily).
  void ShiftLinesAfter(long line, long delta) { mLines.Shift(line, delta); }
  // ---- deferred layout ----
  // Lays out deferred lines until line `line` (its start, height and
  // length), the line holding `offset` and the lines above height `height`
  // (from the destination's top) are exact, or everything is.
  void LayOn(long line, long offset, long height);
  void LayOnConst(long line, long offset, long height) const {
    // The table is the layout's cache: completing it changes no answer.
    if (mLazyLine) const_cast<CKXTextEdit*>(this)->LayOn(line, offset, height);
  }
  // Lays lines from `first` (a true start) until a stored start after line
  // k0 and past changeEnd is met again where it can be trusted, the text
  // ends, or `limit` (when given) is passed; replaces what it passed over.
  // Answers the lines laid; oldHeight/newHeight are those of the lines
  // replaced and laid, pageBreak whether either held a page break.
  long Relay(long first, long k0, long changeEnd, const LayLimit* limit, long& oldHeight, long& newHeight,
             bool& pageBreak);
  // The first of the wrapped lines from `line` back whose layout read as
  // far as a change at `start` (the table before `line` still describes the
  // text before the change).
  long FirstLineToRelay(long line, long start) const;
  // Replaces lines first..first+removed-1 (and their heights) by `lines`;
  // running out of memory leaves both tables as they were.
  void SpliceLines(long first, long removed, const NewLine* lines, long count);
  // `n` is the line count before the splice. Allocates before it changes
  // anything.
  void SpliceHeights(long first0, long removed, const NewLine* lines, long count, long n);
  // The height code of line `line0` (0-based).
  std::uint16_t CodeOfLine(long line0) const { return mHeits.At(mHeits.Find(line0)).code; }
  // The height of the lines before line `line0` (0-based), read raw.
  long TopOfLine(long line0) const;
  // Whether a line of first0..last0 (0-based) breaks the page.
  bool RangeBreaks(long first0, long last0) const;
  void StartLineCalc(SKXLineCalc& calc, char* buffer, long capacity, CKXCharState* state) const;
  void CaretRectAt(long line, const PointL& pt);
  void InvertSpan(long a, long b);
  // Highlight change from selection old to new, as exclusive-or spans.
  void ChangeHighlight(long oldA, long oldE, long newA, long newE);
  void UnitAt(long offset, short mode, long& start, long& end) const;
  // Key helpers (text_edit_keys.cpp).
  long WordLeft(long caret) const;
  long WordRight(long caret) const;
  long PageTarget(long caret, bool up) const;
  long VerticalTarget(long caret, bool up, long step);
  // Command frames (text_edit_cmds.cpp): replacing the selection, changing
  // characters or decorations (code -1: the whole record), and changing
  // paragraphs. Defined and used there only.
  template <typename F>
  std::uint16_t ReplaceFrame(F insert);
  std::uint16_t StylCommand(short code, const SStyl& styl);
  std::uint16_t DecoCommand(short code, const SDeco& deco);
  template <typename F>
  std::uint16_t ParaFrame(F apply);
  long ScaleIn(long v) const;
  long ScaleOut(long v) const;

  CKXTextLayoutOf mLayout;
  KxPort* mDrawPort = nullptr;
  TKXGapTable<SKXLine, &SKXLine::offset, CKXLineArray> mLines;
  TKXGapTable<SKXHeitRun, &SKXHeitRun::line, TKXArray<SKXHeitRun>, &SKXHeitRun::top> mHeits;
  // Deferred layout. 0: the table is complete. Else lines before
  // mLazyLine are exact and so is mLazyLine's start; the lines from it on
  // are older lines moved with the text, and a start among them at or
  // past mLazyTrust begins a layout that still holds to the text's end.
  long mLazyLine = 0;
  long mLazyTrust = 0;
  long mLazyTop = 0;         // height of the lines before mLazyLine
  long mReportedHeight = 0;  // the text's height when the deferral began
  bool mHeightOwed = false;  // completed at another height: report it
  // The line FirstLineToRelay laid out last: its start, how far it read and
  // its paragraph's settings. It holds until a change falls before that
  // reach, so typing on along a line lays the line before it out once.
  struct ReachMemo {
    long lineStart = -1;
    long width = 0;
    long reach = 0;
    bool measuredTabs = false, roomierFirstLine = false;
  };
  mutable ReachMemo mReachMemo;

  SKXLineStyl mLineStyl;
  SKXEditStyl mEditStyl;
  RectL mDest{};
  RectL mView{};
  PointL mQDOffset{};  // shown space
  std::uint8_t mQDOffsetOn = 0;
  RectL mScaledView{};  // the shown view as given, when a scale is set
  long mRotation = 0;

  long mSelAnchor = 0;
  long mSelEnd = 0;
  SStyl mCurStyl{};
  SDeco mCurDeco{};
  SParaStyl mCurPara{};
  long mCurParaIndex = 0;  // -1 stale
  std::uint8_t mModified = 0;

  RectL mCaretRect{};
  PointL mCaretPoint{};
  long mCaretLine = 1;
  long mCaretColumn = 0;
  std::uint8_t mHilite = 1;
  std::uint8_t mPrinting = 0;
  std::uint8_t mActive = 0;
  std::uint8_t mAutoView = 0;
  std::uint8_t mCaretDrawn = 0;
  RectL mDrawnCaret{};  // the port rectangle inverted while the caret is drawn
  std::uint32_t mNextBlink = 0;

  long mUnitAnchor = 0;
  long mLastClick = -1;
  std::uint32_t mClickDeadline = 0;
  short mClickMode = 0;
  long mRememberX = 0;
  std::uint16_t mPendingByte = 0;
  short mRepeatCount = 0;
  unsigned char mLastMoveKey = 0;
  std::uint32_t mAccelDeadline = 0;

  mutable long mScriptStart = 0, mScriptEnd = -1;
  mutable short mScriptCode = 0;

  // Saved while printing.
  struct Saved {
    short scale = 0;
    std::uint8_t active = 0, ctrlView = 0, paperView = 0;
    RectL qdView{};
    Point origin{};
  } mSaved;
};
