// The procedural interface to edit objects (KXTE_*): edit handles only, so
// a plain text cannot be passed where an edit object is expected. A null
// handle makes a member do nothing and answer 0; out-parameters are then
// left untouched.
#pragma once

#include <cstdint>

#include "layout/kxtext_handle.h"
#include "layout/linebreak.h"
#include "platform/types.h"
#include "text/base/geometry.h"
#include "text/runs/runs.h"
#include "text/store/strarray.h"

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
// Lays out some of the lines a relayout deferred (the caller's idle time);
// answers the image-size bit once the text's height is known to differ.
std::uint16_t KXTE_LayOutDeferred(KXEditHandle e);
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
                                       std::int32_t nUni, const SKXRuby* ruby = nullptr, std::int32_t nRuby = 0);
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
// The scale the text is shown at: the edit scale with the screen's factor
// on top (0 for 100 %).
short KXTE_GetShownScale(KXEditHandle e);
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
// The name from UTF-8, the characters Shift_JIS lacks kept in side entries
// (KxHdFtNameFromUTF8); false, the name unchanged, when it does not convert.
bool KXTE_SetNameUTF8(KXEditHandle e, const char* utf8, long length);

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
// Edits in text order with marks and markups moved once, at
// KXTE_SettleMarks, as each edit in turn would have moved them.
void KXTE_HoldMarks(KXEditHandle e);
void KXTE_SettleMarks(KXEditHandle e);
