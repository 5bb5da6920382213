// Panes: rectangles of a window that draw themselves and take clicks.
//
// Coordinates. "Port" coordinates are the pixels of the window's backing
// store (or of a printed page), 32-bit. Every pane keeps its frame in port
// coordinates. A view (platform/framework/view.h) has an image, a larger
// plane that scrolls under its frame; the view's local coordinates are its
// image coordinates, and a plain pane's local coordinates are those of its
// superview. Local coordinates are 32-bit too: the port's origin is 32-bit,
// so nothing is remapped to fit 16 bits. Only the Rect and Point forms are
// 16-bit, and narrowing to them clamps (KxPinShort), never wraps.
//
// Panes are owned by their superview, which deletes them when it dies; a
// pane that dies first takes itself out of its superview.
#pragma once

#include <cstdint>

#include "platform/draw/port.h"
#include "platform/framework/events.h"
#include "platform/longrect.h"
#include "platform/types.h"

class LView;
struct KxLayoutPaneRecord;

using PaneIDT = std::int32_t;
constexpr PaneIDT kKxNoPaneID = 0;

struct SPoint32 {
  std::int32_t h;
  std::int32_t v;
};
struct SDimension32 {
  std::int32_t width;
  std::int32_t height;
};
// Which frame edges stay at a fixed distance from the superview's same edge
// when the superview is resized: left and right both bound stretch the
// width, right alone moves the pane (likewise top and bottom).
struct SBooleanRect {
  bool left = false;
  bool top = false;
  bool right = false;
  bool bottom = false;
};

struct SMouseDownEvent {
  EventRecord macEvent;
  SPoint32 wherePort;    // the click in port coordinates
  SPoint32 whereLocal;   // in the clicked pane's local coordinates
};

class LPane {
 public:
  LPane();
  // From a layout record: pane ID, frame size, and the attributes
  // bind=LTRB (any of the four letters), visible=0, enabled=0. The frame's
  // place is set when the pane is put inside its superview.
  explicit LPane(const KxLayoutPaneRecord& record);
  virtual ~LPane();
  LPane(const LPane&) = delete;
  LPane& operator=(const LPane&) = delete;

  PaneIDT GetPaneID() const { return mPaneID; }
  void SetPaneID(PaneIDT id) { mPaneID = id; }
  // This pane when it has the ID, else the first pane inside with it
  // (depth first, in the order the panes were added); null for 0 or none.
  virtual LPane* FindPaneByID(PaneIDT id);

  LView* GetSuperView() const { return mSuperView; }
  // Moves the pane into `view` (null: out of any view), keeping its place
  // relative to the new superview's image at (left, top).
  void PutInside(LView* view, std::int32_t left = 0, std::int32_t top = 0);

  // Frame, in port coordinates.
  void GetFrameSize(SDimension32& size) const { size = mFrameSize; }
  void GetFrameLocation(SPoint32& where) const { where = mFrameLocation; }
  RectL CalcPortFrameRect() const;
  // The frame in local coordinates; false when it is empty.
  bool CalcLocalFrameRect(RectL& frame) const;
  Rect CalcLocalFrameRect16() const;   // narrowed, clamped
  // The part of the frame that the superviews let show (port coordinates).
  virtual RectL CalcRevealedRect() const;
  bool Contains(std::int32_t portH, std::int32_t portV) const;

  virtual void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh);
  void ResizeFrameTo(std::int32_t width, std::int32_t height, bool refresh);
  virtual void MoveBy(std::int32_t dh, std::int32_t dv, bool refresh);
  // Places the frame's top-left at (h, v) of the superview's image.
  void PlaceInSuperImageAt(std::int32_t h, std::int32_t v, bool refresh);
  void SetFrameBinding(const SBooleanRect& binding) { mBinding = binding; }
  void GetFrameBinding(SBooleanRect& binding) const { binding = mBinding; }
  // The superview's frame changed size by (dw, dh): resize or move by the
  // bindings.
  virtual void AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh);
  // The superview's image moved by (dh, dv) in the port: so does the frame.
  virtual void AdaptToSuperScroll(std::int32_t dh, std::int32_t dv);

  // Conversions between port and local coordinates.
  virtual void PortToLocalPoint(SPoint32& pt) const;
  virtual void LocalToPortPoint(SPoint32& pt) const;
  static Point ToPoint16(const SPoint32& pt) { return Point{KxPinShort(pt.v), KxPinShort(pt.h)}; }

  // States. A pane shows when it and every superview are visible; it is
  // active and enabled likewise.
  bool IsVisible() const;
  bool IsVisibleSelf() const { return mVisible; }   // its own flag, whatever the superviews
  void Show();
  void Hide();
  bool IsActive() const;
  void Activate();
  void Deactivate();
  bool IsEnabled() const;
  void Enable();
  void Disable();

  // Drawing. FocusDraw makes the pane's port current with the local
  // coordinates and the revealed area as clip; false when nothing of the
  // pane shows. Draw draws the pane and what it holds where they meet
  // `portRgn` (port coordinates; null for everywhere), each DrawSelf
  // clipped to its frame and that area.
  virtual bool FocusDraw();
  virtual void Draw(RgnHandle portRgn);
  virtual void DrawSelf() {}
  // The port of the window (or printed page) the pane is in; null outside.
  virtual GrafPtr GetDrawPort() const;

  // Invalidation: Refresh marks the revealed frame to be painted in the
  // next update; UpdatePort paints what is pending now.
  virtual void Refresh();
  void RefreshRect(const RectL& local);
  void DontRefresh();   // the revealed frame needs no painting after all
  virtual void InvalPortRect(const RectL& portRect);
  virtual void InvalPortRgn(RgnHandle portRgn);
  virtual void ValidPortRect(const RectL& portRect);
  // Copies the area waiting for the next update into `out` (port
  // coordinates); false when there is no window.
  virtual bool GetPendingUpdate(RgnHandle out) const;
  virtual void UpdatePort();

  // Mouse. Click goes to the deepest enabled pane under the point; the pane
  // that took the mouse-down gets the mouse-up.
  virtual void Click(SMouseDownEvent& event);
  virtual void ClickSelf(const SMouseDownEvent&) {}
  virtual void EventMouseUp(const EventRecord&) {}
  static LPane* GetLastPaneClicked() { return sLastPaneClicked; }
  static void SetLastPaneClicked(LPane* pane) { sLastPaneClicked = pane; }
  // Sets the cursor for the mouse at a port point; the base shows the arrow.
  virtual void AdjustMouse(const SPoint32& portPt, const EventRecord& event);
  virtual void AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event);

  // Descriptor and value; panes without them answer empty and 0.
  virtual void GetDescriptor(Str255 out) const { out[0] = 0; }
  virtual void SetDescriptor(ConstStringPtr) {}
  virtual std::int32_t GetValue() const { return 0; }
  virtual void SetValue(std::int32_t) {}

  // After a layout has built every pane: FinishCreateSelf.
  void FinishCreate() { FinishCreateSelf(); }

 protected:
  virtual void FinishCreateSelf() {}
  virtual void ActivateSelf() {}
  virtual void DeactivateSelf() {}
  virtual void EnableSelf() {}
  virtual void DisableSelf() {}
  virtual void ShowSelf() {}
  virtual void HideSelf() {}
  // Reads a "0"/"1" attribute.
  static bool Flag(const KxLayoutPaneRecord& record, const char* key, bool fallback);

  PaneIDT mPaneID = kKxNoPaneID;
  SDimension32 mFrameSize{0, 0};
  SPoint32 mFrameLocation{0, 0};   // port coordinates of the frame's top-left
  LView* mSuperView = nullptr;
  SBooleanRect mBinding;
  bool mVisible = true;
  bool mActive = true;
  bool mEnabled = true;

 private:
  friend class LView;
  static LPane* sLastPaneClicked;
};
