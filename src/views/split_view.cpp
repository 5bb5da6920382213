#include "views/split_view.h"

#include "platform/draw/color.h"
#include "platform/exception.h"
#include "platform/framework/layout.h"
#include "platform/framework/scroller.h"
#include "platform/resources.h"
#include "views/text_scroller.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/toolbox/cursors.h"
#include "views/text_info_view.h"
#include "views/text_line_view.h"
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
  UCursors::Set(mVertical ? kSplitCursorVertical : kSplitCursor);
}

// ---- The text window of the drivers and tests ------------------------------------------------------

namespace {
const KxLayoutPaneRecord* FindRecord(std::int32_t paneID) {
  int count = 0;
  const KxLayoutPaneRecord* panes = KxFindLayoutPanes(kKxTextWindowLayout, count);
  for (int k = 0; k < count; ++k)
    if (panes[k].paneID == paneID) return &panes[k];
  return nullptr;
}
}  // namespace

KxTextPanes KxMakeTextPanes(CKXTextEngine& engine, CKXEventHandler* handler, std::int32_t width,
                            std::int32_t height, std::int32_t splitAt, bool vertical, LCommander* super,
                            std::int16_t layout) {
  constexpr PaneIDT kScroller = 1005, kView = 1001, kBar = 1006, kScroller2 = 1008, kView2 = 1009;
  KxTextPanes p;
  p.window = LWindow::CreateWindow(layout, super);
  const Rect b = p.window->GetGlobalBounds();
  p.window->DoSetBounds(Rect{b.top, b.left, std::int16_t(b.top + height), std::int16_t(b.left + width)});
  p.scroller[0] = dynamic_cast<CKXTextScroller*>(p.window->FindPaneByID(kScroller));
  p.view[0] = dynamic_cast<CKXTextView*>(p.window->FindPaneByID(kView));
  p.bar = dynamic_cast<CKXTextSplitView*>(p.window->FindPaneByID(kBar));
  if (!p.scroller[0] || !p.view[0] || !p.bar) throw LException(paramErr);
  p.scroller[0]->SetVertical(vertical);
  p.bar->SetVertical(vertical);
  p.view[0]->SetTextEngine(&engine);
  p.view[0]->SetEventHandler(handler);
  engine.SetHandlerView(p.view[0]);
  p.view[0]->FixImage();
  const std::int32_t along = vertical ? width : height;
  if (splitAt <= 0 || splitAt >= along - kKxSplitBarHeight) {
    p.bar->Hide();
    return p;
  }
  const std::int32_t rest = along - splitAt - kKxSplitBarHeight;
  const KxLayoutPaneRecord* scrollerRec = FindRecord(kScroller);
  const KxLayoutPaneRecord* viewRec = FindRecord(kView);
  if (!scrollerRec || !viewRec) throw LException(paramErr);
  auto* scroller = new CKXTextScroller(*scrollerRec);
  scroller->SetPaneID(kScroller2);
  auto* view = new CKXTextView(*viewRec);
  view->SetPaneID(kView2);
  if (!vertical) {
    p.scroller[0]->ResizeFrameBy(0, splitAt - height, false);
    p.bar->PlaceInSuperImageAt(0, splitAt, false);
    p.bar->ResizeFrameTo(width, kKxSplitBarHeight, false);
    scroller->PutInside(p.window, 0, splitAt + kKxSplitBarHeight);
    scroller->ResizeFrameTo(width, rest, false);
  } else {
    // Vertical writing reads from the right: the first pane is the right one.
    p.scroller[0]->MoveBy(rest + kKxSplitBarHeight, 0, false);
    p.scroller[0]->ResizeFrameBy(splitAt - width, 0, false);
    p.bar->PlaceInSuperImageAt(rest, 0, false);
    p.bar->ResizeFrameTo(kKxSplitBarHeight, height, false);
    scroller->PutInside(p.window, 0, 0);
    scroller->ResizeFrameTo(rest, height, false);
  }
  SDimension32 sf;
  scroller->GetFrameSize(sf);
  const std::int32_t barWidth = 15;
  view->PutInside(scroller, 0, 0);
  view->ResizeFrameTo(sf.width - barWidth, sf.height - barWidth, false);
  scroller->InstallView(view);
  p.scroller[1] = scroller;
  p.view[1] = view;
  view->FinishCreate();
  view->SetTextEngine(&engine);
  view->SetEventHandler(handler);
  view->FixImage();
  engine.SetTextSplit(true);
  p.scroller[0]->SetTwinView(view);
  scroller->SetTwinView(p.view[0]);
  scroller->SetVertical(vertical);
  p.window->Refresh();
  return p;
}

void KxAddTextGages(KxTextPanes& panes, bool lines, bool status, bool vertical) {
  constexpr std::int32_t kBarThickness = 15;
  if (!panes.window) return;
  CKXTextInfoView* info = nullptr;
  if (status && panes.scroller[0]) {
    CKXTextScroller& s = *panes.scroller[0];
    const RectL f = s.CalcPortFrameRect();
    info = new CKXTextInfoView;
    info->SetPaneID(kKxInfoViewID);
    info->PutInside(panes.window, f.left, f.bottom - kBarThickness);
    info->ResizeFrameTo(kKxStatusBarWideWidth, kBarThickness, false);
    // Stays at the bottom-left corner as the window is resized.
    SBooleanRect bind;
    bind.left = bind.bottom = true;
    info->SetFrameBinding(bind);
    info->SetTextView(panes.view[0]);
    if (LScrollBar* bar = s.GetHScrollBar()) {
      const std::int32_t take = lines && !vertical ? kKxStatusBarWidth : kKxStatusBarWideWidth;
      bar->ResizeFrameBy(-take, 0, false);
      bar->MoveBy(take, 0, false);
    }
    for (CKXTextView* v : panes.view)
      if (v) v->SetInfoView(info);
  }
  if (lines) {
    for (int k = 0; k < 2; ++k) {
      CKXTextScroller* s = panes.scroller[k];
      if (!s || !panes.view[k]) continue;
      const RectL f = s->CalcPortFrameRect();
      auto* margin = new CKXTextLineView;
      margin->SetPaneID(k == 0 ? kKxLineViewID : kKxLineView2ID);
      margin->SetVertical(vertical);
      margin->SetTextView(panes.view[k]);
      margin->SetInfoView(info);
      SBooleanRect bind;
      bind.left = bind.top = true;
      margin->PutInside(panes.window, f.left, f.top);
      if (vertical) {
        margin->ResizeFrameTo(f.right - f.left - kBarThickness, kKxLineViewWidth, false);
        bind.right = true;
        s->MoveBy(0, kKxLineViewWidth, false);
        s->ResizeFrameBy(0, -kKxLineViewWidth, false);
      } else {
        margin->ResizeFrameTo(kKxLineViewWidth, f.bottom - f.top - kBarThickness, false);
        bind.bottom = true;
        s->MoveBy(kKxLineViewWidth, 0, false);
        s->ResizeFrameBy(-kKxLineViewWidth, 0, false);
      }
      margin->SetFrameBinding(bind);
      panes.view[k]->SetLineView(margin);
    }
  }
  panes.window->Refresh();
}
