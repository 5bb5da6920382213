#include "views/drag_view.h"

#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/toolbox/mouse.h"
#include "text/base/geometry.h"

namespace {
CKXDragView::DragRunner& Runner() {
  static CKXDragView::DragRunner runner;
  return runner;
}

// The drag the host runs for us after DoDragStart returned: what it came
// from, so that its drop back into the same window can move the text.
// Only compared, never followed: the sender may be gone by the drop.
struct HostDrag {
  const void* sender = nullptr;
  KxWindowID window = 0;
};
HostDrag& Outgoing() {
  static HostDrag drag;
  return drag;
}

// Hands the drag to the host; false when it takes none (nothing to drag, a
// host without drags).
bool StartHostDrag(CKXDragView& source, const KxDrag& drag) {
  LWindow* window = LWindow::FetchWindowOf(&source);
  const KxDragData data = KxDragDataOf(drag);
  if (!window || data.CountItems() == 0) return false;
  Outgoing() = HostDrag{drag.sender, window->GetHostWindow()};
  return KxCurrentHost().StartDrag(window->GetHostWindow(), data);
}
}  // namespace

KxDragData KxDragDataOf(const KxDrag& drag, ItemReference only) {
  KxDragData data;
  for (ItemReference k = 1; k <= drag.items.size(); ++k) {
    if (only != 0 && k != only) continue;
    data.AddItem(k);
    for (const KxDragFlavor& f : drag.items[k - 1].flavors) data.SetFlavor(k, f.type, f.data.data(), f.data.size());
  }
  return data;
}

void KxAddDragItems(KxDrag& drag, const KxDragData& data) {
  for (const KxDragData::Item& item : data.Items()) {
    KxDragItem added;
    for (const KxDragData::Flavor& f : item.flavors) added.flavors.push_back(KxDragFlavor{f.type, f.bytes});
    drag.items.push_back(std::move(added));
  }
}

void CKXDragView::InstallHostDrops() { LWindow::SetDropHook(&CKXDragView::ReceiveHostDrop); }
void CKXDragView::RemoveHostDrops() { LWindow::SetDropHook(nullptr); }

bool CKXDragView::ReceiveHostDrop(LWindow* window, const KxDragData& data, Point where) {
  if (!window) return false;
  CKXDragView* target = nullptr;
  for (LPane* p = window->FindDeepSubPaneContaining(where.h, where.v); p && !target; p = p->GetSuperView())
    target = dynamic_cast<CKXDragView*>(p);
  if (!target) return false;
  KxDrag drag;
  KxAddDragItems(drag, data);
  const Rect bounds = window->GetGlobalBounds();
  drag.mouse = Point{KxPinShort(long(bounds.top) + where.v), KxPinShort(long(bounds.left) + where.h)};
  if (KxOptionKeyDown()) drag.dropModifiers |= kKxDragCopyModifier;
  const HostDrag out = Outgoing();
  if (data.fromThisProgram && out.window == window->GetHostWindow()) {
    drag.attributes |= kKxDragInsideSenderWindow;
    drag.sender = out.sender;
  }
  Outgoing() = HostDrag{};
  target->EnterDropArea(&drag, (drag.attributes & kKxDragInsideSenderWindow) == 0);
  target->InsideDropArea(&drag);
  if (!target->DragIsAcceptable(&drag)) {
    target->LeaveDropArea(&drag);
    return false;
  }
  try {
    target->DoDragReceive(&drag);
  } catch (const LException&) {
    // A refused drop (read-only text, no place) is no drop.
    target->LeaveDropArea(&drag);
    return false;
  }
  return true;
}

void CKXDragView::SetMouseMovedAtClick(bool moved) { UMouseUtils::SetMovedAtPress(moved); }
bool CKXDragView::MouseMovedAtClick() { return UMouseUtils::MovedAtPress(); }

const KxDragFlavor* KxDragItem::Find(OSType type) const {
  for (const KxDragFlavor& f : flavors)
    if (f.type == type) return &f;
  return nullptr;
}

CKXDragView::CKXDragView() = default;
CKXDragView::CKXDragView(const KxLayoutPaneRecord& record) : LView(record) {}

void CKXDragView::SetDragRunner(DragRunner runner) { Runner() = std::move(runner); }

void CKXDragView::ClearDragState() {
  mDragCaretOffset = -1;
  mCaretTicks = 0;
  mCaretShown = false;
  mDragging = false;
}

void CKXDragView::EnterDropArea(DragReference, bool) {
  HideDragCaret();
  mDragCaretOffset = -1;
}

void CKXDragView::LeaveDropArea(DragReference) {
  HideDragCaret();
  mDropHilited = false;
  mDragCaretOffset = -1;
}

void CKXDragView::InsideDropArea(DragReference drag) {
  if (!drag || !FocusDraw()) return;
  LWindow* window = LWindow::FetchWindowOf(this);
  if (!window) return;
  SPoint32 pt = window->GlobalToPortPoint(drag->mouse);
  PortToLocalPoint(pt);
  DoDropArea(drag, pt);
}

void CKXDragView::DoDropArea(DragReference drag, SPoint32 pt) {
  if (mDragging) {
    RectL frame;
    CalcLocalFrameRect(frame);
    const RectL inner{frame.top + kDragScrollInset, frame.left + kDragScrollInset, frame.bottom - kDragScrollInset,
                      frame.right - kDragScrollInset};
    auto beyond = [](std::int32_t at, std::int32_t lo, std::int32_t hi) {
      return at < lo ? at - lo : at > hi ? at - hi : 0;
    };
    const std::int32_t dh = beyond(pt.h, inner.left, inner.right);
    const std::int32_t dv = beyond(pt.v, inner.top, inner.bottom);
    if (dh != 0 || dv != 0) {
      const SPoint32 aim{(dh > 0 ? frame.right : frame.left) + dh, (dv > 0 ? frame.bottom : frame.top) + dv};
      HideDragCaret();
      AutoScrollImage(aim);
    }
  }
  ShowDragCaret(drag, pt);
}

bool CKXDragView::DragIsAcceptable(DragReference drag) {
  if (!drag) return false;
  for (ItemReference k = 1; k <= drag->items.size(); ++k)
    if (ItemIsAcceptable(drag, k)) return true;
  return false;
}

bool CKXDragView::ItemIsAcceptable(DragReference drag, ItemReference item) { return CheckDragItem(drag, item); }

void CKXDragView::DoDragReceive(DragReference drag) {
  HideDragCaret();
  mDropHilited = false;
  if (!drag) return;
  LWindow* window = LWindow::FetchWindowOf(this);
  for (ItemReference k = 1; k <= drag->items.size(); ++k) {
    if (!ItemIsAcceptable(drag, k)) continue;
    RectL bounds = drag->items[k - 1].bounds;
    if (window) {
      const SPoint32 tl = window->GlobalToPortPoint(Point{KxPinShort(bounds.top), KxPinShort(bounds.left)});
      const SPoint32 br = window->GlobalToPortPoint(Point{KxPinShort(bounds.bottom), KxPinShort(bounds.right)});
      bounds = RectL{tl.v, tl.h, br.v, br.h};
    }
    ReceiveDragItem(drag, drag->attributes, k, bounds);
  }
}

bool CKXDragView::IsDragArea(SPoint32 pt, bool inPortCoords) {
  if (inPortCoords) PortToLocalPoint(pt);
  return PtInDragArea(pt);
}

void CKXDragView::DoDragStart(const EventRecord& event) {
  ClearDragState();
  KxDrag drag;
  drag.startModifiers = event.modifiers;
  drag.mouse = event.where;
  MakeDragFlavor(&drag);
  MakeDragRegion(drag.region, event.where);
  mDragging = true;
  long failure = noErr;
  try {
    // Scripts and tests play the drag themselves; otherwise the host runs
    // it and its drop comes back through ReceiveHostDrop.
    if (Runner())
      Runner()(*this, drag);
    else if (!StartHostDrag(*this, drag))
      throw LException(kKxUserCanceled);
  } catch (const LException& e) {
    if (e.GetErrorCode() != kKxUserCanceled) failure = e.GetErrorCode();
  } catch (...) {
    // Anything else ends the drag quietly, as a cancel would.
  }
  mDragging = false;
  // However the drag ended, no drag caret stays behind in the pixels.
  if (mCaretShown) HideDragCaret();
  mDragCaretOffset = -1;
  LView::OutOfFocus(nullptr);
  if (failure != noErr) throw LException(failure);
  FocusDraw();
  if (drag.droppedOnTrash) DeleteDragArea();
}

void CKXDragView::ShowDragCaret(DragReference, SPoint32) {
  mCaretShown = true;
  mCaretTicks = TickCount();
}

void CKXDragView::HideDragCaret() {
  mCaretShown = false;
  mCaretTicks = TickCount();
}

bool CKXDragView::CheckForOptionKey(DragReference drag) {
  return drag && ((drag->startModifiers | drag->dropModifiers) & kKxDragCopyModifier) != 0;
}

bool CKXDragView::CheckIfViewIsAlsoSender(DragReference drag) {
  return drag && (drag->attributes & kKxDragInsideSenderWindow) != 0;
}

void CKXDragView::ClickSelf(const SMouseDownEvent& event) {
  if (IsDragArea(event.whereLocal, false) && MouseMovedAtClick()) DoDragStart(event.macEvent);
}
