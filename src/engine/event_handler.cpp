#include "engine/event_handler.h"

#include "platform/draw/port.h"
#include "platform/exception.h"
#include "platform/framework/application.h"

namespace {
// The 16-bit copy kept beside a point for the handler's 16-bit interface.
Point Narrow(const SPoint32& p) { return Point{KxPinShort(p.v), KxPinShort(p.h)}; }
}  // namespace

CKXEventHandler::CKXEventHandler() { CKXEventHandler::Reset(); }

CKXEventHandler::~CKXEventHandler() = default;

void CKXEventHandler::Reset() {
  mEvent = EventRecord{};
  mEventMouse = Point{0, 0};
  mEventMouseL = SPoint32{0, 0};
  mLastEvent = EventRecord{};
  mLastMouse = Point{0, 0};
  mLastMouseL = SPoint32{0, 0};
}

SPoint32 CKXEventHandler::ToLocal(Point global) const {
  const PointL p = KxGlobalToLocalL(global);
  return SPoint32{p.h, p.v};
}

void CKXEventHandler::UpdateLastEvt(const EventRecord& event, Point mouse) {
  UpdateLastEvt(event, SPoint32{mouse.h, mouse.v});
}

void CKXEventHandler::UpdateLastEvt(const EventRecord& event, const SPoint32& mouse) {
  mLastEvent = mEvent;
  mLastMouse = mEventMouse;
  mLastMouseL = mEventMouseL;
  mEvent = event;
  mEventMouseL = mouse;
  mEventMouse = Narrow(mouse);
}

void CKXEventHandler::MouseDown() {
  if (LApplication* app = LApplication::GetApplication()) app->SetFastWait(true);
}

void CKXEventHandler::MouseUp() {
  if (LApplication* app = LApplication::GetApplication()) app->SetFastWait(false);
}

bool CKXEventHandler::DoEvent(const EventRecord& inEvent) {
  EventRecord event = inEvent;
  if (event.what > autoKey) {
    // Mouse movement arrives as an operating-system event; it is idle time
    // with a new point. Everything else belongs to someone else.
    if (event.what == osEvt && (event.message >> 24) == 0xFA) {
      event.what = nullEvent;
    } else {
      return false;
    }
  }
  const bool wasHeld = (mEvent.modifiers & kKxHandlerButtonHeld) != 0;
  bool held = wasHeld;
  if (event.what == mouseDown) held = true;
  if (event.what == mouseUp) held = false;
  event.modifiers = std::uint16_t((event.modifiers & ~kKxHandlerButtonHeld) | (held ? kKxHandlerButtonHeld : 0));

  const SPoint32 local = ToLocal(event.where);
  if (mEvent.when == 0 && mEventMouseL.h == 0 && mEventMouseL.v == 0) {
    mEventMouseL = local;
    mEventMouse = Narrow(local);
  }

  bool moved = false;
  try {
    if (held) {
      if (!wasHeld) {
        UpdateLastEvt(event, local);
        MouseDown();
        return true;
      }
      if (local.h != mEventMouseL.h || local.v != mEventMouseL.v) {
        UpdateLastEvt(event, local);
        MouseMove();
        moved = true;
      }
    } else if (wasHeld) {
      UpdateLastEvt(event, local);
      MouseUp();
      return true;
    }
    if (event.what == keyDown || event.what == autoKey) {
      UpdateLastEvt(event, local);
      KeyDown();
      return true;
    }
    if (event.what == keyUp) {
      UpdateLastEvt(event, local);
      KeyUp();
      return true;
    }
    if (moved) return true;
    UpdateLastEvt(event, local);
    Idle();
    return true;
  } catch (const LException&) {
    Reset();
    throw;
  } catch (OSErr err) {
    Reset();
    throw LException(err);
  } catch (long err) {
    Reset();
    throw LException(err);
  } catch (...) {
    // A hook failing in some other way leaves the handler clean for the
    // next event rather than tearing down the event loop.
    Reset();
    return moved;
  }
}
