// kxedit --window --lines --status: the line-number margin beside each
// text pane (above it in vertical writing) and the status bar at the left
// end of the first pane's horizontal scroll bar.
#pragma once

#include "platform/framework/scroller.h"
#include "views/split_view.h"
#include "views/text_info_view.h"
#include "views/text_line_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"

namespace kxgages {

constexpr std::int32_t kBarThickness = 15;

inline void Add(KxTextPanes& panes, bool lines, bool status, bool vertical) {
  CKXTextInfoView* info = nullptr;
  if (status && panes.scroller[0]) {
    CKXTextScroller& s = *panes.scroller[0];
    const RectL f = s.CalcPortFrameRect();
    info = new CKXTextInfoView;
    info->PutInside(panes.window, f.left, f.bottom - kBarThickness);
    info->ResizeFrameTo(kKxStatusBarWideWidth, kBarThickness, false);
    info->SetTextView(panes.view[0]);
    if (LScrollBar* bar = s.GetHScrollBar()) {
      const std::int32_t take = lines && !vertical ? kKxStatusBarWidth : kKxStatusBarWideWidth;
      bar->ResizeFrameBy(-take, 0, false);
      bar->MoveBy(take, 0, false);
    }
    for (CKXTextView* v : panes.view)
      if (v) v->SetInfoView(info);
  }
  if (!lines) return;
  for (int k = 0; k < 2; ++k) {
    CKXTextScroller* s = panes.scroller[k];
    if (!s || !panes.view[k]) continue;
    const RectL f = s->CalcPortFrameRect();
    auto* margin = new CKXTextLineView;
    margin->SetPaneID(k == 0 ? kKxLineViewID : kKxLineView2ID);
    margin->SetVertical(vertical);
    margin->SetTextView(panes.view[k]);
    margin->SetInfoView(info);
    if (vertical) {
      margin->PutInside(panes.window, f.left, f.top);
      margin->ResizeFrameTo(f.right - f.left - kBarThickness, kKxLineViewWidth, false);
      s->MoveBy(0, kKxLineViewWidth, false);
      s->ResizeFrameBy(0, -kKxLineViewWidth, false);
    } else {
      margin->PutInside(panes.window, f.left, f.top);
      margin->ResizeFrameTo(kKxLineViewWidth, f.bottom - f.top - kBarThickness, false);
      s->MoveBy(kKxLineViewWidth, 0, false);
      s->ResizeFrameBy(-kKxLineViewWidth, 0, false);
    }
    panes.view[k]->SetLineView(margin);
  }
  panes.window->Refresh();
}

}  // namespace kxgages
