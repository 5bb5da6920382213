#include "engine/event_handler.h"

#include "platform/draw/port.h"
#include "platform/exception.h"
#include "platform/framework/application.h"

CKXEventHandler::CKXEventHandler() { CKXEventHandler::Reset(); }

CKXEventHandler::~CKXEventHandler() = default;

void CKXEventHandler::Reset() {
  mEvent = EventRecord{};
  mEventMouse = Point{0, 0};
  mLastEvent = EventRecord{};
  mLastMouse = Point{0, 0};
}

Point CKXEventHandler::ToLocal(Point global) const {
  GlobalToLocal(&global);
  return global;
}

void CKXEventHandler::UpdateLastEvt(const EventRecord& event, Point mouse) {
  mLastEvent = mEvent;
  mLastMouse = mEventMouse;
  mEvent = event;
  mEventMouse = mouse;
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

  const Point local = ToLocal(event.where);
  if (mEvent.when == 0 && mEventMouse.h == 0 && mEventMouse.v == 0) mEventMouse = local;

  bool moved = false;
  try {
    if (held) {
      if (!wasHeld) {
        UpdateLastEvt(event, local);
        MouseDown();
        return true;
      }
      if (local.h != mEventMouse.h || local.v != mEventMouse.v) {
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
  } catch (const LException& e) {
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
