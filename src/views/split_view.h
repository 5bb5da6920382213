// The split bar of a document window: the thin bar the user drags to split
// the window into two panes of one engine, or to join them. While dragged
// it shows a gray band drawn in XOR, snapped away from the window's edges.
#pragma once

#include <cstdint>

#include "platform/framework/periodical.h"
#include "platform/framework/view.h"

class CKXTextDoc;

// Thickness of the bar, open and collapsed.
constexpr std::int32_t kKxSplitBarHeight = 6;
constexpr std::int32_t kKxSplitBarCollapsed = 1;
// How far outside the window a release still counts.
constexpr std::int32_t kKxSplitSlop = 32;

class CKXTextSplitView : public LView, public LPeriodical {
 public:
  explicit CKXTextSplitView(const KxLayoutPaneRecord& record);
  CKXTextSplitView();
  ~CKXTextSplitView() override;

  void SetDocument(CKXTextDoc* doc) { mDocument = doc; }
  void SetVertical(bool vertical) { mVertical = vertical; }
  bool IsVertical() const { return mVertical; }
  void SetCollapsed(bool collapsed) { mCollapsed = collapsed; }
  std::int32_t GetSplitViewHeight() const { return mCollapsed ? kKxSplitBarCollapsed : kKxSplitBarHeight; }
  // The ruler's height above the panes (0: no ruler shown) and whether the
  // status bar shows: they move the limits of the band.
  void SetGageHeight(std::int32_t height) { mGageHeight = height; }
  void SetStatusShown(bool shown) { mStatusShown = shown; }

  // Where the band goes for a mouse position along the bar's axis (port
  // coordinates of the window frame `r`), or false when it is outside
  // the allowed area. Horizontal writing snaps v; vertical snaps h.
  bool SnapBand(const RectL& r, SPoint32 mouse, std::int32_t& at) const;
  // The band's rectangle (port) at a snapped position.
  RectL BandRect(const RectL& r, std::int32_t at) const;

  // Tracking: a press starts the band, each idle with the button held
  // follows the mouse, the release splits or joins.
  void ClickSelf(const SMouseDownEvent& event) override;
  void EventMouseUp(const EventRecord& event) override;
  void SpendTime(const EventRecord& event) override;
  void TrackTo(SPoint32 port);
  void EndTrack(SPoint32 port);
  bool IsTracking() const { return mTracking; }

  void DrawSelf() override;
  void AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) override;

 protected:
  void ActivateSelf() override { DrawNow(); }
  void DeactivateSelf() override { DrawNow(); }

 private:
  void DrawNow();
  void InvertBand();
  RectL WindowFrame() const;

  CKXTextDoc* mDocument = nullptr;
  bool mVertical = false;
  bool mCollapsed = false;
  bool mStatusShown = false;
  std::int32_t mGageHeight = 0;
  bool mTracking = false;
  bool mBandShown = false;
  RectL mBand{0, 0, 0, 0};
  SPoint32 mLastMouse{0, 0};
};

class LWindow;
class LCommander;
class CKXTextEngine;
class CKXEventHandler;
class CKXTextScroller;
class CKXTextView;

// The panes of a text window on one engine: one pane, or two with the bar
// between them. Document windows lay theirs out themselves; the window
// driver and the tests use this.
struct KxTextPanes {
  LWindow* window = nullptr;
  CKXTextScroller* scroller[2] = {nullptr, nullptr};
  CKXTextView* view[2] = {nullptr, nullptr};
  CKXTextSplitView* bar = nullptr;
};
// Window layout of the text window.
constexpr std::int16_t kKxTextWindowLayout = 1090;
// Builds the window (content width x height) with the engine bound to the
// first pane, which is current. With splitAt > 0 a second pane sharing the
// engine and the handler starts after the bar at that port row (column in
// vertical writing, side by side). The caller keeps its own use of the
// engine and deletes the window.
// `layout` names a window layout with the same panes (the document
// window's is kKxDocWindowLayout).
KxTextPanes KxMakeTextPanes(CKXTextEngine& engine, CKXEventHandler* handler, std::int32_t width,
                            std::int32_t height, std::int32_t splitAt, bool vertical, LCommander* super,
                            std::int16_t layout = kKxTextWindowLayout);
// Window layout of the document window.
constexpr std::int16_t kKxDocWindowLayout = 1000;
// Adds the line-number margin beside each text pane (above it in vertical
// writing) when `lines`, and the status bar at the left end of the first
// pane's horizontal scroll bar when `status`; the text panes make room.
// Shared by the document window and the window driver.
void KxAddTextGages(KxTextPanes& panes, bool lines, bool status, bool vertical);
