// The layer's geometry (margins, destination, image and view rectangles in
// both writings), pages, drawing and printing, start-up styles and
// settings, and plain access to the text. None of these records an action.
#include <algorithm>

#include "engine/text_layer_run.h"
#include "layout/text_form_util.h"
#include "platform/memory.h"
#include "platform/textconv.h"
#include "text/base/geometry.h"
#include "text/base/memory.h"

namespace {
// Result bits a writing or form change must not pass on: they would ask
// for a relayout and a selection broadcast that the change has done itself.
constexpr std::uint16_t kResultNoRelayout = std::uint16_t(~(kxlayer::kResultRelayout | 0x0010));
// Keeps the caret clear of the page's edge when jumping to a page.
constexpr long kPageTopGap = 2, kPageRightGap = 3;

// Vertical writing stores margins with their axes exchanged.
Rect Exchanged(const Rect& m) { return {m.left, m.top, m.right, m.bottom}; }

std::int16_t Clamp16(long v) { return std::int16_t(std::clamp<long>(v, -32768, 32767)); }

// A form from a file or the preferences may fix a pitch that no line or
// character fits in: the pitches are held to the page the form will lay
// out, the document's own paper and margins where the form takes those.
SKXFormStyl FittedForm(KXEditHandle edit, const SKXFormStyl& form) {
  SKXFormStyl page = form;
  KxValidateFormStyl(page);
  // No form, or the grid taken from the document: no pitch of the form's.
  if (page.formID == 0 || page.docView) return form;
  if (page.docPaper) {
    SKXFormStyl d;
    KXTE_GetFormStylDefault(edit, d);
    page.paperHeight = d.paperHeight, page.paperWidth = d.paperWidth;
    page.paperHeightL = d.paperHeightL, page.paperWidthL = d.paperWidthL;
    page.marginTop = d.marginTop, page.marginLeft = d.marginLeft;
    page.marginBottom = d.marginBottom, page.marginRight = d.marginRight;
    page.centerGap = d.centerGap;
    page.columns = d.columns, page.columnGap = d.columnGap;
  }
  if (CKXTextFormUtil::FitPitches(page)) return form;
  SKXFormStyl fitted = form;
  fitted.linePitch = page.linePitch;
  fitted.charPitch = page.charPitch;
  return fitted;
}
}  // namespace

// ---- margins and rectangles ------------------------------------------------------------------------------

void CKXTextLayer::SetTextMargins(const Rect& margins) {
  mMargins = KXTE_GetVertical(mEdit) ? Exchanged(margins) : margins;
  if (!mEdit) return;
  RectL d{};
  KXTE_GetDestRect(mEdit, d);
  const std::int32_t h = d.bottom - d.top, w = d.right - d.left;
  KXTE_SetDestRect(mEdit, {mMargins.top, mMargins.left, mMargins.top + h, mMargins.left + w});
}

void CKXTextLayer::GetTextMargins(Rect& margins) const {
  margins = KXTE_GetVertical(mEdit) ? Exchanged(mMargins) : mMargins;
}

void CKXTextLayer::SetImageSize(long width, long height) {
  // Both sides clamp at 0: an image smaller than its margins has an empty
  // destination, never a reversed one.
  const long w = std::max(0L, width - mMargins.left - mMargins.right);
  const long h = std::max(0L, height - mMargins.top - mMargins.bottom);
  SetDestRect({mMargins.top, mMargins.left, std::int32_t(mMargins.top + h), std::int32_t(mMargins.left + w)});
}

void CKXTextLayer::GetImageSize(long& width, long& height) const {
  RectL d{};
  GetDestRect(d);
  width = long(d.right) - d.left + mMargins.left + mMargins.right;
  height = long(d.bottom) - d.top + mMargins.top + mMargins.bottom;
}

void CKXTextLayer::SetDestRect(const RectL& rect) {
  Focus();
  const std::int32_t h = std::max(0, rect.bottom - rect.top), w = std::max(0, rect.right - rect.left);
  const RectL r{mMargins.top, mMargins.left, mMargins.top + h, mMargins.left + w};
  TextEditResult(KXTE_Resize(mEdit, r, nullptr));
}

void CKXTextLayer::GetDestRect(RectL& rect) const { KXTE_GetDestRect(mEdit, rect); }

void CKXTextLayer::SetViewRect(const RectL& rect) {
  PointL origin{};
  LocalToPoint(0, 0, origin);
  KXTE_SetQDViewRect(mEdit, rect, Point{Clamp16(origin.v), Clamp16(origin.h)});
}

void CKXTextLayer::GetViewRect(RectL& rect) const { KXTE_GetViewRect(mEdit, rect); }

void CKXTextLayer::LocalToPoint(long h, long v, PointL& point) const { point = {std::int32_t(v), std::int32_t(h)}; }

void CKXTextLayer::PointToLocal(const PointL& point, long& h, long& v) const {
  h = point.h;
  v = point.v;
}

void CKXTextLayer::RangeToPoint(const SKXRange& range, PointL& point) const {
  point = KXTE_GetPoint(mEdit, CropRange(range).start);
}

SKXRange CKXTextLayer::PointToRange(const PointL& point) const {
  const long offset = KXTE_GetOffset(mEdit, point);
  return {std::int32_t(offset), std::int32_t(ThisCharSize(offset))};
}

bool CKXTextLayer::PointInRange(const PointL& point, const SKXRange& range) const {
  const SKXRange r = CropRange(range);
  const long offset = KXTE_GetOffset(mEdit, point);
  if (r.length == 0) return offset == r.start;
  return offset >= r.start && offset < long(r.start) + r.length;
}

void CKXTextLayer::ScrollViewBy(long dh, long dv) { TextEditResult(KXTE_Scroll(mEdit, -dh, -dv)); }

// ---- pages ------------------------------------------------------------------------------------------------

bool CKXTextLayer::SetCurPage(long page) {
  if (page < 1 || page > KXTE_GetPageCount(mEdit)) return false;
  const PointL at = KXTE_GetPagePoint(mEdit, page);
  RectL view{};
  GetViewRect(view);
  if (!KXTE_GetVertical(mEdit)) {
    ScrollViewBy(0, long(at.v) - view.top - kPageTopGap);
  } else {
    // Pages run right to left, and a vertical page's point is its left
    // edge: its right edge lies a shown paper width further. The view's
    // left edge stays at 0 or right of it.
    const long paperWidth = KxScaleLong(KXTE_GetPaperSize(mEdit).h, KXTE_GetShownScale(mEdit), false);
    const long right = long(at.h) + paperWidth;
    const long dh = std::max(right - view.right + kPageRightGap, -long(view.left));
    ScrollViewBy(dh, 0);
  }
  return true;
}

void CKXTextLayer::DrawArea(const RectL& rect) {
  Focus();
  KXTE_Draw(mEdit, rect);
}

void CKXTextLayer::DrawLineRange(long first, long last, const RectL& rect) {
  Focus();
  if (last >= first) KXTE_DrawRange(mEdit, first, last - first + 1, rect);
}

bool CKXTextLayer::PrintPage(long page, const RectL& rect) {
  if (page < 1 || page > KXTE_GetPageCount(mEdit)) return false;
  // Printing mode keeps the view and its drawing origin and puts them back
  // when it ends; setting them again here would pair the scrolled view with
  // another origin and draw the window's text off its port.
  KXTE_SetPrinting(mEdit, 1);
  // Vertical writing turns about the pages and the view together: a view
  // wider than the pages (a window's, over a text of one page) would move
  // the page off the sheet by the difference. The page's point is taken
  // with no view yet.
  if (KXTE_GetVertical(mEdit)) KXTE_SetQDViewRect(mEdit, RectL{}, Point{});
  const PointL at = KXTE_GetPagePoint(mEdit, page);
  const std::int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  const RectL view{at.v, at.h, at.v + h, at.h + w};
  KXTE_SetQDViewRect(mEdit, view, Point{Clamp16(rect.top), Clamp16(rect.left)});
  KXTE_Draw(mEdit, view);
  KXTE_SetPrinting(mEdit, 0);
  return true;
}

// ---- styles and settings ------------------------------------------------------------------------------------

void CKXTextLayer::SetStartup(const SKXLineStyl& line, const SKXEditStyl& edit, const SKXPageStyl* page,
                              const SKXFormStyl* form) {
  Rect margins{};
  GetTextMargins(margins);
  KXTE_SetLineStyl(mEdit, line, 0);
  KXTE_SetEditStyl(mEdit, edit, GetTotalRange().length == 0 ? 1 : 0);
  if (page) KXTE_SetPageStyl(mEdit, *page, 1);
  if (form) KXTE_SetFormStyl(mEdit, FittedForm(mEdit, *form), 0);
  SetScriptTypeFromFont(edit.font);
  SetTextMargins(margins);
}

void CKXTextLayer::SetStartupStyl(const SKXLineStyl& line, const SKXEditStyl& edit, const RGBColor& color) {
  Focus();
  std::uint16_t result = KXTE_SetLineStyl(mEdit, line, 0);
  result |= KXTE_SetEditStyl(mEdit, edit, 1);
  SetStartupColor(color);
  SetScriptTypeFromFont(edit.font);
  TextEditResult(result);
}

void CKXTextLayer::SetStartupColor(const RGBColor& color) {
  if (KXText_GetStylCount(mEdit) != 1) return;
  SKXStyl run{};
  KXText_GetStyls(mEdit, &run, 1);
  run.styl.color = color;
  run.offset = 0;
  KXText_SetStyls(mEdit, &run, 1);
  SStyl cur{};
  KXTE_GetCurStyl(mEdit, cur);
  cur.color = color;
  KXTE_SetCurStyl(mEdit, cur);
}

void CKXTextLayer::SetEditStyl(const SKXLineStyl& line, const SKXEditStyl& edit, bool lineFirst) {
  Focus();
  std::uint16_t result = 0;
  if (!lineFirst) {
    result |= KXTE_SetEditStyl(mEdit, edit, 0);
    result |= KXTE_SetLineStyl(mEdit, line, 1);
  } else {
    result |= KXTE_SetLineStyl(mEdit, line, 0);
    result |= KXTE_SetEditStyl(mEdit, edit, 1);
  }
  SetScriptTypeFromFont(edit.font);
  TextEditResult(result);
}

void CKXTextLayer::SetPageStyl(const SKXPageStyl& page) {
  // The page size recomputed may lay the lines out again and move the caret.
  Focus();
  TextEditResult(KXTE_SetPageStyl(mEdit, page, 1));
}

void CKXTextLayer::LayOutAgain() {
  Focus();
  KXTE_CalcText(mEdit);
  TextEditResult(kxlayer::kResultRelayout | kxlayer::kResultRedraw);
}

void CKXTextLayer::GetFormStyl(SKXFormStyl& form) const {
  KXTE_GetFormStyl(mEdit, form);
  if (form.formID == 0) KXTE_GetFormStylDefault(mEdit, form);
}

void CKXTextLayer::GetFormStylDefault(SKXFormStyl& form) const {
  if (KXTE_GetFormStylID(mEdit) != 0)
    form = mFormDefault;
  else
    KXTE_GetFormStylDefault(mEdit, form);
}

void CKXTextLayer::SetFormStyl(const SKXFormStyl& form) {
  Focus();
  if (KXTE_GetFormStylID(mEdit) == 0) KXTE_GetFormStylDefault(mEdit, mFormDefault);
  const bool wasVertical = KXTE_GetVertical(mEdit) != 0;
  const std::uint16_t result = KXTE_SetFormStyl(mEdit, FittedForm(mEdit, form), 1);
  if ((KXTE_GetVertical(mEdit) != 0) != wasVertical) mMargins = Exchanged(mMargins);
  // A new form relays the text out under other rules: no action reaches
  // back across it.
  if (result != 0) PostAction(nullptr);
  TextEditResult(result & kResultNoRelayout);
}

void CKXTextLayer::SetVertical(bool vertical) {
  if ((KXTE_GetVertical(mEdit) != 0) == vertical) return;
  Focus();
  const std::uint16_t result = KXTE_SetVertical(mEdit, vertical ? 1 : 0);
  mMargins = Exchanged(mMargins);
  TextEditResult(result & kResultNoRelayout);
}

void CKXTextLayer::SetEditScale(short percent) { TextEditResult(KXTE_SetEditScale(mEdit, percent)); }
void CKXTextLayer::SetAutoView(bool on) { TextEditResult(KXTE_SetAutoView(mEdit, on ? 1 : 0)); }
void CKXTextLayer::SetCtrlView(bool on) { TextEditResult(KXTE_SetCtrlView(mEdit, on ? 1 : 0)); }
void CKXTextLayer::SetLineTurn(bool on) { TextEditResult(KXTE_SetLineTurn(mEdit, on ? 1 : 0)); }
void CKXTextLayer::SetPaperView(bool on) { TextEditResult(KXTE_SetPaperView(mEdit, on ? 1 : 0)); }
void CKXTextLayer::SetGuideView(bool on) { TextEditResult(KXTE_SetGuideView(mEdit, on ? 1 : 0)); }
void CKXTextLayer::SetCaretLine(bool on) { TextEditResult(KXTE_SetCaretLine(mEdit, on ? 1 : 0)); }

void CKXTextLayer::SetPaperSize(const PointL& size, bool recalc) {
  TextEditResult(KXTE_SetPaperSize(mEdit, size, recalc ? 1 : 0));
}

void CKXTextLayer::SetPageMargin(const Rect& margins, bool recalc) {
  TextEditResult(KXTE_SetPageMargin(mEdit, margins, recalc ? 1 : 0));
}

void CKXTextLayer::SetDescriptor(const unsigned char* pascalName) {
  if (!pascalName) return;
  KXTE_SetName(mEdit, reinterpret_cast<const char*>(pascalName + 1), pascalName[0]);
}

void CKXTextLayer::SetDescriptor(const unsigned char* pascalName, const std::string& utf8Name) {
  if (!pascalName) return;
  const std::string title(reinterpret_cast<const char*>(pascalName + 1), pascalName[0]);
  // A name Shift_JIS holds prints the title's own bytes.
  if (KxScriptTextToUTF8(title) == utf8Name || !KXTE_SetNameUTF8(mEdit, utf8Name.data(), long(utf8Name.size())))
    SetDescriptor(pascalName);
}

// ---- text access ------------------------------------------------------------------------------------------------

void CKXTextLayer::TextGetThruHandle(const SKXRange& range, Handle& handle) const {
  const SKXRange r = CropRange(range);
  if (!handle) {
    handle = NewHandle(r.length);
    if (!handle) KxMemThrowError();
  } else if (long(GetHandleSize(handle)) != r.length) {
    SetHandleSize(handle, r.length);
    if (long(GetHandleSize(handle)) != r.length) KxMemThrowError();
  }
  if (r.length > 0) TextGetThruPtr(r, *handle, r.length);
}

void CKXTextLayer::TextReplaceByHandle(const SKXRange& range, Handle handle) {
  if (!handle) return;
  const std::string bytes(*handle, std::size_t(GetHandleSize(handle)));
  TextReplaceByPtr(range, bytes.data(), long(bytes.size()));
}

void CKXTextLayer::TextSetText(const char* bytes, long len, const SKXStyl* styl, long nStyl, const SKXDeco* deco,
                               long nDeco, const SKXPara* para, long nPara, const SKXUniChar* uni, long nUni,
                               const SKXRuby* ruby, long nRuby) {
  Focus();
  const long before = GetTotalRange().length;
  SetSelectionRange(sTextAll, false);
  std::uint16_t result = KXTE_Delete(mEdit);
  KXText_SetTextWithUniChars(mEdit, bytes, std::max(0L, len), styl, std::int32_t(nStyl), deco, std::int32_t(nDeco),
                             para, std::int32_t(nPara), uni, std::int32_t(nUni));
  if (ruby && nRuby > 0) KXText_SetRubys(mEdit, ruby, std::int32_t(nRuby));
  KXTE_CalcText(mEdit);
  result |= kxlayer::kResultRelayout | kxlayer::kResultRedraw;
  TextChanged(0, before, GetTotalRange().length);
  TextEditResult(result);
}

void CKXTextLayer::TextSetText(KXTextHandle text) { ReplaceWholeText(text, false); }

void CKXTextLayer::TextTakeText(KXTextHandle text) { ReplaceWholeText(text, true); }

void CKXTextLayer::ReplaceWholeText(KXTextHandle text, bool take) {
  if (!text) return;
  Focus();
  const long before = GetTotalRange().length;
  SetSelectionRange(sTextAll, false);
  std::uint16_t result = KXTE_Delete(mEdit);
  if (take)
    KXText_SetTaken(mEdit, text);
  else
    KXText_SetDuplicate(mEdit, text);
  KXTE_CalcText(mEdit);
  result |= kxlayer::kResultRelayout | kxlayer::kResultRedraw;
  TextChanged(0, before, GetTotalRange().length);
  TextEditResult(result);
}

long CKXTextLayer::GetUniCharsCount(const SKXRange& range) const {
  const SKXRange r = CropRange(range);
  return KXText_GetSelUniCharsCount(mEdit, r.start, long(r.start) + r.length);
}

long CKXTextLayer::GetUniChars(const SKXRange& range, SKXUniChar* out, long n) const {
  const SKXRange r = CropRange(range);
  if (!out || n <= 0) return 0;
  return KXText_GetSelUniChars(mEdit, r.start, long(r.start) + r.length, out, std::int32_t(n));
}
