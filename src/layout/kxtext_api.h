// The procedural interface to styled texts and edit objects: the way every
// higher area reaches them, through opaque handles and free functions.
//
//   KXText_*   a styled text (a text handle; an edit handle converts to one,
//              and then reaches the edit object's own behaviour)
//   KXTE_*     an edit object (edit handles only: a plain text cannot be
//              passed where an edit object is expected)
//   UKXText_*  whole-text transforms, process-wide settings, pictures and
//              line-break lists
//   UKXFind_*  one process-wide search pattern run over many buffers
//   UKXRuby_*  ruby conversions on plain arrays
//
// A null handle makes a member do nothing and answer 0 (false, a zero
// count, a zero point); out-parameters are then left untouched. Run counts
// are 32-bit: a large text holds more than 32,767 runs or side entries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "layout/linebreak.h"
#include "platform/types.h"
#include "text/base/geometry.h"
#include "text/find/find.h"
#include "text/runs/runs.h"
#include "text/store/ruby.h"
#include "text/store/strarray.h"

class CKXText;
class CKXTextEditEx;
struct SKXPageStyl;
struct SKXFormStyl;
struct SKXEditStyl;

// A styled text, or an edit object seen as one.
class KXTextHandle {
 public:
  constexpr KXTextHandle() = default;
  constexpr KXTextHandle(std::nullptr_t) {}
  explicit operator bool() const { return mText != nullptr; }
  friend bool operator==(const KXTextHandle&, const KXTextHandle&) = default;

 private:
  friend struct KXHandleAccess;
  CKXText* mText = nullptr;
};

// An edit object.
class KXEditHandle {
 public:
  constexpr KXEditHandle() = default;
  constexpr KXEditHandle(std::nullptr_t) {}
  explicit operator bool() const { return mEdit != nullptr; }
  friend bool operator==(const KXEditHandle&, const KXEditHandle&) = default;
  // An edit object is also a text.
  operator KXTextHandle() const;

 private:
  friend struct KXHandleAccess;
  CKXTextEditEx* mEdit = nullptr;
};

// The objects behind handles, for the layout area's own code and tests.
struct KXHandleAccess {
  static CKXText* Text(KXTextHandle h) { return h.mText; }
  static CKXTextEditEx* Edit(KXEditHandle h) { return h.mEdit; }
  static KXTextHandle Wrap(CKXText* t) {
    KXTextHandle h;
    h.mText = t;
    return h;
  }
  static KXEditHandle Wrap(CKXTextEditEx* e) {
    KXEditHandle h;
    h.mEdit = e;
    return h;
  }
};

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
                           const char* repl, long replLen, char**& out, short script);
std::uint16_t KXText_GetChar(KXTextHandle h, long pos);
short KXText_GetCharByte(KXTextHandle h, long pos);
short KXText_GetKeyType(KXTextHandle h, unsigned char key);
void KXText_Get1WordPos(KXTextHandle h, long pos, long& start, long& end);
void KXText_Get1ParaPos(KXTextHandle h, long pos, long& start, long& end);
long KXText_GetPrevCharPos(KXTextHandle h, long pos);
long KXText_GetNextCharPos(KXTextHandle h, long pos);
long KXText_GetNextParaPos(KXTextHandle h, long pos);
long KXText_CalcCharCount(KXTextHandle h, long from, long to);
void KXText_CalcWordCount(KXTextHandle h, long from, long to, long& singles, long& doubles, long& paras,
                          long& pictures, long& words);
bool KXText_CheckSmartEdit(KXTextHandle h, long from, long to);

// ---- KXTE_: edit objects -----------------------------------------------------------------------------
// The only way an edit object is made.
KXEditHandle KXTE_PageStylNew(const SKXPageStyl& page, const RectL& dest, const RectL& view);
void KXTE_Dispose(KXEditHandle e);
void KXTE_DrawSelFrame(KXEditHandle e);
long KXTE_GetLineCount(KXEditHandle e);
long KXTE_GetLineNumber(KXEditHandle e, long offset);
long KXTE_GetLineOffset(KXEditHandle e, long line);
long KXTE_GetLineHeight(KXEditHandle e, long line);
void KXTE_CalcText(KXEditHandle e);
short KXTE_Activate(KXEditHandle e);
short KXTE_Deactivate(KXEditHandle e);
void KXTE_SetActivate(KXEditHandle e, std::uint8_t on);
std::uint8_t KXTE_GetActivate(KXEditHandle e);
void KXTE_SetHilite(KXEditHandle e, std::uint8_t on);
std::uint8_t KXTE_GetHilite(KXEditHandle e);
void KXTE_SetPrinting(KXEditHandle e, std::uint8_t on);
std::uint16_t KXTE_KeyIn(KXEditHandle e, unsigned char key, char modifiers);
std::uint16_t KXTE_Click(KXEditHandle e, const PointL& where, std::uint8_t extend, short phase, short clickCount);
short KXTE_Idle(KXEditHandle e);
std::uint16_t KXTE_SetSelect(KXEditHandle e, long start, long end);
// anchor and active end (either may be the larger).
void KXTE_GetSelect(KXEditHandle e, long& anchor, long& active);
std::uint16_t KXTE_Paste(KXEditHandle e, KXTextHandle source, short mode);
std::uint16_t KXTE_Delete(KXEditHandle e);
std::uint16_t KXTE_Insert(KXEditHandle e, KXTextHandle source);
std::uint16_t KXTE_InsertText(KXEditHandle e, const char* bytes, long length);
std::uint16_t KXTE_InsertTextWithUniChars(KXEditHandle e, const char* bytes, long length, const SKXUniChar* uni,
                                          std::int32_t count);
std::uint16_t KXTE_Find(KXEditHandle e, const char* pattern, long length, short options, short script);
std::uint16_t KXTE_Replace(KXEditHandle e, const char* bytes, long length, const SKXStyl* styls, std::int32_t nStyls,
                           const SKXDeco* decos, std::int32_t nDecos, const SKXPara* paras, std::int32_t nParas);
std::uint16_t KXTE_ReplaceWithUniChars(KXEditHandle e, const char* bytes, long length, const SKXStyl* styls,
                                       std::int32_t nStyls, const SKXDeco* decos, std::int32_t nDecos,
                                       const SKXPara* paras, std::int32_t nParas, const SKXUniChar* uni,
                                       std::int32_t nUni);
std::uint16_t KXTE_SetTextStyl(KXEditHandle e, const SStyl& styl);
std::uint16_t KXTE_SetTextDeco(KXEditHandle e, const SDeco& deco);
std::uint16_t KXTE_SetTextFont(KXEditHandle e, short font);
std::uint16_t KXTE_SetTextSize(KXEditHandle e, short size);
std::uint16_t KXTE_SetTextFace(KXEditHandle e, unsigned char face, unsigned char set);
std::uint16_t KXTE_SetTextColor(KXEditHandle e, const RGBColor& color);
std::uint16_t KXTE_SetTextInterLine(KXEditHandle e, unsigned short kind);
std::uint16_t KXTE_SetTextUnderLine(KXEditHandle e, unsigned short kind, unsigned char set);
std::uint16_t KXTE_SetTextCenterLine(KXEditHandle e, unsigned short kind, unsigned char set);
std::uint16_t KXTE_SetTextUpperLine(KXEditHandle e, unsigned short kind, unsigned char set);
std::uint16_t KXTE_SetTextLineColor(KXEditHandle e, short color);
std::uint16_t KXTE_SetTextNetStyle(KXEditHandle e, unsigned char style);
std::uint16_t KXTE_SetTextNetColor(KXEditHandle e, unsigned char color);
std::uint16_t KXTE_SetTextExtFace(KXEditHandle e, unsigned char flags, unsigned char set);
std::uint16_t KXTE_SetTextRuby(KXEditHandle e, const unsigned char* text, long length);
std::uint16_t KXTE_SetTextParaStyl(KXEditHandle e, const SParaStyl& para, short mask);
std::uint16_t KXTE_SetTextParaIndent(KXEditHandle e, short first, short left, short right);
std::uint16_t KXTE_SetTextParaLineSpace(KXEditHandle e, short space);
std::uint16_t KXTE_SetTextParaCharSpace(KXEditHandle e, short space);
std::uint16_t KXTE_SetTextParaJustify(KXEditHandle e, unsigned char justify);
std::uint16_t KXTE_SetTextParaTabs(KXEditHandle e, short count, const short* positions, long kinds, long leaders);
std::uint16_t KXTE_SetTextParaTabInsert(KXEditHandle e, short position, long kind);
std::uint16_t KXTE_SetTextParaTabDelete(KXEditHandle e, short position);
std::uint16_t KXTE_SetTextParaTabMove(KXEditHandle e, short from, short to, long kind);
std::uint16_t KXTE_ReplaceTextPara(KXEditHandle e, long start, long end, short mask, const SParaStyl& old,
                                   const SParaStyl& repl);
long KXTE_GetOffset(KXEditHandle e, const PointL& where);
PointL KXTE_GetPoint(KXEditHandle e, long offset);
void KXTE_Get1LinePos(KXEditHandle e, long offset, long& start, long& end);
void KXTE_SetCurStyl(KXEditHandle e, const SStyl& styl);
void KXTE_GetCurStyl(KXEditHandle e, SStyl& styl);
void KXTE_GetCurDeco(KXEditHandle e, SDeco& deco);
// Whether a paragraph run is cached.
bool KXTE_GetCurPara(KXEditHandle e, SParaStyl& para);
std::uint16_t KXTE_SetLineStyl(KXEditHandle e, const SKXLineStyl& style, std::uint8_t redraw);
void KXTE_GetLineStyl(KXEditHandle e, SKXLineStyl& style);
std::uint16_t KXTE_SetEditStyl(KXEditHandle e, const SKXEditStyl& style, std::uint8_t redraw);
void KXTE_GetEditStyl(KXEditHandle e, SKXEditStyl& style);
std::uint16_t KXTE_SetLineTurn(KXEditHandle e, std::uint8_t wrap);
std::uint8_t KXTE_GetLineTurn(KXEditHandle e);
std::uint16_t KXTE_SetCtrlView(KXEditHandle e, std::uint8_t show);
std::uint8_t KXTE_GetCtrlView(KXEditHandle e);
std::uint16_t KXTE_SetVertical(KXEditHandle e, std::uint8_t vertical);
std::uint8_t KXTE_GetVertical(KXEditHandle e);
void KXTE_SetAutoIndent(KXEditHandle e, std::uint8_t on);
std::uint8_t KXTE_GetAutoIndent(KXEditHandle e);
std::uint16_t KXTE_SetEditScale(KXEditHandle e, short percent);
short KXTE_GetEditScale(KXEditHandle e);
// The screen's factor every edit object shows its text at, on top of its
// own scale (percent of 72 dpi; 100: none). The program sets it once from
// the desktop's resolution; drivers keep 100.
void KXTE_SetScreenScale(short percent);
std::uint16_t KXTE_Resize(KXEditHandle e, const RectL& dest, const RectL* view);
void KXTE_SetDestRect(KXEditHandle e, const RectL& dest);
void KXTE_GetDestRect(KXEditHandle e, RectL& dest);
void KXTE_SetViewRect(KXEditHandle e, const RectL& view);
void KXTE_GetViewRect(KXEditHandle e, RectL& view);
void KXTE_SetQDViewRect(KXEditHandle e, const RectL& view, const Point& origin);
std::uint16_t KXTE_Scroll(KXEditHandle e, long dh, long dv);
std::uint16_t KXTE_SetAutoView(KXEditHandle e, std::uint8_t on);
std::uint16_t KXTE_SetSelView(KXEditHandle e, std::uint8_t center);
PointL KXTE_GetSelView(KXEditHandle e, std::uint8_t center);
void KXTE_Draw(KXEditHandle e, const RectL& update);
void KXTE_DrawRange(KXEditHandle e, long first, long count, const RectL& update);
// The first line at the top of a shown rectangle and its top-left (layout
// frame); in paper view through the pages and columns. 0 for no handle.
long KXTE_GetDrawLine(KXEditHandle e, PointL& at, const RectL& shown);
short KXTE_GetLineHeightExt(KXEditHandle e, long line, long& runCount, short* extra);

// ---- KXTE_: pages, paper view and page forms ------------------------------------------------------------
std::uint16_t KXTE_SetPaperView(KXEditHandle e, std::uint8_t on);
std::uint16_t KXTE_SetGuideView(KXEditHandle e, std::uint8_t on);
std::uint16_t KXTE_SetCaretLine(KXEditHandle e, std::uint8_t on);
std::uint8_t KXTE_GetPaperView(KXEditHandle e);
std::uint8_t KXTE_GetGuideView(KXEditHandle e);
std::uint8_t KXTE_GetCaretLine(KXEditHandle e);
long KXTE_GetCurPage(KXEditHandle e);
void KXTE_GetCurLineColm(KXEditHandle e, long& line, long& column);
PointL KXTE_GetPagePoint(KXEditHandle e, long page);
long KXTE_GetPageCount(KXEditHandle e);
long KXTE_GetPageNumber(KXEditHandle e, long line);
std::uint16_t KXTE_SetPaperSize(KXEditHandle e, const PointL& size, std::uint8_t recalc);
std::uint16_t KXTE_SetPageMargin(KXEditHandle e, const Rect& margins, std::uint8_t recalc);
void KXTE_SetHardMargin(KXEditHandle e, const Rect& margins);
void KXTE_SetPageColumn(KXEditHandle e, short columns, short gap);
void KXTE_SetPageStartNumber(KXEditHandle e, short offset);
PointL KXTE_GetPaperSize(KXEditHandle e);
void KXTE_GetPageMargin(KXEditHandle e, Rect& margins);
void KXTE_GetHardMargin(KXEditHandle e, Rect& margins);
void KXTE_GetPageColumn(KXEditHandle e, short& columns, short& gap);
short KXTE_GetPageStartNumber(KXEditHandle e);
PointL KXTE_GetPageSize(KXEditHandle e);
std::uint16_t KXTE_SetPageStyl(KXEditHandle e, const SKXPageStyl& style, std::uint8_t recalc);
void KXTE_GetPageStyl(KXEditHandle e, SKXPageStyl& style);
std::uint16_t KXTE_SetFormStyl(KXEditHandle e, const SKXFormStyl& form, std::uint8_t apply);
void KXTE_GetFormStyl(KXEditHandle e, SKXFormStyl& form);
void KXTE_GetFormStylDefault(KXEditHandle e, SKXFormStyl& form);
PointL KXTE_GetFormStylPaperSize(KXEditHandle e, short kind);
short KXTE_GetFormStylPaperType(KXEditHandle e, const PointL& size);
short KXTE_GetFormStylID(KXEditHandle e);
long KXTE_GetPartInfo(KXEditHandle e, long index, long kind, long start, long end, long& outA, long& outB);

// ---- KXTE_: headers, footers and the document name -----------------------------------------------------
// Answer whether the template holds a placeholder.
bool KXTE_SetHeaderStyle(KXEditHandle e, short bandHeight, const char* text, std::uint8_t length, const SStyl& style,
                         std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat);
bool KXTE_SetFooterStyle(KXEditHandle e, short bandHeight, const char* text, std::uint8_t length, const SStyl& style,
                         std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat);
// The template goes into text (when given) with a NUL after it, so text
// needs length + 1 bytes (256 always suffice). Answers the length.
std::uint8_t KXTE_GetHeaderStyle(KXEditHandle e, short& bandHeight, char* text, std::uint8_t& length, SStyl& style,
                                 std::uint8_t& alignment, std::uint8_t& dateFormat, std::uint8_t& timeFormat);
std::uint8_t KXTE_GetFooterStyle(KXEditHandle e, short& bandHeight, char* text, std::uint8_t& length, SStyl& style,
                                 std::uint8_t& alignment, std::uint8_t& dateFormat, std::uint8_t& timeFormat);
void KXTE_SetName(KXEditHandle e, const char* name, short length);

// ---- KXTE_: marks and markups (indexes 1-based) -------------------------------------------------------------
long KXTE_GetMarkCount(KXEditHandle e);
// name: a length-prefixed string, or null.
void KXTE_InsertMark(KXEditHandle e, long from, long to, const unsigned char* name);
void KXTE_DeleteMark(KXEditHandle e, long index);
// out: 256 bytes, a length-prefixed string.
void KXTE_GetMarkString(KXEditHandle e, long index, unsigned char* out);
void KXTE_GetMarkRange(KXEditHandle e, long index, long& start, long& end);
short KXTE_GetMarkRank(KXEditHandle e, long index);
void KXTE_SetMarkRank(KXEditHandle e, long index, short rank);
long KXTE_GetMarkDataSize(KXEditHandle e);
long KXTE_GetMarkData(KXEditHandle e, char* buf, long size);
bool KXTE_SetMarkData(KXEditHandle e, const char* buf, long size);
long KXTE_GetRankDataSize(KXEditHandle e);
void KXTE_GetRankData(KXEditHandle e, char* buf, long n);
void KXTE_SetRankData(KXEditHandle e, const char* buf, long n);
long KXTE_GetMarkupCount(KXEditHandle e);
void KXTE_InsertMarkup(KXEditHandle e, long from, long to);
void KXTE_DeleteMarkup(KXEditHandle e, long from, long to);
bool KXTE_GetMarkup(KXEditHandle e, long pos, long& start, long& end);

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

// ---- UKXFind_: one process-wide pattern ---------------------------------------------------------------------
// Compiles the pattern (a regular expression with option 16) and answers
// its number of find characters; 0 means nothing to search for, and the
// steps then find nothing. A new Start replaces (and frees) the last one.
std::int32_t UKXFind_Start(const char* pattern, long length, short options, short script);
// The first step over text from start: 0 when nothing can match, else the
// width of the character at found.
short UKXFind_Find1stStep(const char* text, long start, long length, short options, long& found,
                          SKXFindStyl& styl);
// The matched length at offset; 0 on a mismatch, -1 when the text ends first.
std::int32_t UKXFind_Find2ndStep(const char* text, long offset, long length, short options, SKXFindStyl& styl);
void UKXFind_End();

// ---- UKXRuby_: ruby on plain arrays ------------------------------------------------------------------------
long UKXRuby_FromRubyInfo(const SKXRubyInfo* infos, std::int32_t n, const char* text, long textLen, SKXRuby* rubys,
                          long* count);
void UKXRuby_DeleteRubyFromText(long base, const SKXRuby* rubys, std::int32_t n, char* text, long& length);
void UKXRuby_DeleteRubyFromPos(long base, const SKXRuby* rubys, std::int32_t n, void* positions, long count,
                               long stride);
