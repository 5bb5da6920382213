// A view that is both a drag source and a drop target and draws a drag
// caret. A drag is described by KxDrag: its items with their flavors, the
// modifiers at its start and at the drop, and whether it stays inside the
// window it started in. Running the drag itself (following the mouse over
// windows until release) is the host's; tests and scripts install a runner
// that plays a drop at a chosen point.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/framework/view.h"
#include "platform/host/drag_data.h"

class LWindow;

using KxFlavorData = std::vector<std::uint8_t>;

struct KxDragFlavor {
  OSType type;
  KxFlavorData data;
};

struct KxDragItem {
  std::vector<KxDragFlavor> flavors;
  RectL bounds{0, 0, 0, 0};   // global coordinates
  const KxDragFlavor* Find(OSType type) const;
};

// Drag attribute: the drag is over the window it started in.
constexpr std::uint32_t kKxDragInsideSenderWindow = 0x0004;
// The option key at the drag's start or drop makes a copy.
constexpr std::uint16_t kKxDragCopyModifier = 0x0800;
// A cancelled drag or drop.
constexpr OSErr kKxUserCanceled = -128;

struct KxDrag {
  std::vector<KxDragItem> items;   // item references are 1-based indices
  std::uint32_t attributes = 0;
  std::uint16_t startModifiers = 0;
  std::uint16_t dropModifiers = 0;
  Point mouse{0, 0};   // global
  bool droppedOnTrash = false;
  RgnHandle region = nullptr;   // the outline shown while dragging (may be null)
  const void* sender = nullptr;   // what the dragged data came from (the engine)
};
using DragReference = KxDrag*;
using ItemReference = std::uint32_t;

// A drag's items as the data tubes read them (references 1, 2, ... in
// order; `only` keeps just that item), and items added from such data.
KxDragData KxDragDataOf(const KxDrag& drag, ItemReference only = 0);
void KxAddDragItems(KxDrag& drag, const KxDragData& data);

class CKXDragView : public LView {
 public:
  CKXDragView();
  explicit CKXDragView(const KxLayoutPaneRecord& record);
  ~CKXDragView() override = default;

  // Runs a drag from `source`: the runner decides where it ends and plays
  // the target's enter, inside and receive calls. Without a runner the
  // host runs the drag, and its drop arrives through ReceiveHostDrop.
  using DragRunner = std::function<void(CKXDragView& source, KxDrag& drag)>;
  static void SetDragRunner(DragRunner runner);
  // Drops that reach a window from the host (the desktop, or a drag the
  // host ran from one of our windows) go to the drag view under the point.
  // Installed at start-up.
  static void InstallHostDrops();
  static void RemoveHostDrops();
  static bool ReceiveHostDrop(LWindow* window, const KxDragData& data, Point where);
  static void Initialize() {}
  static void Terminate() {}

  // ---- Drop target ------------------------------------------------------------------------------
  virtual void EnterDropArea(DragReference drag, bool dragHasLeftSender);
  virtual void LeaveDropArea(DragReference drag);
  virtual void InsideDropArea(DragReference drag);
  // True when any item passes ItemIsAcceptable.
  virtual bool DragIsAcceptable(DragReference drag);
  virtual bool ItemIsAcceptable(DragReference drag, ItemReference item);
  virtual void DoDragReceive(DragReference drag);
  virtual void ReceiveDragItem(DragReference, std::uint32_t /*attributes*/, ItemReference, const RectL& /*bounds*/) {}

  // ---- Drag source --------------------------------------------------------------------------------
  virtual bool IsDragArea(SPoint32 pt, bool inPortCoords);
  // Starts and runs a drag from a mouse-down; a cancel (-128) is silent,
  // other errors are thrown again.
  virtual void DoDragStart(const EventRecord& event);
  // Auto-scrolls a drag that started here when the point (local) comes
  // within 8 pixels of the frame edge or beyond; then shows the caret.
  virtual void DoDropArea(DragReference drag, SPoint32 pt);
  virtual void MakeDragFlavor(DragReference) {}
  virtual void MakeDragRegion(RgnHandle, Point /*globalPt*/) {}
  virtual void DeleteDragArea() {}
  virtual void ShowDragCaret(DragReference drag, SPoint32 pt);
  virtual void HideDragCaret();
  virtual bool PtInDragArea(SPoint32) const { return true; }
  virtual bool CheckDragItem(DragReference, ItemReference) const { return false; }

  static void SetMouseMovedAtClick(bool moved);
  static bool CheckForOptionKey(DragReference drag);
  static bool CheckIfViewIsAlsoSender(DragReference drag);

  void ClickSelf(const SMouseDownEvent& event) override;

  std::int32_t GetDragCaretOffset() const { return mDragCaretOffset; }
  bool IsCaretShown() const { return mCaretShown; }
  bool IsDragging() const { return mDragging; }

  // The distance a drop-tracking auto-scroll starts inside the frame.
  static constexpr std::int32_t kDragScrollInset = 8;

 protected:
  void ClearDragState();
  // Whether a press in the drag area moved away before release (the
  // toolbox's WaitMouseMoved): the host or a script says so before it
  // delivers the press.
  static bool MouseMovedAtClick();

  std::int32_t mDragCaretOffset = -1;
  std::uint32_t mCaretTicks = 0;
  bool mCaretShown = false;
  bool mDragging = false;
  bool mDropHilited = false;
};
