// kxedit --window: the script's steps run against real text views in a
// window (one pane, or two with --split), on the headless host or in a GTK
// window. Window steps besides the editing ones:
//   wheel DY [DX] [MODS]       DY lines down (negative: up), DX right,
//                              at the last mouse point
//   mouse down|move|up X Y [MODS]   window content coordinates
//   drag X1 Y1 X2 Y2 [option]  drags what is at X1 Y1 and drops it at X2 Y2
//   shot PNG                   the window's pixels
#pragma once

#include <cairo.h>

#include <cstdio>
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
#include "views/scroll_wheel.h"
#include "views/split_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"
#include "views/view_classes.h"

namespace kxwindow {

// The mouse's and keys' way into the engine while the text event handler
// is not part of the program yet: press, tracking and release as clicks.
class ClickHandler : public CKXEventHandler {
 public:
  explicit ClickHandler(CKXTextEngine& engine) : mEngine(engine) { AddUser(this); }
  CKXTextEngine* GetTextEngine() const override { return &mEngine; }
  void MouseDown() override {
    CKXEventHandler::MouseDown();
    mEngine.Click(Local(), mEvent, 1);
  }
  void MouseMove() override { mEngine.Click(Local(), mEvent, -1); }
  void MouseUp() override {
    CKXEventHandler::MouseUp();
    mEngine.Click(Local(), mEvent, -2);
  }

 private:
  SPoint32 Local() const { return SPoint32{mEventMouse.h, mEventMouse.v}; }
  CKXTextEngine& mEngine;
};

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
  Session(CKXTextEngine& engine, std::int32_t width, std::int32_t height, std::int32_t split, bool vertical,
          std::unique_ptr<KxGtkHost> gtk)
      : mEngine(engine), mGtk(std::move(gtk)), mHandler(new ClickHandler(engine)) {
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    if (mGtk) KxSetHost(mGtk.get());
    try {
      mPanes = KxMakeTextPanes(engine, mHandler, width, height, split, vertical, nullptr);
    } catch (...) {
      mHandler->RemoveUser(mHandler);
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
    CScrollWheelHandler::Install(nullptr);
    CKXDragView::SetDragRunner(nullptr);
    delete mPanes.window;
    mHandler->RemoveUser(mHandler);
    if (mGtk) KxSetHost(nullptr);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  KxTextPanes& Panes() { return mPanes; }

  // 0 done, 1 bad, -1 not a window step.
  int Step(const std::string& verb, const std::vector<std::string>& args, std::string& why) {
    if (verb == "wheel") return Wheel(args, why);
    if (verb == "mouse") return Mouse(args, why);
    if (verb == "drag") return Drag(args, why);
    if (verb == "shot") {
      if (args.size() != 1) return why = "shot PNG", 1;
      mPanes.window->UpdatePort();
      return WritePng(*mPanes.window->HostPort(), args[0]);
    }
    return -1;
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
  int Mouse(const std::vector<std::string>& a, std::string& why) {
    SPoint32 p;
    std::uint16_t mods = 0;
    if (a.size() < 3 || a.size() > 4 || !Point2(a, 1, p) || (a.size() == 4 && !ParseEventMods(a[3], mods)))
      return why = "mouse down|move|up X Y [MODS]", 1;
    mPointer = p;
    EventRecord e;
    e.where = Global(p);
    e.modifiers = mods;
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
  ClickHandler* mHandler;
  CScrollWheelHandler mWheel;
  KxTextPanes mPanes;
  SPoint32 mPointer{0, 0};
};

}  // namespace kxwindow
