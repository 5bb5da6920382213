#include "views/text_scroller.h"

#include <algorithm>

#include "layout/kxtext_api.h"
#include "text/codes/datetime.h"
#include "text/base/geometry.h"
#include "views/text_view.h"

namespace {
constexpr std::int16_t kPartBias = 100;   // a vertical part in the repeat record
constexpr std::int16_t kPartBiasH = 200;  // a horizontal one

bool Hidden(const LPane* pane) { return !pane || !pane->IsVisible(); }
}  // namespace

CKXTextScroller::CKXTextScroller(const KxLayoutPaneRecord& record) : CKXScroller(record) {}

std::int32_t CKXTextScroller::Acceleration(bool vertical, std::uint16_t repeats) {
  if (vertical) return repeats > 50 ? 8 : repeats > 30 ? 4 : repeats >= 11 ? 2 : 1;
  return repeats > 25 ? 8 : repeats > 15 ? 4 : repeats >= 6 ? 2 : 1;
}

void CKXTextScroller::ScrollBarAction(LScrollBar* bar, std::int16_t part) {
  if (!bar) return;
  if (bar == GetVScrollBar())
    VertScroll(part);
  else if (bar == GetHScrollBar())
    HorizScroll(part);
}

void CKXTextScroller::VertScroll(std::int16_t part) { Scroll(true, part); }
void CKXTextScroller::HorizScroll(std::int16_t part) { Scroll(false, part); }

void CKXTextScroller::Scroll(bool vertical, std::int16_t part) {
  LScrollBar* bar = vertical ? GetVScrollBar() : GetHScrollBar();
  LView* view = GetScrollingView();
  if (!bar || !view) return;
  if (part >= kControlIndicatorPart) {
    CKXScroller::ScrollBarAction(bar, kControlIndicatorPart);
    return;
  }
  const bool arrow = part == kControlUpButtonPart || part == kControlDownButtonPart;
  std::int32_t step = kKxTextScrollStep;
  if (arrow) {
    if (auto* text = dynamic_cast<CKXTextView*>(view); text && text->GetTextEngine()) {
      const short scale = KXTE_GetEditScale(text->GetTextEngine()->GetEdit());
      if (scale > 100) step = KxScaleLong(kKxTextScrollStep, scale, false);
    }
  }
  SDimension32 frame;
  view->GetFrameSize(frame);
  const std::int32_t extent = vertical ? frame.height : frame.width;
  std::int64_t delta = 0;
  switch (part) {
    case kControlUpButtonPart: delta = -step; break;
    case kControlDownButtonPart: delta = step; break;
    case kControlPageUpPart: delta = step - extent < 0 ? step - extent : -step; break;
    case kControlPageDownPart: delta = extent - step > 0 ? extent - step : step; break;
    default: break;
  }
  const std::uint32_t now = KxGetTime();
  if (arrow) {
    const std::uint16_t tagged = std::uint16_t(part + (vertical ? kPartBias : kPartBiasH));
    if (tagged == mRepeatPart && std::int32_t(now - mRepeatDeadline) < 0) {
      if (mRepeatCount < UINT16_MAX) ++mRepeatCount;
      delta *= Acceleration(vertical, mRepeatCount);
    } else {
      mRepeatPart = tagged;
      mRepeatCount = 1;
    }
  } else {
    mRepeatPart = 0;
    mRepeatCount = 0;
  }
  if (delta != 0) {
    const std::int32_t d = std::int32_t(std::clamp<std::int64_t>(delta, INT32_MIN / 2, INT32_MAX / 2));
    if (vertical)
      view->ScrollPinnedImageBy(0, d, true);
    else
      view->ScrollPinnedImageBy(d, 0, true);
    SyncTwin();
    AdjustScrollBars();
    bar->FocusDraw();
  }
  mRepeatDeadline = now + KxGetBlinkTime();
}

void CKXTextScroller::SubImageChanged(LView* view) {
  CKXScroller::SubImageChanged(view);
  if (view == GetScrollingView()) SyncTwin();
}

void CKXTextScroller::SyncTwin() {
  LView* view = GetScrollingView();
  if (!mTwinView || !view || mTwinView == view || mSyncing) return;
  mSyncing = true;
  SPoint32 mine, theirs;
  view->GetScrollPosition(mine);
  mTwinView->GetScrollPosition(theirs);
  if (mVertical) {
    if (mine.v != theirs.v) mTwinView->ScrollPinnedImageBy(0, mine.v - theirs.v, true);
  } else {
    if (mine.h != theirs.h) mTwinView->ScrollPinnedImageBy(mine.h - theirs.h, 0, true);
  }
  mSyncing = false;
}

void CKXTextScroller::SetTextColmView(LPane* pane) {
  mColmView = pane;
  mColmHidden = Hidden(pane);
}
void CKXTextScroller::SetTextLineView(LPane* pane) {
  mLineView = pane;
  mLineHidden = Hidden(pane);
}
void CKXTextScroller::SetTextInfoView(LPane* pane) {
  mInfoView = pane;
  mInfoHidden = Hidden(pane);
}

void CKXTextScroller::AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) {
  bool moved = false;
  LView* view = GetScrollingView();
  LScrollBar* hbar = GetHScrollBar();
  if (mColmView && Hidden(mColmView) != mColmHidden) {
    mColmHidden = Hidden(mColmView);
    const auto* gage = dynamic_cast<const CKXTextGage*>(mColmView);
    const std::int32_t height = gage ? gage->GetGageHeight() : 16;
    const std::int32_t sign = mColmHidden ? -1 : 1;
    if (!mVertical) {
      MoveBy(0, sign * height, false);
      dh -= sign * height;
    } else {
      if (view) view->ResizeFrameBy(-sign * height, 0, false);
      if (hbar) hbar->ResizeFrameBy(-sign * height, 0, false);
    }
    moved = true;
  }
  if (mLineView && Hidden(mLineView) != mLineHidden) {
    mLineHidden = Hidden(mLineView);
    const std::int32_t sign = mLineHidden ? -1 : 1;
    if (!mVertical) {
      MoveBy(sign * kKxLineMarginWidth, 0, false);
      dw -= sign * kKxLineMarginWidth;
      // The status bar keeps its place: the bar beside it keeps its left end.
      if (hbar && !mInfoHidden) {
        hbar->ResizeFrameBy(sign * kKxLineMarginWidth, 0, false);
        hbar->MoveBy(-sign * kKxLineMarginWidth, 0, false);
      }
    } else {
      MoveBy(0, sign * kKxLineMarginWidth, false);
      dh -= sign * kKxLineMarginWidth;
    }
    moved = true;
  }
  if (hbar && mInfoView && Hidden(mInfoView) != mInfoHidden) {
    mInfoHidden = Hidden(mInfoView);
    const std::int32_t width = (mLineHidden || mVertical) ? kKxStatusBarWideWidth : kKxStatusBarWidth;
    const std::int32_t sign = mInfoHidden ? -1 : 1;
    hbar->ResizeFrameBy(-sign * width, 0, false);
    hbar->MoveBy(sign * width, 0, false);
    moved = true;
  }
  LView::AdaptToSuperFrameSize(dw, dh, refresh && !moved);
  if (refresh && moved) Refresh();
}
