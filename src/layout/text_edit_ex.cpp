// The edit object with pages: construction, the page style record, paper,
// margins and columns with the vertical exchange, page size and the centre
// gap, view switches, page forms and the paper-view destination.
#include "layout/text_edit_ex.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "platform/exception.h"
#include "text/base/memory.h"
#include "text/runs/marks.h"

namespace {

// A destination this far wider than any column makes the next page-size
// computation lay the whole text out again.
constexpr long kForceRelayout = 32767;

constexpr std::int16_t kDefaultMargin = 34;

// The least paper side and text-area extent a page style may set (an inch,
// half an inch), as for a page read from RTF: anything smaller is no page
// to lay a text out on, only one line a sheet.
constexpr long kLeastPaper = 72, kLeastTextArea = 36;

CKXPageTable* NewPageTable() {
  try {
    return new CKXPageTable;
  } catch (const std::bad_alloc&) {
  } catch (const LException&) {
  }
  KxMemRecovery();
  try {
    return new CKXPageTable;
  } catch (const std::bad_alloc&) {
    throw LException(memFullErr);
  }
}

long ClampTo(long v, long lo, long hi) { return std::max(lo, std::min(v, hi)); }

// An area inside a paper of h x w, at least one point each way.
void ClampArea(RectL& r, long h, long w) {
  const long top = ClampTo(r.top, 0, h - 1), left = ClampTo(r.left, 0, w - 1);
  r = RectL{std::int32_t(top), std::int32_t(left), std::int32_t(ClampTo(r.bottom, top + 1, h)),
            std::int32_t(ClampTo(r.right, left + 1, w))};
}

std::int32_t Get32(const std::uint8_t* p, KxByteOrder order) {
  if (order == KxByteOrder::kBig) return std::int32_t(std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                                                      std::uint32_t(p[2]) << 8 | p[3]);
  return std::int32_t(std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]);
}

std::int16_t Get16(const std::uint8_t* p, KxByteOrder order) {
  return std::int16_t(order == KxByteOrder::kBig ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]));
}

void Put32(std::uint8_t* p, std::int32_t v, KxByteOrder order) {
  const std::uint32_t u = std::uint32_t(v);
  for (int k = 0; k < 4; ++k) p[order == KxByteOrder::kBig ? 3 - k : k] = std::uint8_t(u >> (8 * k));
}

void Put16(std::uint8_t* p, std::int16_t v, KxByteOrder order) {
  const std::uint16_t u = std::uint16_t(v);
  p[order == KxByteOrder::kBig ? 1 : 0] = std::uint8_t(u);
  p[order == KxByteOrder::kBig ? 0 : 1] = std::uint8_t(u >> 8);
}

bool SameRect(const RectL& a, const RectL& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// Columns of a page style that comes in (a stored record, a new style),
// as an RTF page's: the gap held to the text area, and columns that leave
// no point of room beside their gaps are one (they lay off the sheet).
void FitPageColumns(SKXPageStyl& s) {
  const long width = long(s.textArea.right) - s.textArea.left;
  s.gap = std::int16_t(ClampTo(s.gap, 0, ClampTo(width, 0, INT16_MAX)));
  if (s.columns > 1 && (width - (s.columns - 1) * long(s.gap)) / s.columns < 1) s.columns = 1;
}

}  // namespace

// ---- the page style record ------------------------------------------------------------------------

bool operator==(const SKXPageStyl& a, const SKXPageStyl& b) {
  return a.paperHeight == b.paperHeight && a.paperWidth == b.paperWidth && SameRect(a.textArea, b.textArea) &&
         SameRect(a.printArea, b.printArea) && a.columns == b.columns && a.gap == b.gap &&
         a.pageOffset == b.pageOffset;
}

bool KxValidatePageStyl(SKXPageStyl& s) {
  const SKXPageStyl before = s;
  s.paperHeight = std::int32_t(ClampTo(s.paperHeight, 1, kKxPaperMax));
  s.paperWidth = std::int32_t(ClampTo(s.paperWidth, 1, kKxPaperMax));
  ClampArea(s.textArea, s.paperHeight, s.paperWidth);
  ClampArea(s.printArea, s.paperHeight, s.paperWidth);
  s.columns = std::int16_t(ClampTo(s.columns, 1, kKxMaxColumns));
  s.gap = std::max<std::int16_t>(s.gap, 0);
  return s == before;
}

void KxReadPageStyl(const std::uint8_t* p, SKXPageStyl& s, KxByteOrder order) {
  s.paperHeight = Get32(p, order);
  s.paperWidth = Get32(p + 4, order);
  s.textArea = RectL{Get32(p + 8, order), Get32(p + 12, order), Get32(p + 16, order), Get32(p + 20, order)};
  s.printArea = RectL{Get32(p + 24, order), Get32(p + 28, order), Get32(p + 32, order), Get32(p + 36, order)};
  s.columns = Get16(p + 40, order);
  s.gap = Get16(p + 42, order);
  s.pageOffset = Get16(p + 44, order);
  KxValidatePageStyl(s);
  FitPageColumns(s);
}

void KxWritePageStyl(const SKXPageStyl& s, std::uint8_t* p, KxByteOrder order) {
  Put32(p, s.paperHeight, order);
  Put32(p + 4, s.paperWidth, order);
  const std::int32_t fields[8] = {s.textArea.top,  s.textArea.left,  s.textArea.bottom,  s.textArea.right,
                                  s.printArea.top, s.printArea.left, s.printArea.bottom, s.printArea.right};
  for (int k = 0; k < 8; ++k) Put32(p + 8 + 4 * k, fields[k], order);
  Put16(p + 40, s.columns, order);
  Put16(p + 42, s.gap, order);
  Put16(p + 44, s.pageOffset, order);
}

SKXPageStyl KxDefaultPageStyl() {
  SKXPageStyl s;
  const PointL a4 = KxFormPaperSize(0);
  s.paperHeight = a4.v;
  s.paperWidth = a4.h;
  s.textArea = RectL{kDefaultMargin, kDefaultMargin, a4.v - kDefaultMargin, a4.h - kDefaultMargin};
  s.printArea = RectL{0, 0, a4.v, a4.h};
  s.columns = 1;
  return s;
}

// ---- construction -------------------------------------------------------------------------------

CKXTextEditEx::CKXTextEditEx(const RectL& dest, const RectL& view, const SKXPageStyl& style)
    : CKXTextEdit(dest, view), mPageStyl(style) {
  mPages = NewPageTable();
  KxValidatePageStyl(mPageStyl);
  mPaperImage = RectL{dest.top, dest.left, dest.top, dest.left};
  RecalcPageSize();
}

CKXTextEditEx::~CKXTextEditEx() {
  delete mPages;
  delete mMarks;
  delete mMarkups;
}

// ---- paper, margins, columns -----------------------------------------------------------------------

// In vertical writing the stored frame is the printed paper turned a
// quarter turn clockwise: its top is the printed right edge, its left the
// printed top, its bottom the printed left edge, its right the printed
// bottom. TurnMarginsOut is exactly the inverse of TurnMarginsIn, so a
// switch of writing direction gives the margins back unchanged.
void CKXTextEditEx::TurnMarginsIn(Rect& m) const {
  if (!Vertical()) return;
  const Rect p = m;
  m = Rect{p.right, p.top, p.left, p.bottom};
}

void CKXTextEditEx::TurnMarginsOut(Rect& m) const {
  if (!Vertical()) return;
  const Rect s = m;
  m = Rect{s.left, s.bottom, s.right, s.top};
}

std::uint16_t CKXTextEditEx::SetPaperSize(const PointL& size, std::uint8_t recalc) {
  mResult = 0;
  Rect margins, hard;
  GetPageMargin(margins);
  GetHardMargin(hard);
  const long v = ClampTo(size.v, 1, kKxPaperMax), h = ClampTo(size.h, 1, kKxPaperMax);
  mPageStyl.paperHeight = std::int32_t(Vertical() ? h : v);
  mPageStyl.paperWidth = std::int32_t(Vertical() ? v : h);
  SetPageMargin(margins, 0);
  SetHardMargin(hard);
  if (recalc) RecalcPageSize();
  return mResult;
}

std::uint16_t CKXTextEditEx::SetPageMargin(const Rect& margins, std::uint8_t recalc) {
  mResult = 0;
  Rect m = margins;
  TurnMarginsIn(m);
  long t = m.top, b = m.bottom, l = m.left, r = m.right;
  KxClampMarginPair(mPageStyl.paperHeight, t, b);
  KxClampMarginPair(mPageStyl.paperWidth, l, r);
  mPageStyl.textArea = RectL{std::int32_t(t), std::int32_t(l), std::int32_t(mPageStyl.paperHeight - b),
                             std::int32_t(mPageStyl.paperWidth - r)};
  if (recalc) RecalcPageSize();
  return mResult;
}

void CKXTextEditEx::SetHardMargin(const Rect& margins) {
  long t = margins.top, b = margins.bottom, l = margins.left, r = margins.right;
  KxClampMarginPair(mPageStyl.paperHeight, t, b);
  KxClampMarginPair(mPageStyl.paperWidth, l, r);
  mPageStyl.printArea = RectL{std::int32_t(t), std::int32_t(l), std::int32_t(mPageStyl.paperHeight - b),
                              std::int32_t(mPageStyl.paperWidth - r)};
}

void CKXTextEditEx::SetPageColumn(short columns, short gap) {
  mPageStyl.columns = std::int16_t(ClampTo(columns, 1, kKxMaxColumns));
  mPageStyl.gap = std::int16_t(std::max<short>(gap, 0));
}

PointL CKXTextEditEx::GetPaperSize() const {
  return Vertical() ? PointL{mPageStyl.paperWidth, mPageStyl.paperHeight}
                    : PointL{mPageStyl.paperHeight, mPageStyl.paperWidth};
}

void CKXTextEditEx::GetPageMargin(Rect& m) const {
  const RectL& a = mPageStyl.textArea;
  m = Rect{KxPinShort(a.top), KxPinShort(a.left), KxPinShort(long(mPageStyl.paperHeight) - a.bottom),
           KxPinShort(long(mPageStyl.paperWidth) - a.right)};
  TurnMarginsOut(m);
}

void CKXTextEditEx::GetHardMargin(Rect& m) const {
  const RectL& a = mPageStyl.printArea;
  m = Rect{KxPinShort(a.top), KxPinShort(a.left), KxPinShort(long(mPageStyl.paperHeight) - a.bottom),
           KxPinShort(long(mPageStyl.paperWidth) - a.right)};
}

void CKXTextEditEx::GetPageColumn(short& columns, short& gap) const {
  columns = mPageStyl.columns;
  gap = mPageStyl.gap;
}

PointL CKXTextEditEx::GetPageSize() const {
  return Vertical() ? PointL{mPageSize.h, mPageSize.v} : mPageSize;
}

std::uint16_t CKXTextEditEx::SetPageStyl(const SKXPageStyl& style, std::uint8_t recalc) {
  mResult = 0;
  // The style in force set again only lays the lines out again: columns
  // a paper or margin change left without room keep the user's gap for
  // when the room comes back.
  const bool again = style == mPageStyl;
  SKXPageStyl s = style;
  // A stored page with no paper to speak of keeps the paper in force, and
  // one whose text area leaves no room to write (or is turned inside out)
  // keeps the margins in force on its paper; its columns and page numbers
  // are taken all the same.
  if (s.paperHeight < kLeastPaper || s.paperWidth < kLeastPaper) {
    s.paperHeight = mPageStyl.paperHeight;
    s.paperWidth = mPageStyl.paperWidth;
    s.textArea = mPageStyl.textArea;
    s.printArea = mPageStyl.printArea;
  }
  const RectL& a = s.textArea;
  const long h = ClampTo(s.paperHeight, 1, kKxPaperMax), w = ClampTo(s.paperWidth, 1, kKxPaperMax);
  if (a.top < 0 || a.left < 0 || a.bottom > h || a.right > w || long(a.bottom) - a.top < kLeastTextArea ||
      long(a.right) - a.left < kLeastTextArea) {
    const RectL& m = mPageStyl.textArea;
    long top = m.top, left = m.left, bottom = long(mPageStyl.paperHeight) - m.bottom,
         right = long(mPageStyl.paperWidth) - m.right;
    KxClampMarginPair(h, top, bottom);
    KxClampMarginPair(w, left, right);
    s.textArea = RectL{std::int32_t(top), std::int32_t(left), std::int32_t(h - bottom), std::int32_t(w - right)};
  }
  mPageStyl = s;
  KxValidatePageStyl(mPageStyl);
  // A new style's columns that leave no room would lay off the sheet.
  if (!again) FitPageColumns(mPageStyl);
  if (recalc) RecalcPageSize();
  return mResult;
}

// ---- page size --------------------------------------------------------------------------------------

void CKXTextEditEx::RecalcPageSize() { RecalcPageSizeAndLayout(false); }

void CKXTextEditEx::RecalcPageSizeAndLayout(bool relayout) {
  const long W = long(mPageStyl.textArea.right) - mPageStyl.textArea.left;
  const long H = long(mPageStyl.textArea.bottom) - mPageStyl.textArea.top;
  ViewSelection(0);
  const long n = Columns();
  const long g = mPageStyl.gap;
  long c = W;
  mPlaceGap = n > 1 ? g : 0;
  if (n > 1) {
    c = (W - (n - 1) * g) / n;
    if (c < 1) {
      c = 1;  // a gap wider than the area: columns of one point, placed at the user's gap
    } else {
      // The width equal columns leave over widens the gap the columns are
      // placed with; the user's gap stays as it was set.
      const long r = W - ((n - 1) * g + n * c);
      if (r != 0) mPlaceGap = g + r / (n - 1);
    }
  }
  mPageSize = PointL{std::int32_t(H), std::int32_t(c)};
  RecalcCenterMargin();
  RectL dest = ToDestRect();
  if (relayout || long(dest.right) - dest.left != c) {
    dest.right = std::int32_t(dest.left + c);
    SetLayoutDest(dest);
    CKXTextEdit::CalcText();
  } else if (long(dest.bottom) - dest.top != H) {
    mResult |= kKxEditImageSize;
  }
  RecalcPage(0);
  if (Paper()) {
    long anchor = 0, active = 0;
    GetSelect(anchor, active);
    SetSelPoint(active, anchor != active, 0);
  }
  UpdateView();
  ViewSelection(1);
}

void CKXTextEditEx::RecalcCenterMargin() {
  mCenterGap = 0;
  const long gap = mForm.centerGap, pitch = mForm.linePitch;
  if (gap < 1 || !mForm.fixedLine || pitch <= 0) return;
  const long k = (long(mPageSize.v) - gap) / pitch;
  if (k >= 2) mCenterGap = (k / 2) * pitch;
}

long CKXTextEditEx::UsableHeight() const { return mPageSize.v - (mCenterGap > 0 ? long(mForm.centerGap) : 0L); }

// ---- layout hooks ---------------------------------------------------------------------------------

void CKXTextEditEx::CalcText() {
  CKXTextEdit::CalcText();
  RecalcPage(0);
}

CKXTextEdit::LayLimit CKXTextEditEx::DeferLimit(long first, long top, long changeEnd) const {
  if (!Paper()) return CKXTextEdit::DeferLimit(first, top, changeEnd);
  // From the sheet of line `first` (its column-page as last cut: the
  // pages before a change stand) through the view's last sheet and the
  // line after it. Column-pages hold no more than their usable height
  // each, but for a line taller than a page (which stands alone), and a
  // page break ends one early: whatever asks for more (drawing, the caret
  // below the view) lays out what it needs. At least the caret's page
  // and the line after it: the caret is placed at once.
  const long columns = Columns();
  const long firstSheet = (CutPageIndexOfLine(first) - 1) / columns + 1;
  const long viewSheet = SheetAt(GetLayoutView().bottom);
  const long pages = (std::max(0L, viewSheet - firstSheet) + 1) * columns;
  const long long h = top + static_cast<long long>(pages) * std::max(1L, UsableHeight());
  return LayLimit{first + 2 * columns + 1, changeEnd,
                  long(std::min<long long>(h, std::numeric_limits<std::int32_t>::max()))};
}

std::uint16_t CKXTextEditEx::FinishLayout(long lines) {
  std::uint16_t r = CKXTextEdit::FinishLayout(lines);
  if (Paper() && !HasDeferredLayout() && mPagesPending) {
    // The image is as tall as its pages: cut them now, and a new count is
    // a new image size.
    const long before = mPageCount;
    EnsurePages();
    if (mPageCount != before) {
      mResult |= kKxEditImageSize;
      r |= kKxEditImageSize;
    }
  }
  return r;
}

long CKXTextEditEx::RecalcText(long start, long length, long delta, long& firstLine) {
  const long oldCount = StoredLineCount();
  const long n = CKXTextEdit::RecalcText(start, length, delta, firstLine);
  // A page cut after a page-break line depends on that line, so the pages
  // start one line earlier.
  const long from = firstLine > 1 ? firstLine - 1 : 0;
  if (mPagesPending || HasDeferredLayout()) {
    // The pages wait for the lines: cut when asked, from the earliest
    // change on (lines before it kept their numbers).
    mPagesFrom = mPagesPending ? std::min(mPagesFrom, from) : from;
    mPagesPending = true;
    return n;
  }
  if (n != kKxRedrawToEnd) return n;
  const long lineDelta = GetLineCount() - oldCount;
  // Lines from firstLine on were laid out afresh; after them come the old
  // lines, renumbered by lineDelta.
  RecalcPageFrom(from, firstLine - 1 + mRelaidLines, lineDelta);
  return n;
}

short CKXTextEditEx::GetLineExtStyl(SKXLineExtStyl& ext) const {
  ext = SKXLineExtStyl{};
  if (mForm.formID == 0 || mForm.docView) return 0;
  bool any = false;
  // A pitch beyond the page (the paper changed under the form) would set
  // each line or character outside the text area: every page blank.
  auto held = [](std::int16_t pitch, long room) {
    return room > 0 && pitch > room ? std::int16_t(std::min(room, 32767L)) : pitch;
  };
  if (mForm.fixedLine) {
    ext.linePitch = held(mForm.linePitch, UsableHeight());
    any = true;
  }
  if (mForm.fixedChar) {
    ext.charPitch = held(mForm.charPitch, mPageSize.h);
    ext.tabCells = GetEditStyl().tabWidth;
    any = true;
  }
  if (mForm.fixedFont) {
    ext.font = mForm.font;
    ext.size = mForm.size;
    any = true;
  }
  return any ? 1 : 0;
}

void CKXTextEditEx::GetParaStylDefault(SParaStyl& para) const {
  CKXTextEdit::GetParaStylDefault(para);
  if (mForm.formID == 0 || mForm.docPaper) return;
  para.firstIndent = mForm.firstIndent;
  para.leftIndent = mForm.leftIndent;
  para.rightIndent = mForm.rightIndent;
}

// ---- view switches --------------------------------------------------------------------------------

std::uint16_t CKXTextEditEx::SetPaperView(std::uint8_t on) {
  SKXEditStyl s = GetEditStyl();
  on = on ? 1 : 0;
  if (s.paperView == on) return 0;
  ViewSelection(0);
  s.paperView = on;
  SetEditStyl(s, 0);
  long anchor = 0, active = 0;
  GetSelect(anchor, active);
  SetSelPoint(active, anchor != active, 0);
  UpdateView();
  mResult |= kKxEditImageSize;
  ViewSelection(1);
  return mResult;
}

std::uint16_t CKXTextEditEx::SetGuideView(std::uint8_t on) {
  SKXEditStyl s = GetEditStyl();
  on = on ? 1 : 0;
  if (s.guideView == on) return 0;
  ViewSelection(0);
  s.guideView = on;
  SetEditStyl(s, 0);
  UpdateView();
  ViewSelection(1);
  return mResult;
}

std::uint16_t CKXTextEditEx::SetCaretLine(std::uint8_t on) {
  SKXEditStyl s = GetEditStyl();
  on = on ? 1 : 0;
  if (s.caretLine == on) return 0;
  ViewSelection(0);
  s.caretLine = on;
  SetEditStyl(s, 0);
  UpdateView();
  ViewSelection(1);
  return mResult;
}

std::uint16_t CKXTextEditEx::SetVertical(std::uint8_t vertical) {
  vertical = vertical ? 1 : 0;
  if (GetLineStyl().vertical == vertical) return 0;
  mResult = 0;
  const bool active = IsActive();
  if (active) Deactivate();
  ViewSelection(0);
  RectL view;
  Point origin;
  GetQDViewRect(view, origin);
  Rect margins, hard;
  GetPageMargin(margins);
  GetHardMargin(hard);
  std::swap(mPageStyl.paperHeight, mPageStyl.paperWidth);
  SKXLineStyl s = GetLineStyl();
  s.vertical = vertical;
  SetLineStyl(s, 0);
  SetPageMargin(margins, 0);
  SetHardMargin(hard);
  RecalcPageSizeAndLayout(true);
  mResult |= kKxEditTextChanged;
  SetQDViewRect(view, origin);
  if (active) Activate();
  ViewSelection(1);
  return mResult;
}

std::uint16_t CKXTextEditEx::SetSelPoint(long offset, std::uint8_t extend, std::uint8_t autoView) {
  const std::uint16_t r = CKXTextEdit::SetSelPoint(offset, extend, autoView);
  if (mPages && Paper() && (r & kKxEditSelChanged) && !(r & kKxEditSelOutside)) RecalcCurPage();
  return r;
}

void CKXTextEditEx::RecalcCurPage() {
  const RectL& view = GetLayoutView();
  long vOffset = 0, page = 1;
  short column = 1;
  GetPageLineFromPoint(PointL{std::int32_t(view.top - GetTopPos()), 0}, vOffset, page, column);
  mCurPage = page;
  const long caretLine = GetCaretLine();
  const long caretPage = GetPageNo(caretLine);
  if (caretPage != mCurPage) {
    const RectL& caret = GetCaretRect();
    if (caret.top >= view.top && caret.bottom <= view.bottom) mCurPage = caretPage;
  }
}

// ---- paper-view destination --------------------------------------------------------------------------

void CKXTextEditEx::SetDestRect(const RectL& dest) {
  if (!Paper()) {
    CKXTextEdit::SetDestRect(dest);
    const RectL& d = ToDestRect();
    KxOffsetRect(mPaperImage, d.left - mPaperImage.left, d.top - mPaperImage.top);
    return;
  }
  RectL r = dest;
  KxScaleRect(r, ShownScale(), true);
  if (Vertical()) r = RectL{r.left, r.top, r.right, r.bottom};
  KxOffsetRect(mPaperImage, r.left - mPaperImage.left, r.top - mPaperImage.top);
  RectL d = ToDestRect();
  KxOffsetRect(d, r.left - d.left, r.top - d.top);
  SetLayoutDest(d);
}

void CKXTextEditEx::GetDestRect(RectL& dest) const {
  if (!Paper()) {
    CKXTextEdit::GetDestRect(dest);
    return;
  }
  // The paper image is as tall as every page.
  EnsurePages();
  RectL r = mPaperImage;
  if (Vertical()) r = RectL{r.left, r.top, r.right, r.bottom};
  KxScaleRect(r, ShownScale(), false);
  dest = r;
}

long CKXTextEditEx::GetWidth() const {
  if (!Paper()) return CKXTextEdit::GetWidth();
  RectL d;
  GetDestRect(d);
  return long(d.right) - d.left;
}

long CKXTextEditEx::GetHeight() const {
  if (!Paper()) return CKXTextEdit::GetHeight();
  RectL d;
  GetDestRect(d);
  return long(d.bottom) - d.top;
}

// ---- page forms -------------------------------------------------------------------------------------

void CKXTextEditEx::GetFormStylDefault(SKXFormStyl& f) const {
  f = SKXFormStyl{};
  const PointL paper = GetPaperSize();
  if (paper.v > kKxPaperMax || paper.h > kKxPaperMax) {
    f.paperHeight = f.paperWidth = kKxFormPaperLong;
    f.paperHeightL = paper.v;
    f.paperWidthL = paper.h;
  } else {
    f.paperHeight = std::int16_t(paper.v);
    f.paperWidth = std::int16_t(paper.h);
  }
  f.paperKind = KxFormPaperType(paper);
  Rect m;
  GetPageMargin(m);
  f.marginTop = m.top, f.marginLeft = m.left, f.marginBottom = m.bottom, f.marginRight = m.right;
  GetPageColumn(f.columns, f.columnGap);
  f.vertical = Vertical() ? 1 : 0;
  f.paperView = GetEditStyl().paperView ? 1 : 0;
  f.guideView = GetEditStyl().guideView ? 1 : 0;
}

std::uint16_t CKXTextEditEx::SetFormStyl(const SKXFormStyl& form, std::uint8_t apply) {
  SKXFormStyl f = form;
  if (f == SKXFormStyl{}) {
    // The empty form: no form at all; nothing to lay out.
    if (mForm == f) return 0;
    mForm = f;
    RecalcCenterMargin();
    return 0;
  }
  KxValidateFormStyl(f);
  if (f == mForm) return 0;
  if (f.docPaper || f.docView) {
    SKXFormStyl d;
    GetFormStylDefault(d);
    if (f.docPaper) {
      f.paperKind = d.paperKind;
      f.paperHeight = d.paperHeight, f.paperWidth = d.paperWidth;
      f.paperHeightL = d.paperHeightL, f.paperWidthL = d.paperWidthL;
      f.marginTop = d.marginTop, f.marginLeft = d.marginLeft;
      f.marginBottom = d.marginBottom, f.marginRight = d.marginRight;
      f.centerGap = d.centerGap;
      f.columns = d.columns, f.columnGap = d.columnGap;
      f.firstIndent = d.firstIndent, f.leftIndent = d.leftIndent, f.rightIndent = d.rightIndent;
    }
    if (f.docView) {
      f.vertical = d.vertical, f.paperView = d.paperView, f.fixedLine = d.fixedLine;
      f.fixedChar = d.fixedChar, f.fixedFont = d.fixedFont;
      f.linePitch = d.linePitch, f.charPitch = d.charPitch, f.font = d.font, f.size = d.size;
      f.reserved1 = d.reserved1, f.reserved2 = d.reserved2;
    }
  }
  if (!f.fixedLine) f.centerGap = 0;
  mForm = f;
  RecalcCenterMargin();
  if (!apply) return 0;

  if (Vertical()) {
    const std::int16_t id = mForm.formID;
    mForm.formID = 0;
    SetVertical(0);
    mForm.formID = id;
  }
  const bool active = IsActive();
  ViewSelection(0);
  if (active) Deactivate();
  SetPaperSize(KxFormEffectivePaper(mForm), 0);
  SetPageMargin(Rect{mForm.marginTop, mForm.marginLeft, mForm.marginBottom, mForm.marginRight}, 0);
  SetPageColumn(mForm.columns, mForm.columnGap);
  SKXLineStyl ls = GetLineStyl();
  ls.charSpace = mForm.formID != 0 ? kKxCharSpaceGrid : 0;
  ls.wrap = 1;
  SetLineStyl(ls, 0);
  SKXEditStyl es = GetEditStyl();
  es.paperView = mForm.paperView;
  es.guideView = mForm.guideView;
  SetEditStyl(es, 0);
  RectL dest = ToDestRect();
  dest.right = std::int32_t(dest.right + kForceRelayout);
  SetLayoutDest(dest);
  if (mForm.vertical)
    SetVertical(1);
  else
    RecalcPageSizeAndLayout(true);
  SetSelPoint(0, 0, 0);
  UpdateView();
  if (active) Activate();
  ViewSelection(1);
  mResult |= kKxEditImageSize | kKxEditParaChanged | kKxEditTextChanged;
  return mResult;
}
