// The text view on screen: the redraw oracle after scripted sessions,
// invalidations that add up, drag and drop (move, copy, refusals,
// read-only), the macro target's refusals and its bounded waits, and a
// composition ended before the text is read or saved.
#include <cstdlib>
#include <unistd.h>
#include <cstdio>
#include <random>
#include <vector>

#include "engine/text_event.h"
#include "platform/toolbox/cursors.h"
#include "text_view_fixture.h"

namespace {
using kxtest::ManyLines;
using kxtest::TextPaneTest;

class TextViewTest : public TextPaneTest {};

// ---- the redraw oracle --------------------------------------------------------------------------

TEST_F(TextViewTest, EveryPaneEqualsAFreshRedrawAfterScriptedSessions) {
  struct Session {
    const char* name;
    std::int32_t split;
    bool vertical;
    short scale;
  } sessions[] = {
      {"one pane", 0, false, 0},
      {"split panes", 140, false, 0},
      {"150 %", 0, false, 150},
      {"150 %, split", 120, false, 150},
      {"vertical writing", 0, true, 0},
      {"vertical writing, split", 200, true, 0},
  };
  for (const Session& s : sessions) {
    SCOPED_TRACE(s.name);
    Open(ManyLines(120, 12), 420, 320, s.split, s.vertical, s.scale);
    CKXTextScroller& sc = *panes.scroller[0];
    ASSERT_EQ(OracleMismatch(), "") << "after opening";
    // Typing in the current pane, then scrolling by arrows and pages on both axes.
    engine->Select(5, 5);
    for (char c : std::string("typed text\r more")) engine->DoKey(static_cast<unsigned char>(c), 0);
    ASSERT_EQ(OracleMismatch(), "") << "after typing";
    for (std::int16_t part : {kControlDownButtonPart, kControlDownButtonPart, kControlPageDownPart,
                              kControlUpButtonPart}) {
      sc.VertScroll(part);
      ASSERT_EQ(OracleMismatch(), "") << "after vertical part " << part;
    }
    for (std::int16_t part : {kControlDownButtonPart, kControlPageDownPart, kControlUpButtonPart}) {
      sc.HorizScroll(part);
      ASSERT_EQ(OracleMismatch(), "") << "after horizontal part " << part;
    }
    if (panes.view[1]) {
      // The other pane becomes current and is typed in; the first follows.
      panes.view[1]->ShouldBeTarget();
      ASSERT_TRUE(panes.view[1]->IsCurrent());
      panes.scroller[1]->VertScroll(kControlPageDownPart);
      engine->Select(0, 0);
      for (char c : std::string("both panes\r")) engine->DoKey(static_cast<unsigned char>(c), 0);
      ASSERT_EQ(OracleMismatch(), "") << "after typing in the second pane";
    }
    // Idle turns at a scale: the full redraw of the third idle changes nothing.
    for (int k = 0; k < 4; ++k) {
      host.Clock().Advance(1);
      panes.view[0]->SpendTime(EventRecord{});
    }
    ASSERT_EQ(OracleMismatch(), "") << "after idling";
    TearDown();
    SetUp();
  }
}

TEST_F(TextViewTest, InvalidationsBeforeADrawAddUpToTheirUnion) {
  Open(ManyLines(40), 400, 300);
  CKXTextView& v = *panes.view[0];
  const RectL rects[] = {{10, 10, 20, 20}, {100, 200, 110, 220}, {50, 5, 60, 15}};
  for (const RectL& r : rects) v.InvalPortRect(r);
  ASSERT_TRUE(v.IsInvalPending());
  const RectL u = v.GetInvalRect();
  EXPECT_EQ(u.top, 10);
  EXPECT_EQ(u.left, 5);
  EXPECT_EQ(u.bottom, 110);
  EXPECT_EQ(u.right, 220);
  v.InvalPortRect(RectL{0, 0, 0, 0});   // empty: nothing more
  EXPECT_EQ(v.GetInvalRect().bottom, 110);
  panes.window->UpdatePort();
  EXPECT_FALSE(v.IsInvalPending());
}

TEST_F(TextViewTest, ThreeInvalidationsOfDamagedPixelsAreAllRepainted) {
  Open(ManyLines(40), 400, 300);
  CKXTextView& v = *panes.view[0];
  const RectL rects[] = {{5, 5, 25, 60}, {120, 40, 140, 200}, {200, 10, 215, 300}};
  // Scribble over three areas behind the view's back, then invalidate them.
  ASSERT_TRUE(panes.window->FocusDraw());
  for (const RectL& r : rects) {
    Rect q;
    KxSetRect(q, r);
    PaintRect(&q);
  }
  for (const RectL& r : rects) v.InvalPortRect(r);
  EXPECT_EQ(OracleMismatch(), "");
}

TEST_F(TextViewTest, ScaledScrollRedrawsFullyOnTheThirdIdle) {
  for (short scale : {short(0), short(150)}) {
    SCOPED_TRACE(scale);
    Open(ManyLines(80), 400, 300, 0, false, scale);
    panes.scroller[0]->VertScroll(kControlDownButtonPart);
    CKXTextView& v = *panes.view[0];
    EXPECT_EQ(v.GetRedrawCount(), scale ? 1 : 0);
    for (int idle = 1; idle <= 3; ++idle) {
      v.SpendTime(EventRecord{});
      if (scale) {
        EXPECT_EQ(v.GetRedrawCount(), idle < 3 ? idle + 1 : 0) << idle;
      }
    }
    TearDown();
    SetUp();
  }
}

// ---- split panes ---------------------------------------------------------------------------------

TEST_F(TextViewTest, RandomScrollsKeepSplitPanesOnTheSharedAxis) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const int steps = env ? std::max(1, std::atoi(env)) : 60;
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    Open(ManyLines(150, 14), 420, 320, vertical ? 200 : 150, vertical);
    std::mt19937 rng(44);
    const std::int16_t parts[] = {kControlUpButtonPart, kControlDownButtonPart, kControlPageUpPart,
                                  kControlPageDownPart};
    for (int k = 0; k < steps; ++k) {
      const int pane = int(rng() % 2);
      CKXTextScroller& sc = *panes.scroller[pane];
      const std::int16_t part = parts[rng() % 4];
      if (rng() % 2)
        sc.VertScroll(part);
      else
        sc.HorizScroll(part);
      host.Clock().Advance(rng() % 50);
      const SPoint32 a = ScrollOf(0), b = ScrollOf(1);
      ASSERT_EQ(vertical ? a.v : a.h, vertical ? b.v : b.h) << "step " << k;
    }
    EXPECT_EQ(OracleMismatch(), "");
    TearDown();
    SetUp();
  }
}

TEST_F(TextViewTest, AClickIntoTheOtherPaneMakesItCurrentWithoutScrolling) {
  Open(ManyLines(100), 400, 300, 140);
  panes.scroller[1]->VertScroll(kControlPageDownPart);
  const SPoint32 a = ScrollOf(0), b = ScrollOf(1);
  EXPECT_TRUE(panes.view[0]->IsCurrent());
  panes.view[1]->ShouldBeTarget();
  EXPECT_TRUE(panes.view[1]->IsCurrent());
  EXPECT_FALSE(panes.view[0]->IsCurrent());
  EXPECT_EQ(ScrollOf(0).v, a.v);
  EXPECT_EQ(ScrollOf(1).v, b.v);
  SPoint32 at;
  SDimension32 size;
  engine->GetViewRect(at, size);
  EXPECT_EQ(at.v, b.v) << "the engine's view follows the current pane";
}

// ---- drag and drop -------------------------------------------------------------------------------

// Plays a drop of the dragged data at a port point of a pane, as the
// desktop would after the mouse went there.
struct DropAt {
  TextPaneTest* test;
  CKXTextView* target;
  SPoint32 port;
  std::uint16_t dropModifiers;
  bool sameWindow;
  void operator()(CKXDragView&, KxDrag& drag) const {
    drag.dropModifiers = dropModifiers;
    if (sameWindow) drag.attributes |= kKxDragInsideSenderWindow;
    LWindow* w = LWindow::FetchWindowOf(target);
    const Rect b = w->GetGlobalBounds();
    drag.mouse = Point{std::int16_t(b.top + port.v), std::int16_t(b.left + port.h)};
    target->EnterDropArea(&drag, false);
    target->InsideDropArea(&drag);
    if (!target->DragIsAcceptable(&drag)) throw LException(kKxUserCanceled);
    target->DoDragReceive(&drag);
  }
};

// The text view's cursors go through the program's record of the current
// one: a pane that then asks for the arrow (a scroll bar, a palette) must
// get it, or a press there is taken for the start of a drag.
TEST_F(TextViewTest, TheCursorLeavesTheSelectionForOtherPanes) {
  Open("abc def ghi jkl", 400, 200);
  engine->Select(4, 8);
  CKXTextView& v = *panes.view[0];
  auto local = [&](long offset) {
    SPoint32 p = PortOfOffset(0, offset);
    v.PortToLocalPoint(p);
    return p;
  };
  v.AdjustMouseSelf(local(5), EventRecord{});
  EXPECT_EQ(host.GetCursor(), kKxDragCursor);
  v.LPane::AdjustMouseSelf(local(5), EventRecord{});   // any other pane
  EXPECT_EQ(host.GetCursor(), kKxArrowCursor);
  v.AdjustMouseSelf(local(1), EventRecord{});
  EXPECT_EQ(host.GetCursor(), kKxIBeamCursor);
  v.LPane::AdjustMouseSelf(local(1), EventRecord{});
  EXPECT_EQ(host.GetCursor(), kKxArrowCursor);
}

TEST_F(TextViewTest, DragsMoveCopyAndAreRefusedWhereNothingMayDrop) {
  struct Case {
    const char* name;
    bool option;
    bool readOnly;
    bool ontoSelection;
    const char* expect;
    bool modified;
  } cases[] = {
      {"move", false, false, false, "abc ghi def jkl", true},
      {"copy with option", true, false, false, "abc def ghi def jkl", true},
      {"onto the dragged selection: refused", false, false, true, "abc def ghi jkl", false},
      {"read-only move: refused", false, true, false, "abc def ghi jkl", false},
      {"read-only copy: refused", true, true, false, "abc def ghi jkl", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open("abc def ghi jkl", 400, 200);
    if (c.readOnly) engine->SetAttributes(0);
    engine->Select(4, 8);   // "def "
    const SPoint32 to = PortOfOffset(0, c.ontoSelection ? 5 : 12);
    CKXDragView::SetDragRunner(DropAt{this, panes.view[0], to, std::uint16_t(c.option ? kKxDragCopyModifier : 0), true});
    EventRecord down;
    down.what = mouseDown;
    down.where = GlobalOf(PortOfOffset(0, 5));
    panes.view[0]->DoDragStart(down);
    EXPECT_EQ(engine->Text(), c.expect);
    EXPECT_EQ(engine->GetTextChanged(), c.modified);
    EXPECT_FALSE(panes.view[0]->IsCaretShown()) << "no caret left behind";
    EXPECT_EQ(OracleMismatch(), "");
    TearDown();
    SetUp();
  }
}

TEST_F(TextViewTest, DropsFromElsewhereTakeTheirTextUnlessReadOnly) {
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "editable");
    Open("one two", 400, 200);
    if (readOnly) engine->SetAttributes(0);
    KxDrag drag;
    KxDragItem junk;
    junk.flavors.push_back({FourCC("zzzz"), {1, 2, 3}});
    KxDragItem text;
    text.flavors.push_back({kKxFlavorText, {'X', 'Y', ' '}});
    drag.items = {junk, text};
    CKXTextView& v = *panes.view[0];
    EXPECT_FALSE(v.ItemIsAcceptable(&drag, 1));
    EXPECT_TRUE(v.DragIsAcceptable(&drag)) << "one acceptable item is enough";
    const SPoint32 at = PortOfOffset(0, 4);
    const Rect b = panes.window->GetGlobalBounds();
    drag.mouse = Point{std::int16_t(b.top + at.v), std::int16_t(b.left + at.h)};
    v.EnterDropArea(&drag, true);
    v.InsideDropArea(&drag);
    EXPECT_FALSE(v.IsDragging()) << "a foreign drag does not auto-scroll";
    bool refused = false;
    try {
      v.DoDragReceive(&drag);
    } catch (const LException& e) {
      refused = e.GetErrorCode() == kKxUserCanceled;
    }
    EXPECT_EQ(refused, readOnly);
    EXPECT_EQ(engine->Text(), readOnly ? "one two" : "one XY two");
    EXPECT_EQ(OracleMismatch(), "");
    TearDown();
    SetUp();
  }
}

// The size of the style run over an offset.
short SizeAt(CKXTextEngine& e, long offset) {
  std::vector<SKXStyl> runs(std::size_t(KXText_GetStylCount(e.GetEdit())));
  KXText_GetStyls(e.GetEdit(), runs.data(), std::int32_t(runs.size()));
  short size = 0;
  for (const SKXStyl& r : runs)
    if (r.offset <= offset) size = r.styl.size;
  return size;
}

// Drags carry every flavor of the exchange, and drops that reach a window
// from the host (another program, or a drag the host ran from here) land
// where they are dropped with their styles.
TEST_F(TextViewTest, DragsCarryStylesAndHostDropsLandAtThePoint) {
  Open("abc def ghi jkl", 400, 200);
  engine->Select(4, 7);
  engine->DoFontSize(18);
  engine->Select(4, 7);
  KxDrag dragged;
  CKXDragView::SetDragRunner([&](CKXDragView&, KxDrag& d) {
    dragged = d;
    throw LException(kKxUserCanceled);
  });
  EventRecord down;
  down.what = mouseDown;
  down.where = GlobalOf(PortOfOffset(0, 5));
  panes.view[0]->DoDragStart(down);
  ASSERT_EQ(dragged.items.size(), 1u);
  for (OSType t : {FourCC("TEXT"), FourCC("styl"), FourCC("utxt")})
    EXPECT_NE(dragged.items[0].Find(t), nullptr) << "flavor " << std::string(reinterpret_cast<const char*>(&t), 4);

  // From elsewhere: a copy at the drop point, with its size.
  KxDragData data = KxDragDataOf(dragged);
  const SPoint32 front = PortOfOffset(0, 0);
  ASSERT_TRUE(CKXDragView::ReceiveHostDrop(panes.window, data, Point{std::int16_t(front.v), std::int16_t(front.h)}));
  EXPECT_EQ(engine->Text(), "defabc def ghi jkl");
  EXPECT_EQ(SizeAt(*engine, 0), 18);
  EXPECT_NE(SizeAt(*engine, 3), 18);

  // Unicode text alone, as other programs offer it.
  KxDragData other;
  other.AddItem(1);
  const char16_t nihon[] = {0x65E5, 0x672C};
  other.SetFlavor(1, FourCC("utxt"), nihon, sizeof nihon);
  const SPoint32 end = PortOfOffset(0, 18);
  ASSERT_TRUE(CKXDragView::ReceiveHostDrop(panes.window, other, Point{std::int16_t(end.v), std::int16_t(end.h)}));
  EXPECT_EQ(engine->Text(), "defabc def ghi jkl\x93\xfa\x96\x7b");

  // Read-only text takes nothing and says so.
  engine->SetAttributes(0);
  EXPECT_FALSE(CKXDragView::ReceiveHostDrop(panes.window, data, Point{std::int16_t(front.v), std::int16_t(front.h)}));
  EXPECT_EQ(engine->Text(), "defabc def ghi jkl\x93\xfa\x96\x7b");
  EXPECT_EQ(OracleMismatch(), "");
}

// A file dropped from a file manager brings its text.
TEST_F(TextViewTest, AFileDroppedFromTheDesktopInsertsItsText) {
  const std::string path = ::testing::TempDir() + "kx_dropped_" + std::to_string(::getpid()) + ".txt";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("from a file", f);
    std::fclose(f);
  }
  Open("one two", 400, 200);
  KxDragData data;
  data.AddItem(1);
  const std::vector<std::uint8_t> hfs = KxMakeHFSFlavor(FourCC("TEXT"), 0, path);
  data.SetFlavor(1, FourCC("hfs "), hfs.data(), hfs.size());
  const SPoint32 at = PortOfOffset(0, 4);
  EXPECT_TRUE(CKXDragView::ReceiveHostDrop(panes.window, data, Point{std::int16_t(at.v), std::int16_t(at.h)}));
  EXPECT_EQ(engine->Text(), "one from a filetwo");
  std::remove(path.c_str());
}

// Without a runner the host runs the drag; when its drop comes back into
// the same window the text moves, as a drag inside the window does.
TEST_F(TextViewTest, AHostDragDroppedInItsOwnWindowMovesTheText) {
  Open("abc def ghi jkl", 400, 200);
  engine->Select(4, 8);   // "def "
  EventRecord down;
  down.what = mouseDown;
  down.where = GlobalOf(PortOfOffset(0, 5));
  panes.view[0]->DoDragStart(down);
  ASSERT_NE(host.LastDrag(), nullptr) << "the host was given the drag";
  KxDragData back = *host.LastDrag();
  back.fromThisProgram = true;
  const SPoint32 to = PortOfOffset(0, 12);
  ASSERT_TRUE(CKXDragView::ReceiveHostDrop(panes.window, back, Point{std::int16_t(to.v), std::int16_t(to.h)}));
  EXPECT_EQ(engine->Text(), "abc ghi def jkl");
  // The same data from another program is a copy.
  back.fromThisProgram = false;
  const SPoint32 front = PortOfOffset(0, 0);
  ASSERT_TRUE(CKXDragView::ReceiveHostDrop(panes.window, back, Point{std::int16_t(front.v), std::int16_t(front.h)}));
  EXPECT_EQ(engine->Text(), "def abc ghi def jkl");
  EXPECT_EQ(OracleMismatch(), "");
}

TEST_F(TextViewTest, OnlyADragStartedHereAutoScrollsNearTheEdge) {
  Open(ManyLines(200), 400, 300);
  CKXTextView& v = *panes.view[0];
  engine->Select(0, 5);
  const RectL frame = v.CalcPortFrameRect();
  struct Case {
    const char* name;
    std::int32_t fromBottom;   // port rows above the frame's bottom
    std::int32_t expect;
  } cases[] = {{"well inside", 40, 0}, {"within 8 pixels", 4, 16}, {"beyond the edge", -10, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::int32_t before = ScrollOf(0).v;
    std::int32_t during = before;
    CKXDragView::SetDragRunner([&](CKXDragView&, KxDrag& drag) {
      const Point g = GlobalOf(SPoint32{100, frame.bottom - c.fromBottom});
      drag.mouse = g;
      v.InsideDropArea(&drag);
      during = ScrollOf(0).v;
      throw LException(kKxUserCanceled);
    });
    EventRecord down;
    down.what = mouseDown;
    v.DoDragStart(down);
    EXPECT_EQ(during - before, c.expect);
    EXPECT_FALSE(v.IsDragging());
  }
  // The same point in a drag from elsewhere: no scrolling.
  KxDrag foreign;
  foreign.mouse = GlobalOf(SPoint32{100, frame.bottom - 2});
  const std::int32_t before = ScrollOf(0).v;
  v.InsideDropArea(&foreign);
  EXPECT_EQ(ScrollOf(0).v, before);
  v.HideDragCaret();
  EXPECT_EQ(OracleMismatch(), "");
}

TEST_F(TextViewTest, DraggingToTheTrashDeletesOnlyEditableText) {
  for (bool readOnly : {false, true}) {
    Open("keep drop keep", 400, 200);
    if (readOnly) engine->SetAttributes(0);
    engine->Select(5, 10);
    CKXDragView::SetDragRunner([](CKXDragView&, KxDrag& d) { d.droppedOnTrash = true; });
    EventRecord down;
    down.what = mouseDown;
    panes.view[0]->DoDragStart(down);
    EXPECT_EQ(engine->Text(), readOnly ? "keep drop keep" : "keep keep");
    TearDown();
    SetUp();
  }
}

// ---- macro target --------------------------------------------------------------------------------

TEST_F(TextViewTest, MacroTextAndKeysAreRefusedInReadOnlyText) {
  Open("abc", 400, 200);
  CKXTextView& v = *panes.view[0];
  engine->Select(3, 3);
  char more[] = "de";
  v.InsertString(more, 2);
  v.KeyEvent('f', 0);
  EXPECT_EQ(engine->Text(), "abcdef");
  engine->SetAttributes(0);
  engine->SetTextChanged(false);
  const int beeps = host.Beeps();
  v.InsertString(more, 2);
  v.KeyEvent('g', 0);
  v.KeyEvent(kKxCharBackspace, 0);
  EXPECT_EQ(engine->Text(), "abcdef");
  EXPECT_FALSE(engine->GetTextChanged());
  EXPECT_EQ(host.Beeps(), beeps + 3);
  v.KeyEvent(kKxCharLeftArrow, 0);   // moving the caret changes nothing: allowed
  EXPECT_EQ(engine->GetSelectionRange().start, 5);
}

TEST_F(TextViewTest, GotoLineClampsAndIgnoresLineZero) {
  Open("a\rb\rc\r", 400, 200);
  CKXTextView& v = *panes.view[0];
  v.GotoLine(2);
  EXPECT_EQ(engine->GetSelectionRange().start, 2);
  v.GotoLine(0);
  EXPECT_EQ(engine->GetSelectionRange().start, 2);
  v.GotoLine(99);
  EXPECT_EQ(KXTE_GetLineNumber(engine->GetEdit(), engine->GetSelectionRange().start),
            KXTE_GetLineCount(engine->GetEdit()));
}

TEST_F(TextViewTest, WaitingForAnotherWindowEndsWithoutAnApplication) {
  Open("abc", 400, 200);
  // No target and no event loop: the waits end at once instead of spinning.
  EXPECT_EQ(CKXTextView::GetTextView(), nullptr);
  EXPECT_EQ(panes.view[0]->WaitSwitchWindow(), nullptr);
}

TEST_F(TextViewTest, UnbindingKeepsTheEngineWhileOthersUseIt) {
  Open("abc", 400, 200, 100);
  const long users = engine->GetUseCount();
  EXPECT_EQ(users, 3);   // the test and two panes
  panes.view[1]->SetTextEngine(nullptr);
  EXPECT_EQ(engine->GetUseCount(), 2);
  panes.view[1]->SetTextEngine(nullptr);   // already unbound: no change
  EXPECT_EQ(engine->GetUseCount(), 2);
  delete panes.window;
  panes = {};
  EXPECT_EQ(engine->GetUseCount(), 1);
  EXPECT_EQ(engine->GetHandlerView(), nullptr) << "a closed current view lets go of the engine";
}

// ---- input methods ------------------------------------------------------------------------------

// A host whose windows have an input method that commits `commits` when reset.
class ResettingHost : public KxHeadlessHost {
 public:
  ResettingHost() : KxHeadlessHost(false) {}
  bool ResetInputMethod(KxWindowID window, std::string& committed) override {
    resets.push_back(window);
    committed = commits;
    return true;
  }
  std::vector<KxWindowID> resets;
  std::string commits;
};

TEST_F(TextViewTest, EndingACompositionLeavesTheTextAsTheInputMethodDoes) {
  Open("abc");
  CKXTextView& v = *panes.view[0];
  auto* handler = new CKXTextEvent;   // the view's users own it
  handler->SetTextEngine(engine);
  v.SetEventHandler(handler);
  handler->Activate();
  engine->Select(3, 3);
  v.EndComposition();   // nothing composed: nothing happens
  EXPECT_EQ(engine->Text(), "abc");
  // Without an input method of the host's, the composition is kept as text.
  v.InputMethodPreedit("\xE3\x81\x8B");   // か
  ASSERT_TRUE(v.InputMethodComposing());
  v.EndComposition();
  EXPECT_FALSE(v.InputMethodComposing());
  EXPECT_EQ(engine->Text(), "abc\x82\xA9");
  ResettingHost im;
  KxSetHost(&im);
  // The code-point entry's digits are no text: they go with the reset.
  v.InputMethodPreedit("u65e5");
  ASSERT_EQ(engine->Text(), "abc\x82\xA9u65e5");
  v.EndComposition();
  EXPECT_EQ(engine->Text(), "abc\x82\xA9");
  // An input method that commits on the reset: its text, once.
  im.commits = "\xE6\x97\xA5";   // 日
  v.InputMethodPreedit("\xE3\x81\xAB");   // に
  v.EndComposition();
  EXPECT_EQ(engine->Text(), "abc\x82\xA9\x93\xFA");
  EXPECT_EQ(im.resets, (std::vector<KxWindowID>(2, panes.window->GetHostWindow())));
  // The view still takes input at the caret.
  v.InputMethodCommit("d");
  EXPECT_EQ(engine->Text(), "abc\x82\xA9\x93\xFA" "d");
  KxSetHost(&host);
  v.SetEventHandler(nullptr);
}

}  // namespace
