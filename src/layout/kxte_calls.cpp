// KXTE_*: null-handle checks in front of the edit object's operations.
#include "layout/kxte_api.h"

#include <cstring>

#include "layout/text_edit_ex.h"

namespace {
CKXTextEditEx* EditOf(KXEditHandle h) { return KXHandleAccess::Edit(h); }
}  // namespace

void KXTE_DrawSelFrame(KXEditHandle e) {
  if (auto* x = EditOf(e)) x->DrawSelFrame();
}

long KXTE_GetLineCount(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? long(x->GetLineCount()) : long{};
}

long KXTE_GetLineNumber(KXEditHandle e, long offset) {
  auto* x = EditOf(e);
  return x ? long(x->GetLineNo(offset)) : long{};
}

long KXTE_GetLineOffset(KXEditHandle e, long line) {
  auto* x = EditOf(e);
  return x ? long(x->GetLineOffsetAt(line)) : long{};
}

long KXTE_GetLineHeight(KXEditHandle e, long line) {
  auto* x = EditOf(e);
  return x ? long(x->GetLineHeightAt(line)) : long{};
}

void KXTE_CalcText(KXEditHandle e) {
  if (auto* x = EditOf(e)) x->CalcText();
}

short KXTE_Activate(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? short(x->Activate()) : short{};
}

short KXTE_Deactivate(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? short(x->Deactivate()) : short{};
}

void KXTE_SetActivate(KXEditHandle e, std::uint8_t on) {
  if (auto* x = EditOf(e)) x->SetActiveFlag(on);
}

std::uint8_t KXTE_GetActivate(KXEditHandle e) {
  auto* x = EditOf(e);
  if (!x) return {};
  return x->IsActive() ? 1 : 0;
}

void KXTE_SetHilite(KXEditHandle e, std::uint8_t on) {
  if (auto* x = EditOf(e)) x->SetHilite(on);
}

std::uint8_t KXTE_GetHilite(KXEditHandle e) {
  auto* x = EditOf(e);
  if (!x) return {};
  return x->GetHilite() ? 1 : 0;
}

void KXTE_SetPrinting(KXEditHandle e, std::uint8_t on) {
  if (auto* x = EditOf(e)) x->SetPrinting(on);
}

std::uint16_t KXTE_KeyIn(KXEditHandle e, unsigned char key, char modifiers) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->KeyIn(key, modifiers)) : std::uint16_t{};
}

std::uint16_t KXTE_Click(KXEditHandle e, const PointL& where, std::uint8_t extend, short phase, short clickCount) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Click(where, extend, phase, clickCount)) : std::uint16_t{};
}

short KXTE_Idle(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? short(x->Idle()) : short{};
}

std::uint16_t KXTE_LayOutDeferred(KXEditHandle e) {
  // A share small enough that a key typed meanwhile waits for no more.
  constexpr long kLinesPerTurn = 20000;
  auto* x = EditOf(e);
  return x ? x->FinishLayout(kLinesPerTurn) : std::uint16_t{};
}

std::uint16_t KXTE_SetSelect(KXEditHandle e, long start, long end) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetSelect(start, end)) : std::uint16_t{};
}

void KXTE_GetSelect(KXEditHandle e, long& anchor, long& active) {
  if (auto* x = EditOf(e)) x->GetSelect(anchor, active);
}

std::uint16_t KXTE_Paste(KXEditHandle e, KXTextHandle source, short mode) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Paste(KXHandleAccess::Text(source), mode)) : std::uint16_t{};
}

std::uint16_t KXTE_Delete(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Delete()) : std::uint16_t{};
}

std::uint16_t KXTE_Insert(KXEditHandle e, KXTextHandle source) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Insert(KXHandleAccess::Text(source))) : std::uint16_t{};
}

std::uint16_t KXTE_InsertText(KXEditHandle e, const char* bytes, long length) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Insert(bytes, length, nullptr, 0)) : std::uint16_t{};
}

std::uint16_t KXTE_InsertTextWithUniChars(KXEditHandle e, const char* bytes, long length, const SKXUniChar* uni,
                                          std::int32_t count) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Insert(bytes, length, uni, count)) : std::uint16_t{};
}

std::uint16_t KXTE_Find(KXEditHandle e, const char* pattern, long length, short options, short script) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Find(pattern, length, options, script)) : std::uint16_t{};
}

std::uint16_t KXTE_Replace(KXEditHandle e, const char* bytes, long length, const SKXStyl* styls, std::int32_t nStyls,
                           const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras, std::int32_t nParas) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Replace(bytes, length, styls, nStyls, decos, nDecos, paras, nParas, nullptr, 0))
           : std::uint16_t{};
}

std::uint16_t KXTE_ReplaceWithUniChars(KXEditHandle e, const char* bytes, long length, const SKXStyl* styls,
                                       std::int32_t nStyls, const SKXDeco* decos, std::int32_t nDecos,
                                       const SKXPara* paras, std::int32_t nParas, const SKXUniChar* uni,
                                       std::int32_t nUni, const SKXRuby* ruby, std::int32_t nRuby) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Replace(bytes, length, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni, ruby,
                                      nRuby))
           : std::uint16_t{};
}

std::uint16_t KXTE_SetTextStyl(KXEditHandle e, const SStyl& styl) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextStyl(styl)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextDeco(KXEditHandle e, const SDeco& deco) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextDeco(deco)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextFont(KXEditHandle e, short font) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextFont(font)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextSize(KXEditHandle e, short size) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextSize(size)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextFace(KXEditHandle e, unsigned char face, unsigned char set) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextFace(face, set)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextColor(KXEditHandle e, const RGBColor& color) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextColor(color)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextInterLine(KXEditHandle e, unsigned short kind) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextInterLine(kind)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextUnderLine(KXEditHandle e, unsigned short kind, unsigned char set) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextUnderLine(kind, set)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextCenterLine(KXEditHandle e, unsigned short kind, unsigned char set) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextCenterLine(kind, set)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextUpperLine(KXEditHandle e, unsigned short kind, unsigned char set) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextUpperLine(kind, set)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextLineColor(KXEditHandle e, short color) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextLineColor(color)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextNetStyle(KXEditHandle e, unsigned char style) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextNetStyle(style)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextNetColor(KXEditHandle e, unsigned char color) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextNetColor(color)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextExtFace(KXEditHandle e, unsigned char flags, unsigned char set) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextExtFace(flags, set)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextRuby(KXEditHandle e, const unsigned char* text, long length) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextRuby(text, length)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaStyl(KXEditHandle e, const SParaStyl& para, short mask) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaStyl(para, mask)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaIndent(KXEditHandle e, short first, short left, short right) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaIndent(first, left, right)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaLineSpace(KXEditHandle e, short space) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaLineSpace(space)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaCharSpace(KXEditHandle e, short space) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaCharSpace(space)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaJustify(KXEditHandle e, unsigned char justify) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaJustify(justify)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaTabs(KXEditHandle e, short count, const short* positions, long kinds, long leaders) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaTabs(count, positions, kinds, leaders)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaTabInsert(KXEditHandle e, short position, long kind) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaTabInsert(position, kind)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaTabDelete(KXEditHandle e, short position) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaTabDelete(position)) : std::uint16_t{};
}

std::uint16_t KXTE_SetTextParaTabMove(KXEditHandle e, short from, short to, long kind) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetTextParaTabMove(from, to, kind)) : std::uint16_t{};
}

std::uint16_t KXTE_ReplaceTextPara(KXEditHandle e, long start, long end, short mask, const SParaStyl& old,
                                   const SParaStyl& repl) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->ReplaceTextPara(start, end, mask, old, repl)) : std::uint16_t{};
}

long KXTE_GetOffset(KXEditHandle e, const PointL& where) {
  auto* x = EditOf(e);
  return x ? long(x->GetOffset(where)) : long{};
}

PointL KXTE_GetPoint(KXEditHandle e, long offset) {
  auto* x = EditOf(e);
  return x ? x->GetPoint(offset) : PointL{};
}

void KXTE_Get1LinePos(KXEditHandle e, long offset, long& start, long& end) {
  if (auto* x = EditOf(e)) x->Get1LinePos(offset, start, end);
}

void KXTE_SetCurStyl(KXEditHandle e, const SStyl& styl) {
  if (auto* x = EditOf(e)) x->SetCurStyl(styl);
}

void KXTE_GetCurStyl(KXEditHandle e, SStyl& styl) {
  if (auto* x = EditOf(e)) x->GetCurStyl(styl);
}

void KXTE_GetCurDeco(KXEditHandle e, SDeco& deco) {
  if (auto* x = EditOf(e)) x->GetCurDeco(deco);
}

bool KXTE_GetCurPara(KXEditHandle e, SParaStyl& para) {
  auto* x = EditOf(e);
  return x ? x->GetCurPara(para) : bool{};
}

std::uint16_t KXTE_SetLineStyl(KXEditHandle e, const SKXLineStyl& style, std::uint8_t redraw) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetLineStyl(style, redraw)) : std::uint16_t{};
}

void KXTE_GetLineStyl(KXEditHandle e, SKXLineStyl& style) {
  if (auto* x = EditOf(e)) style = x->GetLineStyl();
}

std::uint16_t KXTE_SetEditStyl(KXEditHandle e, const SKXEditStyl& style, std::uint8_t redraw) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetEditStyl(style, redraw)) : std::uint16_t{};
}

void KXTE_GetEditStyl(KXEditHandle e, SKXEditStyl& style) {
  if (auto* x = EditOf(e)) style = x->GetEditStyl();
}

std::uint16_t KXTE_SetLineTurn(KXEditHandle e, std::uint8_t wrap) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetLineTurn(wrap)) : std::uint16_t{};
}

std::uint8_t KXTE_GetLineTurn(KXEditHandle e) {
  auto* x = EditOf(e);
  if (!x) return {};
  return x->GetLineStyl().wrap;
}

std::uint16_t KXTE_SetCtrlView(KXEditHandle e, std::uint8_t show) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetCtrlView(show)) : std::uint16_t{};
}

std::uint8_t KXTE_GetCtrlView(KXEditHandle e) {
  auto* x = EditOf(e);
  if (!x) return {};
  return x->GetLineStyl().controlView;
}

std::uint16_t KXTE_SetVertical(KXEditHandle e, std::uint8_t vertical) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetVertical(vertical)) : std::uint16_t{};
}

std::uint8_t KXTE_GetVertical(KXEditHandle e) {
  auto* x = EditOf(e);
  if (!x) return {};
  return x->GetLineStyl().vertical;
}

void KXTE_SetAutoIndent(KXEditHandle e, std::uint8_t on) {
  if (auto* x = EditOf(e)) x->SetAutoIndent(on);
}

std::uint8_t KXTE_GetAutoIndent(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? std::uint8_t(x->GetAutoIndent()) : std::uint8_t{};
}

std::uint16_t KXTE_SetEditScale(KXEditHandle e, short percent) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetEditScale(percent)) : std::uint16_t{};
}

void KXTE_SetScreenScale(short percent) { CKXTextEdit::SetScreenScale(percent); }

short KXTE_GetEditScale(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? short(x->GetEditScale()) : short{};
}
short KXTE_GetShownScale(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->ShownScale() : short{};
}

std::uint16_t KXTE_Resize(KXEditHandle e, const RectL& dest, const RectL* view) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Resize(dest, view)) : std::uint16_t{};
}

void KXTE_SetDestRect(KXEditHandle e, const RectL& dest) {
  if (auto* x = EditOf(e)) x->SetDestRect(dest);
}

void KXTE_GetDestRect(KXEditHandle e, RectL& dest) {
  if (auto* x = EditOf(e)) x->GetDestRect(dest);
}

void KXTE_SetViewRect(KXEditHandle e, const RectL& view) {
  if (auto* x = EditOf(e)) x->SetViewRect(view);
}

void KXTE_GetViewRect(KXEditHandle e, RectL& view) {
  if (auto* x = EditOf(e)) x->GetViewRect(view);
}

void KXTE_SetQDViewRect(KXEditHandle e, const RectL& view, const Point& origin) {
  if (auto* x = EditOf(e)) x->SetQDViewRect(view, origin);
}

std::uint16_t KXTE_Scroll(KXEditHandle e, long dh, long dv) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Scroll(dh, dv)) : std::uint16_t{};
}

std::uint16_t KXTE_SetAutoView(KXEditHandle e, std::uint8_t on) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetAutoView(on)) : std::uint16_t{};
}

std::uint16_t KXTE_SetSelView(KXEditHandle e, std::uint8_t center) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->SetSelView(center)) : std::uint16_t{};
}

PointL KXTE_GetSelView(KXEditHandle e, std::uint8_t center) {
  auto* x = EditOf(e);
  return x ? x->GetSelView(center) : PointL{};
}

void KXTE_Draw(KXEditHandle e, const RectL& update) {
  if (auto* x = EditOf(e)) x->Draw(update);
}
void KXTE_DrawRange(KXEditHandle e, long first, long count, const RectL& update) {
  if (auto* x = EditOf(e)) x->DrawLinesAt(first, count, update);
}
long KXTE_GetDrawLine(KXEditHandle e, PointL& at, const RectL& shown) {
  auto* x = EditOf(e);
  return x ? x->GetDrawLineEx(at, shown) : 0;
}
short KXTE_GetLineHeightExt(KXEditHandle e, long line, long& runCount, short* extra) {
  auto* x = EditOf(e);
  return x ? x->GetLineHeightExAt(line, runCount, extra) : 0;
}

// ---- pages, paper view and page forms -------------------------------------------------------------------

std::uint16_t KXTE_SetPaperView(KXEditHandle e, std::uint8_t on) {
  auto* x = EditOf(e);
  return x ? x->SetPaperView(on) : 0;
}
std::uint16_t KXTE_SetGuideView(KXEditHandle e, std::uint8_t on) {
  auto* x = EditOf(e);
  return x ? x->SetGuideView(on) : 0;
}
std::uint16_t KXTE_SetCaretLine(KXEditHandle e, std::uint8_t on) {
  auto* x = EditOf(e);
  return x ? x->SetCaretLine(on) : 0;
}
std::uint8_t KXTE_GetPaperView(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetEditStyl().paperView : 0;
}
std::uint8_t KXTE_GetGuideView(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetEditStyl().guideView : 0;
}
std::uint8_t KXTE_GetCaretLine(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetEditStyl().caretLine : 0;
}
long KXTE_GetCurPage(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetCurPage() : 0;
}
void KXTE_GetCurLineColm(KXEditHandle e, long& line, long& column) {
  if (auto* x = EditOf(e)) x->GetCurLineColm(line, column);
}
PointL KXTE_GetPagePoint(KXEditHandle e, long page) {
  auto* x = EditOf(e);
  return x ? x->GetPagePoint(page) : PointL{};
}
long KXTE_GetPageCount(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetPageCount() : 0;
}
long KXTE_GetPageNumber(KXEditHandle e, long line) {
  auto* x = EditOf(e);
  return x ? x->GetPageNo(line) : 0;
}
std::uint16_t KXTE_SetPaperSize(KXEditHandle e, const PointL& size, std::uint8_t recalc) {
  auto* x = EditOf(e);
  return x ? x->SetPaperSize(size, recalc) : 0;
}
std::uint16_t KXTE_SetPageMargin(KXEditHandle e, const Rect& margins, std::uint8_t recalc) {
  auto* x = EditOf(e);
  return x ? x->SetPageMargin(margins, recalc) : 0;
}
void KXTE_SetHardMargin(KXEditHandle e, const Rect& margins) {
  if (auto* x = EditOf(e)) x->SetHardMargin(margins);
}
void KXTE_SetPageColumn(KXEditHandle e, short columns, short gap) {
  if (auto* x = EditOf(e)) x->SetPageColumn(columns, gap);
}
void KXTE_SetPageStartNumber(KXEditHandle e, short offset) {
  if (auto* x = EditOf(e)) x->SetPageStartNumber(offset);
}
PointL KXTE_GetPaperSize(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetPaperSize() : PointL{};
}
void KXTE_GetPageMargin(KXEditHandle e, Rect& margins) {
  if (auto* x = EditOf(e)) x->GetPageMargin(margins);
}
void KXTE_GetHardMargin(KXEditHandle e, Rect& margins) {
  if (auto* x = EditOf(e)) x->GetHardMargin(margins);
}
void KXTE_GetPageColumn(KXEditHandle e, short& columns, short& gap) {
  if (auto* x = EditOf(e)) x->GetPageColumn(columns, gap);
}
short KXTE_GetPageStartNumber(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetPageStartNumber() : 0;
}
PointL KXTE_GetPageSize(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetPageSize() : PointL{};
}
std::uint16_t KXTE_SetPageStyl(KXEditHandle e, const SKXPageStyl& style, std::uint8_t recalc) {
  auto* x = EditOf(e);
  return x ? x->SetPageStyl(style, recalc) : 0;
}
void KXTE_GetPageStyl(KXEditHandle e, SKXPageStyl& style) {
  if (auto* x = EditOf(e)) x->GetPageStyl(style);
}
std::uint16_t KXTE_SetFormStyl(KXEditHandle e, const SKXFormStyl& form, std::uint8_t apply) {
  auto* x = EditOf(e);
  return x ? x->SetFormStyl(form, apply) : 0;
}
void KXTE_GetFormStyl(KXEditHandle e, SKXFormStyl& form) {
  if (auto* x = EditOf(e)) x->GetFormStyl(form);
}
void KXTE_GetFormStylDefault(KXEditHandle e, SKXFormStyl& form) {
  if (auto* x = EditOf(e)) x->GetFormStylDefault(form);
}
PointL KXTE_GetFormStylPaperSize(KXEditHandle e, short kind) {
  return EditOf(e) ? CKXTextEditEx::GetFormStylPaperSize(kind) : PointL{};
}
short KXTE_GetFormStylPaperType(KXEditHandle e, const PointL& size) {
  return EditOf(e) ? CKXTextEditEx::GetFormStylPaperType(size) : 0;
}
short KXTE_GetFormStylID(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetFormStylID() : 0;
}
long KXTE_GetPartInfo(KXEditHandle e, long index, long kind, long start, long end, long& outA, long& outB) {
  auto* x = EditOf(e);
  return x ? x->GetPartInfo(index, kind, start, end, outA, outB) : 0;
}

// ---- headers, footers and the document name ------------------------------------------------------------

namespace {

std::uint8_t GetHdFt(const SKXHdFtStyl& rec, short& bandHeight, char* text, std::uint8_t& length, SStyl& style,
                     std::uint8_t& alignment, std::uint8_t& dateFormat, std::uint8_t& timeFormat) {
  bandHeight = rec.bandHeight;
  length = rec.Length();
  style = rec.style;
  alignment = rec.alignment;
  dateFormat = rec.dateFormat;
  timeFormat = rec.timeFormat;
  if (text) {
    std::memcpy(text, rec.text.data(), rec.text.size());
    text[rec.text.size()] = 0;
  }
  return length;
}

}  // namespace

bool KXTE_SetHeaderStyle(KXEditHandle e, short bandHeight, const char* text, std::uint8_t length, const SStyl& style,
                         std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat) {
  auto* x = EditOf(e);
  return x && x->SetHeaderStyle(bandHeight, text, length, style, alignment, dateFormat, timeFormat);
}
bool KXTE_SetFooterStyle(KXEditHandle e, short bandHeight, const char* text, std::uint8_t length, const SStyl& style,
                         std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat) {
  auto* x = EditOf(e);
  return x && x->SetFooterStyle(bandHeight, text, length, style, alignment, dateFormat, timeFormat);
}
std::uint8_t KXTE_GetHeaderStyle(KXEditHandle e, short& bandHeight, char* text, std::uint8_t& length, SStyl& style,
                                 std::uint8_t& alignment, std::uint8_t& dateFormat, std::uint8_t& timeFormat) {
  auto* x = EditOf(e);
  return x ? GetHdFt(x->GetHeaderStyle(), bandHeight, text, length, style, alignment, dateFormat, timeFormat) : 0;
}
std::uint8_t KXTE_GetFooterStyle(KXEditHandle e, short& bandHeight, char* text, std::uint8_t& length, SStyl& style,
                                 std::uint8_t& alignment, std::uint8_t& dateFormat, std::uint8_t& timeFormat) {
  auto* x = EditOf(e);
  return x ? GetHdFt(x->GetFooterStyle(), bandHeight, text, length, style, alignment, dateFormat, timeFormat) : 0;
}
void KXTE_SetName(KXEditHandle e, const char* name, short length) {
  if (auto* x = EditOf(e)) x->SetName(name, length);
}
bool KXTE_SetNameUTF8(KXEditHandle e, const char* utf8, long length) {
  auto* x = EditOf(e);
  std::string bytes;
  std::vector<SKXUniChar> sides;
  if (!x || !KxHdFtNameFromUTF8(utf8, length, bytes, sides)) return false;
  x->SetName(bytes.data(), long(bytes.size()), sides.data(), long(sides.size()));
  return true;
}

// ---- marks and markups ------------------------------------------------------------------------------------

long KXTE_GetMarkCount(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetMarkCount() : 0;
}
void KXTE_InsertMark(KXEditHandle e, long from, long to, const unsigned char* name) {
  if (auto* x = EditOf(e)) x->InsertMark(from, to, name);
}
void KXTE_DeleteMark(KXEditHandle e, long index) {
  if (auto* x = EditOf(e)) x->DeleteMarkAt(index);
}
void KXTE_GetMarkString(KXEditHandle e, long index, unsigned char* out) {
  if (auto* x = EditOf(e)) x->GetMarkStringAt(index, out);
}
void KXTE_GetMarkRange(KXEditHandle e, long index, long& start, long& end) {
  if (auto* x = EditOf(e)) x->GetMarkRangeAt(index, start, end);
}
short KXTE_GetMarkRank(KXEditHandle e, long index) {
  auto* x = EditOf(e);
  return x ? x->GetMarkRankAt(index) : 0;
}
void KXTE_SetMarkRank(KXEditHandle e, long index, short rank) {
  if (auto* x = EditOf(e)) x->SetMarkRankAt(index, rank);
}
long KXTE_GetMarkDataSize(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetMarkDataSize() : 0;
}
long KXTE_GetMarkData(KXEditHandle e, char* buf, long size) {
  auto* x = EditOf(e);
  return x ? x->GetMarkData(buf, size) : 0;
}
bool KXTE_SetMarkData(KXEditHandle e, const char* buf, long size) {
  auto* x = EditOf(e);
  return x && x->SetMarkData(buf, size);
}
long KXTE_GetRankDataSize(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetRankDataSize() : 0;
}
void KXTE_GetRankData(KXEditHandle e, char* buf, long n) {
  if (auto* x = EditOf(e)) x->GetRankData(buf, n);
}
void KXTE_SetRankData(KXEditHandle e, const char* buf, long n) {
  if (auto* x = EditOf(e)) x->SetRankData(buf, n);
}
long KXTE_GetMarkupCount(KXEditHandle e) {
  auto* x = EditOf(e);
  return x ? x->GetMarkupCount() : 0;
}
void KXTE_InsertMarkup(KXEditHandle e, long from, long to) {
  if (auto* x = EditOf(e)) x->InsertMarkup(from, to);
}
void KXTE_DeleteMarkup(KXEditHandle e, long from, long to) {
  if (auto* x = EditOf(e)) x->DeleteMarkup(from, to);
}
void KXTE_HoldMarks(KXEditHandle e) {
  if (auto* x = EditOf(e)) x->HoldMarks();
}
void KXTE_SettleMarks(KXEditHandle e) {
  if (auto* x = EditOf(e)) x->SettleMarks();
}
bool KXTE_GetMarkup(KXEditHandle e, long pos, long& start, long& end) {
  auto* x = EditOf(e);
  return x && x->GetMarkup(pos, start, end);
}
