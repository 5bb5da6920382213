// Windows: the top view of a window's panes, a commander, and the owner of
// the window's backing store and of its host window.
//
// The program draws into the backing store (a raster port the size of the
// content) and nowhere else. Invalidated areas collect in the update
// region; an update pass (the host's update, or UpdatePort) paints them
// into the backing store, and the host copies the backing store out.
//
// Windows live on the heap: closing one deletes it.
#pragma once

#include <functional>
#include <memory>

#include "platform/framework/commander.h"
#include "platform/framework/view.h"
#include "platform/host/host.h"

using ResIDT = std::int16_t;

class LWindow : public LView, public LCommander, public KxWindowClient {
 public:
  // A window with content of `globalBounds` (the host's coordinates), the
  // title, under `super` in the commander chain. Throws LException when the
  // backing store cannot be made.
  LWindow(const Rect& globalBounds, ConstStringPtr title, LCommander* super);
  // From a layout's window record: frame = bounds; attributes title,
  // minWidth, minHeight, maxWidth, maxHeight, standardWidth, standardHeight.
  // The super commander is the one CreateWindow was given.
  explicit LWindow(const KxLayoutPaneRecord& record);
  ~LWindow() override;

  // Builds window layout `layoutID`: the window, then each pane of a
  // registered class inside its enclosing pane, commanders under the
  // nearest enclosing commander; then FinishCreate on every pane, the
  // window last. Throws LException(paramErr) for a missing layout, an
  // unknown class or a pane that cannot hold others.
  static LWindow* CreateWindow(ResIDT layoutID, LCommander* super);
  // The super commander of windows being built from a layout.
  static LCommander* GetLayoutCommander() { return sLayoutCommander; }

  KxWindowID GetHostWindow() const { return mHostWindow; }
  // A floating window (layout attribute floating=1): the host keeps it
  // above the documents; it is never activated by the host, so it counts
  // as active from the start, and it never takes the target. Made hidden.
  bool IsFloating() const { return mFloating; }
  void ShowFloating(bool shown);
  // Whether the host shows the window (always for other windows).
  bool IsWindowShown() const;
  GrafPtr GetDrawPort() const override { return mPort.get(); }
  // The window of a pane, or null.
  static LWindow* FetchWindowOf(const LPane* pane);

  bool IsWindowCommander() const override { return true; }

  // Front-to-back order and selection, through the host.
  void Select();
  bool IsFront() const;
  static LWindow* FetchFrontWindow();

  // Global bounds of the content.
  Rect GetGlobalBounds() const;
  // Moves and resizes, held to the minimum and maximum size; the backing
  // store is remade at the new size and everything repainted.
  virtual void DoSetBounds(const Rect& globalBounds);
  void SetMinMaxSize(const Rect& minMax);   // top, left: minimum height, width
  void GetMinMaxSize(Rect& minMax) const { minMax = mMinMax; }
  void SetStandardSize(const SDimension32& size) { mStandardSize = size; }
  // The zoomed bounds: the standard size from the window's top-left, held
  // inside the host's screen. True when the window has them now.
  virtual bool CalcStandardBounds(Rect& bounds) const;
  // Zooms to the standard bounds, or back to the user's bounds.
  virtual void DoSetZoom(bool toStandard);
  bool IsZoomed() const;
  // Where zooming back goes (the bounds the user gave a zoomed window).
  Rect GetUserBounds() const { return mUserBounds; }

  void GetDescriptor(Str255 out) const override;
  void SetDescriptor(ConstStringPtr title) override;
  // The title the desktop shows in place of the descriptor, in UTF-8, for
  // a name the Shift_JIS descriptor cannot carry; empty for none. A new
  // descriptor drops it.
  void SetUnicodeTitle(const std::string& title);
  const std::string& GetUnicodeTitle() const { return mUnicodeTitle; }
  // The mark of a window whose document has unsaved changes, shown by the
  // host beside the title (the title itself stays as set).
  void SetModifiedMark(bool modified);
  bool GetModifiedMark() const { return mModifiedMark; }

  // Closing: AttemptClose asks AttemptCloseSelf, then closes (deleting the
  // window). DoClose closes unasked.
  virtual void AttemptClose();
  virtual bool AttemptCloseSelf() { return true; }
  virtual void DoClose();
  // Deletes the window once the event being handled is done (a window
  // closed by one of its own controls, which is still reporting): its host
  // window goes at once, the object when the event loops call
  // DeleteClosedWindows after each event.
  void DeleteLater();
  static void DeleteClosedWindows();

  // Updates.
  void InvalPortRect(const RectL& portRect) override;
  void InvalPortRgn(RgnHandle portRgn) override;
  void ValidPortRect(const RectL& portRect) override;
  bool GetPendingUpdate(RgnHandle out) const override;
  void UpdatePort() override;
  bool IsUpdatePending() const { return !EmptyRgn(mUpdateRgn.get()); }

  // Paints the content's background in the window's colours.
  void DrawSelf() override;
  // Black on white; dialogs use the face colour.
  virtual void ApplyForeAndBackColors() const;

  // The mouse in global coordinates: the cursor of the pane under it.
  void AdjustCursor(const EventRecord& event);
  // Converts a global point to port coordinates.
  SPoint32 GlobalToPortPoint(Point global) const;

  // The host's hooks.
  KxPort* HostPort() override { return mPort.get(); }
  void HostActivate(bool active) override;
  // Paints what is pending, and `area` (port coordinates) besides when it
  // is not empty.
  void HostUpdate(const Rect& area) override;
  bool HostMouseDown(const EventRecord& event) override;
  void HostMouseUp(const EventRecord& event) override;
  void HostResized(const Rect& globalBounds) override;
  void HostAttemptClose() override;
  // The wheel over a window goes to the application's wheel handler,
  // installed here by a higher area (none: the wheel does nothing).
  void HostWheel(const EventRecord& event) override;
  using WheelHook = std::function<void(LWindow* window, const EventRecord& event)>;
  static void SetWheelHook(WheelHook hook);
  // Data dropped from the desktop or from another of the program's windows
  // go to the views that take drops, which live above the framework.
  bool HostDrop(const KxDragData& data, Point where) override;
  using DropHook = std::function<bool(LWindow* window, const KxDragData& data, Point where)>;
  static void SetDropHook(DropHook hook);

 protected:
  void ActivateSelf() override;
  void DeactivateSelf() override;

 private:
  void MakeHostWindow(const Rect& bounds, ConstStringPtr title);
  // Sets the content size: frame, image, backing store.
  void SetContentSize(std::int32_t width, std::int32_t height);
  Rect HoldToMinMax(const Rect& bounds) const;

  KxWindowID mHostWindow = kKxNoWindow;
  bool mFloating = false;
  std::unique_ptr<KxPort> mPort;
  std::unique_ptr<KxRegion> mUpdateRgn;   // port coordinates
  Rect mMinMax{32, 64, 32767, 32767};     // min height, min width, max height, max width
  SDimension32 mStandardSize{32767, 32767};
  Rect mUserBounds{0, 0, 0, 0};   // where zooming back goes
  Str255 mTitle{};
  std::string mUnicodeTitle;
  bool mModifiedMark = false;
  bool mHostBusy = false;   // inside a host call that reports back

  static LCommander* sLayoutCommander;
};
