// The edit object with pages: a paper with page margins and the printer's
// hard margins, text in one to five columns of equal width, the column-page
// array that cuts the line table into pages, the paper view (pages one
// under the other on a tall image, 6 points apart), page forms, and the
// mappings between points, pages, columns and lines.
//
// Vertical writing is laid out as horizontal text on a paper turned a
// quarter turn: the stored paper height and width (and the page margins)
// are exchanged, and every getter turns them back, so callers always see
// the paper in its printed orientation. Lines and column-pages are 1-based
// in the page operations; column-page entries hold 0-based first lines.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "layout/hdft.h"
#include "layout/page_table.h"
#include "layout/ruled_lines.h"
#include "layout/text_edit.h"
#include "layout/text_form.h"
#include "text/runs/marks.h"

// The page setup stored with documents and preferences (46 bytes stored).
struct SKXPageStyl {
  std::int32_t paperHeight = 0;  // points, in the stored (turned) frame
  std::int32_t paperWidth = 0;
  RectL textArea{};   // the paper less the page margins
  RectL printArea{};  // the paper less the printer's hard margins
  std::int16_t columns = 1;     // 1 = none
  std::int16_t gap = 0;         // the user's gap between columns, points
  std::int16_t pageOffset = 0;  // added to the page index when a number is shown
};
bool operator==(const SKXPageStyl& a, const SKXPageStyl& b);
constexpr long kKxPageStylSize = 46;

// Brings a page style from outside into range: paper 1..32766 on each
// side, both areas inside the paper and at least one point wide and high,
// columns 1-5, gap >= 0. Answers whether it was valid already.
bool KxValidatePageStyl(SKXPageStyl& s);
// Record layout (`p` holds 46 bytes); reading validates.
void KxReadPageStyl(const std::uint8_t* p, SKXPageStyl& s, KxByteOrder order);
void KxWritePageStyl(const SKXPageStyl& s, std::uint8_t* p, KxByteOrder order);
// A4 upright, 34-point margins, no hard margins, one column.
SKXPageStyl KxDefaultPageStyl();

// Space between pages on the paper image.
constexpr long kKxPageSpacing = 6;

// Element kinds of GetPartInfo.
enum KxPartKind : long { kKxPartChar = 1, kKxPartWord = 2, kKxPartPara = 3, kKxPartLine = 4 };
// Index values of GetPartInfo besides a 1-based element number.
constexpr long kKxPartCount = 0;
constexpr long kKxPartOverlap = -1;
constexpr long kKxPartOverlapNumbers = -2;

class CKXTextEditEx : public CKXTextEdit {
 public:
  CKXTextEditEx(const RectL& dest, const RectL& view, const SKXPageStyl& style);
  ~CKXTextEditEx() override;
  // Start-up and shut-down of the edit objects' shared state.
  static void Initialize() { CKXTextEdit::Initialize(); }
  static void Terminate() { CKXTextEdit::Terminate(); }

  // ---- Layout hooks ----------------------------------------------------------------------------
  void CalcText() override;
  // The base relayout, then the pages from the changed line on when line
  // heights or the line count changed.
  long RecalcText(long start, long length, long delta, long& firstLine) override;
  short GetLineExtStyl(SKXLineExtStyl& ext) const override;
  void GetParaStylDefault(SParaStyl& para) const override;

  // ---- Paper, margins, columns (points, printed orientation) ------------------------------------
  // The setters with a recalc byte recompute page size and pages only when
  // it is set; they clear the result word and answer it.
  std::uint16_t SetPaperSize(const PointL& size, std::uint8_t recalc);
  std::uint16_t SetPageMargin(const Rect& margins, std::uint8_t recalc);
  void SetHardMargin(const Rect& margins);
  void SetPageColumn(short columns, short gap);
  void SetPageStartNumber(short offset) { mPageStyl.pageOffset = offset; }
  PointL GetPaperSize() const;
  void GetPageMargin(Rect& margins) const;
  void GetHardMargin(Rect& margins) const;
  // The user's column count and gap (never the widened placement gap).
  void GetPageColumn(short& columns, short& gap) const;
  short GetPageStartNumber() const { return mPageStyl.pageOffset; }
  // v = usable text height of a page, h = width of one column.
  PointL GetPageSize() const;
  std::uint16_t SetPageStyl(const SKXPageStyl& style, std::uint8_t recalc);
  void GetPageStyl(SKXPageStyl& style) const { style = mPageStyl; }

  // ---- Page computation ------------------------------------------------------------------------
  void RecalcPageSize();
  void RecalcCenterMargin();
  // Cuts the line table into column-pages from the column-page holding
  // line `fromLine` on (0 or 1: all).
  void RecalcPage(long fromLine);
  long GetPageCount() const {
    EnsurePages();
    return mPageCount;
  }
  long GetCurPage() const {
    EnsurePages();
    return mCurPage;
  }
  long GetColumnPageCount() const;
  // Column-page `index` (1-based): its first and last line (1-based).
  bool GetColumnPage(long index, long& first, long& last) const;
  std::uint8_t PageCountChanged() const {
    EnsurePages();
    return mPageCountChanged;
  }
  // The gap the columns are placed with: the user's gap widened by the
  // width the equal columns leave over.
  long GetPlacementGap() const { return mPlaceGap; }
  long GetCenterGapOffset() const { return mCenterGap; }
  const RectL& GetPaperImage() const {
    EnsurePages();
    return mPaperImage;
  }
  // Whether the lines are laid out at the width of one column. Paper view
  // and printing place lines in the page's columns; a window that wraps
  // at its own width lays them out wider, and the page size setters (with
  // recalc) bring them back to the column.
  bool LinesFitColumn() const { return LayoutWidth() == mPageSize.h; }
  // Printing places every page at once.
  bool MayDeferLayout() const override { return !IsPrinting(); }
  LayLimit DeferLimit(long first, long top, long changeEnd) const override;
  // Once the deferred lines are all laid out, the paper view's pages are
  // cut and a changed page count is answered as a new image size.
  std::uint16_t FinishLayout(long lines = kAllLines) override;
  // In paper view and while printing, vertical writing turns about the
  // paper image alone, so that a page's point and the view of that page
  // map alike wherever the page lies: a page beyond the destination's edge
  // would shift (the last pages could not be reached), and a destination
  // wider than the pages (a window's) would push them off the sheet.
  long SelViewBottom() const override {
    if (!Paper()) return CKXTextEdit::SelViewBottom();
    EnsurePages();
    return mPaperImage.bottom;
  }
  long RotationReference() const override {
    return IsPrinting() || Paper() ? long(mPaperImage.top) + mPaperImage.bottom : CKXTextEdit::RotationReference();
  }
  // Runnable invariants of the column-pages: they cover every line once,
  // in order, none empty. Answers the first broken rule, or null.
  const char* CheckPages() const;

  // ---- Pages, columns and lines (lines 1-based) --------------------------------------------------
  long GetLineToColmNo(long line) const;
  long GetPageNo(long line) const;
  // Top-left of a page on the paper image (0: the first, negative: the last).
  PointL GetPagePoint(long page) const;
  bool GetPageInfo(long page, short column, long& first, long& last, RectL& textRect, RectL& paperRect) const;
  // Height of a line, the lines to the end of its height run, and in
  // paper view the space after it (the centre gap or the rest of the page).
  short GetLineHeightExAt(long line, long& runCount, short* extra) const;
  long GetLineGapAfter(long line) const override;
  // Page and column of a line and its top-left relative to the first
  // page's text area.
  PointL GetPageLinePointUntilAt(long line, long& page, short& column) const;
  // The line under a point relative to the first page's text area;
  // vOffset = line top - point (zero or negative).
  long GetPageLineFromPoint(const PointL& pt, long& vOffset, long& page, short& column) const;
  void GetCurLineColm(long& line, long& column) const;

  // ---- Paper view mappings (layout space) ----------------------------------------------------------
  long GetPtToLine(const PointL& layout, PointL& lineTopLeft) const override;
  PointL GetLineToPtAt(long line, long column) const override;
  long GetLeftPos(long line) const override;
  long GetRightPos(long line) const override;
  long GetTopPos() const override;
  long GetWidth() const override;
  long GetHeight() const override;
  void SetDestRect(const RectL& dest) override;
  void GetDestRect(RectL& dest) const override;

  // ---- View switches -------------------------------------------------------------------------------
  std::uint16_t SetPaperView(std::uint8_t on);
  std::uint16_t SetGuideView(std::uint8_t on);
  std::uint16_t SetCaretLine(std::uint8_t on);
  bool IsPaperView() const { return GetEditStyl().paperView != 0; }
  std::uint16_t SetVertical(std::uint8_t vertical) override;
  std::uint16_t SetSelPoint(long offset, std::uint8_t extend, std::uint8_t autoView) override;
  // The owner scrolls (the view rectangle has moved already); in paper
  // view the page now under the view's top becomes the current page.
  std::uint16_t Scroll(long dh, long dv) override;

  // ---- Page forms ----------------------------------------------------------------------------------
  // Applies a form (apply 0: only records it); answers the result word.
  std::uint16_t SetFormStyl(const SKXFormStyl& form, std::uint8_t apply);
  void GetFormStyl(SKXFormStyl& form) const { form = mForm; }
  short GetFormStylID() const { return mForm.formID; }
  // A form describing the current setup.
  void GetFormStylDefault(SKXFormStyl& form) const;
  static PointL GetFormStylPaperSize(short kind) { return KxFormPaperSize(kind); }
  static short GetFormStylPaperType(const PointL& size) { return KxFormPaperType(size); }

  // ---- Elements for scripting ----------------------------------------------------------------------
  // index > 0: the index-th element of kind in start..end (outA, outB its
  // bounds); 0: the element count into outA; -1: the elements overlapping
  // outA..outB; -2: the numbers of the first and last of them; below -2:
  // the first element's bounds. Answers the kind, or 1 when the end was cut
  // at the range's end; 0 when there is no such element.
  long GetPartInfo(long index, long kind, long start, long end, long& outA, long& outB) const;

  // ---- Headers and footers ----------------------------------------------------------------------
  // Answer whether the template holds a placeholder.
  bool SetHeaderStyle(short bandHeight, const char* text, long length, const SStyl& style, std::uint8_t alignment,
                      std::uint8_t dateFormat, std::uint8_t timeFormat);
  bool SetFooterStyle(short bandHeight, const char* text, long length, const SStyl& style, std::uint8_t alignment,
                      std::uint8_t dateFormat, std::uint8_t timeFormat);
  const SKXHdFtStyl& GetHeaderStyle() const { return mHeader; }
  const SKXHdFtStyl& GetFooterStyle() const { return mFooter; }
  // The line of one page (pageNumber as shown), at most capacity bytes;
  // with `sides`, the side entries of the name's characters in it.
  long MakeHdFtText(const SKXHdFtStyl& rec, char* out, long capacity, long pageNumber,
                    std::vector<SKXUniChar>* sides = nullptr) const;
  // The number a page shows, and whether its bands are drawn: not while
  // a page-number offset makes it less than 1.
  long GetShownPageNumber(long page) const { return page + mPageStyl.pageOffset; }
  bool IsHdFtShown(long page) const { return mPageStyl.pageOffset == 0 || GetShownPageNumber(page) >= 1; }
  // The name's Shift_JIS bytes, with side entries (offsets into the name)
  // for the characters Shift_JIS lacks; entries out of order, outside the
  // name or inside a character are dropped.
  void SetName(const char* name, long length, const SKXUniChar* sides = nullptr, long sideCount = 0);
  // Copies the name out (no terminator) when out is given; answers its length.
  long GetName(char* out) const;

  // ---- Marks and markups -------------------------------------------------------------------------
  // Both move with every edit. Marks are named ranges with a rank;
  // markups are unnamed ranges drawn underlined.
  long GetMarkCount() const;
  // `name` is a length-prefixed string (null: no name).
  void InsertMark(long from, long to, const unsigned char* name);
  void DeleteMarkAt(long index);
  void GetMarkStringAt(long index, unsigned char* out) const;
  void GetMarkRangeAt(long index, long& start, long& end) const;
  short GetMarkRankAt(long index) const;
  void SetMarkRankAt(long index, short rank);
  long GetMarkDataSize() const;
  long GetMarkData(char* buf, long size) const;
  bool SetMarkData(const char* buf, long size);
  long GetRankDataSize() const;
  void GetRankData(char* buf, long n) const;
  void SetRankData(const char* buf, long n);
  long GetMarkupCount() const;
  void InsertMarkup(long from, long to);
  void DeleteMarkup(long from, long to);
  bool GetMarkup(long pos, long& start, long& end) const;
  long GetMarkupIndex(long offset) const;
  void DeleteMarkupAt(long index);
  void GetMarkupRangeAt(long index, long& start, long& end) const;
  long GetMarkupLocs(long start, long length, long capacity, long* out) const override;
  // Runnable invariants of both arrays; empty when sound.
  std::string CheckMarks() const;
  // Many edits in text order, marks and markups moved once: from HoldMarks
  // on, edits leave them where they stand and are noted; SettleMarks moves
  // them as each noted edit in turn would have (a replace-all's matches
  // one by one, without moving every later mark at each of them). Marks
  // and markups are neither added nor read in between.
  void HoldMarks();
  void SettleMarks();

  // ---- Guides --------------------------------------------------------------------------------------
  // The active form's rules under one line (guide view on; when printing
  // only with the form's flag for printed guides).
  void DrawRuledLineAt(long line, const PointL& at, long width, long height) override;

  // ---- Paper view drawing (text_edit_ex_paper.cpp) -------------------------------------------------
  // Rectangles are in the layout frame unless said otherwise. Outside paper
  // view Draw and DrawLinesAt are the inherited ones, with the guide line
  // and the caret line added to Draw.
  void Draw(const RectL& update) override;
  using CKXTextEdit::Draw;
  // Redraws lines first..first+count-1 (1-based) inside a layout rectangle,
  // ruling what is left of their columns.
  void DrawLinesAt(long first, long count, const RectL& update) override;
  // Rules blank lines of the last line's height from `at` to the clip's
  // bottom (guide view and a ruling style); otherwise the inherited one.
  void DrawBlankLinesAt(long lastLine, const PointL& at, const RectL& clip, std::uint8_t offscreen) override;
  // The sheet of a page, its surround and shadow; nothing while printing
  // or for a page past the page count.
  void DrawPaper(long page, const RectL& paperRect, const RectL& clip);
  // The header or footer band of a page outside its text rectangle.
  void DrawHeader(long page, const RectL& textRect, const RectL& clip);
  void DrawFooter(long page, const RectL& textRect, const RectL& clip);
  // The frame of a page's text area in the form's guide style, with the
  // centre-gap line and its fold marks.
  void DrawPageGuide(long page, const RectL& textRect, const RectL& clip);
  // Outside paper view: the line at the right edge of the text.
  void DrawGuideLine(const RectL& update);
  // Inverts the caret line (exclusive or: the same call takes it away).
  void DrawCaretLine(std::uint8_t show);
  void ViewSelection(std::uint8_t show) override;
  // In paper view the selection is inverted (or framed) one column-page at
  // a time, and each half of a page with a centre gap apart, so that no
  // rectangle crosses a sheet's margins, the space between sheets or the gap.
  int FrameSelection(long a, long b, const RectL& clip, std::uint8_t frame) override;
  bool IsCaretLineShown() const { return mCaretLineShown != 0; }
  const RectL& GetCaretLineRect() const { return mCaretLineRect; }
  // The line at the update's top-left, its page, column and top-left.
  long GetDrawPagePoint(long& page, short& column, PointL& at, const RectL& update) const;
  // The first line of a column-page whose bottom is below the update's top
  // and its top-left; 0 when the column-page does not exist.
  long GetDrawColmPoint(long page, short column, PointL& at, const RectL& update) const;
  // The line at the top of a shown rectangle and its top-left (layout), in
  // paper view through the pages.
  long GetDrawLineEx(PointL& at, const RectL& shown) const;

  // ---- Edits keep marks and markups in step --------------------------------------------------------
  void InsertString(long pos, const char* bytes, long n, const SStyl* styl, const SDeco* deco,
                    const SKXUniChar* uni, long nUni) override;
  void InsertText(long pos, const CKXText* src, short what) override;
  using CKXTextEdit::InsertText;
  void DeleteString(long from, long to) override;

 private:
  struct Cut;
  void MarksInserted(long pos, long length);
  void MarksDeleted(long from, long to);
  bool Paper() const { return IsPaperView(); }
  long Columns() const { return mPageStyl.columns > 1 ? mPageStyl.columns : 1; }
  long PaperStep() const { return long(mPageStyl.paperHeight) + kKxPageSpacing; }
  long UsableHeight() const;
  // The column offset of column `c` (1-based) from the first column.
  long ColumnOffset(long c) const { return (c - 1) * (long(mPageSize.h) + mPlaceGap); }
  // Column-page index (1-based) holding line (1-based).
  long PageIndexOfLine(long line) const;
  void SetImageBottom();
  // Cuts the column-pages from line fromLine on. With `throughLine` or
  // `throughIndex` (> 0) it may stop once the column-page holding that
  // line and the first `throughIndex` column-pages are cut: the rest of
  // the lines then stand in one column-page of their own and wait.
  void RecalcPageFrom(long fromLine, long convergeFrom, long lineDelta, long throughLine = 0,
                      long throughIndex = 0);
  // Pages wait while the layout is deferred: they are cut again from line
  // mPagesFrom on when something asks for them.
  void EnsurePages() const {
    if (mPagesPending) const_cast<CKXTextEditEx*>(this)->RecalcPageFrom(mPagesFrom, -1, 0);
  }
  CKXPageTable* Pages() const {
    EnsurePages();
    return mPages;
  }
  // Cuts what is waiting only as far as line `line` and column-page
  // `index` (the paper view's drawing and caret ask for no more); the
  // column-pages up to there are then as a full cut makes them.
  void EnsurePagesThrough(long line, long index) const;
  // The sheet (1-based) that image coordinate v falls on, the first for
  // anything above it.
  long SheetAt(long v) const { return std::max(0L, (v - mPaperImage.top) / std::max(1L, PaperStep())) + 1; }
  // Cuts what is waiting through every column-page of sheet `sheet`.
  void EnsureSheetsThrough(long sheet) const { EnsurePagesThrough(0, sheet * Columns()); }
  // The column-page index holding line (1-based) in the table as cut.
  long CutPageIndexOfLine(long line) const;
  // The page count, or more than any page asked for while pages wait
  // (the pages asked for were cut through EnsurePagesThrough).
  long KnownPageCount() const;
  void RecalcCurPage();
  void TurnMarginsIn(Rect& m) const;
  void TurnMarginsOut(Rect& m) const;
  void RecalcPageSizeAndLayout(bool relayout);
  // The end of the paragraph holding p: past its return, or the text's end.
  long ParaEndFrom(long p) const;
  // Paper drawing helpers (text_edit_ex_paper.cpp).
  // The paper-view part of DrawLinesAt; widens drawnFirst..drawnLast to
  // the lines a redrawn sheet took in.
  void DrawPaperLines(long first, long last, const RectL& update, long& drawnFirst, long& drawnLast);
  void DrawBand(const SKXHdFtStyl& rec, bool header, long page, const RectL& textRect, const RectL& clip);
  // Fills a layout rectangle with a net of the colour table, or frames it.
  void PaintNet(const RectL& layout, int net, int color, bool frame);
  void PaintGuide(const RectL& layout);
  // The centre gap of the page holding layout v: [top, bottom), empty
  // without one.
  void CenterGapAt(long v, long& top, long& bottom) const;
  long PageTop(long page) const;
  // Rules of styles 7, 8 and 9, which need the line's paragraph.
  void ParaRuleSegments(long line, long width, long height, std::vector<SKXRuleSeg>& out) const;

  CKXPageTable* mPages = nullptr;
  bool mPagesPending = false;
  long mPagesFrom = 0;
  RectL mPaperImage{};
  SKXPageStyl mPageStyl;
  PointL mPageSize{};  // v = text height, h = column width
  long mPlaceGap = 0;
  long mCurPage = 1;
  long mPageCount = 0;
  SKXFormStyl mForm{};
  long mCenterGap = 0;  // height of the first half of a page when the form asks for a centre gap
  std::uint8_t mPageCountChanged = 0;
  SKXHdFtStyl mHeader;
  SKXHdFtStyl mFooter;
  std::string mName;
  std::vector<SKXUniChar> mNameSides;
  CKXMarkArray* mMarks = nullptr;
  CKXMarkupArray* mMarkups = nullptr;
  int mEditDepth = 0;  // nested edits leave the upkeep to the outermost
  bool mMarksHeld = false;
  std::vector<SKXSplice> mSplices;  // the edits since HoldMarks
  std::uint8_t mCaretLineShown = 0;
  RectL mCaretLineRect{};  // layout
};
