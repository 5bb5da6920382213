// The procedural interface. One table of members drives two checks: on a
// null handle every member answers 0 and leaves its out-parameters as they
// were; on real handles every member answers and changes exactly what the
// class operation it forwards to does on a twin object. Then the handle
// types, the start-up chain and the search pattern.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "platform/fonts.h"
#include "text/find/find.h"
#include "text/store/text.h"
#include "text_edit_fixture.h"

namespace {

constexpr unsigned char kSentinel = 0xA5;

// A text-handle argument: the handle through the interface, the object on
// the direct side.
struct OtherRef {
  KXTextHandle h;
  CKXText* d = nullptr;
  operator KXTextHandle() const { return h; }
  operator CKXText*() const { return d; }
  operator const CKXText*() const { return d; }
};

// What one run of a member saw and answered.
struct Probe {
  KXTextHandle t;
  KXEditHandle e;
  OtherRef other;
  CKXText* dt = nullptr;
  CKXTextEditEx* de = nullptr;
  std::vector<std::int64_t> answers;
  std::vector<std::vector<unsigned char>> outs;
  std::vector<std::vector<unsigned char>> before;  // each out-parameter as passed

  // An out-parameter of n items, filled with the sentinel.
  template <typename T>
  T* Out(size_t n = 1) {
    outs.emplace_back(n * sizeof(T), kSentinel);
    before.push_back(outs.back());
    return reinterpret_cast<T*>(outs.back().data());
  }
  // An in-out parameter passed with a value.
  template <typename T>
  T& InOut(T value) {
    T* p = Out<T>();
    *p = value;
    before.back() = outs.back();
    return *p;
  }
  template <typename F>
  void Answer(F&& f) {
    using R = decltype(f());
    if constexpr (std::is_void_v<R>) {
      f();
    } else if constexpr (std::is_same_v<R, PointL>) {
      const PointL pt = f();
      answers.push_back(pt.v);
      answers.push_back(pt.h);
    } else {
      answers.push_back(std::int64_t(f()));
    }
  }
};

struct Row {
  const char* name;
  std::function<void(Probe&)> api;
  std::function<void(Probe&)> direct;
};

// A member whose class operation has its name and arguments.
#define TEXT_ROW(name, ...)                                                            \
  Row {                                                                                \
    "KXText_" #name, [](Probe& p) { p.Answer([&] { return KXText_##name(p.t, __VA_ARGS__); }); }, \
        [](Probe& p) { p.Answer([&] { return p.dt->name(__VA_ARGS__); }); }                      \
  }
#define TEXT_ROW0(name)                                                                        \
  Row {                                                                                        \
    "KXText_" #name, [](Probe& p) { p.Answer([&] { return KXText_##name(p.t); }); }, \
        [](Probe& p) { p.Answer([&] { return p.dt->name(); }); }                               \
  }
#define EDIT_ROW(name, ...)                                                          \
  Row {                                                                              \
    "KXTE_" #name, [](Probe& p) { p.Answer([&] { return KXTE_##name(p.e, __VA_ARGS__); }); }, \
        [](Probe& p) { p.Answer([&] { return p.de->name(__VA_ARGS__); }); }                    \
  }
#define EDIT_ROW0(name)                                                                    \
  Row {                                                                                    \
    "KXTE_" #name, [](Probe& p) { p.Answer([&] { return KXTE_##name(p.e); }); }, \
        [](Probe& p) { p.Answer([&] { return p.de->name(); }); }                           \
  }
// A member whose target differs in name or arguments.
#define ROW(name, apiCall, directCall) \
  Row { name, [](Probe& p) { p.Answer([&] { return apiCall; }); }, [](Probe& p) { p.Answer([&] { return directCall; }); } }

const SStyl kBold{0, 0, 1, 1, 0, 14, RGBColor{0, 0, 0}};
const SDeco kUnder{0x0008, 0, 0, 0};
const SKXStyl kRuns[2] = {{0, SStyl{0, 0, 1, 0, 0, 12, RGBColor{0, 0, 0}}}, {2, kBold}};
const SKXUniChar kUni{1, 0x1F600};
const SKXRuby kRuby{0, 2, 3, {'r', 'u', 'b'}};
const SParaStyl kPara{10, 4, 0, 2, 0, 1, 0, 0, {}, 0, {}};

// What the header and footer getters write, in their order.
std::uint8_t HeaderOut(Probe& p, const SKXHdFtStyl& rec) {
  *p.Out<short>() = rec.bandHeight;
  char* text = p.Out<char>(256);
  std::memcpy(text, rec.text.data(), rec.text.size());
  text[rec.text.size()] = 0;
  *p.Out<std::uint8_t>() = rec.Length();
  *p.Out<SStyl>() = rec.style;
  *p.Out<std::uint8_t>() = rec.alignment;
  *p.Out<std::uint8_t>() = rec.dateFormat;
  *p.Out<std::uint8_t>() = rec.timeFormat;
  return rec.Length();
}

// The header and footer getters through the interface, outs in the same order.
template <typename F>
std::uint8_t HeaderViaApi(Probe& p, F get) {
  short& band = *p.Out<short>();
  char* text = p.Out<char>(256);
  std::uint8_t& length = *p.Out<std::uint8_t>();
  SStyl& style = *p.Out<SStyl>();
  std::uint8_t& align = *p.Out<std::uint8_t>();
  std::uint8_t& date = *p.Out<std::uint8_t>();
  std::uint8_t& time = *p.Out<std::uint8_t>();
  return get(p.e, band, text, length, style, align, date, time);
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      ROW("KXText_SetText", KXText_SetText(p.t, "xyz", 3, kRuns, 2, nullptr, 0, nullptr, 0),
          p.dt->SetText("xyz", 3, kRuns, 2, nullptr, 0, nullptr, 0, nullptr, 0)),
      ROW("KXText_SetTextWithUniChars", KXText_SetTextWithUniChars(p.t, "x?z", 3, kRuns, 2, nullptr, 0, nullptr, 0, &kUni, 1),
          p.dt->SetText("x?z", 3, kRuns, 2, nullptr, 0, nullptr, 0, &kUni, 1)),
      TEXT_ROW(GetText, p.Out<char>(40), 40, p.Out<SKXStyl>(4), 4, p.Out<SKXDeco>(4), 4, p.Out<SKXPara>(4), 4,
               p.Out<SKXUniChar>(4), 4),
      ROW("KXText_SetDuplicate", KXText_SetDuplicate(p.t, p.other), p.dt->SetText(static_cast<const CKXText*>(p.other))),
      TEXT_ROW(SetStyls, kRuns, 2),
      TEXT_ROW(GetStyls, p.Out<SKXStyl>(4), 4),
      TEXT_ROW(GetDecos, p.Out<SKXDeco>(4), 4),
      TEXT_ROW(GetParas, p.Out<SKXPara>(4), 4),
      ROW("KXText_GetSelection", KXText_GetSelection(p.t, 1, 6, p.other), p.dt->GetSelText(1, 6, static_cast<CKXText*>(p.other))),
      TEXT_ROW(GetSelText, 1, 9, p.Out<char>(40), 40, p.Out<SKXStyl>(4), 4, p.Out<SKXDeco>(4), 4, p.Out<SKXPara>(4), 4,
               p.Out<SKXUniChar>(4), 4),
      TEXT_ROW(SetSelStyls, 1, 3, kRuns, 1),
      TEXT_ROW(GetSelStyls, 0, 9, p.Out<SKXStyl>(4), 4),
      TEXT_ROW(SetSelDecos, 1, 3, nullptr, 0),
      TEXT_ROW(GetSelDecos, 0, 9, p.Out<SKXDeco>(4), 4),
      TEXT_ROW(SetSelParas, 0, 3, nullptr, 0),
      TEXT_ROW(GetSelParas, 0, 9, p.Out<SKXPara>(4), 4),
      TEXT_ROW(SetSelUniChars, 0, 3, &kUni, 1),
      TEXT_ROW(GetSelUniChars, 0, 9, p.Out<SKXUniChar>(4), 4),
      TEXT_ROW(SetRubys, &kRuby, 1),
      TEXT_ROW(GetRubys, p.Out<SKXRuby>(4), 4),
      TEXT_ROW(GetRubyAtNumber, 1, p.Out<SKXRuby>()),
      TEXT_ROW(SetSelRubys, 0, 4, &kRuby, 1),
      TEXT_ROW(GetSelRubys, 0, 9, p.Out<SKXRuby>(4), 4),
      TEXT_ROW(GetSelRubysInfo, 0, 9, p.Out<SKXRubyInfo>(4), 4),
      TEXT_ROW0(GetLength),
      TEXT_ROW0(GetTextSize),
      TEXT_ROW0(GetStylCount),
      TEXT_ROW0(GetDecoCount),
      TEXT_ROW0(GetParaCount),
      TEXT_ROW(GetSelStylCount, 0, 9),
      TEXT_ROW(GetSelDecoCount, 0, 9),
      TEXT_ROW(GetSelParaCount, 0, 9),
      TEXT_ROW0(GetUniCharsCount),
      TEXT_ROW(GetSelUniCharsCount, 0, 9),
      TEXT_ROW0(GetRubysCount),
      TEXT_ROW(GetSelRubysCount, 0, 9),
      TEXT_ROW(IsRubyExist, 0, 9),
      TEXT_ROW(GetSelRubysFirstNumber, 0, 9),
      TEXT_ROW(GetSelRubysInsertSize, 0, 9),
      TEXT_ROW(GetSelRubysInsertText, 0, 4, p.Out<char>(64), p.InOut<long>(4)),
      TEXT_ROW(GetSelRubysInsertPos, 0, 9, p.Out<SKXPos>(2), 0, long(sizeof(SKXPos))),
      TEXT_ROW(InsertChar, 2, 0x82A0, &kBold, &kUnder),
      ROW("KXText_InsertString", KXText_InsertString(p.t, 1, "pq", 2, &kBold, nullptr),
          p.dt->InsertString(1, "pq", 2, &kBold, nullptr, nullptr, 0)),
      ROW("KXText_InsertStringWithUniChars", KXText_InsertStringWithUniChars(p.t, 1, "p?", 2, nullptr, nullptr, &kUni, 1),
          p.dt->InsertString(1, "p?", 2, nullptr, nullptr, &kUni, 1)),
      TEXT_ROW(InsertUniChar, 3, 0x1F601UL, nullptr, nullptr),
      TEXT_ROW(SetDecoInterLine, 0, 4, 2),
      TEXT_ROW(SetDecoLineColor, 0, 4, 5),
      TEXT_ROW(SetDecoStyle, 0, 4, 1, 1),
      TEXT_ROW(GetDecoPictID, 3),
      TEXT_ROW(SetPara, 0, 3, kPara),
      TEXT_ROW(SetParaIndent, 0, 3, 1, 2, 3),
      TEXT_ROW(SetParaLineSpace, 0, 3, 4),
      TEXT_ROW(SetParaJustify, 0, 3, 2),
      TEXT_ROW(GetParaStylDefault, *p.Out<SParaStyl>()),
      TEXT_ROW(CheckParaStylDelete, 5),
      TEXT_ROW(GetRuby, p.InOut<long>(0), p.InOut<long>(4), p.Out<unsigned char>(32), p.InOut<long>(30)),
      TEXT_ROW(SetRuby, 5, 8, (const unsigned char*)"yomi", 4),
      ROW("KXText_Copy", KXText_Copy(p.t, 0, 5, p.other, 0), p.dt->CopyText(0, 5, p.other, 0)),
      ROW("KXText_Delete", KXText_Delete(p.t, 2, 6), p.dt->DeleteText(2, 6)),
      ROW("KXText_Insert", KXText_Insert(p.t, 2, p.other, 0), p.dt->InsertText(2, static_cast<const CKXText*>(p.other), 0)),
      ROW("KXText_InsertText", KXText_InsertText(p.t, 2, "new", 3, kRuns, 1, nullptr, 0, nullptr, 0),
          p.dt->InsertText(2, "new", 3, kRuns, 1, nullptr, 0, nullptr, 0, nullptr, 0)),
      ROW("KXText_InsertTextWithUniChars",
          KXText_InsertTextWithUniChars(p.t, 2, "n?w", 3, kRuns, 1, nullptr, 0, nullptr, 0, &kUni, 1),
          p.dt->InsertText(2, "n?w", 3, kRuns, 1, nullptr, 0, nullptr, 0, &kUni, 1)),
      TEXT_ROW(FindText, 0, "def", 3, *p.Out<long>(), 0, 1),
      TEXT_ROW(ReplaceText, 0, 2, "AB", 2),
      TEXT_ROW(CheckFind, 7, 10, "def", 3, 0, 1),
      TEXT_ROW(CheckReplaceRE, 7, 10, "d(e)f", 5, kKXFindRegexp, "x", 1, *p.Out<char**>(), 1),
      TEXT_ROW(GetChar, 4),
      TEXT_ROW(GetCharByte, 5),
      TEXT_ROW(GetKeyType, 'a'),
      TEXT_ROW(Get1WordPos, 8, *p.Out<long>(), *p.Out<long>()),
      TEXT_ROW(Get1ParaPos, 8, *p.Out<long>(), *p.Out<long>()),
      TEXT_ROW(GetPrevCharPos, 6),
      TEXT_ROW(GetNextCharPos, 4),
      TEXT_ROW(GetNextParaPos, 1),
      TEXT_ROW(CalcCharCount, 0, 9),
      TEXT_ROW(CalcWordCount, 0, 12, *p.Out<long>(), *p.Out<long>(), *p.Out<long>(), *p.Out<long>(), *p.Out<long>()),
      TEXT_ROW(CheckSmartEdit, 7, 10),

      EDIT_ROW0(DrawSelFrame),
      EDIT_ROW0(GetLineCount),
      ROW("KXTE_GetLineNumber", KXTE_GetLineNumber(p.e, 8), p.de->GetLineNo(8)),
      ROW("KXTE_GetLineOffset", KXTE_GetLineOffset(p.e, 2), p.de->GetLineOffsetAt(2)),
      ROW("KXTE_GetLineHeight", KXTE_GetLineHeight(p.e, 1), p.de->GetLineHeightAt(1)),
      EDIT_ROW0(CalcText),
      EDIT_ROW0(Activate),
      EDIT_ROW0(Deactivate),
      ROW("KXTE_SetActivate", KXTE_SetActivate(p.e, 0), p.de->SetActiveFlag(0)),
      ROW("KXTE_GetActivate", KXTE_GetActivate(p.e), p.de->IsActive()),
      EDIT_ROW(SetHilite, 0),
      EDIT_ROW0(GetHilite),
      EDIT_ROW(SetPrinting, 0),
      EDIT_ROW(KeyIn, 'k', 0),
      EDIT_ROW(Click, PointL{5, 20}, 0, 0, 1),
      EDIT_ROW0(Idle),
      EDIT_ROW(SetSelect, 1, 6),
      EDIT_ROW(GetSelect, *p.Out<long>(), *p.Out<long>()),
      ROW("KXTE_Paste", KXTE_Paste(p.e, p.other, 0), p.de->Paste(p.other, 0)),
      EDIT_ROW0(Delete),
      ROW("KXTE_Insert", KXTE_Insert(p.e, p.other), p.de->Insert(static_cast<const CKXText*>(p.other))),
      ROW("KXTE_InsertText", KXTE_InsertText(p.e, "in", 2), p.de->Insert("in", 2, nullptr, 0)),
      ROW("KXTE_InsertTextWithUniChars", KXTE_InsertTextWithUniChars(p.e, "i?", 2, &kUni, 1),
          p.de->Insert("i?", 2, &kUni, 1)),
      EDIT_ROW(Find, "ghi", 3, 0, 1),
      ROW("KXTE_Replace", KXTE_Replace(p.e, "rep", 3, kRuns, 1, nullptr, 0, nullptr, 0),
          p.de->Replace("rep", 3, kRuns, 1, nullptr, 0, nullptr, 0, nullptr, 0)),
      ROW("KXTE_ReplaceWithUniChars", KXTE_ReplaceWithUniChars(p.e, "r?p", 3, kRuns, 1, nullptr, 0, nullptr, 0, &kUni, 1),
          p.de->Replace("r?p", 3, kRuns, 1, nullptr, 0, nullptr, 0, &kUni, 1)),
      EDIT_ROW(SetTextStyl, kBold),
      EDIT_ROW(SetTextDeco, kUnder),
      EDIT_ROW(SetTextFont, 2),
      EDIT_ROW(SetTextSize, 20),
      EDIT_ROW(SetTextFace, 2, 0),
      EDIT_ROW(SetTextColor, RGBColor{1, 2, 3}),
      EDIT_ROW(SetTextInterLine, 1),
      EDIT_ROW(SetTextUnderLine, 2, 1),
      EDIT_ROW(SetTextCenterLine, 3, 0),
      EDIT_ROW(SetTextUpperLine, 4, 1),
      EDIT_ROW(SetTextLineColor, 0x0107),
      EDIT_ROW(SetTextNetStyle, 3),
      EDIT_ROW(SetTextNetColor, 2),
      EDIT_ROW(SetTextExtFace, 1, 1),
      EDIT_ROW(SetTextRuby, (const unsigned char*)"ru", 2),
      EDIT_ROW(SetTextParaStyl, kPara, 0),
      EDIT_ROW(SetTextParaIndent, 3, 2, 1),
      EDIT_ROW(SetTextParaLineSpace, 5),
      EDIT_ROW(SetTextParaCharSpace, 1),
      EDIT_ROW(SetTextParaJustify, 1),
      EDIT_ROW(SetTextParaTabs, 1, &kPara.firstIndent, 1, 0),
      EDIT_ROW(SetTextParaTabInsert, 30, 1),
      EDIT_ROW(SetTextParaTabDelete, 30),
      EDIT_ROW(SetTextParaTabMove, 30, 40, 1),
      EDIT_ROW(ReplaceTextPara, 0, 20, 1, SParaStyl{}, kPara),
      EDIT_ROW(GetOffset, PointL{15, 14}),
      EDIT_ROW(GetPoint, 9),
      EDIT_ROW(Get1LinePos, 9, *p.Out<long>(), *p.Out<long>()),
      EDIT_ROW(SetCurStyl, kBold),
      EDIT_ROW(GetCurStyl, *p.Out<SStyl>()),
      EDIT_ROW(GetCurDeco, *p.Out<SDeco>()),
      EDIT_ROW(GetCurPara, *p.Out<SParaStyl>()),
      EDIT_ROW(SetLineStyl, SKXLineStyl{}, 1),
      ROW("KXTE_GetLineStyl", KXTE_GetLineStyl(p.e, *p.Out<SKXLineStyl>()), (void)(*p.Out<SKXLineStyl>() = p.de->GetLineStyl())),
      EDIT_ROW(SetEditStyl, SKXEditStyl{}, 1),
      ROW("KXTE_GetEditStyl", KXTE_GetEditStyl(p.e, *p.Out<SKXEditStyl>()), (void)(*p.Out<SKXEditStyl>() = p.de->GetEditStyl())),
      EDIT_ROW(SetLineTurn, 0),
      ROW("KXTE_GetLineTurn", KXTE_GetLineTurn(p.e), p.de->GetLineStyl().wrap),
      EDIT_ROW(SetCtrlView, 1),
      ROW("KXTE_GetCtrlView", KXTE_GetCtrlView(p.e), p.de->GetLineStyl().controlView),
      EDIT_ROW(SetVertical, 1),
      ROW("KXTE_GetVertical", KXTE_GetVertical(p.e), p.de->GetLineStyl().vertical),
      EDIT_ROW(SetAutoIndent, 1),
      EDIT_ROW0(GetAutoIndent),
      EDIT_ROW(SetEditScale, 150),
      EDIT_ROW0(GetEditScale),
      EDIT_ROW(Resize, RectL{0, 0, 300, 80}, nullptr),
      EDIT_ROW(SetDestRect, RectL{0, 0, 200, 70}),
      EDIT_ROW(GetDestRect, *p.Out<RectL>()),
      EDIT_ROW(SetViewRect, RectL{0, 0, 100, 70}),
      EDIT_ROW(GetViewRect, *p.Out<RectL>()),
      EDIT_ROW(SetQDViewRect, RectL{0, 0, 100, 70}, Point{5, 5}),
      EDIT_ROW(Scroll, 3, 4),
      EDIT_ROW(SetAutoView, 1),
      EDIT_ROW(SetSelView, 1),
      EDIT_ROW(GetSelView, 1),
      ROW("KXTE_Draw", KXTE_Draw(p.e, RectL{0, 0, 50, 50}), p.de->Draw(RectL{0, 0, 50, 50})),
      ROW("KXTE_DrawRange", KXTE_DrawRange(p.e, 1, 2, RectL{0, 0, 50, 50}), p.de->DrawLinesAt(1, 2, RectL{0, 0, 50, 50})),
      ROW("KXTE_GetLineHeightExt", KXTE_GetLineHeightExt(p.e, 1, *p.Out<long>(), p.Out<short>()),
          p.de->GetLineHeightExAt(1, *p.Out<long>(), p.Out<short>())),
      EDIT_ROW(SetPaperView, 1),
      EDIT_ROW(SetGuideView, 1),
      EDIT_ROW(SetCaretLine, 1),
      ROW("KXTE_GetPaperView", (KXTE_SetPaperView(p.e, 1), KXTE_GetPaperView(p.e)),
          (p.de->SetPaperView(1), p.de->GetEditStyl().paperView)),
      ROW("KXTE_GetGuideView", KXTE_GetGuideView(p.e), p.de->GetEditStyl().guideView),
      ROW("KXTE_GetCaretLine", KXTE_GetCaretLine(p.e), p.de->GetEditStyl().caretLine),
      EDIT_ROW0(GetCurPage),
      EDIT_ROW(GetCurLineColm, *p.Out<long>(), *p.Out<long>()),
      EDIT_ROW(GetPagePoint, 1),
      EDIT_ROW0(GetPageCount),
      ROW("KXTE_GetPageNumber", KXTE_GetPageNumber(p.e, 2), p.de->GetPageNo(2)),
      EDIT_ROW(SetPaperSize, PointL{400, 300}, 1),
      EDIT_ROW(SetPageMargin, Rect{10, 12, 14, 16}, 1),
      EDIT_ROW(SetHardMargin, Rect{1, 2, 3, 4}),
      EDIT_ROW(SetPageColumn, 2, 10),
      EDIT_ROW(SetPageStartNumber, 3),
      EDIT_ROW0(GetPaperSize),
      EDIT_ROW(GetPageMargin, *p.Out<Rect>()),
      EDIT_ROW(GetHardMargin, *p.Out<Rect>()),
      EDIT_ROW(GetPageColumn, *p.Out<short>(), *p.Out<short>()),
      EDIT_ROW0(GetPageStartNumber),
      EDIT_ROW0(GetPageSize),
      EDIT_ROW(SetPageStyl, KxDefaultPageStyl(), 1),
      EDIT_ROW(GetPageStyl, *p.Out<SKXPageStyl>()),
      EDIT_ROW(SetFormStyl, SKXFormStyl{}, 0),
      EDIT_ROW(GetFormStyl, *p.Out<SKXFormStyl>()),
      EDIT_ROW(GetFormStylDefault, *p.Out<SKXFormStyl>()),
      EDIT_ROW(GetFormStylPaperSize, 1),
      EDIT_ROW(GetFormStylPaperType, PointL{842, 595}),
      EDIT_ROW0(GetFormStylID),
      EDIT_ROW(GetPartInfo, 1, 2, 0, 10, *p.Out<long>(), *p.Out<long>()),
      EDIT_ROW(SetHeaderStyle, 12, "p <PAGE>", 8, kBold, 1, 0, 0),
      EDIT_ROW(SetFooterStyle, 12, "plain", 5, kBold, 2, 0, 0),
      ROW("KXTE_GetHeaderStyle",
          (KXTE_SetHeaderStyle(p.e, 9, "<NAME>!", 7, kBold, 1, 2, 3), HeaderViaApi(p, KXTE_GetHeaderStyle)),
          (p.de->SetHeaderStyle(9, "<NAME>!", 7, kBold, 1, 2, 3), HeaderOut(p, p.de->GetHeaderStyle()))),
      ROW("KXTE_GetFooterStyle", HeaderViaApi(p, KXTE_GetFooterStyle), HeaderOut(p, p.de->GetFooterStyle())),
      EDIT_ROW(SetName, "doc", 3),
      EDIT_ROW0(GetMarkCount),
      EDIT_ROW(InsertMark, 1, 4, (const unsigned char*)"\2mk"),
      ROW("KXTE_DeleteMark", (KXTE_InsertMark(p.e, 1, 4, nullptr), KXTE_DeleteMark(p.e, 1)),
          (p.de->InsertMark(1, 4, nullptr), p.de->DeleteMarkAt(1))),
      ROW("KXTE_GetMarkString", (KXTE_InsertMark(p.e, 1, 4, (const unsigned char*)"\2mk"), KXTE_GetMarkString(p.e, 1, p.Out<unsigned char>(256))),
          (p.de->InsertMark(1, 4, (const unsigned char*)"\2mk"), p.de->GetMarkStringAt(1, p.Out<unsigned char>(256)))),
      ROW("KXTE_GetMarkRange", (KXTE_InsertMark(p.e, 1, 4, nullptr), KXTE_GetMarkRange(p.e, 1, *p.Out<long>(), *p.Out<long>())),
          (p.de->InsertMark(1, 4, nullptr), p.de->GetMarkRangeAt(1, *p.Out<long>(), *p.Out<long>()))),
      ROW("KXTE_SetMarkRank", (KXTE_InsertMark(p.e, 1, 4, nullptr), KXTE_SetMarkRank(p.e, 1, 2), KXTE_GetMarkRank(p.e, 1)),
          (p.de->InsertMark(1, 4, nullptr), p.de->SetMarkRankAt(1, 2), p.de->GetMarkRankAt(1))),
      ROW("KXTE_GetMarkRank", KXTE_GetMarkRank(p.e, 1), p.de->GetMarkRankAt(1)),
      ROW("KXTE_GetMarkDataSize", (KXTE_InsertMark(p.e, 1, 4, nullptr), KXTE_GetMarkDataSize(p.e)),
          (p.de->InsertMark(1, 4, nullptr), p.de->GetMarkDataSize())),
      ROW("KXTE_GetMarkData", (KXTE_InsertMark(p.e, 1, 4, nullptr), KXTE_GetMarkData(p.e, p.Out<char>(64), 64)),
          (p.de->InsertMark(1, 4, nullptr), p.de->GetMarkData(p.Out<char>(64), 64))),
      EDIT_ROW(SetMarkData, "\0\0", 2),
      EDIT_ROW0(GetRankDataSize),
      EDIT_ROW(GetRankData, p.Out<char>(4), 4),
      EDIT_ROW(SetRankData, "\2", 1),
      EDIT_ROW0(GetMarkupCount),
      EDIT_ROW(InsertMarkup, 2, 5),
      ROW("KXTE_DeleteMarkup", (KXTE_InsertMarkup(p.e, 2, 5), KXTE_DeleteMarkup(p.e, 0, 100), KXTE_GetMarkupCount(p.e)),
          (p.de->InsertMarkup(2, 5), p.de->DeleteMarkup(0, 100), p.de->GetMarkupCount())),
      ROW("KXTE_GetMarkup", (KXTE_InsertMarkup(p.e, 2, 5), KXTE_GetMarkup(p.e, 3, *p.Out<long>(), *p.Out<long>())),
          (p.de->InsertMarkup(2, 5), p.de->GetMarkup(3, *p.Out<long>(), *p.Out<long>()))),
  };
  return rows;
}

const std::string kText = "ab" SJ_A "c\rdef ghi\rjk";

void Fill(CKXText& t) {
  t.SetText(kText.data(), long(kText.size()), kRuns, 2, nullptr, 0, nullptr, 0, nullptr, 0);
  t.SetRuby(0, 2, (const unsigned char*)"ru", 2);
  t.SetReferToPicture(1);
}

std::string State(const CKXText& t) {
  std::string s(size_t(t.GetLength()), '\0');
  t.CopyBytes(0, t.GetLength(), s.data(), t.GetLength());
  std::vector<char> runs(size_t(t.GetStylCount()) * sizeof(SKXStyl) + size_t(t.GetDecoCount()) * sizeof(SKXDeco) +
                         size_t(t.GetParaCount()) * sizeof(SKXPara) + size_t(t.GetRubysCount()) * sizeof(SKXRuby) +
                         size_t(t.GetUniCharsCount()) * sizeof(SKXUniChar) + 1);
  char* p = runs.data();
  p += t.GetStyls(reinterpret_cast<SKXStyl*>(p), t.GetStylCount()) * long(sizeof(SKXStyl));
  p += t.GetDecos(reinterpret_cast<SKXDeco*>(p), t.GetDecoCount()) * long(sizeof(SKXDeco));
  p += t.GetParas(reinterpret_cast<SKXPara*>(p), t.GetParaCount()) * long(sizeof(SKXPara));
  if (t.GetRubysCount()) p += t.GetRubys(reinterpret_cast<SKXRuby*>(p), t.GetRubysCount()) * long(sizeof(SKXRuby));
  if (t.GetUniCharsCount()) t.GetUniChars(reinterpret_cast<SKXUniChar*>(p), t.GetUniCharsCount());
  return s + "|" + std::string(runs.begin(), runs.end());
}

std::string EditState(const CKXTextEditEx& e) {
  long a, b;
  e.GetSelect(a, b);
  std::string s = State(e) + "|" + std::to_string(a) + " " + std::to_string(b) + "|";
  for (long i = 1; i <= e.GetLineCount(); ++i) s += std::to_string(e.GetLineOffsetAt(i)) + " ";
  return s;
}

class KXTextApi : public ::testing::Test {
 protected:
  kxtest::SyntheticFont font;
};

}  // namespace

TEST_F(KXTextApi, NullHandlesAnswerZeroAndLeaveOutParameters) {
  for (const Row& row : Rows()) {
    Probe p;
    row.api(p);
    for (const std::int64_t a : p.answers) EXPECT_EQ(a, 0) << row.name;
    EXPECT_EQ(p.outs, p.before) << row.name << " wrote an out-parameter";
  }
}

// Each member on a plain text, on an edit object seen as a text, and (for
// the edit members) on an edit object, against its class operation on a twin.
TEST_F(KXTextApi, MembersForwardToTheirOperations) {
  const RectL dest{0, 0, 0, 60}, view{0, 0, 200, 60};
  for (const Row& row : Rows()) {
    const bool editRow = std::strncmp(row.name, "KXTE_", 5) == 0;
    for (const bool asEdit : {false, true}) {
      if (editRow && !asEdit) continue;
      KXEditHandle e = KXTE_PageStylNew(SKXPageStyl{}, dest, view);
      CKXTextEditEx twin(dest, view, SKXPageStyl{});
      KXTextHandle plain = KXText_New();
      CKXText plainTwin;
      KXTextHandle other = KXText_New();
      CKXText otherTwin;
      CKXText* objects[] = {KXHandleAccess::Edit(e), &twin, KXHandleAccess::Text(plain), &plainTwin,
                            KXHandleAccess::Text(other), &otherTwin};
      for (CKXText* t : objects) Fill(*t);
      KXHandleAccess::Edit(e)->CalcText();
      twin.CalcText();
      KXHandleAccess::Edit(e)->SetSelect(1, 7);
      twin.SetSelect(1, 7);

      Probe viaApi, direct;
      viaApi.e = e;
      viaApi.t = asEdit ? KXTextHandle(e) : plain;
      viaApi.other.h = other;
      direct.de = &twin;
      direct.dt = asEdit ? static_cast<CKXText*>(&twin) : &plainTwin;
      direct.other.d = &otherTwin;
      row.api(viaApi);
      row.direct(direct);
      const std::string where = std::string(row.name) + (asEdit ? " on an edit object" : " on a text");
      EXPECT_EQ(viaApi.answers, direct.answers) << where;
      EXPECT_EQ(viaApi.outs, direct.outs) << where;
      EXPECT_EQ(EditState(*KXHandleAccess::Edit(e)), EditState(twin)) << where;
      EXPECT_EQ(State(*KXHandleAccess::Text(plain)), State(plainTwin)) << where;
      EXPECT_EQ(State(*KXHandleAccess::Text(other)), State(otherTwin)) << where;
      KXTE_Dispose(e);
      KXText_Dispose(plain);
      KXText_Dispose(other);
    }
  }
}

// Handles: an edit handle is also a text handle, never the other way round.
static_assert(std::is_convertible_v<KXEditHandle, KXTextHandle>);
static_assert(!std::is_convertible_v<KXTextHandle, KXEditHandle>);
static_assert(!std::is_convertible_v<CKXText*, KXTextHandle> && !std::is_convertible_v<void*, KXEditHandle>);

TEST_F(KXTextApi, DisposingNullAndRestartingTheLibrary) {
  KXText_Dispose(nullptr);
  KXTE_Dispose(nullptr);
  KXTextEdit_Terminate();
  KXTextEdit_Initialize();
  KXEditHandle e = KXTE_PageStylNew(SKXPageStyl{}, RectL{0, 0, 0, 100}, RectL{0, 0, 100, 100});
  const KXTextHandle asText = e;
  EXPECT_TRUE(asText);
  KXText_InsertString(e, 0, "abc", 3, nullptr, nullptr);
  EXPECT_EQ(KXText_GetLength(asText), 3);
  KXTE_Dispose(e);
}

// Every run count is 32-bit: a text with more than 32,767 style runs.
TEST_F(KXTextApi, RunCountsAreNotNarrowed) {
  KXTextHandle t = KXText_New();
  const long n = 40000;
  std::string bytes(size_t(n), 'a');
  std::vector<SKXStyl> runs(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) runs[size_t(i)] = SKXStyl{std::int32_t(i), SStyl{0, 0, 1, 0, 0, short(9 + i % 2), {}}};
  KXText_SetText(t, bytes.data(), n, runs.data(), std::int32_t(n), nullptr, 0, nullptr, 0);
  EXPECT_EQ(KXText_GetStylCount(t), n);
  EXPECT_EQ(KXText_GetSelStylCount(t, 0, n), n);
  std::vector<SKXStyl> back(static_cast<size_t>(n));
  EXPECT_EQ(KXText_GetStyls(t, back.data(), std::int32_t(n)), n);
  KXText_Dispose(t);
}

// The search pattern: a second Start frees the first (the sanitizer's leak
// check sees it), a Start that leaves nothing finds nothing, expressions
// keep no character array, and End clears everything.
TEST_F(KXTextApi, SearchPattern) {
  const char text[] = "abc ABC abc";
  SKXFindStyl styl{};
  styl.defaultScript = 1;
  styl.textEnds = true;
  ASSERT_EQ(UKXFind_Start("abc", 3, 0, 1), 3);
  EXPECT_EQ(UKXFind_Start("bc", 2, kKXFindIgnoreCase, 1), 2);
  long found = -1;
  ASSERT_GT(UKXFind_Find1stStep(text, 2, 11, kKXFindIgnoreCase, found, styl), 0);
  EXPECT_EQ(found, 5);
  EXPECT_EQ(UKXFind_Find2ndStep(text, found, 11, kKXFindIgnoreCase, styl), 2);

  EXPECT_EQ(UKXFind_Start("", 0, 0, 1), 0);
  found = -1;
  EXPECT_EQ(UKXFind_Find1stStep(text, 0, 11, 0, found, styl), 0);
  EXPECT_EQ(found, -1);
  EXPECT_EQ(UKXFind_Find2ndStep(text, 0, 11, 0, styl), 0);

  EXPECT_GT(UKXFind_Start("A.C", 3, kKXFindRegexp, 1), 0);
  found = -1;
  ASSERT_GT(UKXFind_Find1stStep(text, 0, 11, kKXFindRegexp, found, styl), 0);
  EXPECT_EQ(UKXFind_Find2ndStep(text, 4, 11, kKXFindRegexp, styl), 3);
  UKXFind_End();
  EXPECT_EQ(UKXFind_Find2ndStep(text, 4, 11, kKXFindRegexp, styl), 0);
}
