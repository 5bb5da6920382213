// The procedural interface to styled texts and edit objects: the way every
// higher area reaches them, through opaque handles and free functions.
//
//   KXText_*   a styled text (a text handle; an edit handle converts to one,
//              and then reaches the edit object's own behaviour)
//   KXTE_*     an edit object (layout/kxte_api.h)
//   UKXText_*  whole-text transforms, process-wide settings, pictures and
//              line-break lists
//   UKXFind_*  one process-wide search pattern (text/find/find_pattern.h)
//   UKXRuby_*  ruby conversions on plain arrays (text/runs/ruby.h)
//
// A null handle makes a member do nothing and answer 0 (false, a zero
// count, a zero point); out-parameters are then left untouched. Run counts
// are 32-bit: a large text holds more than 32,767 runs or side entries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "layout/kxtext_handle.h"
#include "layout/kxte_api.h"
#include "layout/linebreak.h"
#include "platform/types.h"
#include "text/base/geometry.h"
#include "text/find/find_pattern.h"
#include "text/runs/runs.h"
#include "text/runs/ruby.h"
#include "text/store/strarray.h"

// ---- library start and end ---------------------------------------------------------------------
void KXTextEdit_Initialize();
void KXTextEdit_Terminate();

// ---- KXText_: texts --------------------------------------------------------------------------------
KXTextHandle KXText_New();
void KXText_Dispose(KXTextHandle h);
void KXText_SetText(KXTextHandle h, const char* text, long length, const SKXStyl* styls, std::int32_t nStyls,
                    const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras, std::int32_t nParas);
void KXText_SetTextWithUniChars(KXTextHandle h, const char* text, long length, const SKXStyl* styls,
                                std::int32_t nStyls, const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras,
                                std::int32_t nParas, const SKXUniChar* uni, std::int32_t nUni);
long KXText_GetText(KXTextHandle h, char* buffer, long bufLen, SKXStyl* styls, std::int32_t nStyls, SKXDeco* decos,
                    std::int32_t nDecos, SKXPara* paras, std::int32_t nParas, SKXUniChar* uni, std::int32_t nUni);
void KXText_SetDuplicate(KXTextHandle h, KXTextHandle source);
// The same, taking the source's characters instead of copying them: the
// source is left empty.
void KXText_SetTaken(KXTextHandle h, KXTextHandle source);
void KXText_SetStyls(KXTextHandle h, const SKXStyl* runs, std::int32_t n);
std::int32_t KXText_GetStyls(KXTextHandle h, SKXStyl* out, std::int32_t n);
std::int32_t KXText_GetDecos(KXTextHandle h, SKXDeco* out, std::int32_t n);
std::int32_t KXText_GetParas(KXTextHandle h, SKXPara* out, std::int32_t n);
void KXText_GetSelection(KXTextHandle h, long from, long to, KXTextHandle dest);
long KXText_GetSelText(KXTextHandle h, long from, long to, char* buffer, long bufLen, SKXStyl* styls,
                       std::int32_t nStyls, SKXDeco* decos, std::int32_t nDecos, SKXPara* paras, std::int32_t nParas,
                       SKXUniChar* uni, std::int32_t nUni);
void KXText_SetSelStyls(KXTextHandle h, long from, long to, const SKXStyl* runs, std::int32_t n);
std::int32_t KXText_GetSelStyls(KXTextHandle h, long from, long to, SKXStyl* out, std::int32_t n);
void KXText_SetSelDecos(KXTextHandle h, long from, long to, const SKXDeco* runs, std::int32_t n);
std::int32_t KXText_GetSelDecos(KXTextHandle h, long from, long to, SKXDeco* out, std::int32_t n);
void KXText_SetSelParas(KXTextHandle h, long from, long to, const SKXPara* runs, std::int32_t n);
std::int32_t KXText_GetSelParas(KXTextHandle h, long from, long to, SKXPara* out, std::int32_t n);
void KXText_SetSelUniChars(KXTextHandle h, long from, long to, const SKXUniChar* items, std::int32_t n);
std::int32_t KXText_GetSelUniChars(KXTextHandle h, long from, long to, SKXUniChar* out, std::int32_t max);
void KXText_SetRubys(KXTextHandle h, const SKXRuby* items, std::int32_t n);
std::int32_t KXText_GetRubys(KXTextHandle h, SKXRuby* out, std::int32_t max);
bool KXText_GetRubyAtNumber(KXTextHandle h, std::int32_t index, SKXRuby* out);
void KXText_SetSelRubys(KXTextHandle h, long from, long to, const SKXRuby* items, std::int32_t n);
std::int32_t KXText_GetSelRubys(KXTextHandle h, long from, long to, SKXRuby* out, std::int32_t max);
std::int32_t KXText_GetSelRubysInfo(KXTextHandle h, long from, long to, SKXRubyInfo* out, std::int32_t max);
long KXText_GetLength(KXTextHandle h);
long KXText_GetTextSize(KXTextHandle h);
// No byte from 0x80 on and no side entry: the text reads alike in every script.
bool KXText_IsAsciiOnly(KXTextHandle h);
std::int32_t KXText_GetStylCount(KXTextHandle h);
std::int32_t KXText_GetDecoCount(KXTextHandle h);
std::int32_t KXText_GetParaCount(KXTextHandle h);
std::int32_t KXText_GetSelStylCount(KXTextHandle h, long from, long to);
std::int32_t KXText_GetSelDecoCount(KXTextHandle h, long from, long to);
std::int32_t KXText_GetSelParaCount(KXTextHandle h, long from, long to);
std::int32_t KXText_GetUniCharsCount(KXTextHandle h);
std::int32_t KXText_GetSelUniCharsCount(KXTextHandle h, long from, long to);
std::int32_t KXText_GetRubysCount(KXTextHandle h);
std::int32_t KXText_GetSelRubysCount(KXTextHandle h, long from, long to);
bool KXText_IsRubyExist(KXTextHandle h, long from, long to);
std::int32_t KXText_GetSelRubysFirstNumber(KXTextHandle h, long from, long to);
long KXText_GetSelRubysInsertSize(KXTextHandle h, long from, long to);
void KXText_GetSelRubysInsertText(KXTextHandle h, long from, long to, char* buffer, long& length);
void KXText_GetSelRubysInsertPos(KXTextHandle h, long from, long to, SKXPos* positions, std::int32_t n, long stride);
void KXText_InsertChar(KXTextHandle h, long pos, unsigned short ch, const SStyl* styl, const SDeco* deco);
void KXText_InsertString(KXTextHandle h, long pos, const char* bytes, long n, const SStyl* styl, const SDeco* deco);
void KXText_InsertStringWithUniChars(KXTextHandle h, long pos, const char* bytes, long n, const SStyl* styl,
                                     const SDeco* deco, const SKXUniChar* uni, std::int32_t nUni);
void KXText_InsertUniChar(KXTextHandle h, long pos, unsigned long value, const SStyl* styl, const SDeco* deco);
void KXText_SetDecoInterLine(KXTextHandle h, long from, long to, unsigned short kind);
void KXText_SetDecoLineColor(KXTextHandle h, long from, long to, unsigned char color);
void KXText_SetDecoStyle(KXTextHandle h, long from, long to, unsigned char flags, unsigned char set);
short KXText_GetDecoPictID(KXTextHandle h, long pos);
void KXText_SetPara(KXTextHandle h, long from, long to, const SParaStyl& para);
void KXText_SetParaIndent(KXTextHandle h, long from, long to, short first, short left, short right);
void KXText_SetParaLineSpace(KXTextHandle h, long from, long to, short space);
void KXText_SetParaJustify(KXTextHandle h, long from, long to, unsigned char justify);
void KXText_GetParaStylDefault(KXTextHandle h, SParaStyl& para);
void KXText_CheckParaStylDelete(KXTextHandle h, long pos);
bool KXText_GetRuby(KXTextHandle h, long& from, long& to, unsigned char* text, long& length);
void KXText_SetRuby(KXTextHandle h, long from, long to, const unsigned char* text, long length);
void KXText_Copy(KXTextHandle h, long from, long to, KXTextHandle dest, short what);
void KXText_Delete(KXTextHandle h, long from, long to);
void KXText_Insert(KXTextHandle h, long pos, KXTextHandle source, short what);
void KXText_InsertText(KXTextHandle h, long pos, const char* bytes, long n, const SKXStyl* styls, std::int32_t nStyls,
                       const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras, std::int32_t nParas);
void KXText_InsertTextWithUniChars(KXTextHandle h, long pos, const char* bytes, long n, const SKXStyl* styls,
                                   std::int32_t nStyls, const SKXDeco* decos, std::int32_t nDecos,
                                   const SKXPara* paras, std::int32_t nParas, const SKXUniChar* uni,
                                   std::int32_t nUni);
// The match's length (0: none); found gets its offset.
std::int32_t KXText_FindText(KXTextHandle h, long pos, const char* pattern, long patLen, long& found, short options,
                             short script);
void KXText_ReplaceText(KXTextHandle h, long from, long to, const char* bytes, long n);
std::int32_t KXText_CheckFind(KXTextHandle h, long from, long to, const char* pattern, long patLen, short options,
                              short script);
long KXText_CheckReplaceRE(KXTextHandle h, long from, long to, const char* pattern, long patLen, short options,
                           const char* repl, long replLen, char**& out, short script,
                           std::vector<SKXUniChar>* sides = nullptr);
std::uint16_t KXText_GetChar(KXTextHandle h, long pos);
short KXText_GetCharByte(KXTextHandle h, long pos);
short KXText_GetKeyType(KXTextHandle h, unsigned char key);
void KXText_Get1WordPos(KXTextHandle h, long pos, long& start, long& end);
void KXText_Get1ParaPos(KXTextHandle h, long pos, long& start, long& end);
long KXText_GetPrevCharPos(KXTextHandle h, long pos);
long KXText_GetNextCharPos(KXTextHandle h, long pos);
long KXText_GetNextParaPos(KXTextHandle h, long pos);
bool KXText_IsParaStart(KXTextHandle h, long pos);
long KXText_CalcCharCount(KXTextHandle h, long from, long to);
void KXText_CalcWordCount(KXTextHandle h, long from, long to, long& singles, long& doubles, long& paras,
                          long& pictures, long& words);
bool KXText_CheckSmartEdit(KXTextHandle h, long from, long to);

// ---- UKXText_: transforms, settings, pictures, line-break lists -----------------------------------------
// The transforms answer 1 when the text changed (0 for a null handle).
std::uint8_t UKXText_ShiftText(KXTextHandle h, bool left);
std::uint8_t UKXText_ReformText(KXTextHandle h, bool wrap);
std::uint8_t UKXText_CharTypeText(KXTextHandle h, short mode);
std::uint8_t UKXText_CharSetText(KXTextHandle h, bool macToWin);
bool UKXText_CharSetConvert(bool macToWin, char* bytes, long length, const SKXStyl* styls, std::int32_t stylCount,
                            const SKXDeco* decos, std::int32_t decoCount);
void UKXText_GetShiftType(short& type, unsigned char* string);
void UKXText_SetShiftType(short type, const unsigned char* string);
void UKXText_GetReformMode(long* width, short* kinsoku, unsigned char* wordwrap, unsigned char* indent,
                           unsigned char* removeAll);
void UKXText_SetReformMode(long width, short kinsoku, unsigned char wordwrap, unsigned char indent,
                           unsigned char removeAll);
std::uint16_t UKXText_WordToByte(std::uint16_t code);
std::uint16_t UKXText_ToByteUpper(std::uint16_t code);
bool UKXText_IsByteAlpha(std::uint16_t code);
short UKXText_SetPicture(PicHandle pict);
PicHandle UKXText_GetPicture(short id, short& width, short& height);
short UKXText_DuplicatePicture(short id);
void UKXText_SetParaTabType(long& kinds, short n, long kind);
long UKXText_GetParaTabType(long kinds, short n);
void UKXText_SetJWrapChars(const char* lists, long size);
void UKXText_JWrapCharsToHeadTail(const char* lists, long size, unsigned char* head, unsigned char* tail);
short UKXText_JWrapCharsFromHeadTail(char* lists, short* size, const unsigned char* head, const unsigned char* tail);
