// Scrollers: a view with scroll bars along its right and bottom edges that
// scroll the view inside it (the scrolling view) and follow its image.
#pragma once

#include "platform/framework/control.h"
#include "platform/framework/view.h"

class LScroller : public LView, public KxScrollBarOwner {
 public:
  // attributes: view (the scrolling view's pane ID), hbar and vbar (1: with
  // that bar), barWidth (15).
  explicit LScroller(const KxLayoutPaneRecord& record);

  LView* GetScrollingView() const { return mScrollingView; }
  void InstallView(LView* view);
  LScrollBar* GetVScrollBar() const { return mVBar; }
  LScrollBar* GetHScrollBar() const { return mHBar; }
  // Bar ranges and values from the scrolling view's image and position, in
  // its scroll units.
  virtual void AdjustScrollBars();

  void ScrollBarAction(LScrollBar* bar, std::int16_t part) override;
  void SubImageChanged(LView* view) override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void DrawSelf() override;

 protected:
  void FinishCreateSelf() override;

 private:
  PaneIDT mScrollingViewID = 0;
  LView* mScrollingView = nullptr;
  LScrollBar* mVBar = nullptr;   // sub-panes of the scroller (owned as such)
  LScrollBar* mHBar = nullptr;
  bool mAdjusting = false;
};
