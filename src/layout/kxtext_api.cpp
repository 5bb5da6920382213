// The procedural interface: null-handle checks in front of the class
// operations, the start-up chain, and the one process-wide search pattern.
#include "layout/kxtext_api.h"

#include <cstring>
#include <memory>
#include <new>

#include "layout/text_edit_ex.h"
#include "text/find/regexp.h"
#include "text/store/text.h"
#include "text/store/transform.h"

namespace {

CKXText* TextOf(KXTextHandle h) { return KXHandleAccess::Text(h); }
CKXTextEditEx* EditOf(KXEditHandle h) { return KXHandleAccess::Edit(h); }

// The search pattern: either a compiled expression or find characters.
struct FindState {
  std::unique_ptr<CKXRegexp> regexp;
  std::unique_ptr<SKXFindChar[]> chars;
  std::int32_t length = 0;
};
FindState& Pattern() {
  static FindState state;
  return state;
}

}  // namespace

KXEditHandle::operator KXTextHandle() const { return KXHandleAccess::Wrap(static_cast<CKXText*>(mEdit)); }

// ---- library start and end ---------------------------------------------------------------------------

void KXTextEdit_Initialize() { CKXTextEditEx::Initialize(); }
void KXTextEdit_Terminate() {
  UKXFind_End();
  CKXTextEditEx::Terminate();
}

// ---- creation and disposal ------------------------------------------------------------------------------

KXTextHandle KXText_New() { return KXHandleAccess::Wrap(new CKXText); }

void KXText_Dispose(KXTextHandle h) { delete TextOf(h); }

KXEditHandle KXTE_PageStylNew(const SKXPageStyl& page, const RectL& dest, const RectL& view) {
  return KXHandleAccess::Wrap(new CKXTextEditEx(dest, view, page));
}

void KXTE_Dispose(KXEditHandle e) { delete EditOf(e); }

// ---- forwarders -----------------------------------------------------------------------------------------

void KXText_SetText(KXTextHandle h, const char* text, long length, const SKXStyl* styls, std::int32_t nStyls,
                    const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras, std::int32_t nParas) {
  if (auto* x = TextOf(h)) x->SetText(text, length, styls, nStyls, decos, nDecos, paras, nParas, nullptr, 0);
}

void KXText_SetTextWithUniChars(KXTextHandle h, const char* text, long length, const SKXStyl* styls,
                                std::int32_t nStyls, const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras,
                                std::int32_t nParas, const SKXUniChar* uni, std::int32_t nUni) {
  if (auto* x = TextOf(h)) x->SetText(text, length, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni);
}

long KXText_GetText(KXTextHandle h, char* buffer, long bufLen, SKXStyl* styls, std::int32_t nStyls, SKXDeco* decos,
                    std::int32_t nDecos, SKXPara* paras, std::int32_t nParas, SKXUniChar* uni, std::int32_t nUni) {
  auto* x = TextOf(h);
  return x ? long(x->GetText(buffer, bufLen, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni)) : long{};
}

void KXText_SetDuplicate(KXTextHandle h, KXTextHandle source) {
  if (auto* x = TextOf(h)) x->SetText(KXHandleAccess::Text(source));
}

void KXText_SetStyls(KXTextHandle h, const SKXStyl* runs, std::int32_t n) {
  if (auto* x = TextOf(h)) x->SetStyls(runs, n);
}

std::int32_t KXText_GetStyls(KXTextHandle h, SKXStyl* out, std::int32_t n) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetStyls(out, n)) : std::int32_t{};
}

std::int32_t KXText_GetDecos(KXTextHandle h, SKXDeco* out, std::int32_t n) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetDecos(out, n)) : std::int32_t{};
}

std::int32_t KXText_GetParas(KXTextHandle h, SKXPara* out, std::int32_t n) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetParas(out, n)) : std::int32_t{};
}

void KXText_GetSelection(KXTextHandle h, long from, long to, KXTextHandle dest) {
  if (auto* x = TextOf(h)) x->GetSelText(from, to, KXHandleAccess::Text(dest));
}

long KXText_GetSelText(KXTextHandle h, long from, long to, char* buffer, long bufLen, SKXStyl* styls,
                       std::int32_t nStyls, SKXDeco* decos, std::int32_t nDecos, SKXPara* paras, std::int32_t nParas,
                       SKXUniChar* uni, std::int32_t nUni) {
  auto* x = TextOf(h);
  return x ? long(x->GetSelText(from, to, buffer, bufLen, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni))
           : long{};
}

void KXText_SetSelStyls(KXTextHandle h, long from, long to, const SKXStyl* runs, std::int32_t n) {
  if (auto* x = TextOf(h)) x->SetSelStyls(from, to, runs, n);
}

std::int32_t KXText_GetSelStyls(KXTextHandle h, long from, long to, SKXStyl* out, std::int32_t n) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelStyls(from, to, out, n)) : std::int32_t{};
}

void KXText_SetSelDecos(KXTextHandle h, long from, long to, const SKXDeco* runs, std::int32_t n) {
  if (auto* x = TextOf(h)) x->SetSelDecos(from, to, runs, n);
}

std::int32_t KXText_GetSelDecos(KXTextHandle h, long from, long to, SKXDeco* out, std::int32_t n) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelDecos(from, to, out, n)) : std::int32_t{};
}

void KXText_SetSelParas(KXTextHandle h, long from, long to, const SKXPara* runs, std::int32_t n) {
  if (auto* x = TextOf(h)) x->SetSelParas(from, to, runs, n);
}

std::int32_t KXText_GetSelParas(KXTextHandle h, long from, long to, SKXPara* out, std::int32_t n) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelParas(from, to, out, n)) : std::int32_t{};
}

void KXText_SetSelUniChars(KXTextHandle h, long from, long to, const SKXUniChar* items, std::int32_t n) {
  if (auto* x = TextOf(h)) x->SetSelUniChars(from, to, items, n);
}

std::int32_t KXText_GetSelUniChars(KXTextHandle h, long from, long to, SKXUniChar* out, std::int32_t max) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelUniChars(from, to, out, max)) : std::int32_t{};
}

void KXText_SetRubys(KXTextHandle h, const SKXRuby* items, std::int32_t n) {
  if (auto* x = TextOf(h)) x->SetRubys(items, n);
}

std::int32_t KXText_GetRubys(KXTextHandle h, SKXRuby* out, std::int32_t max) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetRubys(out, max)) : std::int32_t{};
}

bool KXText_GetRubyAtNumber(KXTextHandle h, std::int32_t index, SKXRuby* out) {
  auto* x = TextOf(h);
  return x ? x->GetRubyAtNumber(index, out) : bool{};
}

void KXText_SetSelRubys(KXTextHandle h, long from, long to, const SKXRuby* items, std::int32_t n) {
  if (auto* x = TextOf(h)) x->SetSelRubys(from, to, items, n);
}

std::int32_t KXText_GetSelRubys(KXTextHandle h, long from, long to, SKXRuby* out, std::int32_t max) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelRubys(from, to, out, max)) : std::int32_t{};
}

std::int32_t KXText_GetSelRubysInfo(KXTextHandle h, long from, long to, SKXRubyInfo* out, std::int32_t max) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelRubysInfo(from, to, out, max)) : std::int32_t{};
}

long KXText_GetLength(KXTextHandle h) {
  auto* x = TextOf(h);
  return x ? long(x->GetLength()) : long{};
}

long KXText_GetTextSize(KXTextHandle h) {
  auto* x = TextOf(h);
  return x ? long(x->GetTextSize()) : long{};
}

std::int32_t KXText_GetStylCount(KXTextHandle h) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetStylCount()) : std::int32_t{};
}

std::int32_t KXText_GetDecoCount(KXTextHandle h) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetDecoCount()) : std::int32_t{};
}

std::int32_t KXText_GetParaCount(KXTextHandle h) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetParaCount()) : std::int32_t{};
}

std::int32_t KXText_GetSelStylCount(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelStylCount(from, to)) : std::int32_t{};
}

std::int32_t KXText_GetSelDecoCount(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelDecoCount(from, to)) : std::int32_t{};
}

std::int32_t KXText_GetSelParaCount(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelParaCount(from, to)) : std::int32_t{};
}

std::int32_t KXText_GetUniCharsCount(KXTextHandle h) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetUniCharsCount()) : std::int32_t{};
}

std::int32_t KXText_GetSelUniCharsCount(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelUniCharsCount(from, to)) : std::int32_t{};
}

std::int32_t KXText_GetRubysCount(KXTextHandle h) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetRubysCount()) : std::int32_t{};
}

std::int32_t KXText_GetSelRubysCount(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelRubysCount(from, to)) : std::int32_t{};
}

bool KXText_IsRubyExist(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? x->IsRubyExist(from, to) : bool{};
}

std::int32_t KXText_GetSelRubysFirstNumber(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->GetSelRubysFirstNumber(from, to)) : std::int32_t{};
}

long KXText_GetSelRubysInsertSize(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? long(x->GetSelRubysInsertSize(from, to)) : long{};
}

void KXText_GetSelRubysInsertText(KXTextHandle h, long from, long to, char* buffer, long& length) {
  if (auto* x = TextOf(h)) x->GetSelRubysInsertText(from, to, buffer, length);
}

void KXText_GetSelRubysInsertPos(KXTextHandle h, long from, long to, SKXPos* positions, std::int32_t n, long stride) {
  if (auto* x = TextOf(h)) x->GetSelRubysInsertPos(from, to, positions, n, stride);
}

void KXText_InsertChar(KXTextHandle h, long pos, unsigned short ch, const SStyl* styl, const SDeco* deco) {
  if (auto* x = TextOf(h)) x->InsertChar(pos, ch, styl, deco);
}

void KXText_InsertString(KXTextHandle h, long pos, const char* bytes, long n, const SStyl* styl, const SDeco* deco) {
  if (auto* x = TextOf(h)) x->InsertString(pos, bytes, n, styl, deco, nullptr, 0);
}

void KXText_InsertStringWithUniChars(KXTextHandle h, long pos, const char* bytes, long n, const SStyl* styl,
                                     const SDeco* deco, const SKXUniChar* uni, std::int32_t nUni) {
  if (auto* x = TextOf(h)) x->InsertString(pos, bytes, n, styl, deco, uni, nUni);
}

void KXText_InsertUniChar(KXTextHandle h, long pos, unsigned long value, const SStyl* styl, const SDeco* deco) {
  if (auto* x = TextOf(h)) x->InsertUniChar(pos, value, styl, deco);
}

void KXText_SetDecoInterLine(KXTextHandle h, long from, long to, unsigned short kind) {
  if (auto* x = TextOf(h)) x->SetDecoInterLine(from, to, kind);
}

void KXText_SetDecoLineColor(KXTextHandle h, long from, long to, unsigned char color) {
  if (auto* x = TextOf(h)) x->SetDecoLineColor(from, to, color);
}

void KXText_SetDecoStyle(KXTextHandle h, long from, long to, unsigned char flags, unsigned char set) {
  if (auto* x = TextOf(h)) x->SetDecoStyle(from, to, flags, set);
}

short KXText_GetDecoPictID(KXTextHandle h, long pos) {
  auto* x = TextOf(h);
  return x ? short(x->GetDecoPictID(pos)) : short{};
}

void KXText_SetPara(KXTextHandle h, long from, long to, const SParaStyl& para) {
  if (auto* x = TextOf(h)) x->SetPara(from, to, para);
}

void KXText_SetParaIndent(KXTextHandle h, long from, long to, short first, short left, short right) {
  if (auto* x = TextOf(h)) x->SetParaIndent(from, to, first, left, right);
}

void KXText_SetParaLineSpace(KXTextHandle h, long from, long to, short space) {
  if (auto* x = TextOf(h)) x->SetParaLineSpace(from, to, space);
}

void KXText_SetParaJustify(KXTextHandle h, long from, long to, unsigned char justify) {
  if (auto* x = TextOf(h)) x->SetParaJustify(from, to, justify);
}

void KXText_GetParaStylDefault(KXTextHandle h, SParaStyl& para) {
  if (auto* x = TextOf(h)) x->GetParaStylDefault(para);
}

void KXText_CheckParaStylDelete(KXTextHandle h, long pos) {
  if (auto* x = TextOf(h)) x->CheckParaStylDelete(pos);
}

bool KXText_GetRuby(KXTextHandle h, long& from, long& to, unsigned char* text, long& length) {
  auto* x = TextOf(h);
  return x ? x->GetRuby(from, to, text, length) : bool{};
}

void KXText_SetRuby(KXTextHandle h, long from, long to, const unsigned char* text, long length) {
  if (auto* x = TextOf(h)) x->SetRuby(from, to, text, length);
}

void KXText_Copy(KXTextHandle h, long from, long to, KXTextHandle dest, short what) {
  if (auto* x = TextOf(h)) x->CopyText(from, to, KXHandleAccess::Text(dest), what);
}

void KXText_Delete(KXTextHandle h, long from, long to) {
  if (auto* x = TextOf(h)) x->DeleteText(from, to);
}

void KXText_Insert(KXTextHandle h, long pos, KXTextHandle source, short what) {
  if (auto* x = TextOf(h)) x->InsertText(pos, KXHandleAccess::Text(source), what);
}

void KXText_InsertText(KXTextHandle h, long pos, const char* bytes, long n, const SKXStyl* styls, std::int32_t nStyls,
                       const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras, std::int32_t nParas) {
  if (auto* x = TextOf(h)) x->InsertText(pos, bytes, n, styls, nStyls, decos, nDecos, paras, nParas, nullptr, 0);
}

void KXText_InsertTextWithUniChars(KXTextHandle h, long pos, const char* bytes, long n, const SKXStyl* styls,
                                   std::int32_t nStyls, const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras,
                                   std::int32_t nParas, const SKXUniChar* uni, std::int32_t nUni) {
  if (auto* x = TextOf(h)) x->InsertText(pos, bytes, n, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni);
}

std::int32_t KXText_FindText(KXTextHandle h, long pos, const char* pattern, long patLen, long& found, short options,
                             short script) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->FindText(pos, pattern, patLen, found, options, script)) : std::int32_t{};
}

void KXText_ReplaceText(KXTextHandle h, long from, long to, const char* bytes, long n) {
  if (auto* x = TextOf(h)) x->ReplaceText(from, to, bytes, n);
}

std::int32_t KXText_CheckFind(KXTextHandle h, long from, long to, const char* pattern, long patLen, short options,
                              short script) {
  auto* x = TextOf(h);
  return x ? std::int32_t(x->CheckFind(from, to, pattern, patLen, options, script)) : std::int32_t{};
}

long KXText_CheckReplaceRE(KXTextHandle h, long from, long to, const char* pattern, long patLen, short options,
                           const char* repl, long replLen, char**& out, short script) {
  auto* x = TextOf(h);
  return x ? long(x->CheckReplaceRE(from, to, pattern, patLen, options, repl, replLen, out, script)) : long{};
}

std::uint16_t KXText_GetChar(KXTextHandle h, long pos) {
  auto* x = TextOf(h);
  return x ? std::uint16_t(x->GetChar(pos)) : std::uint16_t{};
}

short KXText_GetCharByte(KXTextHandle h, long pos) {
  auto* x = TextOf(h);
  return x ? short(x->GetCharByte(pos)) : short{};
}

short KXText_GetKeyType(KXTextHandle h, unsigned char key) {
  auto* x = TextOf(h);
  return x ? short(x->GetKeyType(key)) : short{};
}

void KXText_Get1WordPos(KXTextHandle h, long pos, long& start, long& end) {
  if (auto* x = TextOf(h)) x->Get1WordPos(pos, start, end);
}

void KXText_Get1ParaPos(KXTextHandle h, long pos, long& start, long& end) {
  if (auto* x = TextOf(h)) x->Get1ParaPos(pos, start, end);
}

long KXText_GetPrevCharPos(KXTextHandle h, long pos) {
  auto* x = TextOf(h);
  return x ? long(x->GetPrevCharPos(pos)) : long{};
}

long KXText_GetNextCharPos(KXTextHandle h, long pos) {
  auto* x = TextOf(h);
  return x ? long(x->GetNextCharPos(pos)) : long{};
}

long KXText_GetNextParaPos(KXTextHandle h, long pos) {
  auto* x = TextOf(h);
  return x ? long(x->GetNextParaPos(pos)) : long{};
}

long KXText_CalcCharCount(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? long(x->CalcCharCount(from, to)) : long{};
}

void KXText_CalcWordCount(KXTextHandle h, long from, long to, long& singles, long& doubles, long& paras, long& pictures,
                          long& words) {
  if (auto* x = TextOf(h)) x->CalcWordCount(from, to, singles, doubles, paras, pictures, words);
}

bool KXText_CheckSmartEdit(KXTextHandle h, long from, long to) {
  auto* x = TextOf(h);
  return x ? x->CheckSmartEdit(from, to) : bool{};
}

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
                                       std::int32_t nUni) {
  auto* x = EditOf(e);
  return x ? std::uint16_t(x->Replace(bytes, length, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni))
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
bool KXTE_GetMarkup(KXEditHandle e, long pos, long& start, long& end) {
  auto* x = EditOf(e);
  return x && x->GetMarkup(pos, start, end);
}

// ---- whole-text transforms and settings -------------------------------------------------------------------

std::uint8_t UKXText_ShiftText(KXTextHandle h, bool left) {
  auto* x = TextOf(h);
  return x && UKXText::ShiftKXText(x, left) ? 1 : 0;
}
std::uint8_t UKXText_ReformText(KXTextHandle h, bool wrap) {
  auto* x = TextOf(h);
  return x && UKXText::ReformKXText(x, wrap) ? 1 : 0;
}
std::uint8_t UKXText_CharTypeText(KXTextHandle h, short mode) {
  auto* x = TextOf(h);
  return x && UKXText::CharTypeKXText(x, mode) ? 1 : 0;
}
std::uint8_t UKXText_CharSetText(KXTextHandle h, bool macToWin) {
  auto* x = TextOf(h);
  return x && UKXText::CharSetKXText(x, macToWin) ? 1 : 0;
}
bool UKXText_CharSetConvert(bool macToWin, char* bytes, long length, const SKXStyl* styls, std::int32_t stylCount,
                            const SKXDeco* decos, std::int32_t decoCount) {
  return UKXText::CharSetConvert(macToWin, bytes, length, styls, stylCount, decos, decoCount);
}
void UKXText_GetShiftType(short& type, unsigned char* string) { UKXText::GetShiftType(type, string); }
void UKXText_SetShiftType(short type, const unsigned char* string) { UKXText::SetShiftType(type, string); }
void UKXText_GetReformMode(long* width, short* kinsoku, unsigned char* wordwrap, unsigned char* indent,
                           unsigned char* removeAll) {
  UKXText::GetReformMode(width, kinsoku, wordwrap, indent, removeAll);
}
void UKXText_SetReformMode(long width, short kinsoku, unsigned char wordwrap, unsigned char indent,
                           unsigned char removeAll) {
  UKXText::SetReformMode(width, kinsoku, wordwrap, indent, removeAll);
}
std::uint16_t UKXText_WordToByte(std::uint16_t code) { return UKXText::WordToByte(code); }
std::uint16_t UKXText_ToByteUpper(std::uint16_t code) { return UKXText::ToByteUpper(code); }
bool UKXText_IsByteAlpha(std::uint16_t code) { return UKXText::IsByteAlpha(code); }
short UKXText_SetPicture(PicHandle pict) { return CKXDecoArray::SetPicture(pict); }
PicHandle UKXText_GetPicture(short id, short& width, short& height) {
  return CKXDecoArray::GetPicture(id, width, height);
}
short UKXText_DuplicatePicture(short id) { return CKXDecoArray::DuplicatePicture(id); }
void UKXText_SetParaTabType(long& kinds, short n, long kind) { CKXParaArray::SetParaTabType(kinds, n, kind); }
long UKXText_GetParaTabType(long kinds, short n) { return CKXParaArray::GetParaTabType(kinds, n); }
void UKXText_SetJWrapChars(const char* lists, long size) { CKXTextLayout::SetJWrapChars(lists, size); }
void UKXText_JWrapCharsToHeadTail(const char* lists, long size, unsigned char* head, unsigned char* tail) {
  CKXTextLayout::JWrapCharsToHeadTail(lists, size, head, tail);
}
short UKXText_JWrapCharsFromHeadTail(char* lists, short* size, const unsigned char* head, const unsigned char* tail) {
  return CKXTextLayout::JWrapCharsFromHeadTail(lists, size, head, tail);
}

// ---- the search pattern -------------------------------------------------------------------------------------

std::int32_t UKXFind_Start(const char* pattern, long length, short options, short script) {
  UKXFind_End();  // a pattern left from an earlier search is freed, not leaked
  FindState& s = Pattern();
  const auto* p = reinterpret_cast<const unsigned char*>(pattern);
  if (!pattern || length <= 0) return 0;
  const long count = UKXFind::CountFindChar(p, length, options, script);
  if (count <= 0) return 0;
  if (options & kKXFindRegexp) {
    s.regexp = std::make_unique<CKXRegexp>(p, length, script);
  } else {
    s.chars.reset(new (std::nothrow) SKXFindChar[size_t(count)]);
    if (!s.chars) return 0;  // no room: nothing to search for
    UKXFind::MakeFindChar(s.chars.get(), p, length, options, script);
  }
  s.length = std::int32_t(count);
  return s.length;
}

short UKXFind_Find1stStep(const char* text, long start, long length, short options, long& found, SKXFindStyl& styl) {
  FindState& s = Pattern();
  if (s.length <= 0 || !text) return 0;
  const auto* t = reinterpret_cast<const unsigned char*>(text);
  if (s.regexp) return s.regexp->Find1stStep(t, start, length, options, found, styl);
  return UKXFind::Find1stStep(t, start, length, s.chars.get(), s.length, options, found, styl);
}

std::int32_t UKXFind_Find2ndStep(const char* text, long offset, long length, short options, SKXFindStyl& styl) {
  FindState& s = Pattern();
  if (s.length <= 0 || !text) return 0;
  const auto* t = reinterpret_cast<const unsigned char*>(text);
  if (s.regexp) return s.regexp->Find2ndStep(t, offset, length, options, styl);
  return UKXFind::Find2ndStep(t, offset, length, s.chars.get(), s.length, options, styl);
}

void UKXFind_End() {
  FindState& s = Pattern();
  s.regexp.reset();
  s.chars.reset();
  s.length = 0;
}

// ---- ruby on plain arrays ----------------------------------------------------------------------------------

long UKXRuby_FromRubyInfo(const SKXRubyInfo* infos, std::int32_t n, const char* text, long textLen, SKXRuby* rubys,
                          long* count) {
  return UKXRuby::FromRubyInfo(infos, n, text, textLen, rubys, count);
}
void UKXRuby_DeleteRubyFromText(long base, const SKXRuby* rubys, std::int32_t n, char* text, long& length) {
  UKXRuby::DeleteRubyFromText(base, rubys, n, text, length);
}
void UKXRuby_DeleteRubyFromPos(long base, const SKXRuby* rubys, std::int32_t n, void* positions, long count,
                               long stride) {
  UKXRuby::DeleteRubyFromPos(base, rubys, n, positions, count, stride);
}
