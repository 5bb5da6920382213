// KXText_*: null-handle checks in front of the styled text's operations.
#include "layout/kxtext_api.h"

#include "text/store/text.h"

namespace {
CKXText* TextOf(KXTextHandle h) { return KXHandleAccess::Text(h); }
}  // namespace

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

void KXText_SetTaken(KXTextHandle h, KXTextHandle source) {
  if (auto* x = TextOf(h)) x->TakeText(KXHandleAccess::Text(source));
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

bool KXText_IsAsciiOnly(KXTextHandle h) {
  auto* x = TextOf(h);
  return x && x->IsAsciiOnly();
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
                           const char* repl, long replLen, char**& out, short script,
                           std::vector<SKXUniChar>* sides) {
  auto* x = TextOf(h);
  return x ? long(x->CheckReplaceRE(from, to, pattern, patLen, options, repl, replLen, out, script, sides)) : long{};
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

bool KXText_IsParaStart(KXTextHandle h, long pos) {
  auto* x = TextOf(h);
  return x && x->IsParaStart(pos);
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
