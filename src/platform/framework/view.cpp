#include "platform/framework/view.h"

#include <algorithm>
#include <cstdlib>

#include "platform/framework/layout.h"

LView* LView::sInFocusView = nullptr;

LView::LView() = default;

LView::LView(const KxLayoutPaneRecord& record) : LPane(record) {
  mImageSize = {KxLayout::GetNumber(record, "imageWidth", mFrameSize.width),
                KxLayout::GetNumber(record, "imageHeight", mFrameSize.height)};
  mImageSize.width = std::max(0, mImageSize.width);
  mImageSize.height = std::max(0, mImageSize.height);
  mScrollUnit = {std::max(1, KxLayout::GetNumber(record, "scrollH", 1)),
                 std::max(1, KxLayout::GetNumber(record, "scrollV", 1))};
}

LView::~LView() {
  if (sInFocusView == this) sInFocusView = nullptr;
  // Each sub-pane takes itself out of the list as it dies.
  while (!mSubPanes.empty()) delete mSubPanes.back();
}

void LView::RemoveSubPane(LPane* pane) {
  std::erase(mSubPanes, pane);
  pane->mSuperView = nullptr;
}

LPane* LView::FindPaneByID(PaneIDT id) {
  if (LPane* self = LPane::FindPaneByID(id)) return self;
  if (id == kKxNoPaneID) return nullptr;
  for (LPane* sub : mSubPanes)
    if (LPane* found = sub->FindPaneByID(id)) return found;
  return nullptr;
}

LPane* LView::FindSubPaneHitBy(std::int32_t portH, std::int32_t portV) const {
  for (auto it = mSubPanes.rbegin(); it != mSubPanes.rend(); ++it)
    if ((*it)->IsVisible() && (*it)->Contains(portH, portV)) return *it;
  return nullptr;
}

LPane* LView::FindDeepSubPaneContaining(std::int32_t portH, std::int32_t portV) {
  LPane* hit = FindSubPaneHitBy(portH, portV);
  if (!hit) return this;
  if (auto* view = dynamic_cast<LView*>(hit)) return view->FindDeepSubPaneContaining(portH, portV);
  return hit;
}

void LView::GetScrollPosition(SPoint32& pos) const {
  pos = {mFrameLocation.h - mImageLocation.h, mFrameLocation.v - mImageLocation.v};
}

void LView::ResizeImageTo(std::int32_t width, std::int32_t height, bool refresh) {
  ResizeImageBy(std::int32_t(std::int64_t(width) - mImageSize.width),
                std::int32_t(std::int64_t(height) - mImageSize.height), refresh);
}

void LView::ResizeImageBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  if (dw == 0 && dh == 0) return;
  mImageSize.width = std::int32_t(std::clamp<std::int64_t>(std::int64_t(mImageSize.width) + dw, 0, INT32_MAX));
  mImageSize.height = std::int32_t(std::clamp<std::int64_t>(std::int64_t(mImageSize.height) + dh, 0, INT32_MAX));
  if (mSuperView) mSuperView->SubImageChanged(this);
  if (refresh) Refresh();
}

void LView::ScrollImageBy(std::int32_t dh, std::int32_t dv, bool refresh) {
  if (dh == 0 && dv == 0) return;
  if (refresh && IsVisible()) {
    // Pixels that stay in view are moved; a jump of a whole frame or more
    // repaints everything.
    if (std::abs(std::int64_t(dh)) < mFrameSize.width && std::abs(std::int64_t(dv)) < mFrameSize.height)
      ScrollBits(dh, dv);
    else
      Refresh();
  }
  mImageLocation.h -= dh;
  mImageLocation.v -= dv;
  for (LPane* sub : mSubPanes) sub->AdaptToSuperScroll(-dh, -dv);
  OutOfFocus(this);
  if (mSuperView) mSuperView->SubImageChanged(this);
}

void LView::ScrollImageTo(std::int32_t left, std::int32_t top, bool refresh) {
  SPoint32 pos;
  GetScrollPosition(pos);
  ScrollImageBy(left - pos.h, top - pos.v, refresh);
}

std::int32_t LView::CalcPinnedScrollDelta(std::int32_t delta, std::int32_t frameMin, std::int32_t frameMax,
                                          std::int32_t imageMin, std::int32_t imageMax) {
  std::int64_t d = delta;
  if (d > 0) {
    // The image's far edge may come no nearer than the frame's far edge.
    d = std::min<std::int64_t>(d, std::max<std::int64_t>(0, std::int64_t(imageMax) - frameMax));
  } else if (d < 0) {
    // The image's near edge may go no further than the frame's near edge.
    d = std::max<std::int64_t>(d, std::min<std::int64_t>(0, std::int64_t(imageMin) - frameMin));
  }
  return std::int32_t(d);
}

bool LView::ScrollPinnedImageBy(std::int32_t dh, std::int32_t dv, bool refresh) {
  const RectL f = CalcPortFrameRect();
  const std::int64_t imageRight = std::int64_t(mImageLocation.h) + mImageSize.width;
  const std::int64_t imageBottom = std::int64_t(mImageLocation.v) + mImageSize.height;
  const std::int32_t h = CalcPinnedScrollDelta(dh, f.left, f.right, mImageLocation.h,
                                               std::int32_t(std::clamp<std::int64_t>(imageRight, INT32_MIN, INT32_MAX)));
  const std::int32_t v = CalcPinnedScrollDelta(dv, f.top, f.bottom, mImageLocation.v,
                                               std::int32_t(std::clamp<std::int64_t>(imageBottom, INT32_MIN, INT32_MAX)));
  if (h == 0 && v == 0) return false;
  ScrollImageBy(h, v, refresh);
  return true;
}

bool LView::AutoScrollImage(const SPoint32& localPt) {
  SPoint32 pt = localPt;
  LocalToPortPoint(pt);
  const RectL f = CalcPortFrameRect();
  const std::int32_t dh = pt.h < f.left ? -mScrollUnit.h : pt.h >= f.right ? mScrollUnit.h : 0;
  const std::int32_t dv = pt.v < f.top ? -mScrollUnit.v : pt.v >= f.bottom ? mScrollUnit.v : 0;
  if (dh == 0 && dv == 0) return false;
  return ScrollPinnedImageBy(dh, dv, true);
}

void LView::ScrollBits(std::int32_t dh, std::int32_t dv) {
  GrafPtr port = GetDrawPort();
  const RectL revealed = CalcRevealedRect();
  if (!port || revealed.right <= revealed.left || revealed.bottom <= revealed.top) return;

  // Pending updates inside the frame move with the pixels they belong to.
  StKxRegion pending, frame;
  KxRectRgnL(frame, revealed);
  if (GetPendingUpdate(pending)) {
    SectRgn(pending, frame, pending);
    OffsetRgn(pending, -dh, -dv);
    SectRgn(pending, frame, pending);
  }

  StKxRegion strip;
  {
    // Work in port coordinates: origin 0, clip the revealed frame.
    StKxPortSaver saver(port);
    const PointL oldOrigin = KxGetOrigin();
    StKxRegion oldClip;
    GetClip(oldClip);
    SetOrigin(0, 0);
    KxClipRectL(revealed);
    Rect r;
    KxSetRect(r, revealed);
    ScrollRect(&r, -dh, -dv, strip);
    SetOrigin(oldOrigin.h, oldOrigin.v);
    SetClip(oldClip);
  }
  OutOfFocus(nullptr);
  if (!EmptyRgn(pending)) InvalPortRgn(pending);
  if (!EmptyRgn(strip)) InvalPortRgn(strip);
}

void LView::OutOfFocus(LView* view) {
  if (!view || view == sInFocusView) sInFocusView = nullptr;
}

void LView::PortToLocalPoint(SPoint32& pt) const {
  pt.h -= mImageLocation.h;
  pt.v -= mImageLocation.v;
}

void LView::LocalToPortPoint(SPoint32& pt) const {
  pt.h += mImageLocation.h;
  pt.v += mImageLocation.v;
}

bool LView::FocusDraw() {
  GrafPtr port = GetDrawPort();
  if (!port) return false;
  SetPort(port);
  // Local (image) coordinates: port pixel (0, 0) is image point -location.
  SetOrigin(-mImageLocation.h, -mImageLocation.v);
  const RectL revealed = CalcRevealedRect();
  sInFocusView = this;
  if (revealed.right <= revealed.left || revealed.bottom <= revealed.top) {
    KxClipRectL(RectL{0, 0, 0, 0});
    return false;
  }
  KxClipRectL(RectL{revealed.top - mImageLocation.v, revealed.left - mImageLocation.h,
                    revealed.bottom - mImageLocation.v, revealed.right - mImageLocation.h});
  return true;
}

void LView::Draw(RgnHandle portRgn) {
  if (!IsVisible() || !FocusDraw()) return;
  StKxRegion area;
  KxRectRgnL(area, CalcRevealedRect());
  if (portRgn) SectRgn(area, portRgn, area);
  if (EmptyRgn(area)) return;
  {
    StKxRegion local;
    CopyRgn(area, local);
    OffsetRgn(local, -mImageLocation.h, -mImageLocation.v);
    KxClipScope clip(local);
    DrawSelf();
  }
  for (std::size_t i = 0; i < mSubPanes.size(); ++i) mSubPanes[i]->Draw(area);
}

void LView::Click(SMouseDownEvent& event) {
  if (LPane* hit = FindSubPaneHitBy(event.wherePort.h, event.wherePort.v)) {
    hit->Click(event);
    return;
  }
  LPane::Click(event);
}

void LView::AdjustMouse(const SPoint32& portPt, const EventRecord& event) {
  if (LPane* hit = FindSubPaneHitBy(portPt.h, portPt.v)) {
    hit->AdjustMouse(portPt, event);
    return;
  }
  LPane::AdjustMouse(portPt, event);
}

void LView::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  if (dw == 0 && dh == 0) return;
  LPane::ResizeFrameBy(dw, dh, refresh);
  OutOfFocus(this);
  for (std::size_t i = 0; i < mSubPanes.size(); ++i) mSubPanes[i]->AdaptToSuperFrameSize(dw, dh, refresh);
}

void LView::MoveBy(std::int32_t dh, std::int32_t dv, bool refresh) {
  if (dh == 0 && dv == 0) return;
  if (refresh) Refresh();
  LView::AdaptToSuperScroll(dh, dv);
  if (refresh) Refresh();
}

void LView::AdaptToSuperScroll(std::int32_t dh, std::int32_t dv) {
  LPane::AdaptToSuperScroll(dh, dv);
  mImageLocation.h += dh;
  mImageLocation.v += dv;
  OutOfFocus(this);
  for (LPane* sub : mSubPanes) sub->AdaptToSuperScroll(dh, dv);
}
