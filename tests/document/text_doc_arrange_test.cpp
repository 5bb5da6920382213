// The document window's arrangement on the headless host: splitting and
// joining at the split bar with its minimum pane sizes, the second pane on
// the same engine, vertical writing (joining first, every pane placed
// again), the window joining a split grown too small, and round trips that
// must bring every pane back to where it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "app/globals.h"
#include "doc_app_fixture.h"
#include "document/text_doc.h"
#include "document/text_doc_arrange.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/framework/commander.h"
#include "platform/framework/events.h"
#include "platform/framework/menu.h"
#include "platform/framework/scroller.h"
#include "platform/framework/window.h"
#include "platform/keys.h"
#include "views/split_view.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"
#include "views/item_icons.h"
#include "views/text_window.h"

namespace {

namespace fs = std::filesystem;

constexpr PaneIDT kView1 = 1001, kView2 = 1009, kScroller1 = 1005, kScroller2 = 1008, kBar = 1006;

class ArrangeTest : public kxtest::DocAppTest {
 protected:
  // The preferences the tests change are the program's own: put back.
  void SetUp() override {
    savedPreference = gPreference;
    DocAppTest::SetUp();
  }
  void TearDown() override {
    DocAppTest::TearDown();
    gPreference = savedPreference;
  }
  SKXPreference savedPreference;
  CKXTextDocument* OpenLines(int count) {
    const fs::path p = dir / "lines.txt";
    std::ofstream out(p, std::ios::binary);
    for (int k = 1; k <= count; ++k) out << "line " << k << "\n";
    out.close();
    // The places below are measured without the ruler above the text.
    gPreference.showRuler = 0;
    return Open(p);
  }
  static LPane* Pane(CKXTextDocument* d, PaneIDT id) { return d->GetWindow()->FindPaneByID(id); }
  static RectL Frame(CKXTextDocument* d, PaneIDT id) {
    LPane* p = Pane(d, id);
    return p ? p->CalcPortFrameRect() : RectL{0, 0, 0, 0};
  }
  static SDimension32 Size(CKXTextDocument* d) {
    SDimension32 s;
    d->GetWindow()->GetFrameSize(s);
    return s;
  }
  // Every pane's frame and shown state, by ID (scroll bars by their
  // scroller's ID plus 10000 and 20000).
  static std::map<int, std::string> Layout(CKXTextDocument* d) {
    std::map<int, std::string> out;
    auto put = [&](int key, const LPane* p) {
      if (!p) return;
      const RectL r = p->CalcPortFrameRect();
      out[key] = std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                 std::to_string(r.bottom) + (p->IsVisible() ? " shown" : " hidden");
    };
    for (PaneIDT id : {1001, 1003, 1004, 1005, 1006, 1007, 1008, 1009}) put(id, Pane(d, id));
    for (PaneIDT id : {kScroller1, kScroller2})
      if (auto* s = dynamic_cast<LScroller*>(Pane(d, id))) {
        put(10000 + id, s->GetVScrollBar());
        put(20000 + id, s->GetHScrollBar());
      }
    return out;
  }
  static CKXTextView* View(CKXTextDocument* d, PaneIDT id) { return dynamic_cast<CKXTextView*>(Pane(d, id)); }
};

TEST_F(ArrangeTest, TheSplitBarSplitsAndJoinsWithinTheMinimumSizes) {
  CKXTextDocument* d = OpenLines(300);
  ASSERT_NE(d, nullptr);
  const SDimension32 size = Size(d);
  // Unsplit: the bar is a box at the top of the vertical scroll bar, which
  // starts below it, and it can be clicked.
  const RectL box = Frame(d, kBar);
  const RectL text = Frame(d, kScroller1);
  auto* s1 = dynamic_cast<LScroller*>(Pane(d, kScroller1));
  EXPECT_TRUE(Pane(d, kBar)->IsVisible());
  EXPECT_EQ(box.right, size.width + 1);
  EXPECT_EQ(box.left, size.width - 15);
  EXPECT_EQ(s1->GetVScrollBar()->CalcPortFrameRect().top, box.bottom);
  EXPECT_EQ(text.bottom, size.height);

  struct Case {
    std::int32_t v;     // the release point's row
    bool split;         // split afterwards
  } cases[] = {
      {30, false},                       // 28 px above: too small
      {49, false},                       // first pane 47
      {50, true},                        // first pane 48
      {size.height - 64 - 6 + 2, true},  // second pane 64
      {size.height - 63 - 6 + 2, false}, // second pane 63: joined
      {200, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    d->SplitWindow(SPoint32{100, c.v}, true);
    EXPECT_EQ(d->GetSplitAt() > 0, c.split);
    if (!c.split) continue;
    EXPECT_EQ(d->GetSplitAt(), c.v - 2);
    EXPECT_EQ(Frame(d, kScroller1).bottom, c.v - 2);
    EXPECT_EQ(Frame(d, kBar).top, c.v - 2);
    EXPECT_EQ(Frame(d, kScroller2).top, c.v - 2 + kKxSplitBarHeight);
    EXPECT_EQ(Frame(d, kScroller2).bottom, size.height);
    EXPECT_EQ(View(d, kView2)->GetTextEngine(), d->GetEngine());
    EXPECT_TRUE(d->GetEngine()->GetTextSplit());
  }
  // The same point again changes nothing: the second pane keeps its place
  // in the text.
  View(d, kView2)->ScrollPinnedImageBy(0, 320, true);
  SPoint32 before;
  View(d, kView2)->GetScrollPosition(before);
  d->SplitWindow(SPoint32{5, 200}, true);
  SPoint32 after;
  View(d, kView2)->GetScrollPosition(after);
  EXPECT_EQ(after.v, before.v);
  EXPECT_EQ(d->GetSplitAt(), 198);
}

TEST_F(ArrangeTest, JoiningUnlinksTheSecondPaneAndGivesBackTheTarget) {
  CKXTextDocument* d = OpenLines(300);
  ASSERT_NE(d, nullptr);
  const auto start = Layout(d);
  d->SplitWindow(SPoint32{100, 250}, true);
  ASSERT_GT(d->GetSplitAt(), 0);
  // The second pane starts where the first one shows the text, then edits
  // the same text.
  CKXTextView* second = View(d, kView2);
  LCommander::SwitchTarget(second);
  host.PostKey('Z', 0);
  Drain();
  EXPECT_EQ(d->TextBytes().substr(0, 1), "Z");
  d->SplitWindow(SPoint32{100, 20}, true);   // released near the top: joined
  EXPECT_EQ(d->GetSplitAt(), 0);
  EXPECT_EQ(second->GetTextEngine(), nullptr);
  EXPECT_FALSE(d->GetEngine()->GetTextSplit());
  EXPECT_EQ(d->GetEngine()->GetHandlerView(), View(d, kView1));
  EXPECT_EQ(LCommander::GetTarget(), View(d, kView1));
  EXPECT_FALSE(Pane(d, kScroller2)->IsVisible());
  EXPECT_GE(Frame(d, kScroller2).top, Size(d).height + 32) << "parked below the window";
  // Joined, every pane of the first arrangement is back where it was.
  auto now = Layout(d);
  for (const auto& [id, frame] : start) EXPECT_EQ(now[id], frame) << "pane " << id;
  // Typing goes on in the first pane.
  host.PostKey('Y', 0);
  Drain();
  EXPECT_EQ(d->TextBytes().substr(0, 2), "ZY");
  // Splitting again reuses the parked pane.
  d->SplitWindow(SPoint32{100, 250}, true);
  EXPECT_EQ(View(d, kView2), second);
  EXPECT_EQ(second->GetTextEngine(), d->GetEngine());
}

TEST_F(ArrangeTest, VerticalWritingJoinsFirstAndComesBackToTheSamePlaces) {
  CKXTextDocument* d = OpenLines(50);
  ASSERT_NE(d, nullptr);
  const auto start = Layout(d);
  const SDimension32 size = Size(d);
  d->SplitWindow(SPoint32{100, 250}, true);
  ASSERT_GT(d->GetSplitAt(), 0);
  Command(1408);
  EXPECT_TRUE(d->IsVerticalWindow());
  EXPECT_NE(KXTE_GetVertical(d->GetEngine()->GetEdit()), 0);
  EXPECT_EQ(d->GetSplitAt(), 0) << "joined before turning";
  EXPECT_EQ(View(d, kView2)->GetTextEngine(), nullptr);
  // The bar's box sits in the horizontal scroll bar's row, right of the
  // status bar when it shows; the scroll bar starts after it.
  const RectL box = Frame(d, kBar);
  const LPane* status = Pane(d, kKxInfoViewID);
  const std::int32_t statusRight = status && status->IsVisible() ? status->CalcPortFrameRect().right : 0;
  EXPECT_EQ(box.bottom, size.height + 1);
  EXPECT_EQ(box.left, statusRight - 1);
  auto* s1 = dynamic_cast<LScroller*>(Pane(d, kScroller1));
  EXPECT_EQ(s1->GetHScrollBar()->CalcPortFrameRect().left, box.right);
  // Splitting side by side: the left pane needs 218 px, the right one 64.
  d->SplitWindow(SPoint32{219, 100}, true);
  EXPECT_EQ(d->GetSplitAt(), 0);
  d->SplitWindow(SPoint32{220, 100}, true);
  EXPECT_EQ(d->GetSplitAt(), 218);
  EXPECT_EQ(Frame(d, kScroller1).right, 218);
  EXPECT_EQ(Frame(d, kScroller2).left, 218 + kKxSplitBarHeight);
  EXPECT_EQ(Frame(d, kScroller2).right, size.width);
  EXPECT_EQ(Frame(d, kScroller2).bottom, size.height);
  // Back to horizontal writing: joined, and every pane where it started.
  Command(1408);
  EXPECT_FALSE(d->IsVerticalWindow());
  EXPECT_EQ(KXTE_GetVertical(d->GetEngine()->GetEdit()), 0);
  auto now = Layout(d);
  for (const auto& [id, frame] : start) EXPECT_EQ(now[id], frame) << "pane " << id;
}

TEST_F(ArrangeTest, TheFormatBarWidensAVerticalRulerAndTheTextGivesWay) {
  CKXTextDocument* d = OpenLines(10);
  ASSERT_NE(d, nullptr);
  Command(1401);   // the ruler
  Command(1408);
  const SDimension32 size = Size(d);
  const RectL before = Frame(d, 1002);
  ASSERT_EQ(before.right, size.width);
  for (int shown = 1; shown >= 0; --shown) {
    Command(1409);
    const RectL ruler = Frame(d, 1002);
    const auto* gage = dynamic_cast<const CKXTextGage*>(Pane(d, 1002));
    ASSERT_NE(gage, nullptr);
    EXPECT_EQ(ruler.right, size.width) << shown;
    EXPECT_EQ(ruler.right - ruler.left, gage->GetGageHeight()) << shown;
    EXPECT_GT(gage->GetGageHeight(), shown ? 16 : 0);
    EXPECT_EQ(Frame(d, kScroller1).right, ruler.left) << "the text ends where the ruler starts";
  }
  EXPECT_EQ(Frame(d, 1002).left, before.left);
}

TEST_F(ArrangeTest, TheSelectionComesIntoViewInTheNewWriting) {
  CKXTextDocument* d = OpenLines(400);
  ASSERT_NE(d, nullptr);
  const long end = long(d->TextBytes().size());
  CKXTextView* v = View(d, kView1);
  // Where the caret at `offset` shows: inside the pane's frame?
  auto inView = [&](long offset) {
    SPoint32 port;
    d->GetEngine()->Range2Image(SKXRange{std::int32_t(offset), 0}, true, port);
    v->LocalToPortPoint(port);   // local coordinates are the image's
    const RectL f = v->CalcPortFrameRect();
    // A vertical caret's point is its column's right edge: the frame's edge counts.
    return port.h >= f.left && port.h <= f.right && port.v >= f.top && port.v <= f.bottom;
  };
  // The end, scrolled to in horizontal writing, is the far left column in
  // vertical writing; the start, the far right one.
  for (long offset : {end, 0L, end}) {
    SCOPED_TRACE(offset);
    d->GetEngine()->SetSelectionRange(SKXRange{std::int32_t(offset), 0}, true);
    ASSERT_TRUE(inView(offset));
    Command(1408);
    EXPECT_TRUE(inView(offset));
  }
}

// The ruler turns with the window, both ways and for a window opened
// vertical: along the right edge, beyond the text's scroller, its scale
// running down without the line numbers' indent; shown again there after
// being hidden.
TEST_F(ArrangeTest, TheRulerTurnsWithTheWindow) {
  CKXTextDocument* d = OpenLines(10);
  ASSERT_NE(d, nullptr);
  Command(1401);   // the ruler
  Command(1402);   // the line numbers
  auto* ruler = dynamic_cast<CKXTextColmView*>(Pane(d, kKxColmViewID));
  ASSERT_NE(ruler, nullptr);
  const SDimension32 size = Size(d);
  auto placedVertical = [&] {
    const RectL r = Frame(d, kKxColmViewID);
    EXPECT_TRUE(ruler->IsVertical());
    EXPECT_EQ(ruler->GetLeftInset(), 1) << "no indent along the right edge";
    EXPECT_EQ(r.right, size.width);
    EXPECT_EQ(r.right - r.left, ruler->GetGageHeight());
    // Under the line numbers, whose button takes the corner above it.
    EXPECT_EQ(r.top, Frame(d, kKxLineViewID).bottom);
    EXPECT_EQ(Frame(d, kKxLineViewID).right, size.width);
    EXPECT_EQ(Frame(d, kScroller1).right, r.left) << "the scroller ends where the ruler starts";
  };
  Command(1408);
  placedVertical();
  // Hidden, the text takes the room; shown again, the ruler is back.
  Command(1401);
  EXPECT_FALSE(ruler->IsVisible());
  EXPECT_EQ(Frame(d, kScroller1).right, size.width);
  Command(1401);
  placedVertical();
  Command(1408);
  EXPECT_FALSE(ruler->IsVertical());
  EXPECT_EQ(ruler->GetLeftInset(), 41) << "beside the line numbers";
  EXPECT_EQ(Frame(d, kKxColmViewID).top, 0);
  EXPECT_EQ(Frame(d, kKxColmViewID).right, size.width);
  EXPECT_EQ(Frame(d, kScroller1).top, ruler->GetGageHeight());

  // A hidden ruler turned while hidden shows in its new place.
  Command(1401);
  Command(1408);
  Command(1401);
  placedVertical();

  // A window opened vertical has its ruler turned from the start.
  gPreference.vertical = 1;
  gPreference.showRuler = 1;
  Command(2);
  CKXTextDocument* v = Front();
  ASSERT_NE(v, d);
  ASSERT_TRUE(v->IsVerticalWindow());
  auto* turned = dynamic_cast<CKXTextColmView*>(Pane(v, kKxColmViewID));
  ASSERT_NE(turned, nullptr);
  EXPECT_TRUE(turned->IsVertical());
  EXPECT_EQ(Frame(v, kKxColmViewID).right, Size(v).width);
}

// The ruler's scale starts where the text does: beside the line numbers
// the ruler still spans the window (its corner above the numbers holds the
// restart button), so the first-line mark stands over the first
// character's edge, in each pane arrangement and in vertical writing.
TEST_F(ArrangeTest, TheFirstLineMarkStandsOverTheTextsFirstCharacter) {
  CKXTextDocument* d = OpenLines(40);
  ASSERT_NE(d, nullptr);
  Command(1401);   // the ruler
  if (!Pane(d, kKxLineViewID)->IsVisible()) Command(1402);
  ASSERT_TRUE(Pane(d, kKxLineViewID)->IsVisible());
  auto* ruler = dynamic_cast<CKXTextColmView*>(Pane(d, kKxColmViewID));
  ASSERT_NE(ruler, nullptr);
  if (!ruler->GetFormShown()) Command(1409);
  ASSERT_TRUE(ruler->IndentMarksShown());
  d->GetEngine()->SetSelectionRange(SKXRange{0, 0}, true);
  d->GetEngine()->DoParaIndent(30, 0, 0);
  auto check = [&](const char* arrangement) {
    SCOPED_TRACE(arrangement);
    ruler->FixView();
    ruler->FixForm(false);
    ruler->UpdateGage();   // the marks' rectangles are those drawn
    SPoint32 caret;
    d->GetEngine()->Range2Image(SKXRange{0, 0}, true, caret);
    View(d, kView1)->LocalToPortPoint(caret);
    const Rect mark = ruler->GetIndentRect(0);
    ASSERT_LT(mark.left, mark.right);
    SPoint32 at{mark.left + 4, mark.top + 4};
    ruler->LocalToPortPoint(at);
    if (ruler->IsVertical())
      EXPECT_EQ(at.v, caret.v);
    else
      EXPECT_EQ(at.h, caret.h);
  };
  check("horizontal");
  EXPECT_EQ(Frame(d, kKxColmViewID).left, 0) << "the corner above the numbers is the ruler's";
  d->SplitWindow(SPoint32{100, 250}, true);
  ASSERT_GT(d->GetSplitAt(), 0);
  check("split");
  Command(1408);
  check("vertical");
  Command(1408);
  check("horizontal again");
  EXPECT_EQ(Frame(d, kKxColmViewID).left, 0);
}

// Hiding or showing the format bar moves the split box with the ruler's
// bottom, and the vertical scroll bar starts below the box.
TEST_F(ArrangeTest, TheSplitBoxFollowsTheFormatBar) {
  CKXTextDocument* d = OpenLines(40);
  ASSERT_NE(d, nullptr);
  Command(1401);   // the ruler
  auto* ruler = dynamic_cast<CKXTextColmView*>(Pane(d, kKxColmViewID));
  ASSERT_NE(ruler, nullptr);
  auto* s1 = dynamic_cast<LScroller*>(Pane(d, kScroller1));
  ASSERT_NE(s1, nullptr);
  for (int k = 0; k < 2; ++k) {
    Command(1409);
    SCOPED_TRACE(ruler->GetFormShown() ? "format bar shown" : "format bar hidden");
    const RectL box = Frame(d, kBar);
    EXPECT_EQ(box.top, Frame(d, kKxColmViewID).bottom - 1);
    EXPECT_EQ(s1->GetVScrollBar()->CalcPortFrameRect().top, box.bottom);
    EXPECT_EQ(Frame(d, kScroller1).top, Frame(d, kKxColmViewID).bottom);
  }
}

// Turning the window starts the view at the line that was at its top: in
// horizontal writing scrolled to the left edge, in vertical writing at the
// top with that line's column at the right edge.
TEST_F(ArrangeTest, TurningKeepsTheTopLineAndStartsAtTheEdge) {
  const fs::path p = dir / "long.txt";
  {
    std::ofstream out(p, std::ios::binary);
    for (int k = 1; k <= 200; ++k) out << "line " << k << std::string(std::size_t(k % 7) * 30, 'x') << "\n";
  }
  gPreference.showRuler = 1;
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  const KXEditHandle e = d->GetEngine()->GetEdit();
  auto viewRect = [&] {
    RectL r{};
    KXTE_GetViewRect(e, r);
    return r;
  };
  auto lineStart = [&](long offset) {
    long start = 0, end = 0;
    KXTE_Get1LinePos(e, offset, start, end);
    return start;
  };
  // The text at the view's first corner: top-left, or top-right in
  // vertical writing.
  auto corner = [&] {
    const RectL r = viewRect();
    return KXTE_GetOffset(e, PointL{r.top, d->IsVerticalWindow() ? r.right - 1 : r.left});
  };
  View(d, kView1)->ScrollPinnedImageBy(0, 600, true);
  ASSERT_GT(corner(), 0);
  for (int turn = 0; turn < 4; ++turn) {
    SCOPED_TRACE(turn);
    const long before = corner();
    d->VerticalWindow(!d->IsVerticalWindow(), true);
    const RectL r = viewRect();
    if (d->IsVerticalWindow())
      EXPECT_EQ(r.top, 0);
    else
      EXPECT_EQ(r.left, 0) << "scrolled sideways";
    EXPECT_EQ(lineStart(corner()), lineStart(before)) << "the old top's line starts the view";
  }
}

TEST_F(ArrangeTest, AWindowResizedUntilTheFirstPaneIsTooSmallJoins) {
  CKXTextDocument* d = OpenLines(100);
  ASSERT_NE(d, nullptr);
  const SDimension32 size = Size(d);
  d->SplitWindow(SPoint32{100, 120}, true);   // first pane 118
  ASSERT_GT(d->GetSplitAt(), 0);
  const std::int32_t secondHeight = Frame(d, kScroller2).bottom - Frame(d, kScroller2).top;
  // The lower pane keeps its height; the upper one gives way.
  d->GetWindow()->ResizeFrameBy(0, -54, true);   // first pane 64
  EXPECT_GT(d->GetSplitAt(), 0);
  EXPECT_EQ(Frame(d, kScroller2).bottom - Frame(d, kScroller2).top, secondHeight);
  EXPECT_EQ(Frame(d, kScroller2).bottom, size.height - 54);
  // The split as it stands after the resize.
  EXPECT_EQ(d->GetSplitAt(), Frame(d, kBar).top);
  EXPECT_EQ(Frame(d, kScroller1).bottom, Frame(d, kBar).top);
  d->GetWindow()->ResizeFrameBy(0, -1, true);   // 63: joined
  EXPECT_EQ(d->GetSplitAt(), 0);
  EXPECT_EQ(Frame(d, kScroller1).bottom, size.height - 55);
  EXPECT_EQ(View(d, kView2)->GetTextEngine(), nullptr);
}

// ---- arranging the document windows -----------------------------------------------------------

TEST_F(ArrangeTest, TileStackZoomAndTheNextDocument) {
  auto enabled = [](CommandT c) {
    Boolean on = false;
    EXPECT_TRUE(KxFindArrangeCommandStatus(c, on)) << c;
    return bool(on);
  };
  CKXTextDocument* a = OpenLines(5);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(enabled(kKxCmdTileWindows) && enabled(kKxCmdStackWindows) && enabled(kKxCmdZoomWindow));
  EXPECT_FALSE(enabled(kKxCmdNextDocument)) << "no other document";
  Boolean untouched = true;
  EXPECT_FALSE(KxFindArrangeCommandStatus(kKxCmdTileWindows + 100, untouched));
  EXPECT_FALSE(KxObeyArrangeCommand(*a, kKxCmdTileWindows + 100));
  Command(2);
  CKXTextDocument* b = Front();
  Command(2);
  CKXTextDocument* c = Front();
  ASSERT_TRUE(b && c && b != a && c != b);
  EXPECT_TRUE(enabled(kKxCmdNextDocument));

  // The next document in the order they were made, round again; with
  // Shift the one before.
  a->MakeCurrent();
  for (CKXTextDocument* expected : {b, c, a}) {
    ASSERT_TRUE(KxObeyArrangeCommand(*Front(), kKxCmdNextDocument));
    Drain();
    EXPECT_EQ(Front(), expected);
  }
  KxKeyState shift;
  shift.SetKey(kKxKeyShift, true);
  KxSetKeySource(&shift);
  KxObeyArrangeCommand(*Front(), kKxCmdNextDocument);
  KxSetKeySource(nullptr);
  Drain();
  EXPECT_EQ(Front(), c);

  auto bounds = [](CKXTextDocument* d) { return d->GetWindow()->GetGlobalBounds(); };
  // Stacked: each 4 px right of and 20 px below the one made before.
  KxObeyArrangeCommand(*c, kKxCmdStackWindows);
  EXPECT_EQ(Front(), c);
  EXPECT_EQ(bounds(b).left - bounds(a).left, 4);
  EXPECT_EQ(bounds(b).top - bounds(a).top, 20);
  EXPECT_EQ(bounds(c).left - bounds(b).left, 4);
  EXPECT_EQ(bounds(c).top - bounds(b).top, 20);
  // Tiled: side by side, none over another.
  KxObeyArrangeCommand(*c, kKxCmdTileWindows);
  CKXTextDocument* docs[] = {a, b, c};
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j) {
      const Rect p = bounds(docs[i]), q = bounds(docs[j]);
      EXPECT_TRUE(p.right <= q.left || q.right <= p.left || p.bottom <= q.top || q.bottom <= p.top) << i << " " << j;
    }
  // Zoomed and back.
  LWindow* w = c->GetWindow();
  const Rect tiled = w->GetGlobalBounds();
  ASSERT_FALSE(w->IsZoomed());
  KxObeyArrangeCommand(*c, kKxCmdZoomWindow);
  EXPECT_TRUE(w->IsZoomed());
  KxObeyArrangeCommand(*c, kKxCmdZoomWindow);
  EXPECT_FALSE(w->IsZoomed());
  EXPECT_EQ(w->GetGlobalBounds().top, tiled.top);
  EXPECT_EQ(w->GetGlobalBounds().left, tiled.left);
}

// ---- the window's information menu ----------------------------------------------------------------

TEST_F(ArrangeTest, TheInformationMenuShowsAndSwitchesTheDocumentsSettings) {
  // A folder name outside Shift_JIS: the copied path keeps it.
  const fs::path folder = dir / "caf\xC3\xA9 \xF0\x9F\x93\x81";
  fs::create_directories(folder);
  std::ofstream(folder / "notes.txt", std::ios::binary) << "abc\n";
  CKXTextDocument* d = Open(folder / "notes.txt");
  ASSERT_NE(d, nullptr);
  auto* w = dynamic_cast<CKXTextWindow*>(d->GetWindow());
  ASSERT_NE(w, nullptr);
  auto items = w->InfoMenuItems();
  auto find = [&](KxInfoItem::Kind kind, short value = 0) -> const KxInfoItem* {
    for (const KxInfoItem& i : items)
      if (i.kind == kind && (kind != KxInfoItem::kLineEnd || i.value == value)) return &i;
    return nullptr;
  };
  ASSERT_NE(find(KxInfoItem::kCopyPath), nullptr);
  ASSERT_NE(find(KxInfoItem::kOwnFormat), nullptr) << "the document is behind the menu";
  EXPECT_EQ(items[1].text, folder.filename().string()) << "the innermost folder first";
  EXPECT_EQ(items[0].icon, kKxIconDocument);
  // Copy path: the whole path, every character, as another program reads it.
  w->ChooseInfoItem(*find(KxInfoItem::kCopyPath));
  std::vector<std::uint8_t> utxt;
  ASSERT_TRUE(host.GetClipboard(FourCC("utxt"), utxt));
  std::u16string units;
  for (std::size_t k = 0; k + 1 < utxt.size(); k += 2) units += char16_t(utxt[k] | (utxt[k + 1] << 8));
  EXPECT_EQ(units, (folder / "notes.txt").u16string());
  // The line-end items check the document's own and set it.
  const short before = d->GetEngine()->GetLineEndType();
  EXPECT_TRUE(find(KxInfoItem::kLineEnd, before)->checked);
  const short other = short((before + 1) % 3);
  w->ChooseInfoItem(*find(KxInfoItem::kLineEnd, other));
  EXPECT_EQ(d->GetEngine()->GetLineEndType(), other);
  const bool own = d->GetEngine()->GetOwnFormat();
  w->ChooseInfoItem(*find(KxInfoItem::kOwnFormat));
  EXPECT_EQ(d->GetEngine()->GetOwnFormat(), !own);
  items = w->InfoMenuItems();
  EXPECT_TRUE(find(KxInfoItem::kLineEnd, other)->checked);
  EXPECT_EQ(find(KxInfoItem::kOwnFormat)->checked, !own);
  // Modified, the title's icon says so; an untitled document has no path.
  host.PostKey('x', 0);
  Drain();
  EXPECT_EQ(w->InfoMenuItems()[0].icon, kKxIconModified);
  Command(2);   // New
  auto* u = dynamic_cast<CKXTextWindow*>(Front()->GetWindow());
  ASSERT_NE(u, d->GetWindow());
  items = u->InfoMenuItems();
  EXPECT_EQ(find(KxInfoItem::kCopyPath), nullptr);
  EXPECT_NE(find(KxInfoItem::kOwnFormat), nullptr);
}

TEST_F(ArrangeTest, TheMarkMenuFollowsTheTargetTextAndItsMarks) {
  CKXTextDocument* a = OpenLines(20);
  ASSERT_NE(a, nullptr);
  LMenu* menu = LMenuBar::GetCurrentMenuBar() ? LMenuBar::GetCurrentMenuBar()->FetchMenu(131) : nullptr;
  ASSERT_NE(menu, nullptr);
  const std::int16_t fixed = menu->CountItems();
  auto last = [&] {
    Str255 t;
    menu->GetItemText(menu->CountItems(), t);
    return std::string(reinterpret_cast<const char*>(t + 1), t[0]);
  };
  // A mark added to the text, announced by the engine: the menu lists it.
  a->GetEngine()->InsertMark(SKXRange{0, 4}, reinterpret_cast<const unsigned char*>("\x04head"));
  a->GetEngine()->BroadcastMessage(kKxMsgMarksChanged);
  EXPECT_EQ(menu->CountItems(), fixed + 2) << "a separator and the mark";
  EXPECT_EQ(last(), "head");
  // Another text becomes the target: its marks (none); back: the mark again.
  Command(2);
  ASSERT_NE(Front(), a);
  EXPECT_EQ(menu->CountItems(), fixed);
  a->SelectWindow();
  Drain();
  EXPECT_EQ(last(), "head");
}

}  // namespace
