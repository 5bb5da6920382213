// A drag view that is also an idler, a commander and a listener, and hands
// every event it gets to a pluggable, shared event handler. Nothing here
// knows about text.
#pragma once

#include "engine/event_handler.h"
#include "platform/framework/broadcaster.h"
#include "platform/framework/commander.h"
#include "platform/framework/periodical.h"
#include "views/drag_view.h"

class CKXEventView : public CKXDragView, public LPeriodical, public LCommander, public LListener {
 public:
  CKXEventView();
  explicit CKXEventView(const KxLayoutPaneRecord& record);
  ~CKXEventView() override;   // lets go of the handler

  // With no handler false; an exception from the handler is dropped and
  // the event counts as not handled.
  virtual bool DoEvent(const EventRecord& event);
  // The view is a user of its handler; a replaced one loses this user
  // after the new one gained it, so setting the same handler keeps it.
  virtual void SetEventHandler(CKXEventHandler* handler);
  virtual CKXEventHandler* GetEventHandler() const { return mEventHandler; }
  void SpendTime(const EventRecord& event) override;
  bool HandleKeyPress(const EventRecord& event) override;
  void ListenToMessage(MessageT, void*) override {}
  // Moves the image so that `pos` is the scroll position; draws nothing.
  virtual void SetScrollPosition(const SPoint32& pos);
  virtual bool ShouldBeTarget();
  virtual void MutateSelection(bool active);
  // The base has no highlight: false. The shaping rule (offset to a port
  // point, outline when inactive) is ShapeHiliteRgn.
  virtual bool GetPresentHiliteRgn(RgnHandle rgn, bool inactive, std::int16_t h, std::int16_t v) const;

  void ClickSelf(const SMouseDownEvent& event) override;
  void EventMouseUp(const EventRecord& event) override;

 protected:
  void BeTarget() override;
  void DontBeTarget() override;
  void ActivateSelf() override;
  void DeactivateSelf() override;
  void FinishCreateSelf() override;
  // Offsets a local region to the port point (h, v) when that is not
  // (0, 0), and reduces it to its 1-pixel outline when inactive.
  static void ShapeHiliteRgn(RgnHandle rgn, bool inactive, std::int16_t h, std::int16_t v);

  CKXEventHandler* mEventHandler = nullptr;
};
