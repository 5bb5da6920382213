// The headless host on its own: window order and activate events, the
// clipboard, scripted answers, Escape polls and beeps.
#include "platform/host/headless.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

struct Recorder : KxWindowClient {
  void HostActivate(bool) override {}
};

std::vector<std::pair<KxWindowID, bool>> Drain(KxHeadlessHost& host) {
  std::vector<std::pair<KxWindowID, bool>> out;
  EventRecord e;
  while (host.WaitNextEvent(e, 0))
    if (e.what == activateEvt) out.emplace_back(e.message, (e.modifiers & kKxEventActiveFlag) != 0);
  return out;
}

TEST(Headless, WindowsKeepFrontToBackOrderWithActivateEvents) {
  KxHeadlessHost host;
  Recorder r;
  const unsigned char t[] = "\x01" "A";
  const KxWindowID a = host.CreateWindow(&r, Rect{0, 0, 10, 10}, t);
  const KxWindowID b = host.CreateWindow(&r, Rect{20, 20, 30, 30}, t);
  const KxWindowID c = host.CreateWindow(&r, Rect{0, 0, 10, 10}, t);
  EXPECT_EQ(host.WindowList(), (std::vector<KxWindowID>{c, b, a}));
  Drain(host);
  host.PostKey('k', 40);
  host.SelectWindow(a);   // activate events go ahead of the script
  EventRecord e;
  ASSERT_TRUE(host.WaitNextEvent(e, 0));
  EXPECT_EQ(e.what, activateEvt);
  EXPECT_EQ(e.message, c);
  EXPECT_EQ(e.modifiers & kKxEventActiveFlag, 0);
  ASSERT_TRUE(host.WaitNextEvent(e, 0));
  EXPECT_EQ(e.message, a);
  EXPECT_NE(e.modifiers & kKxEventActiveFlag, 0);
  ASSERT_TRUE(host.WaitNextEvent(e, 0));
  EXPECT_EQ(e.what, keyDown);
  EXPECT_EQ(host.WindowList(), (std::vector<KxWindowID>{a, c, b}));
  host.SelectWindow(a);   // already in front: nothing
  EXPECT_TRUE(Drain(host).empty());
  EXPECT_EQ(host.FindWindow(Point{5, 5}), a);
  EXPECT_EQ(host.FindWindow(Point{25, 25}), b);
  EXPECT_EQ(host.FindWindow(Point{50, 50}), kKxNoWindow);

  // Closing the front window activates the next; events for a closed
  // window are dropped.
  host.SelectWindow(b);
  host.DestroyWindow(b);
  EXPECT_EQ(Drain(host), (std::vector<std::pair<KxWindowID, bool>>{{a, false}, {a, true}}));
  host.DestroyWindow(c);   // not in front: no events
  EXPECT_TRUE(Drain(host).empty());
  host.DestroyWindow(a);
  host.DestroyWindow(999);
  EXPECT_TRUE(host.WindowList().empty());
  EXPECT_EQ(host.FrontWindow(), kKxNoWindow);
}

TEST(Headless, FloatingWindowsAreListedApartAndNeverInFront) {
  KxHeadlessHost host;
  Recorder r;
  const unsigned char t[] = "\x01" "A";
  const KxWindowID doc = host.CreateWindow(&r, Rect{0, 0, 100, 100}, t);
  Drain(host);
  const KxWindowID pal = host.CreateFloatingWindow(&r, Rect{10, 10, 40, 40}, t);
  // Made hidden, without activate events; the documents' list and front
  // window are as they were.
  EXPECT_TRUE(Drain(host).empty());
  EXPECT_FALSE(host.IsWindowShown(pal));
  EXPECT_EQ(host.WindowList(), std::vector<KxWindowID>{doc});
  EXPECT_EQ(host.FloatingWindowList(), std::vector<KxWindowID>{pal});
  EXPECT_TRUE(host.IsFloatingWindow(pal));
  EXPECT_FALSE(host.IsFloatingWindow(doc));
  EXPECT_EQ(host.FindWindow(Point{20, 20}), doc);   // hidden: not there
  host.ShowFloatingWindow(pal, true);
  EXPECT_EQ(host.FindWindow(Point{20, 20}), pal);   // above the document
  EXPECT_EQ(host.FindWindow(Point{50, 50}), doc);
  // Selecting it, or a new document, never puts it in front.
  host.SelectWindow(pal);
  EXPECT_TRUE(Drain(host).empty());
  const KxWindowID doc2 = host.CreateWindow(&r, Rect{0, 0, 100, 100}, t);
  EXPECT_EQ(host.FrontWindow(), doc2);
  EXPECT_EQ(host.FindWindow(Point{20, 20}), pal);
  host.DestroyWindow(doc2);
  host.DestroyWindow(doc);
  EXPECT_EQ(host.FrontWindow(), kKxNoWindow);   // a palette alone is no front window
  host.DestroyWindow(pal);
  EXPECT_TRUE(host.FloatingWindowList().empty());
}

TEST(Headless, IdleWaitsPassOnTheVirtualClock) {
  KxHeadlessHost host;
  EXPECT_EQ(&KxCurrentHost(), &host);
  EXPECT_EQ(TickCount(), 0u);
  EventRecord e;
  EXPECT_FALSE(host.WaitNextEvent(e, 12));
  EXPECT_EQ(e.what, nullEvent);
  EXPECT_EQ(TickCount(), 12u);
  host.PostKey('a', 0);
  EXPECT_TRUE(host.WaitNextEvent(e, 12));
  EXPECT_EQ(e.when, 12u);
  EXPECT_EQ(TickCount(), 12u);   // an event does not wait
  host.SetIdleLimit(2);
  EXPECT_FALSE(host.ShouldStop());
  host.WaitNextEvent(e, 3);
  host.WaitNextEvent(e, 3);
  EXPECT_TRUE(host.ShouldStop());
  EXPECT_EQ(TickCount(), 18u);
}

// Every event handed out carries the mouse's last known position: keys,
// menu choices, updates and idle turns take it from the last mouse event,
// mouse-moved event or posted move.
TEST(Headless, EveryEventCarriesTheLastMousePosition) {
  KxHeadlessHost host;
  auto at = [](const EventRecord& e) { return std::pair<int, int>(e.where.h, e.where.v); };
  EventRecord e;
  host.PostMouse(true, Point{20, 10});
  host.PostKey('a', 0);
  EventRecord moved;
  moved.what = osEvt;
  moved.message = 0xFA000000u;
  moved.where = Point{40, 30};
  host.PostEvent(moved);
  host.PostMenuChoice(1, 1);
  EventRecord move;
  move.what = nullEvent;
  move.where = Point{60, 50};
  host.PostEvent(move);
  host.PostMouse(false, Point{80, 70});
  // A queued move is an idle turn (no event) that carries its point.
  const std::pair<int, int> expected[] = {{10, 20}, {10, 20}, {30, 40}, {30, 40}, {50, 60}, {70, 80}};
  const bool isEvent[] = {true, true, true, true, false, true};
  for (std::size_t k = 0; k < std::size(expected); ++k) {
    EXPECT_EQ(host.WaitNextEvent(e, 1), isEvent[k]) << k;
    EXPECT_EQ(at(e), expected[k]) << e.what;
  }
  Recorder r;
  const Rect bounds{0, 0, 100, 100};
  const KxWindowID w = host.CreateWindow(&r, bounds, nullptr);
  host.InvalidateWindow(w, bounds);
  while (host.WaitNextEvent(e, 1)) EXPECT_EQ(at(e), (std::pair<int, int>(70, 80))) << e.what;
  EXPECT_EQ(at(e), (std::pair<int, int>(70, 80)));   // the idle turn too
  host.SetMouse(Point{5, 6});
  host.WaitNextEvent(e, 1);
  EXPECT_EQ(at(e), (std::pair<int, int>(6, 5)));
  host.DestroyWindow(w);
}

TEST(Headless, EscapeAndCommandPeriodAreTakenOutOfTheQueue) {
  KxHeadlessHost host;
  EXPECT_FALSE(host.PeekForEscape());
  host.PostKey('a', 0);
  host.PostKey('.', 47);   // a period without the command key is text
  EXPECT_FALSE(host.PeekForEscape());
  host.PostKey(kKxCharEscape, kKxKeyEscape);
  host.PostKey('.', 47, kKxEventCommandKey);
  EXPECT_TRUE(host.PeekForEscape());
  EXPECT_TRUE(host.PeekForEscape());
  EXPECT_FALSE(host.PeekForEscape());
  EXPECT_EQ(host.PendingEvents(), 2u);
}

TEST(Headless, ClipboardKeepsBytesPerType) {
  KxHeadlessHost host;
  std::vector<std::uint8_t> data;
  EXPECT_FALSE(host.GetClipboard(FourCC("TEXT"), data));
  host.PutClipboard(FourCC("TEXT"), "abc", 3);
  host.PutClipboard(FourCC("styl"), "\0\1", 2);
  host.PutClipboard(FourCC("TEXT"), "xy", 2);   // replaces, keeps its place
  host.PutClipboard(FourCC("empt"), nullptr, 5);
  EXPECT_EQ(host.ClipboardTypes(), (std::vector<OSType>{FourCC("TEXT"), FourCC("styl"), FourCC("empt")}));
  ASSERT_TRUE(host.GetClipboard(FourCC("TEXT"), data));
  EXPECT_EQ(data, (std::vector<std::uint8_t>{'x', 'y'}));
  ASSERT_TRUE(host.GetClipboard(FourCC("styl"), data));
  EXPECT_EQ(data, (std::vector<std::uint8_t>{0, 1}));
  ASSERT_TRUE(host.GetClipboard(FourCC("empt"), data));
  EXPECT_TRUE(data.empty());
  // A snapshot shares the bytes, yet keeps what stood when it was taken.
  KxClipboardStore snapshot;
  host.GetClipboardSnapshot(snapshot);
  host.PutClipboard(FourCC("TEXT"), "new", 3);
  host.ClearClipboard();
  EXPECT_TRUE(host.ClipboardTypes().empty());
  ASSERT_NE(snapshot.Find(FourCC("TEXT")), nullptr);
  EXPECT_EQ(*snapshot.Find(FourCC("TEXT")), (std::vector<std::uint8_t>{'x', 'y'}));
  EXPECT_EQ(snapshot.Find(FourCC("none")), nullptr);
  EXPECT_EQ(snapshot.Types().size(), 3u);
}

// A drag started from a window is kept whole for the script to drop; a
// drop reaches the client of the window it lands on, and nothing else.
TEST(Headless, DragsAreKeptAndDroppedOnWindows) {
  struct DropTaker : KxWindowClient {
    void HostActivate(bool) override {}
    bool HostDrop(const KxDragData& data, Point where) override {
      items = data.CountItems();
      at = where;
      return true;
    }
    long items = 0;
    Point at{0, 0};
  };
  KxHeadlessHost host;
  DropTaker taker;
  const unsigned char title[] = "\x01w";
  const KxWindowID w = host.CreateWindow(&taker, Rect{40, 40, 200, 300}, title);
  KxDragData drag;
  EXPECT_FALSE(host.StartDrag(w, drag));  // nothing to drag
  drag.AddItem(5);
  EXPECT_FALSE(drag.AddItem(5));
  ASSERT_EQ(drag.SetFlavor(5, FourCC("TEXT"), "ab", 2), noErr);
  EXPECT_EQ(drag.SetFlavor(6, FourCC("TEXT"), "ab", 2), badDragItemErr);
  EXPECT_FALSE(host.StartDrag(w + 1, drag));  // no such window
  ASSERT_TRUE(host.StartDrag(w, drag));
  drag.Clear();
  ASSERT_NE(host.LastDrag(), nullptr);
  ASSERT_EQ(host.LastDrag()->CountItems(), 1);
  EXPECT_EQ(KxDragData::FindFlavor(*host.LastDrag()->NthItem(1), FourCC("TEXT"))->bytes.size(), 2u);
  EXPECT_TRUE(host.Drop(w, *host.LastDrag(), Point{10, 20}));
  EXPECT_EQ(taker.items, 1);
  EXPECT_EQ(taker.at.h, 20);
  EXPECT_FALSE(host.Drop(w + 1, *host.LastDrag(), Point{0, 0}));
}

TEST(Headless, ScriptedAnswersInOrderWithSafeDefaults) {
  KxHeadlessHost host;
  std::string path;
  // Nothing queued: a save question is cancelled, alerts acknowledged,
  // file choices cancelled.
  EXPECT_EQ(host.AskSaveChanges("doc"), KxAnswer::kCancel);
  EXPECT_EQ(host.Alert(KxAlertKind::kStop, "cannot read"), KxAnswer::kOK);
  EXPECT_FALSE(host.ChooseFile(path));
  host.QueueAnswer(KxAnswer::kDontSave);
  host.QueueAnswer(KxAnswer::kOK, "/tmp/a.txt");
  host.QueueAnswer(KxAnswer::kCancel);
  host.QueueAnswer(KxAnswer::kOK, "/tmp/b.txt");
  EXPECT_EQ(host.AskSaveChanges("doc"), KxAnswer::kDontSave);
  ASSERT_TRUE(host.ChooseFile(path));
  EXPECT_EQ(path, "/tmp/a.txt");
  EXPECT_FALSE(host.ChooseSaveFile("x", path));
  EXPECT_EQ(path, "/tmp/a.txt");
  ASSERT_TRUE(host.ChooseSaveFile("x", path));
  EXPECT_EQ(path, "/tmp/b.txt");
  EXPECT_EQ(host.PendingAnswers(), 0u);
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].text, "cannot read");
  host.Beep();
  host.Beep();
  EXPECT_EQ(host.Beeps(), 2);
}

}  // namespace
