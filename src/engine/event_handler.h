// The shared object that turns raw events into a small set of hooks: an
// event view hands it every key, mouse and idle event; it keeps the event
// being served and the one before, each with its mouse point in the local
// coordinates of the focused view. Those coordinates are the view's image
// coordinates, which pass 32767 in any long text: the points are kept in
// 32 bits, and the 16-bit forms are only their narrowed copies.
//
// Bit 0x80 of the modifiers it keeps means "the button is held": DoEvent
// rewrites it from the kind of event, since a press and the matching
// release decide it, not the desktop's own button state.
#pragma once

#include "platform/framework/events.h"
#include "platform/framework/pane.h"
#include "platform/framework/sharable.h"

class CKXTextEngine;

constexpr std::uint16_t kKxHandlerButtonHeld = 0x0080;

class CKXEventHandler : public virtual LSharable {
 public:
  CKXEventHandler();
  ~CKXEventHandler() override;
  CKXEventHandler(const CKXEventHandler&) = delete;
  CKXEventHandler& operator=(const CKXEventHandler&) = delete;

  // Clears both events and both points.
  virtual void Reset();
  // Dispatches one event to the hooks; false when it is not one a handler
  // takes (update, activate and the like).
  virtual bool DoEvent(const EventRecord& event);
  virtual void Activate() {}
  virtual void Deactivate() {}
  // The served event's mouse point narrowed to 16 bits (held at
  // -32768..32767); GetEvtMouseL is the point itself.
  virtual Point* GetEvtMouse() { return &mEventMouse; }
  const SPoint32& GetEvtMouseL() const { return mEventMouseL; }
  virtual EventRecord* GetEvtRecord() { return &mEvent; }
  // The served pair becomes the last one; the given pair is served.
  virtual void UpdateLastEvt(const EventRecord& event, Point mouse);
  void UpdateLastEvt(const EventRecord& event, const SPoint32& mouse);
  virtual void Idle() {}
  virtual void MouseMove() {}
  // The event loop waits briefly while the button is held.
  virtual void MouseDown();
  virtual void MouseUp();
  virtual void KeyDown() {}
  virtual void KeyUp() {}
  virtual CKXTextEngine* GetTextEngine() const { return nullptr; }
  virtual void SetTextEngine(CKXTextEngine* engine) { (void)engine; }

  const EventRecord& GetLastEvent() const { return mLastEvent; }
  Point GetLastMouse() const { return mLastMouse; }
  const SPoint32& GetLastMouseL() const { return mLastMouseL; }

 protected:
  // The event's global point in the focused view's coordinates, unnarrowed;
  // the text view focuses before dispatching, so the port's conversion
  // applies.
  virtual SPoint32 ToLocal(Point global) const;

  EventRecord mEvent{};
  Point mEventMouse{0, 0};
  SPoint32 mEventMouseL{0, 0};
  EventRecord mLastEvent{};
  Point mLastMouse{0, 0};
  SPoint32 mLastMouseL{0, 0};
};
