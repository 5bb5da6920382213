#include "platform/framework/scroller.h"

#include <algorithm>

#include "platform/draw/color.h"
#include "platform/framework/layout.h"

LScroller::LScroller(const KxLayoutPaneRecord& record) : LView(record) {
  mScrollingViewID = KxLayout::GetNumber(record, "view", 0);
  const std::int32_t bar = std::clamp(KxLayout::GetNumber(record, "barWidth", 15), 8, 64);
  if (Flag(record, "vbar", true)) {
    mVBar = new LScrollBar(SDimension32{bar, std::max(0, mFrameSize.height - (Flag(record, "hbar", false) ? bar - 1 : 0))}, this);
    mVBar->PutInside(this, mFrameSize.width - bar, 0);
    mVBar->SetFrameBinding(SBooleanRect{false, true, true, true});
  }
  if (Flag(record, "hbar", false)) {
    mHBar = new LScrollBar(SDimension32{std::max(0, mFrameSize.width - (mVBar ? bar - 1 : 0)), bar}, this);
    mHBar->PutInside(this, 0, mFrameSize.height - bar);
    mHBar->SetFrameBinding(SBooleanRect{true, false, true, true});
  }
}

void LScroller::FinishCreateSelf() {
  if (auto* view = dynamic_cast<LView*>(FindPaneByID(mScrollingViewID)); view && view != this) InstallView(view);
}

void LScroller::InstallView(LView* view) {
  mScrollingView = view;
  AdjustScrollBars();
}

void LScroller::AdjustScrollBars() {
  if (!mScrollingView || mAdjusting) return;
  mAdjusting = true;
  SDimension32 image, frame;
  SPoint32 pos, unit;
  mScrollingView->GetImageSize(image);
  mScrollingView->GetFrameSize(frame);
  mScrollingView->GetScrollPosition(pos);
  mScrollingView->GetScrollUnit(unit);
  auto adjust = [](LScrollBar* bar, std::int32_t imageLen, std::int32_t frameLen, std::int32_t at, std::int32_t u) {
    if (!bar) return;
    u = std::max(1, u);
    const std::int32_t max = std::max(0, (std::max(0, imageLen - frameLen) + u - 1) / u);
    bar->SetMinValue(0);
    bar->SetMaxValue(max);
    // At the far end the bar is at its end, though the image's overhang
    // is not a whole number of units.
    bar->SetValue(at >= imageLen - frameLen && imageLen > frameLen ? max : std::clamp(at / u, 0, max));
    bar->Refresh();
  };
  adjust(mVBar, image.height, frame.height, pos.v, unit.v);
  adjust(mHBar, image.width, frame.width, pos.h, unit.h);
  mAdjusting = false;
}

void LScroller::ScrollBarAction(LScrollBar* bar, std::int16_t part) {
  if (!mScrollingView) return;
  const bool vertical = bar == mVBar;
  SDimension32 frame;
  SPoint32 unit, pos;
  mScrollingView->GetFrameSize(frame);
  mScrollingView->GetScrollUnit(unit);
  const std::int32_t u = std::max(1, vertical ? unit.v : unit.h);
  const std::int32_t page = std::max(u, (vertical ? frame.height : frame.width) - u);
  std::int32_t delta = 0;
  switch (part) {
    case kControlUpButtonPart: delta = -u; break;
    case kControlDownButtonPart: delta = u; break;
    case kControlPageUpPart: delta = -page; break;
    case kControlPageDownPart: delta = page; break;
    case kControlIndicatorPart:
      mScrollingView->GetScrollPosition(pos);
      delta = std::int32_t(std::int64_t(bar->GetValue()) * u - (vertical ? pos.v : pos.h));
      break;
    default: return;
  }
  if (vertical)
    mScrollingView->ScrollPinnedImageBy(0, delta, true);
  else
    mScrollingView->ScrollPinnedImageBy(delta, 0, true);
  AdjustScrollBars();
}

void LScroller::SubImageChanged(LView* view) {
  if (view == mScrollingView) AdjustScrollBars();
}

void LScroller::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LView::ResizeFrameBy(dw, dh, refresh);
  AdjustScrollBars();
}

void LScroller::DrawSelf() {
  // Only the corner between the bars is the scroller's own.
  if (!mVBar || !mHBar) return;
  RectL f;
  CalcLocalFrameRect(f);
  SDimension32 v;
  mVBar->GetFrameSize(v);
  Rect corner;
  KxSetRect(corner, RectL{f.bottom - v.width, f.right - v.width, f.bottom, f.right});
  RGBBackColor(&UKXColor::sSilverGrayColor);
  EraseRect(&corner);
}
