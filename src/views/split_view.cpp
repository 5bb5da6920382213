#include "views/split_view.h"

#include "platform/draw/color.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "views/text_view.h"

namespace {
// Snap zones of the band, measured from the top (left) limit and from
// the bottom (right) one.
constexpr std::int32_t kNearSnapFrom = 26;
constexpr std::int32_t kNearSnapTo = 50;
constexpr std::int32_t kFarSnapTo = 66;
constexpr std::int32_t kFarSnapFrom = 42;
constexpr std::int32_t kFarLimit = 64;
// Vertical writing: the near snap edge, and where the allowed area starts
// with the status bar shown.
constexpr std::int32_t kVerticalNearSnap = 220;
constexpr std::int32_t kVerticalNearFromStatus = 196;
constexpr std::int32_t kVerticalNearFromPlain = 58;
constexpr std::int32_t kVerticalStatusLeft = 154;
constexpr std::int16_t kSplitCursor = 1110;
constexpr std::int16_t kSplitCursorVertical = 1111;

void Inset(Rect& r, std::int16_t d) {
  r.top += d;
  r.left += d;
  r.bottom -= d;
  r.right -= d;
}

bool Inside(const RectL& r, SPoint32 p) { return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom; }
}  // namespace

CKXTextSplitView::CKXTextSplitView() = default;
CKXTextSplitView::CKXTextSplitView(const KxLayoutPaneRecord& record) : LView(record) {}
CKXTextSplitView::~CKXTextSplitView() { StopIdling(); }

RectL CKXTextSplitView::WindowFrame() const {
  if (LWindow* w = LWindow::FetchWindowOf(this)) return w->CalcPortFrameRect();
  return CalcPortFrameRect();
}

bool CKXTextSplitView::SnapBand(const RectL& r, SPoint32 mouse, std::int32_t& at) const {
  if (!mVertical) {
    const std::int32_t top = r.top + mGageHeight;
    std::int32_t v = mouse.v;
    if (v > top + kNearSnapFrom && v < top + kNearSnapTo)
      v = top + kNearSnapTo;
    else if (v > r.bottom - kFarSnapTo && v < r.bottom - kFarSnapFrom)
      v = r.bottom - kFarSnapTo;
    const RectL allowed{top, r.left - kKxSplitSlop, r.bottom - kFarLimit, r.right + kKxSplitSlop};
    at = v;
    return Inside(allowed, SPoint32{mouse.h, v});
  }
  const std::int32_t right = r.right - mGageHeight;
  std::int32_t h = mouse.h;
  const std::int32_t nearFrom = r.left + (mStatusShown ? kVerticalNearFromStatus : kVerticalNearFromPlain);
  if (h > nearFrom && h < r.left + kVerticalNearSnap)
    h = r.left + kVerticalNearSnap;
  else if (h > right - kFarSnapTo && h < right - kFarSnapFrom)
    h = right - kFarSnapTo;
  const RectL allowed{r.top - kKxSplitSlop, r.left + (mStatusShown ? kVerticalStatusLeft : 0), r.bottom + kKxSplitSlop,
                      right - kFarLimit};
  at = h;
  return Inside(allowed, SPoint32{h, mouse.v});
}

RectL CKXTextSplitView::BandRect(const RectL& r, std::int32_t at) const {
  if (!mVertical) return RectL{at - 2, r.left, at + 4, r.right};
  return RectL{r.top, at - 2, r.bottom, at + 4};
}

void CKXTextSplitView::InvertBand() {
  LWindow* w = LWindow::FetchWindowOf(this);
  if (!w || !w->FocusDraw()) return;
  PenState saved;
  GetPenState(&saved);
  PenNormal();
  PenMode(patXor);
  PenPat(&kKxGrayPat);
  Rect band;
  KxSetRect(band, mBand);
  FrameRect(&band);
  SetPenState(&saved);
  mBandShown = !mBandShown;
}

void CKXTextSplitView::ClickSelf(const SMouseDownEvent& event) {
  mTracking = true;
  mBandShown = false;
  mLastMouse = SPoint32{INT32_MIN, INT32_MIN};
  TrackTo(event.wherePort);
  StartIdling();
}

void CKXTextSplitView::TrackTo(SPoint32 port) {
  if (!mTracking || (port.h == mLastMouse.h && port.v == mLastMouse.v)) return;
  mLastMouse = port;
  if (mBandShown) InvertBand();   // erase the last band first
  const RectL r = WindowFrame();
  std::int32_t at = 0;
  if (SnapBand(r, port, at)) {
    mBand = BandRect(r, at);
    InvertBand();
  }
}

void CKXTextSplitView::EndTrack(SPoint32 port) {
  if (!mTracking) return;
  mTracking = false;
  StopIdling();
  if (mBandShown) InvertBand();
  const RectL r = WindowFrame();
  const RectL slop{r.top - kKxSplitSlop, r.left - kKxSplitSlop, r.bottom + kKxSplitSlop, r.right + kKxSplitSlop};
  if (Inside(slop, port) && mDocument) {
    std::int32_t at = 0;
    SPoint32 split = port;
    if (SnapBand(r, port, at)) (mVertical ? split.h : split.v) = at;
    mDocument->SplitWindow(split, true);
  }
  FocusDraw();
}

void CKXTextSplitView::EventMouseUp(const EventRecord& event) {
  LWindow* w = LWindow::FetchWindowOf(this);
  EndTrack(w ? w->GlobalToPortPoint(event.where) : SPoint32{event.where.h, event.where.v});
}

void CKXTextSplitView::SpendTime(const EventRecord& event) {
  if (!mTracking) return;
  if (LWindow* w = LWindow::FetchWindowOf(this)) TrackTo(w->GlobalToPortPoint(event.where));
}

void CKXTextSplitView::DrawNow() {
  if (!FocusDraw()) return;
  DrawSelf();
  DontRefresh();
}

void CKXTextSplitView::DrawSelf() {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  Rect r;
  KxSetRect(r, f);
  PenNormal();
  RGBColor fore = UKXColor::sViewTextColor;
  if (!IsActive()) UKXColor::Lighten(fore, UKXColor::sViewTextColor);
  RGBForeColor(&fore);
  FrameRect(&r);
  Inset(r, 1);
  if (IsActive()) {
    RGBForeColor(&UKXColor::sViewLightColor);
    MoveTo(r.left, r.bottom - 1);
    LineTo(r.left, r.top);
    LineTo(r.right - 1, r.top);
    RGBForeColor(&UKXColor::sViewShadowColor);
    MoveTo(r.right - 1, r.top + 1);
    LineTo(r.right - 1, r.bottom - 1);
    LineTo(r.left + 1, r.bottom - 1);
    Inset(r, 1);
  }
  RGBForeColor(&UKXColor::sViewFaceColor);
  PaintRect(&r);
  RGBForeColor(&UKXColor::sBlackColor);
}

void CKXTextSplitView::AdjustMouseSelf(const SPoint32&, const EventRecord&) {
  KxCurrentHost().SetCursor(mVertical ? kSplitCursorVertical : kSplitCursor);
}
