// The arrangement of a document window: horizontal or vertical writing, one
// pane or two on the same engine, and where the ruler, the line-number
// margins, the status bar, the split bar and the scroll bars go for each.
// Every change places all panes again from the window's size, so no
// sequence of splits, joins and switches can leave a pane astray.
#include "document/text_doc_arrange.h"

#include <algorithm>

#include "app/contextual_menu.h"
#include "document/text_doc.h"
#include "engine/event_handler.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/exception.h"
#include "platform/framework/commander.h"
#include "platform/framework/layout.h"
#include "platform/framework/scroller.h"
#include "platform/framework/window.h"
#include "text/base/geometry.h"
#include "views/split_view.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_line_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"
#include "views/text_window.h"

namespace {

constexpr std::int32_t kBarWidth = 15;        // scroll bars
constexpr std::int32_t kMarginWidth = kKxLineViewWidth;
constexpr std::int32_t kStatusWidth = kKxStatusBarWideWidth;   // from the window's left edge
constexpr std::int32_t kSplitBar = kKxSplitBarHeight;
// Unsplit, the bar is a small box at the end of a scroll bar; the scroll
// bar starts this far along to make room for it.
constexpr std::int32_t kSplitBoxReach = 5;
// Where the parked second pane waits, beyond the window's edge.
constexpr std::int32_t kParkDistance = 32;
// Smallest panes of a split: the second one, and the first in each writing.
constexpr std::int32_t kMinSecondPane = 64;
constexpr std::int32_t kMinFirstPane = 48;
constexpr std::int32_t kMinFirstPaneVertical = 218;
// The ruler of the window.
constexpr PaneIDT kRulerID = 1002;
constexpr PaneIDT kScroller2ID = 1008, kView2ID = 1009;

bool Shown(const LPane* pane) { return pane && pane->IsVisibleSelf(); }

void SetFrame(LPane* pane, const RectL& r, const SBooleanRect& bind) {
  if (!pane) return;
  pane->PlaceInSuperImageAt(r.left, r.top, false);
  pane->ResizeFrameTo(std::max(0, r.right - r.left), std::max(0, r.bottom - r.top), false);
  pane->SetFrameBinding(bind);
}

// The scroller's own panes: the text view, the vertical bar from `vbarTop`
// down and the horizontal bar from `hbarLeft` on (scroller coordinates).
void PlaceInsideScroller(CKXTextScroller* s, std::int32_t vbarTop, std::int32_t hbarLeft) {
  if (!s) return;
  SDimension32 f;
  s->GetFrameSize(f);
  if (LScrollBar* v = s->GetVScrollBar()) {
    v->PlaceInSuperImageAt(f.width - kBarWidth, vbarTop, false);
    v->ResizeFrameTo(kBarWidth, std::max(0, f.height - (kBarWidth - 1) - vbarTop), false);
  }
  if (LScrollBar* h = s->GetHScrollBar()) {
    h->PlaceInSuperImageAt(hbarLeft, f.height - kBarWidth, false);
    h->ResizeFrameTo(std::max(0, f.width - (kBarWidth - 1) - hbarLeft), kBarWidth, false);
  }
  if (LView* view = s->GetScrollingView()) {
    view->PlaceInSuperImageAt(0, 0, false);
    view->ResizeFrameTo(std::max(0, f.width - kBarWidth), std::max(0, f.height - kBarWidth), false);
  }
}

const KxLayoutPaneRecord* DocRecord(PaneIDT id) {
  int count = 0;
  const KxLayoutPaneRecord* panes = KxFindLayoutPanes(kKxDocWindowLayout, count);
  for (int k = 0; k < count; ++k)
    if (panes[k].paneID == id) return &panes[k];
  return nullptr;
}

// Scrolls so that the line of `offset` starts the view.
void ScrollToLineOf(CKXTextEngine& engine, long offset) {
  if (offset < 0) return;
  const KXEditHandle e = engine.GetEdit();
  RectL view{};
  KXTE_GetViewRect(e, view);
  const PointL at = KXTE_GetPoint(e, offset);
  // The line starts the view at its top, scrolled to the left edge; a
  // column starts it at its right edge, scrolled to the top.
  if (KXTE_GetVertical(e) != 0)
    engine.ScrollViewBy(long(at.h) - view.right, -long(view.top));
  else
    engine.ScrollViewBy(-long(view.left), long(at.v) - view.top);
}

}  // namespace

std::int32_t CKXTextDocument::GetSplitAt() const {
  if (mSplitAt <= 0 || !mPanes.bar) return 0;
  const RectL bar = mPanes.bar->CalcPortFrameRect();
  return mVerticalWindow ? bar.left : bar.top;
}

void CKXTextDocument::SelectWindow() {
  if (mPanes.window) mPanes.window->Select();
}

void CKXTextDocument::ActivateWindow() {
  if (!mPanes.window || mPanes.window->IsActive()) return;
  mPanes.window->Select();
  mPanes.window->HostActivate(true);
}

std::int32_t CKXTextDocument::RulerHeight() const {
  LPane* ruler = mPanes.window ? mPanes.window->FindPaneByID(kRulerID) : nullptr;
  if (!Shown(ruler)) return 0;
  const auto* gage = dynamic_cast<const CKXTextGage*>(ruler);
  return gage ? gage->GetGageHeight() : 16;
}

void CKXTextDocument::ArrangePanes(std::int32_t gage) {
  LWindow* w = mPanes.window;
  if (!w || !mPanes.scroller[0]) return;
  SDimension32 size;
  w->GetFrameSize(size);
  const std::int32_t W = size.width, H = size.height;
  LPane* ruler = w->FindPaneByID(kRulerID);
  LPane* margin[2] = {w->FindPaneByID(kKxLineViewID), w->FindPaneByID(kKxLineView2ID)};
  LPane* status = w->FindPaneByID(kKxInfoViewID);
  const bool lines = Shown(margin[0]);
  const bool info = Shown(status);
  const bool split = mSplitAt > 0 && mPanes.scroller[1];
  CKXTextScroller* s1 = mPanes.scroller[0];
  CKXTextScroller* s2 = mPanes.scroller[1];
  // Bindings: left, top, right, bottom.
  const SBooleanRect all{true, true, true, true};
  if (!mVerticalWindow) {
    // The text area under the ruler, right of the margins.
    const RectL area{gage, lines ? kMarginWidth : 0, H, W};
    // The ruler spans the window: its left inset (below) keeps the corner
    // above the margins, where the restart button stands, so that its scale
    // starts at the text's left edge.
    if (ruler) SetFrame(ruler, RectL{area.top - gage, 0, area.top, W}, SBooleanRect{true, true, true, false});
    RectL first = area, second{H + kParkDistance, area.left, H + kParkDistance + 2 * kMinSecondPane, W};
    if (split) {
      first.bottom = mSplitAt;
      second.top = mSplitAt + kSplitBar;
      second.bottom = H;
      SetFrame(mPanes.bar, RectL{mSplitAt, 0, mSplitAt + kSplitBar, W}, SBooleanRect{true, false, true, true});
    } else {
      SetFrame(mPanes.bar, RectL{area.top - 1, W - kBarWidth, area.top + kSplitBoxReach, W + 1},
               SBooleanRect{false, true, true, false});
    }
    SetFrame(s1, first, all);
    SetFrame(s2, second, SBooleanRect{true, false, true, true});
    // The status bar sits at the bottom-left corner, in the lower pane's
    // scroll bar row.
    const std::int32_t statusTake = info ? std::max(0, kStatusWidth - area.left) : 0;
    PlaceInsideScroller(s1, split ? 0 : kSplitBoxReach, split ? 0 : statusTake);
    PlaceInsideScroller(s2, 0, statusTake);
    SetFrame(margin[0], RectL{first.top, 0, first.bottom - kBarWidth, kMarginWidth}, SBooleanRect{true, true, false, true});
    SetFrame(margin[1], RectL{second.top, 0, second.bottom - kBarWidth, kMarginWidth},
             SBooleanRect{true, false, false, true});
  } else {
    // The text area left of the ruler, under the margins; the first pane is
    // the left one (it holds the status bar in its scroll bar row).
    const RectL area{lines ? kMarginWidth : 0, 0, H, W - gage};
    // The ruler starts under the margin, whose button takes its corner.
    if (ruler)
      SetFrame(ruler, RectL{area.top, area.right, H + 1, area.right + gage}, SBooleanRect{false, true, true, true});
    RectL first = area, second{area.top, -kParkDistance - 2 * kMinSecondPane, H, -kParkDistance};
    const std::int32_t statusTake = info ? kStatusWidth : 0;
    if (split) {
      first.right = mSplitAt;
      second.left = mSplitAt + kSplitBar;
      second.right = area.right;
      SetFrame(mPanes.bar, RectL{0, mSplitAt, H, mSplitAt + kSplitBar}, SBooleanRect{false, true, true, true});
    } else {
      // Beside the status bar, at the left end of the horizontal scroll bar.
      SetFrame(mPanes.bar, RectL{H - kBarWidth, statusTake - 1, H + 1, statusTake + kSplitBoxReach},
               SBooleanRect{true, false, false, true});
    }
    SetFrame(s1, first, all);
    SetFrame(s2, second, SBooleanRect{false, true, true, true});
    PlaceInsideScroller(s1, 0, statusTake + (split ? 0 : kSplitBoxReach));
    PlaceInsideScroller(s2, 0, 0);
    // Each margin runs on over its pane's scroll bar (and the ruler's corner
    // beside the right-hand pane), where its line-menu button stands: the
    // numbers stay over the columns, which start at the text's right edge.
    const auto marginRight = [&](const RectL& pane) { return pane.right + (pane.right == area.right ? gage : 0); };
    SetFrame(margin[0], RectL{0, first.left, first.top, marginRight(first)}, SBooleanRect{true, true, true, false});
    SetFrame(margin[1], RectL{0, second.left, second.top, marginRight(second)},
             SBooleanRect{false, true, true, false});
  }
  if (status) SetFrame(status, RectL{H - kBarWidth, 0, H, kStatusWidth}, SBooleanRect{true, false, false, true});
  if (auto* colm = dynamic_cast<CKXTextColmView*>(ruler)) {
    // The ruler turns with the text: its scale runs down the right edge,
    // and only a horizontal one starts beside the line numbers.
    colm->SetVertical(mVerticalWindow);
    colm->SetLeftIndent(short(!mVerticalWindow && lines ? kMarginWidth : 0));
  }
  mPanes.bar->SetVertical(mVerticalWindow);
  mPanes.bar->SetGageHeight(gage);
  mPanes.bar->SetStatusShown(info);
  mPanes.bar->Show();
  for (int k = 0; k < 2; ++k) {
    if (mPanes.scroller[k]) mPanes.scroller[k]->SetVertical(mVerticalWindow);
    if (auto* m = dynamic_cast<CKXTextLineView*>(margin[k])) m->SetVertical(mVerticalWindow);
  }
  // The parked pane stays out of sight and out of reach of clicks.
  if (s2) {
    if (split)
      s2->Show();
    else
      s2->Hide();
  }
  if (margin[1]) {
    if (split && lines)
      margin[1]->Show();
    else
      margin[1]->Hide();
  }
}

void CKXTextDocument::MakeSecondPane() {
  if (mPanes.scroller[1] || !mPanes.window) return;
  const KxLayoutPaneRecord* scrollerRec = DocRecord(kKxTextScrollerID);
  const KxLayoutPaneRecord* viewRec = DocRecord(1001);
  if (!scrollerRec || !viewRec) throw LException(paramErr);
  auto* scroller = new CKXTextScroller(*scrollerRec);
  scroller->SetPaneID(kScroller2ID);
  scroller->PutInside(mPanes.window, 0, 0);
  scroller->Hide();
  auto* view = new CKXTextView(*viewRec);
  view->SetPaneID(kView2ID);
  view->PutInside(scroller, 0, 0);
  // On the window's command chain, as the panes built from its layout are:
  // otherwise a click in this pane leaves every command disabled and its
  // typing cannot be undone.
  for (LPane* s = view->GetSuperView(); s; s = s->GetSuperView())
    if (auto* commander = dynamic_cast<LCommander*>(s)) {
      view->SetSuperCommander(commander);
      break;
    }
  scroller->InstallView(view);
  view->FinishCreate();
  view->SetDocument(this);
  view->SetWrapToFrame(true);
  view->AddAttachment(new CKXTextContextualMenu(view));
  mPanes.scroller[1] = scroller;
  mPanes.view[1] = view;
  // A second margin when the window has one.
  if (mPanes.window->FindPaneByID(kKxLineViewID)) {
    auto* margin = new CKXTextLineView;
    margin->SetPaneID(kKxLineView2ID);
    margin->PutInside(mPanes.window, 0, 0);
    margin->Hide();
    margin->SetTextView(view);
    margin->SetInfoView(dynamic_cast<CKXTextInfoView*>(mPanes.window->FindPaneByID(kKxInfoViewID)));
    view->SetLineView(margin);
  }
  view->SetInfoView(mPanes.window->FindPaneByID(kKxInfoViewID));
}

void CKXTextDocument::LinkSecondPane(bool linked) {
  CKXTextView* second = mPanes.view[1];
  if (!second) return;
  if (linked) {
    second->SetTextEngine(mEngine);
    second->SetEventHandler(mHandler);
    mEngine->SetTextSplit(true);
    mPanes.scroller[0]->SetTwinView(second);
    mPanes.scroller[1]->SetTwinView(mPanes.view[0]);
    return;
  }
  // The first view takes over what the second one held.
  if (mEngine->GetHandlerView() == second) mEngine->SetHandlerView(mPanes.view[0]);
  if (LCommander::GetTarget() == second) LCommander::SwitchTarget(mPanes.view[0]);
  if (mPanes.window->GetLatentSub() == second) mPanes.window->SetLatentSub(mPanes.view[0]);
  mPanes.scroller[0]->SetTwinView(nullptr);
  mPanes.scroller[1]->SetTwinView(nullptr);
  second->SetEventHandler(nullptr);
  second->SetTextEngine(nullptr);
  mEngine->SetTextSplit(false);
}

void CKXTextDocument::SplitWindow(SPoint32 point, bool redraw) {
  if (!mPanes.window || !mPanes.scroller[0]) return;
  SDimension32 size;
  mPanes.window->GetFrameSize(size);
  const std::int32_t gage = RulerHeight();
  // The bar's place along the split axis, and the extents it leaves.
  std::int32_t at = 0, first = 0, second = 0, minFirst = kMinFirstPane;
  if (!mVerticalWindow) {
    at = point.v - 2;
    first = at - gage;
    second = size.height - (at + kSplitBar);
  } else {
    at = point.h - 2;
    first = at;
    second = size.width - gage - (at + kSplitBar);
    minFirst = kMinFirstPaneVertical;
  }
  // The bar follows the window's size: where it is now is the current split.
  mSplitAt = GetSplitAt();
  const bool splits = second >= kMinSecondPane && first >= minFirst;
  if (splits && at == mSplitAt) return;   // the split as it is
  if (!splits && mSplitAt == 0) return;   // already one pane
  if (splits) {
    const bool wasSplit = mSplitAt > 0;
    MakeSecondPane();
    mSplitAt = at;
    ArrangePanes(gage);
    if (!wasSplit) {
      LinkSecondPane(true);
      // The new pane starts on the first one's place in the text. Vertical
      // text starts at the right edge and the panes differ in width, so
      // there their right edges line up rather than their scroll places.
      mPanes.view[1]->FixImage();
      SPoint32 scroll{0, 0}, now{0, 0};
      mPanes.view[0]->GetScrollPosition(scroll);
      mPanes.view[1]->GetScrollPosition(now);
      if (mVerticalWindow) {
        SDimension32 f1, f2;
        mPanes.view[0]->GetFrameSize(f1);
        mPanes.view[1]->GetFrameSize(f2);
        scroll.h += f1.width - f2.width;
      }
      mPanes.view[1]->ScrollPinnedImageBy(scroll.h - now.h, scroll.v - now.v, false);
    }
  } else {
    LinkSecondPane(false);
    mSplitAt = 0;
    ArrangePanes(gage);
  }
  for (CKXTextView* v : mPanes.view)
    if (v && v->GetTextEngine()) v->FixImage();
  if (redraw) mPanes.window->Refresh();
}

void CKXTextDocument::VerticalWindow(bool vertical, bool redraw) {
  if (!mPanes.window) return;
  // A split window is joined first: the split's axis turns with the text.
  if (mSplitAt > 0) {
    LinkSecondPane(false);
    mSplitAt = 0;
  }
  // The text at the view's first corner stays in sight: the old scroll
  // place means nothing across the turn.
  const long top = TopLeftOffset();
  mVerticalWindow = vertical;
  mEngine->SetVertical(vertical);
  ArrangePanes(RulerHeight());
  for (CKXTextView* v : mPanes.view)
    if (v && v->GetTextEngine()) {
      v->FixImage();
      v->FixView();
    }
  ScrollToLineOf(*mEngine, top);
  if (CKXTextColmView* ruler = GetColmView()) ruler->FixView();
  if (redraw) mPanes.window->Refresh();
}

// ---- arranging the document windows ---------------------------------------------------------------

bool KxFindArrangeCommandStatus(CommandT command, Boolean& enabled) {
  switch (command) {
    case kKxCmdTileWindows:
    case kKxCmdStackWindows:
    case kKxCmdZoomWindow: enabled = true; return true;
    // Another document to go to.
    case kKxCmdNextDocument: enabled = CKXDocument::FindIndexDocument(2) != nullptr; return true;
    default: return false;
  }
}

bool KxObeyArrangeCommand(CKXTextDocument& doc, CommandT command) {
  switch (command) {
    case kKxCmdTileWindows: doc.TileWindow(KxShiftKeyDown()); return true;
    case kKxCmdStackWindows: doc.StackWindow(); return true;
    case kKxCmdZoomWindow:
      if (LWindow* w = doc.GetWindow()) w->DoSetZoom(!w->IsZoomed());
      return true;
    case kKxCmdNextDocument:
      if (CKXDocument* next = doc.FindNextDocument(KxShiftKeyDown()); next && next != &doc) next->MakeCurrent();
      return true;
    default: return false;
  }
}
