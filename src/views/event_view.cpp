#include "views/event_view.h"

#include "platform/draw/region.h"
#include "platform/exception.h"
#include "platform/framework/window.h"

CKXEventView::CKXEventView() = default;
CKXEventView::CKXEventView(const KxLayoutPaneRecord& record) : CKXDragView(record) {}

CKXEventView::~CKXEventView() {
  StopIdling();
  if (mEventHandler) {
    CKXEventHandler* old = mEventHandler;
    mEventHandler = nullptr;
    old->RemoveUser(this);
  }
}

bool CKXEventView::DoEvent(const EventRecord& event) {
  if (!mEventHandler) return false;
  // A port here does not know where its window lies on the screen: the
  // handler's conversion to local coordinates is given the port point.
  EventRecord inPort = event;
  if (LWindow* window = LWindow::FetchWindowOf(this)) inPort.where = ToPoint16(window->GlobalToPortPoint(event.where));
  try {
    return mEventHandler->DoEvent(inPort);
  } catch (...) {
    // No exception leaves a view's event path; the handler has reset its
    // event memory, so the next event starts clean.
    return false;
  }
}

void CKXEventView::SetEventHandler(CKXEventHandler* handler) {
  CKXEventHandler* old = mEventHandler;
  mEventHandler = handler;
  if (handler) handler->AddUser(this);
  if (old) old->RemoveUser(this);
}

void CKXEventView::SpendTime(const EventRecord& event) {
  FocusDraw();
  DoEvent(event);
}

bool CKXEventView::HandleKeyPress(const EventRecord& event) {
  FocusDraw();
  DoEvent(event);
  return true;   // keys never go on to the super-commander
}

void CKXEventView::SetScrollPosition(const SPoint32& pos) {
  SPoint32 pos0;
  GetScrollPosition(pos0);
  const std::int32_t dh = pos.h - pos0.h, dv = pos.v - pos0.v;
  if (dh == 0 && dv == 0) return;
  mImageLocation.h -= dh;
  mImageLocation.v -= dv;
  for (LPane* sub : GetSubPanes()) sub->AdaptToSuperScroll(-dh, -dv);
  LView::OutOfFocus(this);
  if (LView* super = GetSuperView()) super->SubImageChanged(this);
}

bool CKXEventView::ShouldBeTarget() {
  LWindow* window = LWindow::FetchWindowOf(this);
  if (!window) return false;
  for (LCommander* c = LCommander::GetTarget(); c; c = c->GetSuperCommander()) {
    if (c == window) return LCommander::SwitchTarget(this);
  }
  window->SetLatentSub(this);
  return false;
}

void CKXEventView::ShapeHiliteRgn(RgnHandle rgn, bool inactive, std::int16_t h, std::int16_t v) {
  if (!rgn) return;
  if (h != 0 || v != 0) OffsetRgn(rgn, h, v);
  if (inactive) {
    StKxRegion inner;
    CopyRgn(rgn, inner);
    InsetRgn(inner, 1, 1);
    DiffRgn(rgn, inner, rgn);
  }
}

bool CKXEventView::GetPresentHiliteRgn(RgnHandle rgn, bool inactive, std::int16_t h, std::int16_t v) const {
  if (!rgn) return false;
  ShapeHiliteRgn(rgn, inactive, h, v);
  return false;
}

void CKXEventView::MutateSelection(bool) {
  StKxRegion rgn;
  if (!GetPresentHiliteRgn(rgn, false, 0, 0)) return;
  PenState saved;
  GetPenState(&saved);
  PenNormal();
  PenMode(srcXor);
  FrameRgn(rgn);
  SetPenState(&saved);
}

void CKXEventView::ClickSelf(const SMouseDownEvent& event) {
  FocusDraw();
  if (IsActive() && LCommander::GetTarget() != this) ShouldBeTarget();
  if (IsDragArea(event.whereLocal, false) && MouseMovedAtClick()) {
    DoDragStart(event.macEvent);
  } else {
    FocusDraw();
    DoEvent(event.macEvent);
  }
}

void CKXEventView::EventMouseUp(const EventRecord& event) {
  FocusDraw();
  DoEvent(event);
}

void CKXEventView::BeTarget() {
  FocusDraw();
  MutateSelection(true);
}

void CKXEventView::DontBeTarget() {
  FocusDraw();
  MutateSelection(false);
}

void CKXEventView::ActivateSelf() {
  if (mEventHandler && FocusDraw()) mEventHandler->Activate();
  StartIdling();
}

void CKXEventView::DeactivateSelf() {
  if (mEventHandler && FocusDraw()) mEventHandler->Deactivate();
  StopIdling();
}

void CKXEventView::FinishCreateSelf() {
  if (IsActive())
    StartIdling();
  else
    StopIdling();
}
