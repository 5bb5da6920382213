// kxedit --window: the script's steps run against real text views in a
// window (one pane, or two with --split), on the headless host or in a GTK
// window. Window steps besides the editing ones:
//   wheel DY [DX] [MODS]       DY lines down (negative: up), DX right,
//                              at the last mouse point
//   mouse down|move|up X Y [MODS]   window content coordinates
//   mouse track X1 Y1 X2 Y2 [MODS]  press, moves 4 pixels apart, release,
//                              queued before the press (headless only)
//   drag X1 Y1 X2 Y2 [option]  drags what is at X1 Y1 and drops it at X2 Y2
//   shot PNG                   the window's pixels
//   status N                   ENABLED MARK NAME of command N at the view
//   command N                  obeyed by the view (up its commander chain)
//   print panes                `pane K L T R B H V` per text pane, first
//                              pane first (frame in window coordinates,
//                              scroll position in image pixels), then
//                              `split N P` (P the bar's top edge, its left
//                              edge in vertical writing; 0 without one)
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/event_handler.h"
#include "engine/text_engine.h"
#include "engine/text_undoer.h"
#include "layout/kxtext_api.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/periodical.h"
#include "platform/framework/window.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/headless.h"
#include "views/scroll_wheel.h"
#include "views/split_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"
#include "views/view_classes.h"
#include "kxedit_ruler.h"

namespace kxwindow {

inline bool ParseEventMods(const std::string& word, std::uint16_t& mods) {
  std::stringstream in(word);
  for (std::string m; std::getline(in, m, '+');) {
    if (m == "shift")
      mods |= kKxEventShiftKey;
    else if (m == "cmd")
      mods |= kKxEventCommandKey;
    else if (m == "option")
      mods |= kKxEventOptionKey;
    else if (m == "control")
      mods |= 0x1000;
    else
      return false;
  }
  return true;
}

inline bool ParseInt(const std::string& s, long& out) {
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 10);
  return !s.empty() && end && *end == 0 && out > -1000000 && out < 1000000;
}

inline int WritePng(KxPort& port, const std::string& path) {
  cairo_surface_flush(port.Surface());
  if (cairo_surface_write_to_png(port.Surface(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "kxedit: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}

// Scales the wheel with Ctrl steps through.
constexpr short kScales[] = {50, 75, 100, 125, 150, 200, 300, 400};

class Session {
 public:
  Session(CKXTextEngine& engine, CKXEventHandler& handler, std::int32_t width, std::int32_t height,
          std::int32_t split, bool vertical, std::unique_ptr<KxGtkHost> gtk)
      : mEngine(engine), mGtk(std::move(gtk)), mHandler(&handler) {
    mHandler->AddUser(this);
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    if (mGtk) KxSetHost(mGtk.get());
    try {
      mPanes = KxMakeTextPanes(engine, mHandler, width, height, split, vertical, nullptr);
    } catch (...) {
      mHandler->RemoveUser(this);
      if (mGtk) KxSetHost(nullptr);
      throw;
    }
    mPanes.window->AddAttachment(new CKXTextUndoer, nullptr, true);
    mWheel.SetScaleHook([this](LWindow*, int dir) { StepScale(dir); });
    CScrollWheelHandler::Install(&mWheel);
    mPointer = SPoint32{width / 3, (split > 0 ? split : height) / 3};
    mPanes.window->UpdatePort();
  }
  ~Session() {
    mRuler.reset();
    CScrollWheelHandler::Install(nullptr);
    CKXDragView::SetDragRunner(nullptr);
    delete mPanes.window;
    mHandler->RemoveUser(this);
    if (mGtk) KxSetHost(nullptr);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  KxTextPanes& Panes() { return mPanes; }
  // The ruler (when asked for) and the stand-in document; after the gages.
  void AddRuler(bool ruler, bool formBar, bool vertical) {
    mRuler = std::make_unique<kxruler::Steps>(mPanes, ruler, formBar, vertical, mGtk.get());
  }

  // 0 done, 1 bad, 2 not on this host, -1 not a window step.
  int Step(const std::string& verb, const std::vector<std::string>& args, std::string& why) {
    if (mRuler)
      if (const int done = mRuler->Step(verb, args, why); done >= 0) return done;
    if (verb == "wheel") return Wheel(args, why);
    if (verb == "mouse") return Mouse(args, why);
    if (verb == "drag") return Drag(args, why);
    if (verb == "status") return Status(args, why);
    if (verb == "print" && args.size() == 1 && args[0] == "panes") return PrintPanes();
    if (verb == "command") {
      long cmd = 0;
      if (args.size() != 1 || !ParseInt(args[0], cmd)) return why = "command N", 1;
      if (!mPanes.view[0]->ObeyCommand(CommandT(cmd), nullptr)) return why = "no text command " + args[0], 1;
      return 0;
    }
    if (verb == "shot") {
      if (args.size() != 1) return why = "shot PNG", 1;
      mPanes.window->UpdatePort();
      // The step's one line on stderr comes from the runner.
      cairo_surface_flush(mPanes.window->HostPort()->Surface());
      if (cairo_surface_write_to_png(mPanes.window->HostPort()->Surface(), args[0].c_str()) != CAIRO_STATUS_SUCCESS)
        return why = "cannot write " + args[0], 1;
      return 0;
    }
    return -1;
  }
  // `status N`: the first pane's answer, as the menus would ask it.
  int Status(const std::vector<std::string>& a, std::string& why) {
    long cmd = 0;
    if (a.size() != 1 || !ParseInt(a[0], cmd)) return why = "status N", 1;
    Boolean enabled = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name{};
    mPanes.view[0]->FindCommandStatus(CommandT(cmd), enabled, usesMark, mark, name);
    std::printf("%d %u %.*s\n", enabled ? 1 : 0, usesMark ? unsigned(mark) : 0u, int(name[0]), name + 1);
    return 0;
  }
  int PrintPanes() {
    // By pane ID, so that panes a step opened or closed count as they are.
    constexpr PaneIDT kViews[] = {1001, 1009};
    constexpr PaneIDT kBar = 1006;
    int n = 0;
    for (PaneIDT id : kViews) {
      auto* v = dynamic_cast<CKXTextView*>(mPanes.window->FindPaneByID(id));
      if (!v) continue;
      const RectL f = v->CalcPortFrameRect();
      SPoint32 scroll;
      v->GetScrollPosition(scroll);
      std::printf("pane %d %d %d %d %d %d %d\n", ++n, f.left, f.top, f.right, f.bottom, scroll.h, scroll.v);
    }
    std::int32_t at = 0;
    if (auto* bar = dynamic_cast<CKXTextSplitView*>(mPanes.window->FindPaneByID(kBar)); bar && bar->IsVisible()) {
      const RectL b = bar->CalcPortFrameRect();
      at = bar->IsVertical() ? b.left : b.top;
    }
    std::printf("split %d %d\n", n, at);
    return 0;
  }
  // After every step: pending drawing done, as an event loop would.
  void Settle() { mPanes.window->UpdatePort(); }

  // The GTK window's own pixels, once it is on the screen.
  int Screenshot(const std::string& path) {
    if (!mGtk) return 0;
    mPanes.window->UpdatePort();
    if (!mGtk->Flush()) {
      std::fprintf(stderr, "kxedit: --gtk: the window did not come on the screen\n");
      return 1;
    }
    EventRecord e;
    for (int k = 0; k < 10; ++k) mGtk->WaitNextEvent(e, 1);
    std::unique_ptr<KxPort> shot = mGtk->Screenshot(mPanes.window->GetHostWindow());
    if (!shot) {
      std::fprintf(stderr, "kxedit: --screenshot: the window is not on the screen\n");
      return 1;
    }
    return WritePng(*shot, path);
  }

 private:
  Point Global(SPoint32 port) const {
    const Rect b = mPanes.window->GetGlobalBounds();
    return Point{KxPinShort(std::int64_t(b.top) + port.v), KxPinShort(std::int64_t(b.left) + port.h)};
  }
  bool Point2(const std::vector<std::string>& a, std::size_t at, SPoint32& p) {
    long x = 0, y = 0;
    if (a.size() < at + 2 || !ParseInt(a[at], x) || !ParseInt(a[at + 1], y)) return false;
    p = SPoint32{std::int32_t(x), std::int32_t(y)};
    return true;
  }
  void StepScale(int dir) {
    short now = KXTE_GetEditScale(mEngine.GetEdit());
    if (now == 0) now = 100;
    int k = 0;
    while (k + 1 < int(std::size(kScales)) && kScales[k] < now) ++k;
    k = std::clamp(k + dir, 0, int(std::size(kScales)) - 1);
    mEngine.SetEditScale(kScales[k] == 100 ? 0 : kScales[k]);
    for (CKXTextView* v : mPanes.view)
      if (v) {
        v->FixImage();
        v->Refresh();
      }
  }
  int Wheel(const std::vector<std::string>& a, std::string& why) {
    long dy = 0, dx = 0;
    std::uint16_t mods = 0;
    if (a.empty() || a.size() > 3 || !ParseInt(a[0], dy)) return why = "wheel DY [DX] [MODS]", 1;
    std::size_t next = 1;
    if (a.size() > 1 && ParseInt(a[1], dx)) next = 2;
    if (a.size() > next && !ParseEventMods(a[next], mods)) return why = "unknown modifiers " + a[next], 1;
    if (a.size() > next + 1) return why = "wheel DY [DX] [MODS]", 1;
    EventRecord e;
    e.what = kKxWheelEvt;
    e.message = KxWheelMessage(KxPinShort(dy), KxPinShort(dx));
    e.where = Global(mPointer);
    e.modifiers = mods;
    e.when = TickCount();
    mPanes.window->HostWheel(e);
    return 0;
  }
  // The host learns where the mouse is from the steps, as a desktop knows
  // its pointer: the headless host is told, the toolkit sees the pointer
  // move there.
  void TellMouse(SPoint32 port) {
    if (auto* h = dynamic_cast<KxHeadlessHost*>(&KxCurrentHost())) h->SetMouse(Global(port));
    if (mGtk) {
      mGtk->SynthesizeMotion(mPanes.window->GetHostWindow(), Point{KxPinShort(port.v), KxPinShort(port.h)}, false);
      mGtk->PendingEvents();
    }
  }
  // `mouse track`: the moves and the release wait on the host before the
  // press is delivered, so that a pane's own tracking loop reads them. In
  // a GTK window they go through the toolkit's own queue, as the desktop
  // would send them.
  int Track(const std::vector<std::string>& a, std::string& why) {
    SPoint32 from, to;
    std::uint16_t mods = 0;
    if (a.size() < 5 || a.size() > 6 || !Point2(a, 1, from) || !Point2(a, 3, to) ||
        (a.size() == 6 && !ParseEventMods(a[5], mods)))
      return why = "mouse track X1 Y1 X2 Y2 [MODS]", 1;
    auto* headless = dynamic_cast<KxHeadlessHost*>(&KxCurrentHost());
    const KxWindowID hostWindow = mPanes.window->GetHostWindow();
    auto local = [](SPoint32 p) { return Point{KxPinShort(p.v), KxPinShort(p.h)}; };
    const std::int64_t dx = std::int64_t(to.h) - from.h, dy = std::int64_t(to.v) - from.v;
    const std::int64_t n = (std::max(std::llabs(dx), std::llabs(dy)) + 3) / 4;
    if (mGtk) mGtk->SynthesizeButton(hostWindow, local(from), true, TickCount() * 1000 / 60, 1, mods);
    for (std::int64_t k = 1; k <= n; ++k) {
      const SPoint32 at{std::int32_t(from.h + std::llround(double(k * dx) / double(n))),
                        std::int32_t(from.v + std::llround(double(k * dy) / double(n)))};
      if (mGtk) {
        mGtk->SynthesizeMotion(hostWindow, local(at), true, mods);
        continue;
      }
      EventRecord move;
      move.what = nullEvent;
      move.where = Global(at);
      move.modifiers = mods;
      if (headless) headless->PostEvent(move);
    }
    if (mGtk)
      mGtk->SynthesizeButton(hostWindow, local(to), false, TickCount() * 1000 / 60, 1, mods);
    else if (headless)
      headless->PostMouse(false, Global(to), mods | kKxEventButtonState);
    KxHost& host = KxCurrentHost();
    EventRecord e;
    if (mGtk) {
      // The press comes out of the toolkit first.
      bool pressed = false;
      for (int guard = 0; guard < 1000 && !pressed; ++guard)
        if (host.WaitNextEvent(e, 1) && e.what == mouseDown) pressed = true;
      if (!pressed) return why = "mouse track: the press never reached the window", 1;
    } else {
      e.what = mouseDown;
      e.where = Global(from);
      e.modifiers = mods;
      e.when = TickCount();
      TellMouse(from);
    }
    mPointer = from;
    mPanes.window->HostMouseDown(e);
    mPointer = to;
    // A pane that tracks on idle time instead takes the rest from here.
    // A move comes as idle time (WaitNextEvent answers false for it): the
    // loop runs to the release, not to the first answer without an event.
    // Without a desktop it also ends once the queue is empty; on the desktop
    // after a while of idle turns (a pane's own tracking loop may have taken
    // the release).
    EventRecord next;
    for (int guard = 0, idle = 0; guard < 100000; ++guard) {
      if (!mGtk && (!headless || headless->PendingEvents() == 0)) break;
      const bool got = host.WaitNextEvent(next, 0);
      if (got && next.what == mouseUp) {
        if (mGtk) {
          // The toolkit may merge the moves into the release: the tracking
          // pane sees the pointer reach the release's place first.
          EventRecord last = next;
          last.what = nullEvent;
          if (auto* v = dynamic_cast<CKXEventView*>(LPane::GetLastPaneClicked())) v->SpendTime(last);
        }
        mPanes.window->HostMouseUp(next);
        if (mGtk) break;
        continue;
      }
      if (mGtk) idle = got ? 0 : idle + 1;
      if (idle > 200) break;
      if (next.what != nullEvent) continue;
      if (auto* v = dynamic_cast<CKXEventView*>(LPane::GetLastPaneClicked()))
        v->SpendTime(next);
      else
        LPeriodical::DevoteTimeToIdlers(next);
    }
    return 0;
  }
  // `mouse click X Y [COUNT] [MODS]`: each click a press and a release at
  // one place, the release queued before the press is delivered.
  int Click(const std::vector<std::string>& a, std::string& why) {
    SPoint32 p;
    long count = 1;
    std::size_t next = 3;
    if (a.size() < 3 || a.size() > 5 || !Point2(a, 1, p)) return why = "mouse click X Y [COUNT] [MODS]", 1;
    if (a.size() > 3 && ParseInt(a[3], count)) next = 4;
    if (count < 1 || count > 3 || a.size() > next + 1) return why = "mouse click X Y [COUNT] [MODS]", 1;
    std::vector<std::string> track{"track", a[1], a[2], a[1], a[2]};
    if (a.size() == next + 1) track.push_back(a[next]);
    for (long k = 0; k < count; ++k)
      if (Track(track, why)) return why = "mouse click X Y [COUNT] [MODS]", 1;
    return 0;
  }
  // `mouse hold X Y TICKS [MODS]`: the press, TICKS ticks with the button
  // down and nothing else happening, the release at the same place.
  int Hold(const std::vector<std::string>& a, std::string& why) {
    SPoint32 p;
    long ticks = 0;
    std::uint16_t mods = 0;
    if (a.size() < 4 || a.size() > 5 || !Point2(a, 1, p) || !ParseInt(a[3], ticks) || ticks < 0 ||
        (a.size() == 5 && !ParseEventMods(a[4], mods)))
      return why = "mouse hold X Y TICKS [MODS]", 1;
    auto* headless = dynamic_cast<KxHeadlessHost*>(&KxCurrentHost());
    if (!headless) return why = "mouse hold needs the headless host", 2;
    EventRecord still;
    still.what = nullEvent;
    still.where = Global(p);
    still.modifiers = mods;
    for (long k = 0; k < ticks; ++k) headless->PostEvent(still);
    headless->PostMouse(false, Global(p), mods | kKxEventButtonState);
    EventRecord e;
    e.what = mouseDown;
    e.where = Global(p);
    e.modifiers = mods;
    e.when = TickCount();
    TellMouse(p);
    mPointer = p;
    mPanes.window->HostMouseDown(e);
    // What the pane did not read (it may stop early, at a limit) goes too.
    EventRecord next;
    while (headless->PendingEvents() > 0)
      if (headless->WaitNextEvent(next, 0) && next.what == mouseUp) mPanes.window->HostMouseUp(next);
    return 0;
  }
  int Mouse(const std::vector<std::string>& a, std::string& why) {
    if (!a.empty() && a[0] == "track") return Track(a, why);
    if (!a.empty() && a[0] == "hold") return Hold(a, why);
    if (!a.empty() && a[0] == "click") return Click(a, why);
    SPoint32 p;
    std::uint16_t mods = 0;
    if (a.size() < 3 || a.size() > 4 || !Point2(a, 1, p) || (a.size() == 4 && !ParseEventMods(a[3], mods)))
      return why = "mouse down|move|up X Y [MODS]", 1;
    mPointer = p;
    EventRecord e;
    e.where = Global(p);
    e.modifiers = mods;
    TellMouse(p);
    e.when = TickCount();
    if (a[0] == "down") {
      e.what = mouseDown;
      mPanes.window->HostMouseDown(e);
    } else if (a[0] == "up") {
      e.what = mouseUp;
      mPanes.window->HostMouseUp(e);
    } else if (a[0] == "move") {
      // A move reaches the pane that holds the mouse as idle time.
      e.what = nullEvent;
      if (auto* v = dynamic_cast<CKXEventView*>(LPane::GetLastPaneClicked()))
        v->SpendTime(e);
      else
        LPeriodical::DevoteTimeToIdlers(e);
    } else {
      return why = "mouse down|move|up X Y [MODS]", 1;
    }
    return 0;
  }
  CKXTextView* PaneAt(SPoint32 p) {
    for (CKXTextView* v : mPanes.view)
      if (v && v->Contains(p.h, p.v)) return v;
    return nullptr;
  }
  int Drag(const std::vector<std::string>& a, std::string& why) {
    SPoint32 from, to;
    if (a.size() < 4 || a.size() > 5 || !Point2(a, 0, from) || !Point2(a, 2, to) ||
        (a.size() == 5 && a[4] != "option"))
      return why = "drag X1 Y1 X2 Y2 [option]", 1;
    CKXTextView* source = PaneAt(from);
    CKXTextView* target = PaneAt(to);
    if (!source) return why = "no text pane at the drag's start", 1;
    const std::uint16_t mods = a.size() == 5 ? kKxEventOptionKey : 0;
    const Point drop = Global(to);
    CKXDragView::SetDragRunner([target, drop, mods](CKXDragView&, KxDrag& drag) {
      if (!target) throw LException(kKxUserCanceled);   // dropped outside the text
      drag.attributes |= kKxDragInsideSenderWindow;
      drag.dropModifiers = mods;
      drag.mouse = drop;
      target->EnterDropArea(&drag, false);
      target->InsideDropArea(&drag);
      if (!target->DragIsAcceptable(&drag)) throw LException(kKxUserCanceled);
      target->DoDragReceive(&drag);
    });
    if (!source->PtInDragArea([&] {
          SPoint32 l = from;
          source->PortToLocalPoint(l);
          return l;
        }()))
      return 0;   // nothing selected there: nothing to drag
    EventRecord e;
    e.what = mouseDown;
    e.where = Global(from);
    e.modifiers = mods;
    source->FocusDraw();
    source->DoDragStart(e);
    mPointer = to;
    return 0;
  }

  CKXTextEngine& mEngine;
  std::unique_ptr<KxGtkHost> mGtk;
  CKXEventHandler* mHandler;   // the driver's text event handler
  CScrollWheelHandler mWheel;
  KxTextPanes mPanes;
  std::unique_ptr<kxruler::Steps> mRuler;
  SPoint32 mPointer{0, 0};
};

}  // namespace kxwindow
