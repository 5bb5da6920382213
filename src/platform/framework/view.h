// Views: panes that hold other panes and show a part of an image that can
// be larger than the frame. The view's local coordinates are its image
// coordinates; scrolling moves the image under the frame.
//
// Scroll deltas follow the image: scrolling by (dh, dv) shows what lies dh
// to the right and dv further down, so the image moves left and up.
#pragma once

#include <vector>

#include "platform/framework/pane.h"

class LView : public LPane {
 public:
  LView();
  // attributes besides the pane's: imageWidth, imageHeight (the frame's
  // size when absent), scrollH, scrollV (the auto-scroll unit, 1).
  explicit LView(const KxLayoutPaneRecord& record);
  ~LView() override;   // deletes the panes inside

  // Sub-panes, in the order added (drawn in that order; later ones on top).
  const std::vector<LPane*>& GetSubPanes() const { return mSubPanes; }
  LPane* FindPaneByID(PaneIDT id) override;
  // The sub-pane (not deeper) whose frame holds the port point, the last
  // added first; only visible ones.
  LPane* FindSubPaneHitBy(std::int32_t portH, std::int32_t portV) const;
  // The deepest visible pane under the point: this view when none inside.
  LPane* FindDeepSubPaneContaining(std::int32_t portH, std::int32_t portV);

  // Image.
  void GetImageSize(SDimension32& size) const { size = mImageSize; }
  void GetImageLocation(SPoint32& where) const { where = mImageLocation; }   // port
  // Frame location minus image location: how far the image is scrolled.
  void GetScrollPosition(SPoint32& pos) const;
  void SetScrollUnit(const SPoint32& unit) { mScrollUnit = unit; }
  void GetScrollUnit(SPoint32& unit) const { unit = mScrollUnit; }
  virtual void ResizeImageTo(std::int32_t width, std::int32_t height, bool refresh);
  virtual void ResizeImageBy(std::int32_t dw, std::int32_t dh, bool refresh);
  virtual void ScrollImageBy(std::int32_t dh, std::int32_t dv, bool refresh);
  void ScrollImageTo(std::int32_t left, std::int32_t top, bool refresh);
  // Scrolls no further than keeps the image covering the frame (or, for an
  // image smaller than the frame, no further from its place at the frame's
  // top-left); true when it scrolled.
  virtual bool ScrollPinnedImageBy(std::int32_t dh, std::int32_t dv, bool refresh);
  // The delta of one axis after pinning (see ScrollPinnedImageBy).
  static std::int32_t CalcPinnedScrollDelta(std::int32_t delta, std::int32_t frameMin, std::int32_t frameMax,
                                            std::int32_t imageMin, std::int32_t imageMax);
  // Scrolls one unit towards a local point outside the frame; true when it
  // scrolled.
  virtual bool AutoScrollImage(const SPoint32& localPt);
  // Moves the pixels of the revealed frame by (-dh, -dv) and invalidates
  // exactly the strip they uncover; an update already pending inside the
  // frame moves with the pixels.
  void ScrollBits(std::int32_t dh, std::int32_t dv);
  // A view inside changed its image size or scrolled.
  virtual void SubImageChanged(LView*) {}

  // The view whose focus is current is forgotten (null: any view). Focus is
  // set afresh by every FocusDraw, so this only keeps callers' intent.
  static void OutOfFocus(LView* view);
  static LView* GetInFocusView() { return sInFocusView; }

  void PortToLocalPoint(SPoint32& pt) const override;
  void LocalToPortPoint(SPoint32& pt) const override;
  void LocalToImagePoint(const SPoint32& local, SPoint32& image) const { image = local; }
  void ImageToLocalPoint(const SPoint32& image, SPoint32& local) const { local = image; }

  bool FocusDraw() override;
  void Draw(RgnHandle portRgn) override;
  void Click(SMouseDownEvent& event) override;
  void AdjustMouse(const SPoint32& portPt, const EventRecord& event) override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void MoveBy(std::int32_t dh, std::int32_t dv, bool refresh) override;
  void AdaptToSuperScroll(std::int32_t dh, std::int32_t dv) override;

 protected:
  SDimension32 mImageSize{0, 0};
  SPoint32 mImageLocation{0, 0};   // port coordinates of the image's top-left
  SPoint32 mScrollUnit{1, 1};

 private:
  friend class LPane;
  void AddSubPane(LPane* pane) { mSubPanes.push_back(pane); }
  void RemoveSubPane(LPane* pane);

  std::vector<LPane*> mSubPanes;   // owned
  static LView* sInFocusView;
};
