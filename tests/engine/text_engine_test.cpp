// The text engine's broadcasts and scrolling for each bit of the result
// word, the modified flag, the Enter rules, the macro recorder, clicks held
// at a screen edge, and pasting the clipboard's runs.
#include "engine/macro_recorder.h"
#include "engine_fixture.h"
#include "engine/text_flavors.h"
#include "platform/exception.h"
#include "platform/host/host.h"
#include "text/runs/runs.h"

namespace {
using kxtest::EngineTest;
using kxtest::EngineWindow;
using kxtest::Recorder;
using kxtest::TestEngine;

class EngineBroadcastTest : public EngineTest {};

TEST_F(EngineBroadcastTest, EachResultBitBroadcastsInTableOrder) {
  struct Case {
    const char* what;
    std::uint16_t word;
    bool split;
    std::vector<MessageT> expect;
  } cases[] = {
      {"text changed", 0x0010, false, {10003}},
      {"text changed, split", 0x0010, true, {10003, 10002}},
      {"text and view changed, split", 0x0410, true, {10003, 10001}},
      {"text and image changed, split", 0x0810, true, {10003, 10000}},
      {"style", 0x0020, false, {10005}},
      {"paragraph", 0x0080, false, {10005}},
      {"style and paragraph: one message", 0x00A0, false, {10005}},
      {"selection", 0x0100, false, {20001}},
      {"view settings", 0x0400, false, {10001}},
      {"image size", 0x0800, false, {10000}},
      {"marks", 0x1000, false, {10004}},
      {"all of them, in table order", 0x1FB0, true, {10003, 10005, 20001, 10001, 10000, 10004}},
      {"all but text, reversed bits give the same order", 0x19A0, false, {10005, 20001, 10000, 10004}},
      {"scroll bits alone broadcast nothing", 0x0002, false, {}},
  };
  for (const Case& c : cases) {
    TestEngine e;
    Recorder r;
    e.AddListener(&r);
    e.SetTextSplit(c.split);
    e.TextEditResult(c.word);
    EXPECT_EQ(r.heard, c.expect) << c.what;
  }
}

TEST_F(EngineBroadcastTest, TheModifiedFlagBroadcastsOnlyWhenItChanges) {
  TestEngine e;
  Recorder r;
  e.AddListener(&r);
  e.TextEditResult(0x0010);
  e.TextEditResult(0x0010);
  e.SetTextChanged(false);
  e.SetTextChanged(false);
  EXPECT_EQ(r.heard, (std::vector<MessageT>{10003, 10003}));
  EXPECT_EQ(r.flags, (std::vector<bool>{true, false}));
  // Without the editable bit the flag stays false, and says so.
  r.Clear();
  e.SetAttributes(0);
  e.SetTextChanged(true);
  EXPECT_EQ(r.heard, (std::vector<MessageT>{10003}));
  EXPECT_EQ(r.flags, (std::vector<bool>{false}));
  EXPECT_FALSE(e.GetTextChanged());
}

TEST_F(EngineBroadcastTest, TypingBroadcastsTheChangeTheStyleAndTheSelection) {
  EngineWindow w;
  Recorder r;
  w.engine->AddListener(&r);
  w.engine->SetText("abc");
  w.engine->Select(3, 3);
  r.Clear();
  w.engine->DoKey('d', 0);
  ASSERT_FALSE(r.heard.empty());
  EXPECT_EQ(r.heard.front(), kKxMsgModifiedChanged);
  EXPECT_NE(std::find(r.heard.begin(), r.heard.end(), kKxMsgSelectionChanged), r.heard.end());
  EXPECT_TRUE(w.engine->GetTextChanged());
}

TEST_F(EngineBroadcastTest, ReplaceAllBeepsOnlyWhenNothingWasReplaced) {
  EngineWindow w;
  w.engine->SetText("one two one");
  EXPECT_EQ(w.engine->DoReplaceAll("three", 5, "x", 1, 0), 0);
  EXPECT_EQ(host.Beeps(), 1);
  EXPECT_EQ(w.engine->Text(), "one two one");
  EXPECT_EQ(w.engine->DoReplaceAll("one", 3, "1", 1, 0), 2);
  EXPECT_EQ(host.Beeps(), 1);
  EXPECT_EQ(w.engine->Text(), "1 two 1");
}

// The program's engine keeps marks for its actions; replace-all in a text
// with none and in one with a mark gives the same text, moves the mark past
// the matches before it, and undoes in one step either way.
TEST_F(EngineBroadcastTest, ReplaceAllWithAndWithoutMarksUndoesInOneStep) {
  for (const bool marked : {false, true}) {
    EngineWindow w;
    w.engine->SetText("ab cd ab cd ab");
    const unsigned char name[] = {1, 'm'};
    if (marked) KXTE_InsertMark(w.engine->GetEdit(), 3, 5, name);
    EXPECT_EQ(w.engine->DoReplaceAll("ab", 2, "xyz", 3, 0), 3);
    EXPECT_EQ(w.engine->Text(), "xyz cd xyz cd xyz");
    if (marked) {
      ASSERT_EQ(KXTE_GetMarkCount(w.engine->GetEdit()), 1);
      long start = 0, end = 0;
      KXTE_GetMarkRange(w.engine->GetEdit(), 1, start, end);
      EXPECT_EQ(start, 4);
      EXPECT_EQ(end, 6);
    }
    w.engine->Undo();
    EXPECT_EQ(w.engine->Text(), "ab cd ab cd ab") << marked;
  }
}

// Replace-all tells the document that the text changed whichever way it
// edits: rebuilt in one pass (side entries and a mark between matches, the
// whole text), edited match by match in a copy (a ruby base a match cuts
// into) or in the text itself (a mark a match cuts into, a text left
// empty). Each gives what editing in the text itself gives, marks
// included; undo and redo bring back each text; nothing replaced leaves
// the text unchanged.
TEST_F(EngineBroadcastTest, ReplaceAllMarksTheTextChangedWhicheverWayItEdits) {
  const std::string kNihon = "\x93\xFA\x96\x7B", kEmoji = "\x81\xFC";  // 日本, the placeholder
  const struct Case {
    std::string text, find, repl;
    long markFrom, markTo;  // -1: no mark
    long rubyAt;            // -1: no ruby
  } kCases[] = {
      {kNihon + "X" + kEmoji + kNihon + "\rabc", kNihon, "nihon", 12, 14, -1},
      {"one two one", "one", "1", -1, -1, -1},
      {"one two one", "one", "1", 0, 2, -1},
      {"ab ab", "ab", "", -1, -1, 1},
      {"aa", "a", "", -1, -1, -1},
      {"abc", "z", "y", -1, -1, -1},
  };
  for (const Case& c : kCases) {
    std::string got[2];
    KXMarkSet marks[2];
    for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
      EngineWindow w;
      CKXTextEngine& e = *w.engine;
      e.SetReplaceAllPath(path);
      std::vector<SKXUniChar> uni;
      for (std::size_t at = c.text.find(kEmoji); at != std::string::npos; at = c.text.find(kEmoji, at + 2))
        uni.push_back({std::int32_t(at), 0xD83DDE00u});
      KXText_SetTextWithUniChars(e.GetEdit(), c.text.data(), long(c.text.size()), nullptr, 0, nullptr, 0, nullptr,
                                 0, uni.data(), std::int32_t(uni.size()));
      const unsigned char ruby[] = {'r'};
      if (c.rubyAt >= 0) KXText_SetRuby(e.GetEdit(), c.rubyAt, c.rubyAt + 2, ruby, 1);
      const unsigned char name[] = {1, 'm'};
      if (c.markFrom >= 0) KXTE_InsertMark(e.GetEdit(), c.markFrom, c.markTo, name);
      KXTE_CalcText(e.GetEdit());
      e.SetTextChanged(false);
      const long n = e.DoReplaceAll(c.find.data(), long(c.find.size()), c.repl.data(), long(c.repl.size()), 0);
      const std::string where = c.text + " path " + std::to_string(path);
      EXPECT_EQ(e.GetTextChanged(), n > 0) << where;
      got[path] = w.engine->Text();
      e.GetMarks(marks[path]);
      if (n == 0) continue;
      e.Undo();
      EXPECT_EQ(w.engine->Text(), c.text) << where;
      EXPECT_EQ(KXText_GetUniCharsCount(e.GetEdit()), std::int32_t(uni.size())) << where;
      e.Redo();
      EXPECT_EQ(w.engine->Text(), got[path]) << where;
    }
    EXPECT_EQ(got[0], got[1]) << c.text;
    EXPECT_EQ(marks[0], marks[1]) << c.text;
  }
}

TEST_F(EngineBroadcastTest, ScrollBitsScrollTheViewLast) {
  EngineWindow w(Rect{40, 40, 240, 240});
  w.view->ResizeImageTo(2000, 2000, false);
  w.view->ScrollImageTo(100, 100, false);
  struct Case {
    std::uint16_t word;
    std::int32_t dh, dv;
  } cases[] = {{1, 0, -16}, {2, 0, 16}, {3, -16, 0}, {4, 16, 0}, {5, 0, 0}, {0x0111, 0, -16}};
  for (const Case& c : cases) {
    SPoint32 before{}, after{};
    w.view->GetScrollPosition(before);
    w.engine->TextEditResult(c.word);
    w.view->GetScrollPosition(after);
    EXPECT_EQ(after.h - before.h, c.dh) << "word " << c.word;
    EXPECT_EQ(after.v - before.v, c.dv) << "word " << c.word;
  }
  // Without a view nothing scrolls (and nothing breaks).
  TestEngine loose;
  loose.TextEditResult(0x0201);
}

TEST_F(EngineBroadcastTest, BringingTheSelectionIntoViewReachesTheCaret) {
  EngineWindow w(Rect{40, 40, 240, 240});
  std::string text;
  for (int k = 0; k < 200; ++k) text += "line\r";
  w.engine->SetText(text);
  w.view->Fit();
  w.engine->SetSelectionRange({std::int32_t(text.size()), 0}, true);
  SPoint32 pos{};
  w.view->GetScrollPosition(pos);
  EXPECT_GT(pos.v, 0) << "the view stayed at the top while the caret went to the end";
  SPoint32 caret{};
  w.engine->Range2Image({std::int32_t(text.size()), 0}, true, caret);
  EXPECT_GE(caret.v, pos.v);
  EXPECT_LE(caret.v, pos.v + 200);
}

TEST_F(EngineBroadcastTest, AClickHeldAtTheScreenEdgeScrollsByTheFallback) {
  // The window's content ends at the screen's right edge.
  const Rect screen = KxCurrentHost().GetScreenBounds();
  EngineWindow w(Rect{100, std::int16_t(screen.right - 200), 300, screen.right});
  std::string text;
  for (int k = 0; k < 20; ++k) text += "ab\r";
  w.engine->SetText(text);
  w.view->ResizeImageTo(2000, 2000, false);
  EventRecord down;
  // The caret at the end of a line, then held past the screen's edge on
  // that line: the selection stays, the edit object reports nothing, and
  // the fallback scrolls right.
  w.engine->Click(SPoint32{199, 50}, down, 1);
  w.engine->Click(SPoint32{199, 50}, down, -2);
  const SKXRange caret = w.engine->GetSelectionRange();
  SPoint32 before{}, after{};
  w.view->GetScrollPosition(before);
  w.engine->Click(SPoint32{199, 50}, down, -1);
  w.view->GetScrollPosition(after);
  EXPECT_TRUE(UKXRange::RangesSame(caret, w.engine->GetSelectionRange()));
  EXPECT_EQ(after.h - before.h, 16);
  EXPECT_EQ(after.v, before.v);
}

// A recorder that keeps what it is told.
class MacroLog : public CKXMacroRecorder {
 public:
  bool IsRecording() const override { return true; }
  void AddMacroKeyCode(unsigned char key, char modifiers) override {
    log += "k" + std::to_string(key) + "/" + std::to_string(int(modifiers)) + " ";
  }
  void AddMacroString(const char* text, long length) override { log += "s" + std::string(text, std::size_t(length)) + " "; }
  std::string log;
};

TEST_F(EngineBroadcastTest, EnterRulesAndTheMacroRecorder) {
  MacroLog macro;
  CKXMacroRecorder::Install(&macro);
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("one two");
  e.Select(3, 3);
  e.DoKey(3, 0);   // Enter alone: nothing
  EXPECT_EQ(e.Text(), "one two");
  e.DoKey(3, 4);   // option: a page break, no Enter character
  EXPECT_EQ(e.Text(), std::string("one\x0c\r two"));
  e.Select(0, 3);
  e.DoKey(127, 2);   // command-delete keeps what it removes
  const std::string after = e.Text();
  e.Select(0, 0);
  e.DoKey(3, 6);   // command-option: the removed text again
  EXPECT_EQ(e.Text(), "one" + after);
  e.DoKey('x', 0);
  CKXMacroRecorder::Install(nullptr);
  EXPECT_EQ(macro.log, "s\x0c\r k127/2 k3/6 k120/0 ");
}

TEST_F(EngineBroadcastTest, PastingStyleAndRulerTakesTheFirstRunsAsOneStep) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("alpha\rbeta\rgamma");
  // "styl": one run, 14-point face 1; "styx": a left indent of 36.
  std::vector<unsigned char> styl(2 + kKxStylRunFlatSize), para(2 + kKxParaRunFlatSize);
  styl[1] = 1;
  para[1] = 1;
  SKXStyl run{0, {0, 0, 1, 1, 0, 14, {0, 0, 0}}};
  KxPutStylRunFlat(styl.data() + 2, run, true);
  SKXPara prun{0, {}};
  prun.para.leftIndent = 36;
  KxPutParaRunFlat(para.data() + 2, prun, true);
  KxCurrentHost().ClearClipboard();
  KxCurrentHost().PutClipboard(kKxFlavorStyl, styl.data(), styl.size());
  KxCurrentHost().PutClipboard(kKxFlavorPara, para.data(), para.size());
  e.Select(7, 8);
  e.DoPasteStyle();
  SStyl at{};
  KXTE_GetCurStyl(e.GetEdit(), at);
  EXPECT_EQ(at.size, 14);
  e.Select(7, 8);
  e.DoPasteRuler();
  EXPECT_EQ(e.GetSelectionRange().start, 6);   // widened to the paragraph
  SKXPara paras[4]{};
  const long n = KXText_GetParas(e.GetEdit(), paras, 4);
  bool indented = false;
  for (long k = 0; k < n; ++k) indented |= paras[k].offset == 6 && paras[k].para.leftIndent == 36;
  EXPECT_TRUE(indented);
  EXPECT_EQ(w.undoer->CountUndo(), 2u);
  e.Undo();
  e.Undo();
  KXTE_SetSelect(e.GetEdit(), 7, 8);
  KXTE_GetCurStyl(e.GetEdit(), at);
  EXPECT_NE(at.size, 14);
  // A broken flavor (count larger than its bytes) applies nothing.
  styl[1] = 9;
  KxCurrentHost().ClearClipboard();
  KxCurrentHost().PutClipboard(kKxFlavorStyl, styl.data(), styl.size());
  e.DoPasteStyle();
  EXPECT_EQ(w.undoer->CountUndo(), 0u);
}

// A selection over whole lines is one band from its first line's top to its
// last line's bottom at every scale: bands that left rows out between lines
// were framed one by one when the window was inactive, and overlapping ones
// took each other out of the region.
TEST_F(EngineBroadcastTest, HiliteRegionsOfScaledViewsHaveNoGaps) {
  for (const short screen : {100, 133}) {
    for (const short edit : {0, 50, 150}) {
      KXTE_SetScreenScale(screen);
      EngineWindow w;
      TestEngine& e = *w.engine;
      e.SetText("first line\rsecond line\rthird line\rfourth");
      KXTE_SetEditScale(e.GetEdit(), edit);
      e.Select(0, 34);
      StKxRegion rgn;
      e.GetViewHiliteRgn(rgn);
      const PointL top = KXTE_GetPoint(e.GetEdit(), 0), last = KXTE_GetPoint(e.GetEdit(), 34);
      for (std::int32_t v = top.v; v < last.v; ++v)
        ASSERT_TRUE(KxPtInRgnL(PointL{v, top.h + 1}, rgn)) << screen << " " << edit << " row " << v;
    }
  }
  KXTE_SetScreenScale(100);
}

TEST_F(EngineBroadcastTest, HiliteRegionsNeedAHandleAndCoverTheSelection) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("first line\rsecond line\rthird");
  EXPECT_THROW(e.GetHiliteRgn(nullptr), LException);
  StKxRegion rgn;
  e.Select(2, 14);
  e.GetHiliteRgn(rgn);
  EXPECT_FALSE(EmptyRgn(rgn));
  SPoint32 a{}, b{};
  e.Range2Image({2, 0}, true, a);
  e.Range2Image({14, 0}, true, b);
  EXPECT_TRUE(KxPtInRgnL(PointL{a.v + 1, a.h + 1}, rgn));
  EXPECT_TRUE(KxPtInRgnL(PointL{b.v + 1, b.h - 1}, rgn));
  // Another range's region leaves the selection as it was.
  StKxRegion other;
  e.GetRangeRgn({20, 3}, other);
  EXPECT_EQ(e.GetSelectionRange().start, 2);
  EXPECT_EQ(e.GetSelectionRange().length, 12);
  EXPECT_FALSE(EqualRgn(rgn, other));
}

// The view's outline of a selection far longer than the view is the whole
// outline as far as the view shows it, in both writing directions, wherever
// the view stands against the selection.
TEST_F(EngineBroadcastTest, TheViewOutlineIsTheWholeOutlineInsideTheView) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  std::string text;
  for (int k = 0; k < 600; ++k) text += "line " + std::to_string(k) + (k % 7 ? " of text\r" : " a little longer than the rest\r");
  e.SetText(text);
  int shown = 0;
  for (const bool vertical : {false, true}) {
    KXTE_SetVertical(e.GetEdit(), vertical);
    KXTE_CalcText(e.GetEdit());
    for (const SKXRange sel : {SKXRange{30, 5000}, SKXRange{3, std::int32_t(text.size()) - 10}, SKXRange{2000, 0}}) {
      e.Select(sel.start, sel.start + sel.length);
      // Before the selection, across its start, inside it, across its end,
      // past the text.
      for (const std::int32_t at : {0, 500, 2500, 6000, 40000}) {
        e.SetViewRect(vertical ? SPoint32{4500 + at, 0} : SPoint32{0, at}, SDimension32{300, 200});
        RectL view{};
        KXTE_GetViewRect(e.GetEdit(), view);
        StKxRegion whole, seen, box, a, b;
        e.GetHiliteRgn(whole);
        e.GetViewHiliteRgn(seen);
        KxRectRgnL(box, view);
        SectRgn(whole, box, a);
        SectRgn(seen, box, b);
        EXPECT_TRUE(EqualRgn(a, b)) << vertical << " " << sel.start << "+" << sel.length << " at " << at;
        shown += !EmptyRgn(b);
        // What lies outside the view is left out, but for a line each side.
        if (EmptyRgn(seen)) continue;
        const RectL outline = KxRegionBoundsL(seen);
        if (vertical)
          EXPECT_LT(outline.right - outline.left, view.right - view.left + 100) << at;
        else
          EXPECT_LT(outline.bottom - outline.top, view.bottom - view.top + 100) << at;
      }
    }
  }
  EXPECT_GE(shown, 8);
}

}  // namespace

namespace {
TEST_F(EngineBroadcastTest, AFixedCompositionIsOneStep) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("ab");
  e.Select(1, 1);
  auto composition = [](const std::string& bytes) {
    const KXTextHandle t = KXText_New();
    KXText_SetText(t, bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    return t;
  };
  const KXTextHandle k1 = composition("\x82\xA9"), k2 = composition("\x82\xA9\x82\xC8");
  e.KeyInline(k1, {1, 0}, {3, 0}, true);
  e.KeyInline(k2, {1, 2}, {5, 0}, false);
  EXPECT_EQ(e.Text(), "a\x82\xA9\x82\xC8" "b");
  e.FixInline("\x89\xBC", 2, {1, 4}, nullptr, 0);
  KXText_Dispose(k1);
  KXText_Dispose(k2);
  EXPECT_EQ(e.Text(), "a\x89\xBC" "b");
  EXPECT_EQ(w.undoer->CountUndo(), 1u);
  e.Undo();
  EXPECT_EQ(e.Text(), "ab");
  e.Redo();
  EXPECT_EQ(e.Text(), "a\x89\xBC" "b");
}
}  // namespace
