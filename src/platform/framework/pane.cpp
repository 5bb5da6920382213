#include "platform/framework/pane.h"

#include <algorithm>

#include "platform/exception.h"
#include "platform/framework/layout.h"
#include "platform/framework/view.h"
#include "platform/toolbox/cursors.h"

LPane* LPane::sLastPaneClicked = nullptr;

namespace {
bool EmptyL(const RectL& r) { return r.right <= r.left || r.bottom <= r.top; }
RectL SectL(const RectL& a, const RectL& b) {
  RectL r{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom), std::min(a.right, b.right)};
  if (EmptyL(r)) r = RectL{0, 0, 0, 0};
  return r;
}
// A frame size from a layout: never negative (the compiler already refuses
// inverted frames, but records may come from elsewhere).
std::int32_t Extent(std::int16_t from, std::int16_t to) { return std::max(0, std::int32_t(to) - from); }
}  // namespace

LPane::LPane() = default;

LPane::LPane(const KxLayoutPaneRecord& record) {
  mPaneID = record.paneID;
  mFrameSize = {Extent(record.frame.left, record.frame.right), Extent(record.frame.top, record.frame.bottom)};
  std::string bind;
  if (KxLayout::GetAttribute(record, "bind", bind)) {
    for (char c : bind) {
      mBinding.left |= c == 'L';
      mBinding.top |= c == 'T';
      mBinding.right |= c == 'R';
      mBinding.bottom |= c == 'B';
    }
  }
  mVisible = Flag(record, "visible", true);
  mEnabled = Flag(record, "enabled", true);
}

bool LPane::Flag(const KxLayoutPaneRecord& record, const char* key, bool fallback) {
  return KxLayout::GetNumber(record, key, fallback ? 1 : 0) != 0;
}

LPane::~LPane() {
  if (sLastPaneClicked == this) sLastPaneClicked = nullptr;
  if (mSuperView) mSuperView->RemoveSubPane(this);
}

LPane* LPane::FindPaneByID(PaneIDT id) { return (id != kKxNoPaneID && id == mPaneID) ? this : nullptr; }

void LPane::PutInside(LView* view, std::int32_t left, std::int32_t top) {
  // A view cannot go inside itself or anything it holds; refused with
  // nothing changed.
  for (LView* v = view; v; v = v->GetSuperView())
    if (v == this) throw LException(paramErr);
  if (mSuperView) mSuperView->RemoveSubPane(this);
  mSuperView = view;
  if (view) view->AddSubPane(this);
  PlaceInSuperImageAt(left, top, false);
}

RectL LPane::CalcPortFrameRect() const {
  const std::int64_t right = std::int64_t(mFrameLocation.h) + mFrameSize.width;
  const std::int64_t bottom = std::int64_t(mFrameLocation.v) + mFrameSize.height;
  return RectL{mFrameLocation.v, mFrameLocation.h, std::int32_t(std::min<std::int64_t>(bottom, INT32_MAX)),
               std::int32_t(std::min<std::int64_t>(right, INT32_MAX))};
}

bool LPane::CalcLocalFrameRect(RectL& frame) const {
  const RectL port = CalcPortFrameRect();
  SPoint32 tl{port.left, port.top}, br{port.right, port.bottom};
  PortToLocalPoint(tl);
  PortToLocalPoint(br);
  frame = RectL{tl.v, tl.h, br.v, br.h};
  return !EmptyL(frame);
}

Rect LPane::CalcLocalFrameRect16() const {
  RectL r;
  CalcLocalFrameRect(r);
  Rect out;
  KxSetRect(out, r);
  return out;
}

RectL LPane::CalcRevealedRect() const {
  const RectL frame = CalcPortFrameRect();
  return mSuperView ? SectL(frame, mSuperView->CalcRevealedRect()) : frame;
}

bool LPane::Contains(std::int32_t portH, std::int32_t portV) const {
  const RectL f = CalcPortFrameRect();
  return portH >= f.left && portH < f.right && portV >= f.top && portV < f.bottom;
}

void LPane::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  if (dw == 0 && dh == 0) return;
  if (refresh) Refresh();
  mFrameSize.width = std::max<std::int64_t>(0, std::int64_t(mFrameSize.width) + dw);
  mFrameSize.height = std::max<std::int64_t>(0, std::int64_t(mFrameSize.height) + dh);
  if (refresh) Refresh();
}

void LPane::ResizeFrameTo(std::int32_t width, std::int32_t height, bool refresh) {
  ResizeFrameBy(std::int32_t(std::int64_t(width) - mFrameSize.width),
                std::int32_t(std::int64_t(height) - mFrameSize.height), refresh);
}

void LPane::MoveBy(std::int32_t dh, std::int32_t dv, bool refresh) {
  if (dh == 0 && dv == 0) return;
  if (refresh) Refresh();
  mFrameLocation.h += dh;
  mFrameLocation.v += dv;
  if (refresh) Refresh();
}

void LPane::PlaceInSuperImageAt(std::int32_t h, std::int32_t v, bool refresh) {
  SPoint32 image{0, 0};
  if (mSuperView) mSuperView->GetImageLocation(image);
  MoveBy(image.h + h - mFrameLocation.h, image.v + v - mFrameLocation.v, refresh);
}

void LPane::AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) {
  std::int32_t width = 0, height = 0, h = 0, v = 0;
  if (mBinding.right) (mBinding.left ? width : h) = dw;
  if (mBinding.bottom) (mBinding.top ? height : v) = dh;
  if (width || height) ResizeFrameBy(width, height, refresh);
  if (h || v) MoveBy(h, v, refresh);
}

void LPane::AdaptToSuperScroll(std::int32_t dh, std::int32_t dv) {
  mFrameLocation.h += dh;
  mFrameLocation.v += dv;
}

void LPane::PortToLocalPoint(SPoint32& pt) const {
  if (mSuperView) mSuperView->PortToLocalPoint(pt);
}

void LPane::LocalToPortPoint(SPoint32& pt) const {
  if (mSuperView) mSuperView->LocalToPortPoint(pt);
}

bool LPane::IsVisible() const { return mVisible && (!mSuperView || mSuperView->IsVisible()); }

void LPane::Show() {
  if (mVisible) return;
  mVisible = true;
  ShowSelf();
  Refresh();
}

void LPane::Hide() {
  if (!mVisible) return;
  Refresh();   // while it still shows: the area behind must be painted
  mVisible = false;
  HideSelf();
}

bool LPane::IsActive() const { return mActive && (!mSuperView || mSuperView->IsActive()); }

void LPane::Activate() {
  if (!mActive) {
    mActive = true;
    ActivateSelf();
  }
  if (auto* view = dynamic_cast<LView*>(this))
    for (LPane* sub : view->GetSubPanes()) sub->Activate();
}

void LPane::Deactivate() {
  if (mActive) {
    mActive = false;
    DeactivateSelf();
  }
  if (auto* view = dynamic_cast<LView*>(this))
    for (LPane* sub : view->GetSubPanes()) sub->Deactivate();
}

bool LPane::IsEnabled() const { return mEnabled && (!mSuperView || mSuperView->IsEnabled()); }

void LPane::Enable() {
  if (mEnabled) return;
  mEnabled = true;
  EnableSelf();
}

void LPane::Disable() {
  if (!mEnabled) return;
  mEnabled = false;
  DisableSelf();
}

GrafPtr LPane::GetDrawPort() const { return mSuperView ? mSuperView->GetDrawPort() : nullptr; }

bool LPane::FocusDraw() { return mSuperView && mSuperView->FocusDraw(); }

void LPane::Draw(RgnHandle portRgn) {
  if (!IsVisible() || !FocusDraw()) return;
  StKxRegion area;
  KxRectRgnL(area, CalcRevealedRect());
  if (portRgn) SectRgn(area, portRgn, area);
  if (EmptyRgn(area)) return;
  // The area in local coordinates: the port origin is the local point of
  // port pixel (0, 0).
  const PointL origin = KxGetOrigin();
  OffsetRgn(area, origin.h, origin.v);
  KxClipScope clip(area);
  DrawSelf();
}

void LPane::Refresh() {
  if (!IsVisible()) return;
  const RectL r = CalcRevealedRect();
  if (!EmptyL(r)) InvalPortRect(r);
}

void LPane::RefreshRect(const RectL& local) {
  if (!IsVisible()) return;
  SPoint32 tl{local.left, local.top}, br{local.right, local.bottom};
  LocalToPortPoint(tl);
  LocalToPortPoint(br);
  const RectL r = SectL(RectL{tl.v, tl.h, br.v, br.h}, CalcRevealedRect());
  if (!EmptyL(r)) InvalPortRect(r);
}

void LPane::DontRefresh() {
  const RectL r = CalcRevealedRect();
  if (!EmptyL(r)) ValidPortRect(r);
}

void LPane::InvalPortRect(const RectL& portRect) {
  if (mSuperView) mSuperView->InvalPortRect(portRect);
}

void LPane::InvalPortRgn(RgnHandle portRgn) {
  if (mSuperView) mSuperView->InvalPortRgn(portRgn);
}

void LPane::ValidPortRect(const RectL& portRect) {
  if (mSuperView) mSuperView->ValidPortRect(portRect);
}

bool LPane::GetPendingUpdate(RgnHandle out) const { return mSuperView && mSuperView->GetPendingUpdate(out); }

void LPane::UpdatePort() {
  if (mSuperView) mSuperView->UpdatePort();
}

void LPane::Click(SMouseDownEvent& event) {
  if (!IsEnabled()) return;
  event.whereLocal = event.wherePort;
  PortToLocalPoint(event.whereLocal);
  sLastPaneClicked = this;
  ClickSelf(event);
}

void LPane::AdjustMouse(const SPoint32& portPt, const EventRecord& event) {
  SPoint32 local = portPt;
  PortToLocalPoint(local);
  AdjustMouseSelf(local, event);
}

void LPane::AdjustMouseSelf(const SPoint32&, const EventRecord&) { UCursors::Set(kKxArrowCursor); }
